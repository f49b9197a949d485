#include "instrumentsession.h"

#include "linklog.h"

#include <QTimer>

InstrumentSession::InstrumentSession(QObject *parent) : InstrumentSession(LinkTimings(), {}, parent)
{
}

InstrumentSession::InstrumentSession(const LinkTimings &linkTimings, PortOpener opener,
                                     QObject *parent)
    : QObject(parent), timings(linkTimings),
      serialComm(new SerialComm(linkTimings, std::move(opener), this)),
      receiveTimer(new QTimer(this)), firstPacketTimer(new QTimer(this))
{
    qRegisterMetaType<Measurement>();
    firstPacketTimer->setSingleShot(true);
    firstPacketTimer->setTimerType(Qt::PreciseTimer);
    connect(serialComm, &SerialComm::connectOk, this, &InstrumentSession::connectOk);
    connect(serialComm, &SerialComm::searchVestraFailed, this,
            &InstrumentSession::searchVestraFailed);
    connect(serialComm, &SerialComm::searchVestraSuccess, this, &InstrumentSession::onFound);
    connect(serialComm, &SerialComm::vestraNotFound, this, &InstrumentSession::vestraNotFound);
    connect(serialComm, &SerialComm::portLost, this, &InstrumentSession::portLost);
    connect(serialComm, &SerialComm::probeSent, this, &InstrumentSession::onProbeSent);
    connect(serialComm, &SerialComm::slipFrame, this, &InstrumentSession::onSlipFrame);
    connect(firstPacketTimer, &QTimer::timeout, this, &InstrumentSession::sendFirstPacket);
    connect(receiveTimer, &QTimer::timeout, this, &InstrumentSession::onReceiveTick);
}

void InstrumentSession::search()
{
    if (exchanging)
        endExchange();
    serialComm->searchVestra();
}

void InstrumentSession::requestData(bool dataPage)
{
    if (serialComm->isSearching())
        return;
    exchange.begin(dataPage);
    exchanging = true;
    progressTicks = 0;
    receiveTimer->start(timings.receiveTickMs);
    emit progress(progressTicks++);
    // Sent shortly after the probe whether the handshake has finished or not,
    // as the instrument has always been asked.
    awaitingProbe = true;
    firstPacketTimer->stop();
    serialComm->openPort(portName);
}

void InstrumentSession::onFound(QString strPort)
{
    portName = strPort;
    emit searchVestraSuccess(strPort);
}

void InstrumentSession::onProbeSent()
{
    if (!awaitingProbe)
        return;
    awaitingProbe = false;
    firstPacketTimer->start(timings.firstPacketMs);
}

void InstrumentSession::sendFirstPacket()
{
    const QByteArray packet = exchange.nextPacket();
    if (!packet.isEmpty())
        serialComm->sendData(packet);
}

void InstrumentSession::onSlipFrame(const QByteArray &frame)
{
    if (!exchanging)
        return;
    QByteArray next;
    switch (exchange.frameIn(frame, next)) {
    case Exchange::Outcome::SendNext:
        serialComm->sendData(next);
        break;
    case Exchange::Outcome::PageComplete:
        endExchange();
        qCDebug(lcLink) << "Done All messages received";
        emit measurementReceived(exchange.measurement());
        break;
    case Exchange::Outcome::CountMismatch:
        // Left to the receive time-out.
        break;
    }
}

void InstrumentSession::onReceiveTick()
{
    emit progress(progressTicks++);
    if (progressTicks <= TimeoutTicks)
        return;
    endExchange();
    emit receiveTimedOut();
}

void InstrumentSession::endExchange()
{
    exchanging = false;
    awaitingProbe = false;
    receiveTimer->stop();
    firstPacketTimer->stop();
    serialComm->closePort();
}

SessionThread::SessionThread(InstrumentSession *session) : runner(session)
{
    thread.setObjectName(QStringLiteral("vestra-link"));
    runner->moveToThread(&thread);
    // Deleted in its thread, where its port and timers live.
    QObject::connect(&thread, &QThread::finished, runner, &QObject::deleteLater);
    thread.start();
}

SessionThread::~SessionThread()
{
    thread.quit();
    thread.wait();
}

void SessionThread::search()
{
    QMetaObject::invokeMethod(runner, &InstrumentSession::search);
}

void SessionThread::requestData(bool dataPage)
{
    InstrumentSession *session = runner;
    QMetaObject::invokeMethod(runner, [session, dataPage] { session->requestData(dataPage); });
}
