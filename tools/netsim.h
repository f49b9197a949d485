#ifndef NETSIM_H
#define NETSIM_H

#include <QByteArray>
#include <QString>

#include <optional>

// The little bit of IPv4, TCP and SLIP that the request-script generator and
// the instrument simulator share. Only what a single replayed TCP connection
// over a serial line needs: no fragments, no IP options.
namespace NetSim {

constexpr unsigned char SlipEnd = 0xC0;
constexpr unsigned char SlipEsc = 0xDB;
constexpr unsigned char SlipEscEnd = 0xDC;
constexpr unsigned char SlipEscEsc = 0xDD;

enum TcpFlag : quint8 {
    Fin = 0x01,
    Syn = 0x02,
    Rst = 0x04,
    Psh = 0x08,
    Ack = 0x10,
};

struct Ipv4Header
{
    quint16 identification = 0;
    bool dontFragment = false;
    quint8 timeToLive = 64;
    quint32 source = 0;
    quint32 destination = 0;
};

struct TcpSegment
{
    quint16 sourcePort = 0;
    quint16 destinationPort = 0;
    quint32 sequence = 0;
    quint32 acknowledgement = 0;
    quint8 flags = 0;
    quint16 window = 0;
    QByteArray options; // a multiple of 4 bytes
    QByteArray payload;
};

struct Packet
{
    Ipv4Header ip;
    TcpSegment tcp;
};

// Ones' complement sum of 16-bit big-endian words, folded, not inverted.
quint32 onesComplementSum(const QByteArray &data, quint32 sum = 0);
quint16 internetChecksum(const QByteArray &data, quint32 sum = 0);

quint16 tcpChecksum(quint32 source, quint32 destination, const QByteArray &segment);

// A complete IPv4 packet (version 4, IHL 5, TOS 0, protocol 6) with both
// checksums filled in.
QByteArray buildPacket(const Packet &packet);

// Parses and verifies an IPv4/TCP packet; on failure returns nothing and puts
// the reason into *error when given.
std::optional<Packet> parsePacket(const QByteArray &bytes, QString *error = nullptr);

// END, the escaped packet, END.
QByteArray slipEncode(const QByteArray &packet);
bool needsEscaping(const QByteArray &bytes);

// RFC 1055 receiver that also tells the caller about bytes outside frames, so
// that the same byte stream can carry modem commands between frames.
class SlipDecoder
{
public:
    enum Result { Outside, InFrame, FrameComplete };

    Result feed(unsigned char byte);
    QByteArray takeFrame();
    bool inFrame() const { return m_inFrame; }
    void reset();

    static constexpr int MaxFrame = 4096;

private:
    QByteArray m_frame;
    bool m_inFrame = false;
    bool m_escape = false;
    bool m_overflow = false;
};

std::optional<quint32> parseAddress(const QString &dotted);
QString formatAddress(quint32 address);

} // namespace NetSim

#endif // NETSIM_H
