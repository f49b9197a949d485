// Times the history window on a large history: from the press of Ctrl+H (the
// window made, the history opened, the window shown) to its first rows
// painted; until the whole history, read by the window's own thread, is in
// the tables; and one filter keystroke over every test.
// Usage: bench-historywindow [tests] [runs] [folder]; with a folder the
// history stays there for a look at it.
#include "historyatstart.h"
#include "historywindow.h"
#include "testhistory.h"
#include "testregister.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimeZone>

#include <algorithm>
#include <cstdio>

namespace {

// Beacons of three families, each test of another serial number and day.
const char *const Messages[] = {"FFFE2F93C21E24012D814A62ECF7B1412A02",
                                "FFFE2F53CE91A2B3C4D5E3A1AF80",
                                "FFFED093C21E24012D814A62ECF7B1412A02"};

// A register of that many tests, imported into the history as a program start does.
bool makeHistory(const QString &folder, int tests)
{
    QByteArray bytes = "\xEF\xBB\xBF" + TestRegister::csvLine(TestRegister::header());
    for (int i = 0; i < tests; ++i) {
        TestRecord r;
        r.time = QDateTime(QDate(2020, 1, 1).addDays(i / 40), QTime(8, i % 40, 9), QTimeZone(3600));
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
    QFile file(TestRegister::path(folder));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    QElapsedTimer timer;
    timer.start();
    const QStringList said = openHistoryAtStart(folder);
    std::printf("import: %d tests in %.0f ms: %s\n", tests, timer.nsecsElapsed() / 1e6,
                qPrintable(said.join(u' ')));
    return QFile::exists(TestHistory::path(folder));
}

void printRuns(const char *what, QList<double> millis)
{
    std::sort(millis.begin(), millis.end());
    std::printf("%s min %.1f ms, median %.1f ms, max %.1f ms over %lld runs\n", what,
                millis.first(), millis.at(millis.size() / 2), millis.last(), qint64(millis.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("vestra.*.debug=false"));
    const int tests = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const int runs = argc > 2 ? QByteArray(argv[2]).toInt() : 10;
    QTemporaryDir dir(argc > 3 ? QString::fromLocal8Bit(argv[3]) + QStringLiteral("/bench-XXXXXX")
                               : QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    dir.setAutoRemove(argc <= 3);
    if (tests < 1 || runs < 1 || !makeHistory(dir.path(), tests))
        return 1;

    QList<double> shown, whole, filtered;
    QString count;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        HistoryWindow window;
        window.load(dir.path());
        window.present();
        // Painted as the screen would get it: every visible row drawn.
        (void)window.grab();
        shown.append(timer.nsecsElapsed() / 1e6);
        // The count says "N of M tests" once the whole history is in.
        const auto *counted = window.findChild<QLabel *>(QStringLiteral("lblCount"));
        while (!counted->text().endsWith(QStringLiteral(" of %1 tests").arg(tests)))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        (void)window.grab();
        whole.append(timer.nsecsElapsed() / 1e6);

        // One keystroke that leaves 11 vessels of 400, about 3 % of the tests.
        auto *filter = window.findChild<QLineEdit *>(QStringLiteral("filterEdit"));
        timer.restart();
        filter->setText(QStringLiteral("fjordlys 12"));
        (void)window.grab();
        filtered.append(timer.nsecsElapsed() / 1e6);
        count = counted->text();
    }
    printRuns("shown with its first rows:", shown);
    printRuns("whole history in the tables:", whole);
    printRuns(qPrintable(QStringLiteral("filter \"fjordlys 12\" (%1):").arg(count)), filtered);
    return 0;
}
