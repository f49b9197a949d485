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

class QTimer;

// The serial link to the instrument: finds its port at start-up, opens a port
// with the instrument's settings, runs the modem-style handshake and hands the
// SLIP frames of data mode to the window.
class SerialComm : public QObject
{
    Q_OBJECT

public:
    explicit SerialComm(QObject *parent = nullptr);
    // Tests only: shorter waits than the instrument needs.
    explicit SerialComm(const LinkTimings &timings, QObject *parent = nullptr);
    // Closes the port as every close does, RTS and DTR off first.
    ~SerialComm() override;

    // Ports the search tries, in order: the comma-separated names or device
    // paths of VESTRA_PORTS when it is set and not empty, otherwise the ports
    // the system lists (which on Linux leaves out pseudo-terminals).
    static QList<QString> candidatePorts();

    void searchVestra();
    void openPort(const QString &portName);
    void closePort();
    void sendData(QByteArray data);

signals:
    void connectOk();
    void slipFrame(const QByteArray &frame);
    void searchVestraFailed();
    void searchVestraSuccess(QString strPort);
    void vestraNotFound(QString strPort);

private slots:
    void on_vestraReceive();
    void on_vestraTimeout();
    void onPortError(QSerialPort::SerialPortError error);

private:
    void handshakeRead(const QByteArray &chunk);
    void dataRead(const QByteArray &chunk);

    LinkTimings timings;
    QSerialPort *port = nullptr;
    QTimer *searchTimer = nullptr;
    Handshake handshake;
    SlipReceiver frameReceiver;
    bool handshaking = false;
    QList<QString> portNames;
    int portIndex = 0;
    bool searching = false;
};

#endif // SERIALCOMM_H
