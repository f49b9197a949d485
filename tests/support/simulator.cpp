#include "simulator.h"

#include <QDeadlineTimer>

Simulator::Simulator(const QStringList &simOptions) : options(simOptions) {}

Simulator::~Simulator()
{
    // Asked to stop first, so it leaves its port link tidy; QProcess kills it
    // if it does not.
    process.terminate();
    process.waitForFinished(3000);
}

bool Simulator::start()
{
#ifdef VESTRA_SIM_PATH
    process.setProgram(QStringLiteral(VESTRA_SIM_PATH));
#else
    return false;
#endif
    process.setArguments(options);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start();
    if (!process.waitForStarted(5000))
        return false;
    QDeadlineTimer deadline(5000);
    while (!process.canReadLine()) {
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    path = QString::fromLocal8Bit(process.readLine()).trimmed();
    return !path.isEmpty();
}
