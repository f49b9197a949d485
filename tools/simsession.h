#ifndef SIMSESSION_H
#define SIMSESSION_H

#include "netsim.h"

#include <QByteArray>
#include <QList>
#include <QLoggingCategory>

#include <map>

Q_DECLARE_LOGGING_CATEGORY(lcSim)

// The instrument's side of one opening of the serial line: modem commands
// outside SLIP frames, and a one-connection web server inside them that
// answers every packet with exactly one frame. Pure bytes in, replies out;
// timing and faults of the line itself are the caller's business.
class SimSession
{
public:
    struct Options
    {
        bool noConnect = false;
        int stopAfter = -1; // frames answered after each SYN; -1: no limit
        bool tcpOptions = false;
    };

    enum class Kind { Text, Connect, Frame };
    struct Reply
    {
        Kind kind;
        QByteArray bytes; // SLIP-encoded for frames
    };

    SimSession(const QByteArray &answer, const Options &options);

    QList<Reply> feed(const QByteArray &input);
    void reset();

private:
    void handleLine(const QByteArray &line, QList<Reply> &replies);
    void handleFrame(const QByteArray &frame, QList<Reply> &replies);
    void resetConnection();
    quint32 contiguousRequestLength() const;
    QByteArray answerPacket(const NetSim::Packet &peer, quint32 seq, quint8 flags,
                            const QByteArray &payload);

    const QByteArray m_answer;
    const Options m_options;

    NetSim::SlipDecoder m_slip;
    QByteArray m_line;

    bool m_connected = false;
    quint32 m_peerInitial = 0;
    std::map<quint32, QByteArray> m_request; // payload by offset after the SYN
    bool m_requestComplete = false;
    bool m_peerFin = false;
    int m_piecesSent = 0;
    int m_framesAnswered = 0;
    quint16 m_ipId = 1;
};

#endif // SIMSESSION_H
