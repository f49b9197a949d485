#include "serialcomm.h"

#include "linklog.h"

#include <QCoreApplication>
#include <QSerialPortInfo>
#include <QThread>
#include <QTimer>

Q_LOGGING_CATEGORY(lcLink, "vestra.link")

SerialComm::SerialComm(QObject *parent) : SerialComm(LinkTimings(), parent) {}

SerialComm::SerialComm(const LinkTimings &linkTimings, QObject *parent)
    : QObject(parent), timings(linkTimings), port(new QSerialPort(this))
{
    connect(port, SIGNAL(readyRead()), this, SLOT(on_vestraReceive()));
    connect(port, &QSerialPort::errorOccurred, this, &SerialComm::onPortError);
}

QList<QString> SerialComm::candidatePorts()
{
    const QString configured = qEnvironmentVariable("VESTRA_PORTS");
    QList<QString> names;
    if (!configured.isEmpty()) {
        for (const QString &part : configured.split(QLatin1Char(','))) {
            const QString name = part.trimmed();
            if (!name.isEmpty())
                names.append(name);
        }
        return names;
    }
    // Asked twice, as the search always has: once whether there is any port,
    // then for the names.
    if (QSerialPortInfo::availablePorts().isEmpty())
        return names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        names.append(info.portName());
    return names;
}

SerialComm::~SerialComm()
{
    closePort();
}

void SerialComm::searchVestra()
{
    portNames = candidatePorts();
    if (portNames.isEmpty()) {
        emit searchVestraFailed();
        return;
    }
    portIndex = 0;
    searching = true;
    if (!searchTimer) {
        searchTimer = new QTimer(this);
        connect(searchTimer, SIGNAL(timeout()), this, SLOT(on_vestraTimeout()));
    }
    searchTimer->start(timings.searchIntervalMs);
    openPort(portNames.at(0));
}

void SerialComm::openPort(const QString &portName)
{
    if (!port)
        return;
    frameReceiver.reset();
    handshake.reset();

    // A port left open (an exchange that timed out while the port was being
    // opened, say) must not make the new open fail.
    if (port->isOpen())
        closePort();

    port->setPortName(portName);
    port->setBaudRate(QSerialPort::Baud38400);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        // The reason matters on Linux, where a user outside the port's group
        // gets the same silence from the search as from a port that never answers.
        qCDebug(lcLink).noquote() << "Open port failed:" << portName << port->errorString()
                                  << (port->error() == QSerialPort::PermissionError
                                          ? "(no access: is the user in the dialout group?)"
                                          : "");
        return;
    }
    port->setRequestToSend(false);
    port->setDataTerminalReady(true);
    handshaking = true;

    for (int round = 0; round < timings.settleRounds; ++round) {
        QCoreApplication::processEvents();
        QThread::msleep(timings.settleSleepMs);
    }
    // The port may have gone (closed by a time-out or lost) while we settled.
    if (!port->isOpen())
        return;
    qCDebug(lcLink) << "Open port ok";
    port->write(Handshake::probeCommand);
}

void SerialComm::closePort()
{
    if (!port)
        return;
    if (port->isOpen()) {
        port->setRequestToSend(false);
        port->setDataTerminalReady(false);
    }
    port->close();
}

void SerialComm::sendData(QByteArray data)
{
    if (port && port->isOpen())
        port->write(data);
}

void SerialComm::on_vestraReceive()
{
    const QByteArray chunk = port->readAll();
    if (chunk.isEmpty())
        return;
    if (handshaking)
        handshakeRead(chunk);
    else
        dataRead(chunk);
}

void SerialComm::handshakeRead(const QByteArray &chunk)
{
    const Handshake::Step step = handshake.feed(chunk);
    if (step.sendDial)
        port->write(Handshake::dialCommand);
    if (!step.connected) {
        qCDebug(lcLink).noquote() << "Connect failed" << handshake.replies();
        return;
    }

    qCDebug(lcLink).noquote() << handshake.replies();
    if (searching) {
        searching = false;
        searchTimer->stop();
        const QString found = portNames.at(portIndex);
        qCDebug(lcLink).noquote() << "Vestra found at: " + found;
        emit searchVestraSuccess(found);
        closePort();
        return;
    }
    handshaking = false;
    handshake.reset();
    emit connectOk();
    // Whatever followed CONNECT in the same read is already data mode.
    if (!step.rest.isEmpty())
        dataRead(step.rest);
}

void SerialComm::dataRead(const QByteArray &chunk)
{
    const QList<QByteArray> frames = frameReceiver.feed(chunk);
    for (const QByteArray &frame : frames) {
        // The window may close the port on a frame (the last one of an
        // exchange); what else came in the same read belongs to no exchange.
        if (!port->isOpen())
            break;
        emit slipFrame(frame);
    }
}

void SerialComm::on_vestraTimeout()
{
    emit vestraNotFound(portNames.at(portIndex));
    ++portIndex;
    closePort();
    if (portIndex < portNames.size()) {
        openPort(portNames.at(portIndex));
    } else {
        searchTimer->stop();
        emit searchVestraFailed();
    }
}

void SerialComm::onPortError(QSerialPort::SerialPortError error)
{
    // A vanished device (USB adapter pulled, pseudo-terminal gone) keeps the
    // port readable with nothing to read: close it rather than spin on it.
    // The exchange then ends by its receive time-out, and the next open starts over.
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
        qCWarning(lcLink).noquote() << "Serial port lost:" << port->errorString();
        if (port->isOpen())
            port->close();
    }
}
