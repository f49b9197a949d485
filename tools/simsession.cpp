#include "simsession.h"

#include "simpage.h"

Q_LOGGING_CATEGORY(lcSim, "vestra.sim", QtWarningMsg)

using namespace NetSim;

namespace {

constexpr int MaxLine = 256;
constexpr quint16 Window = 2048;
constexpr quint32 MaxRequestOffset = 16384;

const QByteArray Probe = "AT- ";
const QByteArray DialPrefix = "ATDT";

} // namespace

SimSession::SimSession(const QByteArray &answer, const Options &options)
    : m_answer(answer), m_options(options)
{
    Q_ASSERT(m_answer.size() == SimPage::AnswerSize);
}

void SimSession::reset()
{
    m_slip.reset();
    m_line.clear();
    resetConnection();
    m_connected = false;
}

void SimSession::resetConnection()
{
    m_request.clear();
    m_requestComplete = false;
    m_peerFin = false;
    m_piecesSent = 0;
    m_framesAnswered = 0;
}

QList<SimSession::Reply> SimSession::feed(const QByteArray &input)
{
    QList<Reply> replies;
    for (char c : input) {
        switch (m_slip.feed(quint8(c))) {
        case SlipDecoder::FrameComplete:
            handleFrame(m_slip.takeFrame(), replies);
            break;
        case SlipDecoder::InFrame:
            m_line.clear();
            break;
        case SlipDecoder::Outside:
            if (c == '\r') {
                handleLine(m_line, replies);
                m_line.clear();
            } else if (c != '\n' && m_line.size() < MaxLine) {
                m_line += c;
            }
            break;
        }
    }
    return replies;
}

void SimSession::handleLine(const QByteArray &line, QList<Reply> &replies)
{
    if (line.isEmpty())
        return;
    qCDebug(lcSim).noquote() << "command" << line;
    if (line == Probe) {
        // A probe starts the line over, as a fresh dial-up would.
        resetConnection();
        m_connected = false;
        replies.append({Kind::Text, "\r\nOK\r\n"});
    } else if (line.startsWith(DialPrefix)) {
        if (m_options.noConnect)
            return;
        replies.append({Kind::Connect, "CONNECT\r\n"});
    } else if (line.startsWith("AT")) {
        replies.append({Kind::Text, "\r\nOK\r\n"});
    }
}

quint32 SimSession::contiguousRequestLength() const
{
    quint32 end = 0;
    for (const auto &[offset, bytes] : m_request) {
        if (offset > end)
            break;
        end = qMax(end, offset + quint32(bytes.size()));
    }
    return end;
}

QByteArray SimSession::answerPacket(const Packet &peer, quint32 seq, quint8 flags,
                                    const QByteArray &payload)
{
    Packet p;
    p.ip.identification = m_ipId++;
    p.ip.dontFragment = true;
    p.ip.source = peer.ip.destination;
    p.ip.destination = peer.ip.source;
    p.tcp.sourcePort = peer.tcp.destinationPort;
    p.tcp.destinationPort = peer.tcp.sourcePort;
    p.tcp.sequence = seq;
    p.tcp.flags = flags;
    p.tcp.window = Window;
    if (m_options.tcpOptions)
        p.tcp.options = QByteArray(4, char(0x01)); // four no-operations
    if (m_connected) {
        p.tcp.acknowledgement = m_peerInitial + 1 + contiguousRequestLength() + (m_peerFin ? 1 : 0);
    } else {
        p.tcp.acknowledgement = peer.tcp.sequence + quint32(peer.tcp.payload.size());
    }
    p.tcp.payload = payload;
    return slipEncode(buildPacket(p));
}

void SimSession::handleFrame(const QByteArray &frame, QList<Reply> &replies)
{
    QString error;
    const std::optional<Packet> parsed = parsePacket(frame, &error);
    if (!parsed) {
        // A real stack drops what it cannot read; so do we.
        qCDebug(lcSim).noquote() << "dropped frame of" << frame.size() << "bytes:" << error;
        return;
    }
    const Packet &peer = *parsed;
    const TcpSegment &tcp = peer.tcp;

    QByteArray answer;
    if (tcp.flags & Syn) {
        resetConnection();
        m_connected = true;
        m_peerInitial = tcp.sequence;
        answer = answerPacket(peer, 0, Syn | Ack, {});
        qCDebug(lcSim).noquote() << "SYN, answering SYN-ACK";
    } else if (!m_connected) {
        answer = answerPacket(peer, 0, Rst | Ack, {});
        qCDebug(lcSim).noquote() << "segment without connection, answering RST";
    } else {
        const quint32 offset = tcp.sequence - m_peerInitial - 1;
        if (!tcp.payload.isEmpty() && offset < MaxRequestOffset) {
            QByteArray &stored = m_request[offset];
            if (tcp.payload.size() > stored.size())
                stored = tcp.payload;
        }
        if (tcp.flags & Fin)
            m_peerFin = true;
        if (!m_requestComplete) {
            const quint32 length = contiguousRequestLength();
            QByteArray request;
            for (const auto &[at, bytes] : m_request) {
                if (at >= length)
                    break;
                request.replace(int(at), bytes.size(), bytes);
            }
            m_requestComplete = request.endsWith("\r\n\r\n");
            if (m_requestComplete) {
                qCDebug(lcSim).noquote()
                    << "request complete:" << request.left(request.indexOf('\r'));
            }
        }
        if (m_requestComplete && m_piecesSent < SimPage::PieceCount) {
            const bool last = m_piecesSent == SimPage::PieceCount - 1;
            const quint8 flags = Ack | Psh | (last ? Fin : 0);
            answer =
                answerPacket(peer, 1 + quint32(m_piecesSent * SimPage::PieceSize), flags,
                             m_answer.mid(m_piecesSent * SimPage::PieceSize, SimPage::PieceSize));
            qCDebug(lcSim).noquote()
                << "answer piece" << m_piecesSent + 1 << "of" << SimPage::PieceCount;
            ++m_piecesSent;
        } else {
            const quint32 seq = 1 + quint32(m_piecesSent * SimPage::PieceSize) +
                                (m_piecesSent == SimPage::PieceCount ? 1 : 0);
            answer = answerPacket(peer, seq, Ack, {});
        }
    }

    if (m_options.stopAfter >= 0 && m_framesAnswered >= m_options.stopAfter) {
        qCDebug(lcSim).noquote() << "frame not answered (stop after" << m_options.stopAfter << ")";
        return;
    }
    ++m_framesAnswered;
    replies.append({Kind::Frame, answer});
}
