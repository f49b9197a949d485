#ifndef SLIP_H
#define SLIP_H

#include <QByteArray>
#include <QList>

// SLIP framing (RFC 1055) as the instrument uses it.
namespace Slip {

constexpr char End = '\xC0';
constexpr char Esc = '\xDB';
constexpr char EscEnd = '\xDC';
constexpr char EscEsc = '\xDD';

// Header bytes (IPv4 and TCP, no options) in front of every payload.
constexpr int HeaderSize = 40;

// The packets of one received frame, escapes resolved: one packet for every END.
// An escape followed by anything but DC or DD is dropped with that byte.
QList<QByteArray> decodePackets(const QByteArray &frame);

// The page text a packet carries: everything after the headers, with zero bytes
// turned into double quotes so that they end a reading. Empty for a packet of
// headers only.
QByteArray pageText(const QByteArray &packet);

} // namespace Slip

// Gathers SLIP frames out of a byte stream, whatever the reads look like: a
// frame split at any byte, a whole frame in one read, several frames in one
// read. Bytes outside a frame (line noise) are dropped; a doubled END is an
// empty frame and skipped. A frame is handed over as the bytes after its
// opening END up to and including its closing END, escapes still in place.
class SlipReceiver
{
public:
    // Far above the largest frame of the exchange, even fully escaped; a device
    // that streams without END must not grow memory.
    static constexpr int MaxFrameSize = 4096;

    QList<QByteArray> feed(const QByteArray &bytes);
    void reset();

private:
    QByteArray frame;
    bool gathering = false;
};

#endif // SLIP_H
