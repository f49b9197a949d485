#ifndef LINKTIMINGS_H
#define LINKTIMINGS_H

// The waits and paces of the link and the exchange. The program always runs
// with these defaults; tests hand shorter ones to the constructors so that a
// pseudo-terminal exchange takes milliseconds instead of seconds.
struct LinkTimings
{
    // After a port opens, before the probe: the instrument settles.
    int settleMs = 2000;
    // How long the search gives each port to answer.
    int searchIntervalMs = 4000;
    // Between the probe of a data request and the first script packet.
    int firstPacketMs = 100;
    // The receive timer; its 100th tick is the receive time-out.
    int receiveTickMs = 800;
};

#endif // LINKTIMINGS_H
