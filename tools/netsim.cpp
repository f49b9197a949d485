#include "netsim.h"

#include <QStringList>

namespace NetSim {

namespace {

constexpr int Ipv4HeaderSize = 20;
constexpr int TcpHeaderSize = 20;
constexpr quint8 ProtocolTcp = 6;

void put16(QByteArray &bytes, int at, quint16 value)
{
    bytes[at] = char(value >> 8);
    bytes[at + 1] = char(value & 0xFF);
}

void put32(QByteArray &bytes, int at, quint32 value)
{
    put16(bytes, at, quint16(value >> 16));
    put16(bytes, at + 2, quint16(value & 0xFFFF));
}

quint16 get16(const QByteArray &bytes, int at)
{
    return quint16((quint8(bytes[at]) << 8) | quint8(bytes[at + 1]));
}

quint32 get32(const QByteArray &bytes, int at)
{
    return (quint32(get16(bytes, at)) << 16) | get16(bytes, at + 2);
}

quint32 pseudoHeaderSum(quint32 source, quint32 destination, int segmentLength)
{
    QByteArray pseudo(12, '\0');
    put32(pseudo, 0, source);
    put32(pseudo, 4, destination);
    pseudo[9] = char(ProtocolTcp);
    put16(pseudo, 10, quint16(segmentLength));
    return onesComplementSum(pseudo);
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

quint32 onesComplementSum(const QByteArray &data, quint32 sum)
{
    const int n = data.size();
    for (int i = 0; i + 1 < n; i += 2)
        sum += get16(data, i);
    if (n % 2)
        sum += quint32(quint8(data[n - 1])) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return sum;
}

quint16 internetChecksum(const QByteArray &data, quint32 sum)
{
    return quint16(~onesComplementSum(data, sum) & 0xFFFF);
}

quint16 tcpChecksum(quint32 source, quint32 destination, const QByteArray &segment)
{
    return internetChecksum(segment, pseudoHeaderSum(source, destination, segment.size()));
}

QByteArray buildPacket(const Packet &packet)
{
    const TcpSegment &tcp = packet.tcp;
    Q_ASSERT(tcp.options.size() % 4 == 0);
    const int tcpHeaderSize = TcpHeaderSize + int(tcp.options.size());

    QByteArray segment(tcpHeaderSize, '\0');
    put16(segment, 0, tcp.sourcePort);
    put16(segment, 2, tcp.destinationPort);
    put32(segment, 4, tcp.sequence);
    put32(segment, 8, tcp.acknowledgement);
    segment[12] = char((tcpHeaderSize / 4) << 4);
    segment[13] = char(tcp.flags);
    put16(segment, 14, tcp.window);
    segment.replace(TcpHeaderSize, tcp.options.size(), tcp.options);
    segment += tcp.payload;
    put16(segment, 16, tcpChecksum(packet.ip.source, packet.ip.destination, segment));

    QByteArray header(Ipv4HeaderSize, '\0');
    header[0] = char(0x45);
    put16(header, 2, quint16(Ipv4HeaderSize + segment.size()));
    put16(header, 4, packet.ip.identification);
    put16(header, 6, packet.ip.dontFragment ? 0x4000 : 0);
    header[8] = char(packet.ip.timeToLive);
    header[9] = char(ProtocolTcp);
    put32(header, 12, packet.ip.source);
    put32(header, 16, packet.ip.destination);
    put16(header, 10, internetChecksum(header));

    return header + segment;
}

std::optional<Packet> parsePacket(const QByteArray &bytes, QString *error)
{
    if (bytes.size() < Ipv4HeaderSize + TcpHeaderSize) {
        setError(error, QStringLiteral("packet of %1 bytes is too short").arg(bytes.size()));
        return std::nullopt;
    }
    const int version = quint8(bytes[0]) >> 4;
    const int ipHeaderSize = (quint8(bytes[0]) & 0x0F) * 4;
    if (version != 4 || ipHeaderSize < Ipv4HeaderSize || ipHeaderSize > bytes.size()) {
        setError(error, QStringLiteral("not an IPv4 header"));
        return std::nullopt;
    }
    if (get16(bytes, 2) != bytes.size()) {
        setError(
            error,
            QStringLiteral("total length %1 but %2 bytes").arg(get16(bytes, 2)).arg(bytes.size()));
        return std::nullopt;
    }
    if ((get16(bytes, 6) & 0x3FFF) != 0) {
        setError(error, QStringLiteral("fragment"));
        return std::nullopt;
    }
    if (quint8(bytes[9]) != ProtocolTcp) {
        setError(error, QStringLiteral("protocol %1 is not TCP").arg(quint8(bytes[9])));
        return std::nullopt;
    }
    if (onesComplementSum(bytes.left(ipHeaderSize)) != 0xFFFF) {
        setError(error, QStringLiteral("bad IPv4 header checksum"));
        return std::nullopt;
    }

    Packet packet;
    packet.ip.identification = get16(bytes, 4);
    packet.ip.dontFragment = get16(bytes, 6) & 0x4000;
    packet.ip.timeToLive = quint8(bytes[8]);
    packet.ip.source = get32(bytes, 12);
    packet.ip.destination = get32(bytes, 16);

    const QByteArray segment = bytes.mid(ipHeaderSize);
    if (segment.size() < TcpHeaderSize) {
        setError(error, QStringLiteral("TCP header cut short"));
        return std::nullopt;
    }
    const int tcpHeaderSize = (quint8(segment[12]) >> 4) * 4;
    if (tcpHeaderSize < TcpHeaderSize || tcpHeaderSize > segment.size()) {
        setError(error, QStringLiteral("bad TCP data offset"));
        return std::nullopt;
    }
    if (onesComplementSum(segment, pseudoHeaderSum(packet.ip.source, packet.ip.destination,
                                                   segment.size())) != 0xFFFF) {
        setError(error, QStringLiteral("bad TCP checksum"));
        return std::nullopt;
    }
    TcpSegment &tcp = packet.tcp;
    tcp.sourcePort = get16(segment, 0);
    tcp.destinationPort = get16(segment, 2);
    tcp.sequence = get32(segment, 4);
    tcp.acknowledgement = get32(segment, 8);
    tcp.flags = quint8(segment[13]);
    tcp.window = get16(segment, 14);
    tcp.options = segment.mid(TcpHeaderSize, tcpHeaderSize - TcpHeaderSize);
    tcp.payload = segment.mid(tcpHeaderSize);
    return packet;
}

QByteArray slipEncode(const QByteArray &packet)
{
    QByteArray out;
    out.reserve(packet.size() + 16);
    out += char(SlipEnd);
    for (char c : packet) {
        if (quint8(c) == SlipEnd) {
            out += char(SlipEsc);
            out += char(SlipEscEnd);
        } else if (quint8(c) == SlipEsc) {
            out += char(SlipEsc);
            out += char(SlipEscEsc);
        } else {
            out += c;
        }
    }
    out += char(SlipEnd);
    return out;
}

bool needsEscaping(const QByteArray &bytes)
{
    return bytes.contains(char(SlipEnd)) || bytes.contains(char(SlipEsc));
}

SlipDecoder::Result SlipDecoder::feed(unsigned char byte)
{
    if (!m_inFrame) {
        if (byte != SlipEnd)
            return Outside;
        m_inFrame = true;
        return InFrame;
    }
    if (byte == SlipEnd) {
        // A doubled END is an empty frame: it only marks the start of the next one.
        if (m_frame.isEmpty() && !m_overflow && !m_escape)
            return InFrame;
        const bool complete = !m_overflow;
        m_inFrame = false;
        m_escape = false;
        m_overflow = false;
        if (!complete) {
            m_frame.clear();
            return InFrame;
        }
        return FrameComplete;
    }
    if (m_escape) {
        m_escape = false;
        if (byte == SlipEscEnd)
            byte = SlipEnd;
        else if (byte == SlipEscEsc)
            byte = SlipEsc;
        // RFC 1055 leaves any other byte after ESC as it is.
    } else if (byte == SlipEsc) {
        m_escape = true;
        return InFrame;
    }
    if (m_frame.size() >= MaxFrame) {
        m_overflow = true;
        m_frame.clear();
    }
    if (!m_overflow)
        m_frame += char(byte);
    return InFrame;
}

QByteArray SlipDecoder::takeFrame()
{
    QByteArray frame;
    frame.swap(m_frame);
    return frame;
}

void SlipDecoder::reset()
{
    m_frame.clear();
    m_inFrame = false;
    m_escape = false;
    m_overflow = false;
}

std::optional<quint32> parseAddress(const QString &dotted)
{
    const QStringList parts = dotted.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    quint32 address = 0;
    for (const QString &part : parts) {
        bool ok = false;
        const uint value = part.toUInt(&ok);
        if (!ok || value > 255 || part.isEmpty() || part.size() > 3)
            return std::nullopt;
        address = (address << 8) | value;
    }
    return address;
}

QString formatAddress(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

} // namespace NetSim
