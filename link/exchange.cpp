#include "exchange.h"

#include "linklog.h"
#include "slip.h"
#include "vestracomm.h"

void Exchange::begin(bool useDataPage)
{
    dataPage = useDataPage;
    requestsSent = 0;
    framesReceived = 0;
    pageBuffer.clear();
}

QByteArray Exchange::nextPacket()
{
    const QByteArray packet = vestraComm::requestPacket(dataPage, requestsSent);
    if (!packet.isEmpty())
        ++requestsSent;
    return packet;
}

Exchange::Outcome Exchange::frameIn(const QByteArray &frame, QByteArray &packetToSend)
{
    qCDebug(lcLink).nospace() << "receiving slipframe: " << frame.size();
    const QList<QByteArray> packets = Slip::decodePackets(frame);
    for (const QByteArray &packet : packets) {
        const QByteArray text = Slip::pageText(packet);
        if (text.isEmpty())
            continue;
        if (pageBuffer.size() + text.size() <= MaxPageSize)
            pageBuffer.append(text);
        qCDebug(lcLink) << "Slipparsing ok" << pageBuffer.size();
    }
    qCDebug(lcLink) << "Slipframe processing done";
    ++framesReceived;

    packetToSend = nextPacket();
    if (!packetToSend.isEmpty())
        return Outcome::SendNext;
    if (requestsSent == framesReceived)
        return Outcome::PageComplete;
    qCDebug(lcLink) << "Strange error";
    return Outcome::CountMismatch;
}

Measurement Exchange::measurement() const
{
    Measurement measured;
    for (int index = 0; index < ReadingCount; ++index) {
        const auto reading = static_cast<Reading>(index);
        const QString marker = QString::fromLatin1(readingMarker(reading));
        if (findReading(pageBuffer, reading, measured.readings[index])) {
            measured.found |= 1u << index;
            qCDebug(lcLink).noquote() << "Found" << marker << measured.readings[index];
        } else {
            qCDebug(lcLink).noquote() << "Could not find" << marker;
        }
    }
    return measured;
}
