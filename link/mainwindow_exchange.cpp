// The window's side of the lock-step exchange: one script packet out, one
// frame back, until the script is used up; then the page is cut into readings.

#include "mainwindow.h"

#include "linklog.h"
#include "serialcomm.h"
#include "slip.h"
#include "ui_mainwindow.h"
#include "vestracomm.h"

#include <QTimer>

namespace {

// The instrument's page is under 2 KiB; a device that keeps sending frames must
// not grow the buffer without end.
constexpr qsizetype MaxPageSize = 64 * 1024;

} // namespace

void MainWindow::onSlipFrame(const QByteArray &frame)
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

    const QByteArray next = vestra->requestPacket(!debugMode, requestsSent);
    if (!next.isEmpty()) {
        serialComm->sendData(next);
        ++requestsSent;
    } else if (requestsSent == framesReceived) {
        pageComplete();
    } else {
        qCDebug(lcLink) << "Strange error";
    }
}

void MainWindow::pageComplete()
{
    ui->groupBox->show();
    ui->Infoframe->hide();
    receiveTimer->stop();
    ui->pbDecodeData->setEnabled(true);
    serialComm->closePort();
    qCDebug(lcLink) << "Done All messages received";

    for (int index = 0; index < ReadingCount; ++index) {
        const auto reading = static_cast<Reading>(index);
        const QString marker = QString::fromLatin1(readingMarker(reading));
        if (findReading(pageBuffer, reading, readings[index]))
            qCDebug(lcLink).noquote() << "Found" << marker << readings[index];
        else
            qCDebug(lcLink).noquote() << "Could not find" << marker << readings[index];
    }

    evaluateReadings();
    if (ui->TxtLabelHexMsg->text().startsWith(QLatin1String("FFFE2F")))
        showDistressWarning();
}
