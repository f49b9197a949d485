#ifndef SERIALCOMM_H
#define SERIALCOMM_H

#include "handshake.h"
#include "linktimings.h"
#include "slip.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <functional>

class QTimer;

// Opens the port, its name and settings made. Tests hand in one that holds the
// open for as long as they like, as Windows' virtual Bluetooth ports do for seconds.
using PortOpener = std::function<bool(QSerialPort &port)>;

// The serial link to the instrument: finds its port, opens a port with the
// instrument's settings, runs the modem-style handshake and hands on the SLIP
// frames of data mode. Driven by the port's signals and by timers alone.
class SerialComm : public QObject
{
    Q_OBJECT

public:
    explicit SerialComm(QObject *parent = nullptr);
    // Tests only: shorter waits than the instrument needs, an opener of their own.
    explicit SerialComm(const LinkTimings &timings, PortOpener opener = {},
                        QObject *parent = nullptr);
    // Closes the port as every close does, RTS and DTR off first.
    ~SerialComm() override;

    // Ports the search tries, in order: the comma-separated names or device
    // paths of VESTRA_PORTS when it is set and not empty, otherwise the ports
    // the system lists (which on Linux leaves out pseudo-terminals).
    static QList<QString> candidatePorts();

    void searchVestra();
    // Opens the port and, once it has settled, sends the probe.
    void openPort(const QString &portName);
    void closePort();
    void sendData(QByteArray data);
    bool isSearching() const { return searching; }
    bool isOpen() const { return port->isOpen(); }

signals:
    void connectOk();
    void slipFrame(const QByteArray &frame);
    void searchVestraFailed();
    void searchVestraSuccess(QString strPort);
    void vestraNotFound(QString strPort);
    // The probe went out: the port has settled.
    void probeSent();
    // The open port went away (adapter pulled, device gone) outside the search;
    // it is closed.
    void portLost(const QString &reason);

private slots:
    void on_vestraReceive();
    void on_vestraTimeout();
    void onSettled();
    void onPortError(QSerialPort::SerialPortError error);

private:
    void handshakeRead(const QByteArray &chunk);
    void dataRead(const QByteArray &chunk);

    LinkTimings timings;
    PortOpener opener;
    QSerialPort *port = nullptr;
    QTimer *searchTimer = nullptr;
    QTimer *settleTimer = nullptr;
    Handshake handshake;
    SlipReceiver frameReceiver;
    bool handshaking = false;
    QList<QString> portNames;
    int portIndex = 0;
    bool searching = false;
};

#endif // SERIALCOMM_H
