#include "handshake.h"

namespace {

const QByteArray connectReply("CONNECT\r\n");

// Reply bytes needed before the dial command goes out.
constexpr int DialThreshold = 6;

} // namespace

const QByteArray Handshake::probeCommand("AT- \r");
const QByteArray Handshake::dialCommand("ATDTx\r");

void Handshake::reset()
{
    replyBuffer.clear();
    replyBytes = 0;
}

Handshake::Step Handshake::feed(const QByteArray &chunk)
{
    Step step;
    replyBuffer.append(chunk);
    replyBytes += chunk.size();
    step.sendDial = replyBytes >= DialThreshold;

    const qsizetype at = replyBuffer.indexOf(connectReply);
    if (at < 0) {
        if (replyBuffer.size() > MaxReplyBuffer)
            replyBuffer = replyBuffer.right(connectReply.size() - 1);
        return step;
    }
    step.connected = true;
    step.rest = replyBuffer.mid(at + connectReply.size());
    return step;
}
