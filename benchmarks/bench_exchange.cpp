// Wall time of one complete data-page exchange against the simulator pacing
// at the real 38400 baud, from "Request Data" to the verdict, beside the line
// rate floor: 2 s settle + 100 ms wait + (bytes sent + bytes received) / 3840 B/s.

#include "simulator.h"
#include "vestracomm.h"
#include "windowdriver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTextStream>

using namespace WindowDriver;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? QByteArray(argv[1]).toInt() : 3;
    QTextStream out(stdout);

    Simulator instrument({QStringLiteral("--pace")});
    if (!instrument.start()) {
        out << "The simulator did not start\n";
        return 1;
    }
    // The program's own waits, not the tests' short ones: they are part of the figure.
    auto window = startWindow({instrument.portPath()}, LinkTimings());
    auto *request = widget<QPushButton>(window.get(), "pbRequestData");
    auto *report = widget<QPushButton>(window.get(), "pbDecodeData");
    if (!request->isEnabled()) {
        out << "The simulator was not found\n";
        return 1;
    }

    // What crosses the line: probe and two dials, the script, and the answers
    // (probe reply, CONNECT, one 40-byte-header frame per packet, 1792 bytes of page).
    qint64 sent = 5 + 2 * 6;
    int packets = 0;
    for (QByteArray packet; !(packet = vestraComm::requestPacket(true, packets)).isEmpty();
         ++packets)
        sent += packet.size();
    const qint64 received = 6 + 9 + packets * (2 + 40) + 1792;
    const double floorSeconds = 2.0 + 0.1 + double(sent + received) / 3840.0;

    out << "bytes sent " << sent << ", received " << received << " (escapes not counted)\n";
    out << QStringLiteral("line-rate floor %1 s\n").arg(floorSeconds, 0, 'f', 3);
    double worst = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        request->click();
        while (!report->isEnabled() && clock.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double seconds = clock.nsecsElapsed() / 1e9;
        if (!report->isEnabled()) {
            out << "run " << run + 1 << ": the exchange did not complete\n";
            return 1;
        }
        worst = qMax(worst, seconds);
        out << QStringLiteral("run %1: %2 s (%3 % above the floor)\n")
                   .arg(run + 1)
                   .arg(seconds, 0, 'f', 3)
                   .arg((seconds / floorSeconds - 1.0) * 100.0, 0, 'f', 1);
        out.flush();
    }
    out << QStringLiteral("worst %1 s, %2 % above the floor (target: within 10 %)\n")
               .arg(worst, 0, 'f', 3)
               .arg((worst / floorSeconds - 1.0) * 100.0, 0, 'f', 1);
    return 0;
}
