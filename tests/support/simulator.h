#ifndef SIMULATOR_H
#define SIMULATOR_H

#include <QProcess>
#include <QString>
#include <QStringList>

// The instrument simulator (tools/vestra-sim) as a child process serving one
// pseudo-terminal. Stopped when the object goes.
class Simulator
{
public:
    explicit Simulator(const QStringList &options = {});
    ~Simulator();

    // Starts the simulator and waits for the path of its port.
    bool start();
    QString portPath() const { return path; }

private:
    QStringList options;
    QProcess process;
    QString path;
};

#endif // SIMULATOR_H
