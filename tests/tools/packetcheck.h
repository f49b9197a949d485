#ifndef PACKETCHECK_H
#define PACKETCHECK_H

// Independent helpers for checking what goes over the link: written from
// RFC 791, 793 and 1055, sharing no code with the tools under test.

#include <QByteArray>
#include <QStringList>

namespace PacketCheck {

inline quint32 be16(const QByteArray &b, int at)
{
    return (quint32(quint8(b.at(at))) << 8) | quint8(b.at(at + 1));
}

inline quint32 be32(const QByteArray &b, int at)
{
    return (be16(b, at) << 16) | be16(b, at + 2);
}

// Folded 16-bit ones' complement sum; a correctly checksummed block sums to 0xFFFF.
inline quint32 foldedSum(const QByteArray &b, quint32 sum = 0)
{
    for (int i = 0; i < b.size(); i += 2) {
        const quint32 hi = quint8(b.at(i));
        const quint32 lo = i + 1 < b.size() ? quint8(b.at(i + 1)) : 0;
        sum += (hi << 8) | lo;
    }
    while (sum > 0xFFFF)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return sum;
}

inline bool ipHeaderChecksumOk(const QByteArray &packet)
{
    const int ihl = (quint8(packet.at(0)) & 0x0F) * 4;
    return foldedSum(packet.left(ihl)) == 0xFFFF;
}

inline bool tcpChecksumOk(const QByteArray &packet)
{
    const int ihl = (quint8(packet.at(0)) & 0x0F) * 4;
    const QByteArray segment = packet.mid(ihl);
    QByteArray pseudo = packet.mid(12, 8);
    pseudo += char(0);
    pseudo += char(6);
    pseudo += char(segment.size() >> 8);
    pseudo += char(segment.size() & 0xFF);
    return foldedSum(pseudo + segment) == 0xFFFF;
}

inline int tcpHeaderLength(const QByteArray &packet)
{
    const int ihl = (quint8(packet.at(0)) & 0x0F) * 4;
    return (quint8(packet.at(ihl + 12)) >> 4) * 4;
}

inline QByteArray tcpPayload(const QByteArray &packet)
{
    const int ihl = (quint8(packet.at(0)) & 0x0F) * 4;
    return packet.mid(ihl + tcpHeaderLength(packet));
}

// Bytes between the two ENDs of "C0 ... C0", escapes undone.
inline QByteArray slipDecode(const QByteArray &frame)
{
    QByteArray out;
    for (int i = 1; i + 1 < frame.size(); ++i) {
        const quint8 c = quint8(frame.at(i));
        if (c == 0xDB && i + 2 < frame.size()) {
            const quint8 next = quint8(frame.at(++i));
            out += char(next == 0xDC ? 0xC0 : next == 0xDD ? 0xDB : next);
        } else {
            out += char(c);
        }
    }
    return out;
}

inline quint32 address(const char *dotted)
{
    const QStringList parts = QString::fromLatin1(dotted).split(QLatin1Char('.'));
    quint32 a = 0;
    for (const QString &part : parts)
        a = (a << 8) | part.toUInt();
    return parts.size() == 4 ? a : 0;
}

} // namespace PacketCheck

#endif // PACKETCHECK_H
