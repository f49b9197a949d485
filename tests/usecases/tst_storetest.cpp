#include "historyatstart.h"
#include "historykeeper.h"
#include "keptaside.h"
#include "registertransfer.h"
#include "reportcheck.h"
#include "savereport.h"

#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>

using namespace ReportCheck;

namespace {

// A register of tests 1..count beside the reports in folder, as an earlier
// version of the program left it.
bool writeRegister(const QString &folder, int count)
{
    QByteArray bytes = TestRegister::start();
    for (int i = 0; i < count; ++i) {
        TestRecord r = sample();
        r.time = r.time.addSecs(60 * i);
        bytes += TestRegister::csvLine(TestRegister::fields(r));
    }
    return !write(TestRegister::path(folder), bytes).isEmpty();
}

int tests(const QString &folder)
{
    TestHistory history(TestHistory::path(folder));
    return history.open() ? valueOf(history.count()) : -1;
}

// The child's side: a program's start in folder, its lines on standard
// output. With "stop", it stops in the middle of the import, to be killed there.
int start(const QString &folder, bool stop)
{
    QLoggingCategory::setFilterRules("vestra.*.debug=false");
    const QStringList lines = openHistoryAtStart(folder, [stop](qint64, qint64) {
        if (stop) {
            std::puts("importing");
            std::fflush(stdout);
            std::getchar();
        }
        return true;
    });
    for (const QString &line : lines)
        std::puts(qPrintable(line));
    return 0;
}

QProcess *startChild(const QString &folder, bool stop, QObject *parent)
{
    auto *child = new QProcess(parent);
    child->start(QCoreApplication::applicationFilePath(),
                 {"--start", folder, stop ? "stop" : "go"});
    return child;
}

} // namespace

// A saved test on its way into the history and the register: once, whatever
// is pressed twice; kept aside while the history cannot take it, and added
// once it can; never at the cost of the window's thread. And the start that
// makes the history with the register's tests in one step: never half done,
// never done twice.
class tst_StoreTest : public QObject
{
    Q_OBJECT

    QTemporaryDir home;

    // The history and register in dir; a short wait for another program's lock.
    static TestStore storeIn(const QTemporaryDir &dir)
    {
        return {dir.path(), dir.filePath("kept"), 200};
    }
    static QString keptLine(const QTemporaryDir &dir, const QString &why)
    {
        return "Test history not updated: " +
               QDir::toNativeSeparators(TestHistory::path(dir.path())) + ": " + why +
               "; the test is kept aside and added as soon as the history takes it";
    }

private slots:
    void initTestCase()
    {
        useHome(home);
        QLoggingCategory::setFilterRules("vestra.*.debug=false");
    }

    // "Make Report" twice for one measurement: one test, corrected, and a
    // line each in the register, whose import holds what the history holds;
    // a second import adds none.
    void madeTwice()
    {
        QTemporaryDir dir(home.filePath("m-XXXXXX"));
        TestRecord first = sample(), again = sample();
        first.measuredAt = again.measuredAt = first.time.addSecs(-60);
        again.time = first.time.addSecs(1);
        again.beacon.vesselName = "corrected";
        const QStringList saved{"Test history: saved as test 1", "Test register: line added"};
        QCOMPARE(storeTest(first, storeIn(dir)), saved);
        QCOMPARE(storeTest(again, storeIn(dir)), saved);
        QCOMPARE(storeTest(sample(OtherHex), storeIn(dir)).value(0),
                 "Test history: saved as test 2");
        TestHistory history(TestHistory::path(dir.path())), imported(dir.filePath("i.sqlite"));
        QVERIFY(history.open());
        QCOMPARE(valueOf(history.test(1)).record.beacon.vesselName, "corrected");
        const QString csv = TestRegister::path(dir.path());
        QCOMPARE(importStatusLines(importRegister(imported, csv)).value(0),
                 "Test register imported into the test history: 2 tests, 0 damaged lines skipped");
        for (qint64 number : {1, 2})
            QCOMPARE(TestRegister::fields(valueOf(imported.test(number)).record),
                     TestRegister::fields(valueOf(history.test(number)).record));
        QCOMPARE(importStatusLines(importRegister(history, csv)).value(0),
                 "Test register imported into the test history: 0 tests, 2 tests already in the "
                 "history, 0 damaged lines skipped");
    }

