// Times the test history at the size of a busy station's: vestra-report's
// list, reprint and due, each as the whole process a technician runs, list's
// peak memory, and in this process the prefill's look-up, the window's model
// and the import of the CSV register that made the history; and the program
// started beside that register with no history yet: its window shown, and
// the import done beside it.
// Usage: bench-history [tests] [runs] [folder]; with a folder the history
// stays there for a look at it.
#include "beaconhistory.h"
#include "historymodel.h"
#include "mainwindow.h"
#include "messageencoder.h"
#include "registertransfer.h"
#include "testhistory.h"
#include "testregister.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>

namespace {

// Five tests a beacon, of the families a station meets, ship security and
// orbitography among them, each with its test record.
constexpr int TestsPerBeacon = 5;
const char *const Protocols[] = {"long u3", "long l2",  "short l12",
                                 "long l9", "long l13", "short l0"};

QString message(int beacon)
{
    const QString description = QStringLiteral("%1 41-58=%2 seal")
                                    .arg(QLatin1String(Protocols[beacon % 6]))
                                    .arg(beacon / 6 + 1);
    return MessageEncoder::parse(description).hex();
}

TestRecord record(int i)
{
    const int beacon = i % (i < 10 ? 1 : 20000);
    TestRecord r;
    // Sixty tests a working day, eight minutes apart: each a test of its own.
    r.time = QDateTime(QDate(2020, 1, 1).addDays(i / 60), QTime(8, 0, 9).addSecs(i % 60 * 480),
                       QTimeZone(3600));
    r.beacon = {QStringLiteral("MS Fjordlys %1").arg(beacon),
                QStringLiteral("ACME"),
                QStringLiteral("EB-5"),
                QString::number(10000 + beacon),
                QStringLiteral("FB-2"),
                QStringLiteral("B-778"),
                QStringLiteral("%1-03").arg(2024 + i % 6),
                QStringLiteral("11/%1").arg(2024 + i % 5),
                QStringLiteral("2027-01"),
                QStringLiteral("Nord Safe, Bergen"),
                QStringLiteral("Kari Holm")};
    r.targetIndex = i % 5;
    r.hexMessage = message(beacon);
    r.frequency = QStringLiteral("406.0312");
    r.rfLevel = QStringLiteral("-3.5");
    r.calibrationDue = QStringLiteral("06-27");
    r.statusReading = QStringLiteral("OK");
    r.instrumentSerialNo = QStringLiteral("12345-67890");
    r.statusVerdict = QStringLiteral("Message from EPIRB received OK");
    r.programVersion = QStringLiteral("4.0.4");
    // Each with its test record, every fifth a shore-based maintenance.
    r.sheet.kind = i % 5 == 4 ? TestKind::ShoreBasedMaintenance : TestKind::AnnualTest;
    r.sheet.ship = {QStringLiteral("2571%1").arg(beacon % 100000, 5, 10, QLatin1Char('0')),
                    QString(), QStringLiteral("9074729"), r.beaconId()};
    for (const Check *check : checksOf(r.sheet.kind))
        r.sheet.setAnswer(QLatin1String(check->key), Answer::Yes);
    return r;
}

struct Figures
{
    QList<double> millis;
    void print(const char *what) const
    {
        std::printf("%-16s min %7.1f ms, median %7.1f ms, max %7.1f ms over %lld runs\n", what,
                    millis.first(), millis.at(millis.size() / 2), millis.last(),
                    qint64(millis.size()));
    }
};

Figures timeTool(int runs, const QStringList &arguments, const QString &folder)
{
    Figures f;
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
            std::exit(1);
        }
        f.millis.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(f.millis.begin(), f.millis.end());
    return f;
}

template <typename Work> Figures timeHere(int runs, Work work)
{
    Figures f;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        f.millis.append(timer.nsecsElapsed() / 1e6);
    }
    std::sort(f.millis.begin(), f.millis.end());
    return f;
}

// The child's side of the start: the window shown ("shown" on standard
// output at its first paint), then the register imported ("imported").
int startWindow()
{
    MainWindow window;
    auto *log = window.findChild<QListWidget *>(QStringLiteral("listWidgetStatus"));
    QObject::connect(log->model(), &QAbstractItemModel::rowsInserted, &window, [log] {
        if (log->item(0)->text().startsWith(QLatin1String("Test register imported"))) {
            std::puts("imported");
            QCoreApplication::quit();
        }
    });
    struct FirstPaint : QObject
    {
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && !painted) {
                painted = true;
                std::puts("shown");
                std::fflush(stdout);
            }
            return false;
        }
        bool painted = false;
    } firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    return QApplication::exec();
}

