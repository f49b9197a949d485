#include "historykeeper.h"
#include "keptaside.h"
#include "registertransfer.h"
#include "reportcheck.h"
#include "savereport.h"

#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTest>

using namespace ReportCheck;

// A saved test on its way into the history and the register: once, whatever
// is pressed twice; kept aside while the history cannot take it, and added
// once it can; never at the cost of the window's thread.
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
    // line each in the register, whose import holds what the history holds.
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
        const Result<RegisterImport> import =
            importRegister(imported, TestRegister::path(dir.path()));
        QVERIFY2(import, qPrintable(import.reason()));
        QCOMPARE(import->imported, 2);
        for (qint64 number : {1, 2})
            QCOMPARE(TestRegister::fields(valueOf(imported.test(number)).record),
                     TestRegister::fields(valueOf(history.test(number)).record));
    }

    // The history cannot take the test: it is kept aside, said, and added
    // once the history takes writes again.
    void keptAside_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("why");
        QTest::newRow("held past the wait") << "held"
                                            << "database is locked";
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
        if (obstacle != "held")
            QSKIP("read-only folders and full disks are made with POSIX calls");
#endif
        QTemporaryDir dir(home.filePath("k-XXXXXX"));
        const TestStore store{dir.path(), home.filePath("kept-" + QFileInfo(dir.path()).fileName()),
                              200};
        const QString path = TestHistory::path(dir.path());
        QCOMPARE(storeTest(sample(), store).value(0), "Test history: saved as test 1");
        QStringList said;
        {
            std::optional<HistoryHold> hold;
            if (obstacle == "held")
                hold.emplace(path);
            if (obstacle == "read-only")
                QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
            onFullDisk(obstacle == "full" ? 8192 : -1,
                       [&] { said = storeTest(sample(OtherHex), store); });
            QFile::setPermissions(dir.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
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
};

QTEST_MAIN(tst_StoreTest)
#include "tst_storetest.moc"