    // The history cannot take the test: it is kept aside, said, and added
    // once the history takes writes again.
    void keptAside_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("why");
        QTest::newRow("full disk") << "full"
                                   << "disk I/O error";
        QTest::newRow("read-only folder") << "read-only"
                                          << "the folder %1 is read-only";
    }
    void keptAside()
    {
        QFETCH(QString, obstacle);
        QFETCH(QString, why);
#ifdef Q_OS_WIN
        QSKIP("read-only folders and full disks are made with POSIX calls");
#endif
        QTemporaryDir dir(home.filePath("k-XXXXXX"));
        const TestStore store{dir.path(), home.filePath("kept-" + QFileInfo(dir.path()).fileName()),
                              200};
        const QString path = TestHistory::path(dir.path());
        QCOMPARE(storeTest(sample(), store).value(0), "Test history: saved as test 1");
        QStringList said;
        if (obstacle == "read-only")
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        onFullDisk(obstacle == "full" ? 8192 : -1,
                   [&] { said = storeTest(sample(OtherHex), store); });
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(said.value(0),
                 keptLine(dir, QString(why).replace("%1", QDir::toNativeSeparators(dir.path()))));
        QCOMPARE(KeptAside::waiting(store.keptAsideFolder).size(), 1);
        QCOMPARE(landKeptAside(store), QStringList{"Test history: saved as test 2"});
        QCOMPARE(KeptAside::waiting(store.keptAsideFolder), QStringList());
        TestHistory history(path);
        QVERIFY(history.open());
        QCOMPARE(valueOf(history.test(2)).record.hexMessage, OtherHex);
    }

    // A history gone while the program runs: said, and made anew with the
    // register's tests before the test.
    void vanished()
    {
        QTemporaryDir dir(home.filePath("v-XXXXXX"));
        for (int day : {1, 2})
            QVERIFY(storeTest(sample(Hex, day), storeIn(dir))
                        .value(0)
                        .startsWith("Test history: saved"));
        QVERIFY(QFile::remove(TestHistory::path(dir.path())));
        QCOMPARE(storeTest(sample(Hex, 3), storeIn(dir)),
                 QStringList({"Test history not found at " +
                                  QDir::toNativeSeparators(TestHistory::path(dir.path())) +
                                  ": a new one is made",
                              "Test register imported into the test history: 2 tests, 0 damaged "
                              "lines skipped",
                              "Test history: saved as test 3", "Test register: line added"}));
    }

    // Held past the wait, the history is said to be waited for and the
    // look-up fails, while this thread goes on; the test kept aside is
    // added by the retry once the history is free.
    void keeperWaits()
    {
        QTemporaryDir dir(home.filePath("w-XXXXXX"));
        const QString path = TestHistory::path(dir.path());
        QVERIFY(TestHistory(path).add(sample()));
        HistoryKeeper keeper(storeIn(dir), {200, 3600000, 0});
        QSignalSpy lines(&keeper, &HistoryKeeper::statusLine);
        QSignalSpy stored(&keeper, &HistoryKeeper::stored);
        std::optional<Result<std::optional<StoredTest>>> found;
        connect(&keeper, &HistoryKeeper::lookedUp, this, [&](const auto &test) { found = test; });
        {
            const HistoryHold hold(path);
            QVERIFY(hold.held);
            keeper.store(sample(OtherHex));
            keeper.lookUp(Hex);
            QTRY_VERIFY_WITH_TIMEOUT(found, 10000);
        }
        QCOMPARE(stored.size(), 1);
        QCOMPARE(lines.value(0).value(0).toString(), HistoryKeeper::WaitingLine);
        QCOMPARE(lines.value(1).value(0).toString(), keptLine(dir, "database is locked"));
        QCOMPARE(found->reason(), QDir::toNativeSeparators(path) + ": database is locked");
        lines.clear();
        keeper.retry();
        QTRY_COMPARE(lines.value(0).value(0).toString(), "Test history: saved as test 2");
    }

    // A start that left no history it could use: the next one imports the register.
    void startsAgain_data()
    {
        QTest::addColumn<QString>("history");
        QTest::addColumn<int>("tests");
        for (const char *history : {"none", "0-byte file", "SQLite file without tables",
                                    "schema 1 that never held a test"})
            QTest::newRow(history) << QString(history) << 3;
        QTest::newRow("a history with a test") << "with a test" << 1;
    }
    void startsAgain()
    {
        QFETCH(QString, history);
        QFETCH(int, tests);
        QTemporaryDir dir(home.filePath("a-XXXXXX"));
        const QString path = TestHistory::path(dir.path());
        if (history == "0-byte file")
            QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        if (history == "SQLite file without tables")
            QVERIFY(runSql(path, {"CREATE TABLE t (x)", "DROP TABLE t"}));
        if (history.startsWith("schema 1"))
            QVERIFY(TestHistory(path).openOrMake() && runSql(path, SchemaOne));
        if (history == "with a test")
            QVERIFY(TestHistory(path).add(sample(OtherHex)));
        QVERIFY(writeRegister(dir.path(), 3));
        // Only a start makes the history; a reader finds none.
        QCOMPARE(TestHistory(path).open().ok(), tests == 1);
        QCOMPARE(openHistoryAtStart(dir.path()),
                 tests == 3 ? QStringList{"Test register imported into the test history: 3 tests, "
                                          "0 damaged lines skipped"}
                            : QStringList());
        QCOMPARE(::tests(dir.path()), tests);
        QCOMPARE(openHistoryAtStart(dir.path()), QStringList());
    }

    // Killed while it imports: nothing of it stays, and the next start imports it all.
    void killedImport()
    {
        QTemporaryDir dir(home.filePath("k-XXXXXX"));
        QVERIFY(writeRegister(dir.path(), 2000));
        QProcess *child = startChild(dir.path(), true, this);
        QVERIFY(child->waitForReadyRead(30000));
        QCOMPARE(child->readLine().trimmed(), "importing");
        child->kill();
        QVERIFY(child->waitForFinished(10000));
        QCOMPARE(openHistoryAtStart(dir.path()).value(0),
                 "Test register imported into the test history: 2000 tests, 0 damaged lines "
                 "skipped");
        QCOMPARE(tests(dir.path()), 2000);
    }

    // Two programs started together: one imports, the other finds it done.
    void startedTogether()
    {
        for (int round = 0; round < 5; ++round) {
            QTemporaryDir dir(home.filePath("t-XXXXXX"));
            QVERIFY(writeRegister(dir.path(), 3));
            QList<QProcess *> children{startChild(dir.path(), false, this),
                                       startChild(dir.path(), false, this)};
            QByteArray said;
            for (QProcess *child : children) {
                QVERIFY(child->waitForFinished(30000));
                said += child->readAllStandardOutput();
            }
            QCOMPARE(said.count("imported"), 1);
            QVERIFY2(!said.contains("cannot"), said.constData());
            QCOMPARE(tests(dir.path()), 3);
        }
    }
};

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--start") == 0)
        return start(QString::fromLocal8Bit(argv[2]), qstrcmp(argv[3], "stop") == 0);
    QCoreApplication app(argc, argv);
    tst_StoreTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_storetest.moc"