// The program started with the register of folder beside its reports and no
// history yet: until its window is painted, and until the import is done.
void timeStart(const QString &folder, int runs)
{
    const QString home = folder + QStringLiteral("/home");
    const QString reports = home + QStringLiteral("/Documents/VESTRA_Reports");
    QDir().mkpath(reports);
    QFile::copy(TestRegister::path(folder), TestRegister::path(reports));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("VESTRA_PORTS"), folder + QStringLiteral("/no-port"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    Figures shown, imported;
    for (int run = 0; run < runs; ++run) {
        QFile::remove(TestHistory::path(reports));
        QProcess program;
        program.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        program.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--window")});
        for (Figures *f : {&shown, &imported}) {
            while (!program.canReadLine() && program.waitForReadyRead(60000)) {
            }
            if (program.readLine().isEmpty()) {
                std::fprintf(stderr, "the program said nothing: %s\n",
                             program.readAllStandardError().constData());
                std::exit(1);
            }
            f->millis.append(timer.nsecsElapsed() / 1e6);
        }
        program.waitForFinished(60000);
    }
    for (Figures *f : {&shown, &imported})
        std::sort(f->millis.begin(), f->millis.end());
    shown.print("window shown:");
    imported.print("import beside:");
}

// Times what a technician runs against the history in folder.
int measure(const QString &folder, int tests, int runs)
{
    const QString path = TestHistory::path(folder);
    const QStringList historyOption{QStringLiteral("--history"), path};
    // First, so that the children's peak is list's own.
    const Figures list =
        timeTool(runs, QStringList{QStringLiteral("list")} + historyOption, folder);
#ifdef Q_OS_UNIX
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
#endif
    const Figures due = timeTool(runs, QStringList{QStringLiteral("due")} + historyOption, folder);
    const Figures reprint = timeTool(
        runs,
        QStringList{QStringLiteral("reprint"), QStringLiteral("--test"), QString::number(tests / 2),
                    QStringLiteral("-o"), QStringLiteral("r.pdf"), QStringLiteral("--force")} +
            historyOption,
        folder);
    // The prefill as the window runs it after an exchange: open, look up, fill.
    const QString hex = record(tests / 2).hexMessage;
    const Figures prefill = timeHere(runs * 10, [&] {
        TestRecord form;
        if (recallBeacon(path, hex, form).statusLine.isEmpty())
            std::exit(1);
    });
    const Figures model = timeHere(runs, [&] {
        TestHistory history(path);
        HistoryModel m;
        if (!history.open())
            std::exit(1);
        if (const Result<QList<ListingRow>> rows = HistoryModel::read(history))
            m.setRows(*rows);
        if (m.rowCount() != tests)
            std::exit(1);
    });
    list.print("list:");
#ifdef Q_OS_UNIX
    std::printf("%-16s %.1f MB peak resident\n", "list memory:", usage.ru_maxrss / 1024.0);
#endif
    due.print("due:");
    reprint.print("reprint:");
    prefill.print("prefill look-up:");
    model.print("history model:");
    std::fflush(stdout);
    timeStart(folder, qMin(runs, 5));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QLoggingCategory::setFilterRules(QStringLiteral("vestra.*.debug=false"));
    if (argc == 2 && qstrcmp(argv[1], "--window") == 0) {
        QApplication app(argc, argv);
        return startWindow();
    }
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.value(1) == QLatin1String("--measure")) {
        const int status =
            measure(arguments.value(2), arguments.value(3).toInt(), arguments.value(4).toInt());
        if (arguments.value(5) != QLatin1String("keep"))
            QDir(arguments.value(2)).removeRecursively();
        return status;
    }
    const int tests = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const int runs = argc > 2 ? QByteArray(argv[2]).toInt() : 10;
    QTemporaryDir dir(argc > 3 ? QString::fromLocal8Bit(argv[3]) + QStringLiteral("/bench-XXXXXX")
                               : QDir::tempPath() + QStringLiteral("/bench-XXXXXX"));
    dir.setAutoRemove(false);

    // The history as an upgrade makes it: from the register, in one import.
    QByteArray bytes = TestRegister::start();
    for (int i = 0; i < tests; ++i)
        bytes += TestRegister::csvLine(TestRegister::fields(record(i)));
    const QString csv = TestRegister::path(dir.path());
    QFile file(csv);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return 1;
    file.close();
    const QString path = TestHistory::path(dir.path());
    // Each into a new history, as a first start makes it, the look for
    // tests already there included.
    const Figures imports = timeHere(qMin(runs, 3), [&] {
        QFile::remove(path);
        TestHistory history(path);
        const Result<RegisterImport> import = importRegister(history, csv);
        if (!import || import->imported != tests) {
            std::fprintf(stderr, "import: %s\n", qPrintable(import.reason()));
            std::exit(1);
        }
    });
    std::printf("history: %d tests, %lld bytes; register %lld bytes\n", tests,
                QFileInfo(path).size(), qint64(bytes.size()));
    imports.print("import:");
    std::fflush(stdout);
    const QStringList measuring{QStringLiteral("--measure"), dir.path(), QString::number(tests),
                                QString::number(runs),
                                argc > 3 ? QStringLiteral("keep") : QStringLiteral("remove")};
#ifdef Q_OS_UNIX
    // Measured from a fresh process: a child's peak counts the memory of the
    // process it was forked from, and this one has held the whole register.
    QList<QByteArray> encoded{QFile::encodeName(QCoreApplication::applicationFilePath())};
    for (const QString &argument : measuring)
        encoded.append(QFile::encodeName(argument));
    QList<char *> pointers;
    for (QByteArray &argument : encoded)
        pointers.append(argument.data());
    pointers.append(nullptr);
    execv(pointers.first(), pointers.data());
    return 1;
#else
    return QProcess::execute(QCoreApplication::applicationFilePath(), measuring);
#endif
}
