#include "slip.h"

#include "linklog.h"

namespace Slip {

QList<QByteArray> decodePackets(const QByteArray &frame)
{
    QList<QByteArray> packets;
    QByteArray packet;
    for (qsizetype i = 0; i < frame.size(); ++i) {
        const char byte = frame.at(i);
        if (byte == End) {
            packets.append(packet);
            packet.clear();
        } else if (byte == Esc) {
            qCDebug(lcLink) << "Slipframe Escape";
            if (++i >= frame.size())
                break;
            if (frame.at(i) == EscEnd) {
                qCDebug(lcLink) << "Slipframe Escape 0334";
                packet.append(End);
            } else if (frame.at(i) == EscEsc) {
                qCDebug(lcLink) << "Slipframe Escape 0335";
                packet.append(Esc);
            }
        } else {
            packet.append(byte);
        }
    }
    return packets;
}

QByteArray pageText(const QByteArray &packet)
{
    if (packet.size() <= HeaderSize)
        return {};
    QByteArray text = packet.mid(HeaderSize);
    text.replace('\0', '"');
    return text;
}

} // namespace Slip

QList<QByteArray> SlipReceiver::feed(const QByteArray &bytes)
{
    QList<QByteArray> frames;
    for (const char byte : bytes) {
        if (!gathering) {
            if (byte == Slip::End) {
                gathering = true;
                frame.clear();
            }
            continue;
        }
        if (byte == Slip::End) {
            if (frame.isEmpty())
                continue; // a doubled END: this one opens the frame
            frame.append(byte);
            frames.append(frame);
            frame.clear();
            gathering = false;
            continue;
        }
        if (frame.size() >= MaxFrameSize) {
            qCWarning(lcLink) << "Dropping an oversize frame";
            frame.clear();
            gathering = false;
            continue;
        }
        frame.append(byte);
    }
    return frames;
}

void SlipReceiver::reset()
{
    frame.clear();
    gathering = false;
}
