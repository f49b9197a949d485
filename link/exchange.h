#ifndef EXCHANGE_H
#define EXCHANGE_H

#include "measurement.h"

#include <QByteArray>

// One lock-step exchange with the instrument's web server: a script packet
// out, a frame back, until the script is used up. No port and no window: the
// caller sends what it is given and acts on the outcome.
class Exchange
{
public:
    enum class Outcome {
        SendNext,     // send the packet handed back
        PageComplete, // every packet answered: the page is whole
        CountMismatch // the script is used up but frames and requests disagree
    };

    // Forgets the previous exchange. The data-page script normally, the
    // main-page script in debug mode.
    void begin(bool dataPage);

    // The next script packet, counted as sent; empty once the script is used up.
    QByteArray nextPacket();

    // Takes one SLIP frame from the instrument: its payloads grow the page.
    Outcome frameIn(const QByteArray &frame, QByteArray &packetToSend);

    // The page's readings; a reading whose marker the page lacks is empty.
    Measurement measurement() const;

    int requestsSent = 0;
    int framesReceived = 0;
    QByteArray pageBuffer;

    // The instrument's page is under 2 KiB; a device that keeps sending frames
    // must not grow the buffer without end.
    static constexpr qsizetype MaxPageSize = 64 * 1024;

private:
    bool dataPage = true;
};

#endif // EXCHANGE_H
