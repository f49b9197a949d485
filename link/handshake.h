#ifndef HANDSHAKE_H
#define HANDSHAKE_H

#include <QByteArray>

// The modem-style handshake as the instrument speaks it: the probe goes out
// once the port has settled, the dial on every read once enough reply bytes
// have come, and "CONNECT\r\n" anywhere in the replies ends it. No port here:
// the caller writes what it is told to.
class Handshake
{
public:
    static const QByteArray probeCommand;
    static const QByteArray dialCommand;

    struct Step
    {
        bool sendDial = false;
        bool connected = false;
        QByteArray rest; // what followed CONNECT in the same read: data mode already
    };

    void reset();
    Step feed(const QByteArray &chunk);
    // The replies so far (their tail), for the debug output.
    const QByteArray &replies() const { return replyBuffer; }

private:
    // Replies are only searched for "CONNECT\r\n"; keeping this much of their
    // tail is enough to find it split over reads.
    static constexpr int MaxReplyBuffer = 256;

    QByteArray replyBuffer;
    qint64 replyBytes = 0;
};

#endif // HANDSHAKE_H
