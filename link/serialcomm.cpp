#include "serialcomm.h"

#include "linklog.h"

#include <QSerialPortInfo>
#include <QTimer>

Q_LOGGING_CATEGORY(lcLink, "vestra.link")

SerialComm::SerialComm(QObject *parent) : SerialComm(LinkTimings(), {}, parent) {}

SerialComm::SerialComm(const LinkTimings &linkTimings, PortOpener portOpener, QObject *parent)
    : QObject(parent), timings(linkTimings), opener(std::move(portOpener)),
      port(new QSerialPort(this)), settleTimer(new QTimer(this))
{
    if (!opener)
        opener = [](QSerialPort &serial) { return serial.open(QIODevice::ReadWrite); };
    settleTimer->setSingleShot(true);
    // A coarse timer may be 5 % late: 100 ms on every exchange.
    settleTimer->setTimerType(Qt::PreciseTimer);
    connect(settleTimer, &QTimer::timeout, this, &SerialComm::onSettled);
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
    closePort();
    portNames = candidatePorts();
    if (portNames.isEmpty()) {
        searching = false;
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
    frameReceiver.reset();
    handshake.reset();

    // A port still open must not make the new open fail.
    if (port->isOpen())
        closePort();

    port->setPortName(portName);
    port->setBaudRate(QSerialPort::Baud38400);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!opener(*port)) {
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
    settleTimer->start(timings.settleMs);
}

void SerialComm::onSettled()
{
    qCDebug(lcLink) << "Open port ok";
    port->write(Handshake::probeCommand);
    emit probeSent();
}

void SerialComm::closePort()
{
    // No probe for a port that is gone.
    settleTimer->stop();
    if (port->isOpen()) {
        port->setRequestToSend(false);
        port->setDataTerminalReady(false);
    }
    port->close();
}

void SerialComm::sendData(QByteArray data)
{
    if (port->isOpen())
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
        // The session closes the port on a frame (the last one of an
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
        searching = false;
        emit searchVestraFailed();
    }
}

void SerialComm::onPortError(QSerialPort::SerialPortError error)
{
    // A vanished device (USB adapter pulled, pseudo-terminal gone) keeps the
    // port readable with nothing to read: close it rather than spin on it.
    // The exchange then ends by its receive time-out, and the next open starts over.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    const QString reason = port->errorString();
    qCWarning(lcLink).noquote() << "Serial port lost:" << reason;
    if (!port->isOpen())
        return;
    // Not closePort(): RTS and DTR cannot be set on a device that is gone.
    settleTimer->stop();
    port->close();
    // The search moves on to the next port by itself.
    if (!searching)
        emit portLost(reason);
}
