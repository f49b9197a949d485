#ifndef VESTRACOMM_H
#define VESTRACOMM_H

#include <QByteArray>
#include <QObject>

// Hands out the packets of the two recorded request scripts that the window
// replays to the instrument's web server: the main page (debug mode) and the
// data page (normal use).
class vestraComm : public QObject
{
    Q_OBJECT

public:
    explicit vestraComm(QObject *parent = nullptr);

    // Packet index of the data-page script (dataPage true) or of the main-page
    // script; empty once index is past the end, which ends the exchange.
    static QByteArray requestPacket(bool dataPage, int index);
};

#endif // VESTRACOMM_H
