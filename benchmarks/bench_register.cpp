// Times vestra-report on a large register: "list" of every test, and the
// reprint of one test from it, each as the whole process a technician runs.
// Usage: bench-register [tests] [runs] [folder]; with a folder the register
// stays there for a look at it.
#include "testregister.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>

#include <algorithm>
#include <cstdio>

namespace {

// Beacons of three families, each test of another serial number and day.
const char *const Messages[] = {"FFFE2F93C21E24012D814A62ECF7B1412A02",
                                "FFFE2F53CE91A2B3C4D5E3A1AF80",
                                "FFFED093C21E24012D814A62ECF7B1412A02"};

QList<double> timeRuns(int runs, const QStringList &arguments, const QString &folder)
{
    QList<double> millis;
    for (int run = 0; run < runs; ++run) {
        QProcess tool;
        tool.setWorkingDirectory(folder);
        tool.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        tool.start(QStringLiteral(VESTRA_REPORT_PATH), arguments);
        if (!tool.waitForFinished(60000) || tool.exitCode() != 0) {
            std::fprintf(stderr, "vestra-report %s failed: %s\n", qPrintable(arguments.join(u' ')),
                         tool.readAllStandardError().constData());
            return {};
        }
        millis.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(millis.begin(), millis.end());
    return millis;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("vestra.*.debug=false"));
    const int tests = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    const int runs = argc > 2 ? QByteArray(argv[2]).toInt() : 10;
    QTemporaryDir dir(argc > 3 ? QString::fromLocal8Bit(argv[3]) + QStringLiteral("/bench-XXXXXX")
                               : QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    dir.setAutoRemove(argc <= 3);
    const QString path = TestRegister::path(dir.path());

    QByteArray bytes = "\xEF\xBB\xBF" + TestRegister::csvLine(TestRegister::header());
    for (int i = 0; i < tests; ++i) {
        TestRecord r;
        r.time =
            QDateTime(QDate(2020, 1, 1).addDays(i / 8), QTime(8 + i % 8, 5, 9), QTimeZone(3600));
        r.beacon = {QStringLiteral("MS Fjordlys %1").arg(i % 400),
                    QStringLiteral("ACME"),
                    QStringLiteral("EB-5"),
                    QString::number(10000 + i),
                    QStringLiteral("FB-2"),
                    QStringLiteral("B-778"),
                    QStringLiteral("2029-03"),
                    QStringLiteral("2026-11"),
                    QStringLiteral("2027-01"),
                    QStringLiteral("Nord Safe, Bergen"),
                    QStringLiteral("Kari Holm")};
        r.targetIndex = i % 5;
        r.hexMessage = QLatin1String(Messages[i % 3]);
        r.frequency = QStringLiteral("406.0312");
        r.rfLevel = QStringLiteral("-3.5");
        r.calibrationDue = QStringLiteral("06-27");
        r.statusReading = QStringLiteral("OK");
        r.instrumentSerialNo = QStringLiteral("12345-67890");
        r.statusVerdict = QStringLiteral("Message from EPIRB received OK");
        r.programVersion = QStringLiteral("4.0.4");
        bytes += TestRegister::csvLine(TestRegister::fields(r));
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return 1;
    file.close();

    const QStringList registerOption{QStringLiteral("--register"), path};
    const QList<double> list =
        timeRuns(runs, QStringList{QStringLiteral("list")} + registerOption, dir.path());
    const QList<double> reprint = timeRuns(
        runs,
        QStringList{QStringLiteral("reprint"), QStringLiteral("--line"), QString::number(tests / 2),
                    QStringLiteral("-o"), QStringLiteral("r.pdf"), QStringLiteral("--force")} +
            registerOption,
        dir.path());
    if (list.isEmpty() || reprint.isEmpty())
        return 1;
    std::printf("register: %d tests, %lld bytes\n", tests, qint64(bytes.size()));
    std::printf("list:    min %.1f ms, median %.1f ms, max %.1f ms over %d runs\n", list.first(),
                list.at(list.size() / 2), list.last(), runs);
    std::printf("reprint: min %.1f ms, median %.1f ms, max %.1f ms over %d runs\n", reprint.first(),
                reprint.at(reprint.size() / 2), reprint.last(), runs);
    return 0;
}
