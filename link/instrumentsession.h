#ifndef INSTRUMENTSESSION_H
#define INSTRUMENTSESSION_H

#include "exchange.h"
#include "linktimings.h"
#include "measurement.h"
#include "serialcomm.h"

#include <QObject>
#include <QString>
#include <QThread>

class QTimer;

// The instrument session, without a window: the port search, the handshake,
// the data request, the lock-step exchange and the receive time-out. It hands
// on the search's results, the progress of an exchange, and then either the
// measurement or the time-out. Every wait is a timer, so the session can live
// in a thread of its own (SessionThread) whose port may take seconds to open.
class InstrumentSession : public QObject
{
    Q_OBJECT

public:
    explicit InstrumentSession(QObject *parent = nullptr);
    // Tests only: shorter waits, a port opener of their own.
    explicit InstrumentSession(const LinkTimings &timings, PortOpener opener = {},
                               QObject *parent = nullptr);

    // The receive timer's tick that ends an exchange never completed; the
    // progress runs from 0 at the request up to this.
    static constexpr int TimeoutTicks = 100;

public slots:
    // Tries the candidate ports one after the other; an exchange still
    // running is given up.
    void search();
    // Opens the port the search found and replays the data-page script (the
    // main-page script when dataPage is false): the first packet shortly after
    // the probe, then one packet for every frame that comes back.
    void requestData(bool dataPage);

signals:
    // The search's results and the handshake, as SerialComm reports them.
    void connectOk();
    void searchVestraFailed();
    void searchVestraSuccess(QString strPort);
    void vestraNotFound(QString strPort);
    // An exchange's progress: 0 at the request, then one more each receive tick.
    void progress(int value);
    // The page is whole: its readings, the missing ones empty.
    void measurementReceived(const Measurement &measurement);
    // The last tick came first; the port is closed.
    void receiveTimedOut();
    // The port went away outside the search; it is closed.
    void portLost(const QString &reason);

private slots:
    void onFound(QString strPort);
    void onProbeSent();
    void sendFirstPacket();
    void onSlipFrame(const QByteArray &frame);
    void onReceiveTick();

private:
    void endExchange();

    LinkTimings timings;
    SerialComm *serialComm;
    QTimer *receiveTimer;
    QTimer *firstPacketTimer;
    Exchange exchange;
    QString portName;
    int progressTicks = 0;
    bool exchanging = false;
    bool awaitingProbe = false;
};

// Runs a session in a thread of its own, so that neither a port whose open
// blocks nor the search nor an exchange holds up the thread that made it,
// which talks to the session through queued calls and signals.
class SessionThread
{
public:
    // Takes the session, which must have no parent.
    explicit SessionThread(InstrumentSession *session);
    // The session goes in its own thread, closing its port; a port still
    // opening is waited for.
    ~SessionThread();
    SessionThread(const SessionThread &) = delete;
    SessionThread &operator=(const SessionThread &) = delete;

    InstrumentSession *session() const { return runner; }
    void search();
    void requestData(bool dataPage);

private:
    QThread thread;
    InstrumentSession *runner;
};

#endif // INSTRUMENTSESSION_H
