// Times the history window on a large history: its load() call on the
// window's thread; from the press of Ctrl+H (the window made and shown, the
// history asked for) to its first rows painted; until the whole history is in
// the tables, and the longest the window left its events waiting meanwhile;
// and one filter keystroke over every test.
// Usage: bench-historywindow [tests] [runs] [folder]; with a folder the
// history stays there for a look at it, beside tests.png and due.png, the
// window's two tabs as the last run showed them.
#include "historyatstart.h"
#include "historywindow.h"
#include "messageencoder.h"
#include "testhistory.h"
#include "testregister.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int TestsPerBeacon = 5;

// Each beacon tested once a year, for as many years as the tests last, the
// latest tests within the last year; every ninth battery runs out ten months
// after its test. What falls due holds the past, the soon and the later.
TestRecord benchTest(int i, int tests)
{
    const int beacons = std::max(1, tests / TestsPerBeacon);
    const int beacon = i % beacons;
    const QDate day = QDate::currentDate().addDays(-1 - qint64(tests - 1 - i) * 365 / beacons);
    const QDate battery = beacon % 9 ? day.addYears(4) : day.addMonths(10);
    const QString hex =
        MessageEncoder::parse(
            QStringLiteral("long l%1 41-58=%2 seal").arg(beacon % 2 ? 2 : 9).arg(beacon + 1))
            .hex();
    return {QDateTime(day, QTime(8 + i % 9, i % 60, 9), QTimeZone(3600)),
            {QStringLiteral("MS Fjordlys %1").arg(beacon % 400), QStringLiteral("ACME"),
             QStringLiteral("EB-5"), QString::number(10000 + beacon), QStringLiteral("FB-2"),
             QStringLiteral("B-778"), battery.toString(QStringLiteral("yyyy-MM")),
             day.addMonths(30).toString(QStringLiteral("MM/yyyy")), QString(),
             QStringLiteral("Nord Safe, Bergen"), QStringLiteral("Kari Holm")},
            i % 5,
            hex,
            QStringLiteral("406.0312"),
            QStringLiteral("-3.5"),
            QStringLiteral("06-27"),
            QStringLiteral("OK"),
            QStringLiteral("12345-67890"),
            QStringLiteral("Message from EPIRB received OK"),
            QStringLiteral("4.0.4")};
}

// A register of that many tests, imported into the history as a program start does.
bool makeHistory(const QString &folder, int tests)
{
    QByteArray bytes = "\xEF\xBB\xBF" + TestRegister::csvLine(TestRegister::header());
    for (int i = 0; i < tests; ++i)
        bytes += TestRegister::csvLine(TestRegister::fields(benchTest(i, tests)));
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

void waitFor(const std::function<bool()> &done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
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

    QList<double> loading, shown, whole, stalled, filtered;
    QString count;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        HistoryWindow window;
        QElapsedTimer inLoad;
        inLoad.start();
        window.load(dir.path());
        loading.append(inLoad.nsecsElapsed() / 1e6);
        window.present();
        // Painted as the screen would get it: every visible row drawn.
        const auto *view = window.findChild<QTableView *>(QStringLiteral("testsView"));
        waitFor([view] { return view->model()->rowCount() > 0; });
        (void)window.grab();
        shown.append(timer.nsecsElapsed() / 1e6);

        // The event loop's longest pause from then on until the whole history
        // is in: the count says "N of M tests".
        QElapsedTimer sinceTick;
        double longest = 0;
        QTimer tick;
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.restart();
        });
        sinceTick.start();
        tick.start();
        const auto *counted = window.findChild<QLabel *>(QStringLiteral("lblCount"));
        waitFor(
            [&] { return counted->text().endsWith(QStringLiteral(" of %1 tests").arg(tests)); });
        longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6);
        tick.stop();
        stalled.append(longest);
        (void)window.grab();
        whole.append(timer.nsecsElapsed() / 1e6);

        // One keystroke that leaves 11 vessels of 400, about 3 % of the tests.
        auto *filter = window.findChild<QLineEdit *>(QStringLiteral("filterEdit"));
        timer.restart();
        filter->setText(QStringLiteral("fjordlys 12"));
        (void)window.grab();
        filtered.append(timer.nsecsElapsed() / 1e6);
        count = counted->text();
        if (run + 1 == runs && !dir.autoRemove()) {
            filter->clear();
            window.grab().save(dir.filePath(QStringLiteral("tests.png")));
            window.findChild<QTabWidget *>()->setCurrentIndex(1);
            window.grab().save(dir.filePath(QStringLiteral("due.png")));
        }
    }
    printRuns("load() on the window's thread:", loading);
    printRuns("shown with its first rows:", shown);
    printRuns("whole history in the tables:", whole);
    printRuns("longest wait of the event loop meanwhile:", stalled);
    printRuns(qPrintable(QStringLiteral("filter \"fjordlys 12\" (%1):").arg(count)), filtered);
    if (!dir.autoRemove())
        std::printf("history and screenshots in %s\n", qPrintable(dir.path()));
    return 0;
}
