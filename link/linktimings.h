#ifndef LINKTIMINGS_H
#define LINKTIMINGS_H

// The waits and paces of the link and the exchange. The program always runs
// with these defaults; tests hand shorter ones to the constructors so that a
// pseudo-terminal exchange takes milliseconds instead of seconds.
struct LinkTimings
{
    // After a port opens, before the probe: rounds of event processing and a sleep.
    int settleRounds = 100;
    int settleSleepMs = 20;
    // How long the search gives each port to answer.
    int searchIntervalMs = 4000;
    // Between opening the port for a request and the first script packet.
    int requestWaitRounds = 10;
    int requestWaitSleepMs = 10;
    // The receive timer; its 100th tick is the receive time-out.
    int receiveTickMs = 800;
};

#endif // LINKTIMINGS_H
