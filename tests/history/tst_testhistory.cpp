#include "listing.h"
#include "reportcheck.h"
#include "testhistory.h"

#include <QLoggingCategory>
#include <QTest>
#include <QThread>

using namespace ReportCheck;

namespace {

QDateTime at(const char *iso)
{
    return QDateTime::fromString(QString(iso) + "+01:00", Qt::ISODate);
}

TestRecord sampleAt(const QDateTime &time, const QString &hex = Hex)
{
    TestRecord r = sample(hex);
    r.time = time;
    return r;
}

// The child's side of the process tests: adds tests until count, printing
// each number once add() has returned it.
int writeTests(const QString &path, int count)
{
    QLoggingCategory::setFilterRules("vestra.*.debug=false");
    TestHistory history(path);
    for (int i = 0; i < count; ++i) {
        // Tests of their own for each writer.
        const Result<qint64> number = history.add(sampleAt(
            at("2026-03-01T14:05:09").addSecs(QCoreApplication::applicationPid() * 100 + i)));
        if (!number)
            return std::fprintf(stderr, "%s\n", qPrintable(number.reason())), 1;
        std::printf("%lld\n", *number);
        std::fflush(stdout);
    }
    return 0;
}

QProcess *startWriter(const QString &path, int count, QObject *parent)
{
    auto *writer = new QProcess(parent);
    writer->start(QCoreApplication::applicationFilePath(),
                  {"--write", path, QString::number(count)});
    return writer;
}

const QString Awkward = "Kari \"K\" O'Hara\n\tSjø";

// A history of schema 1 in folder with Awkward values, and test 1 stored
// twice in one second, its second record on vessel "second"; its path.
QString schemaOneHistory(const QString &folder)
{
    TestRecord first = sample(), second = sample(OtherHex);
    first.beacon.testedBy = second.beacon.manufacturer = Awkward;
    const QString path = makeHistory(folder, {first, second});
    runSql(path, SchemaOne + QStringList{"CREATE TABLE c AS SELECT * FROM tests WHERE number = 1",
                                         "UPDATE c SET number = NULL, utc = utc + 900, vessel = "
                                         "'second'",
                                         "INSERT INTO tests SELECT * FROM c", "DROP TABLE c"});
    return path;
}

// The child's side of the killed upgrade: it stops where the upgrade is
// about to commit, and says so, for the test to kill it there.
int bringUp(const QString &path)
{
    // The history's diagnostic lines on, whatever the environment says.
    qunsetenv("QT_LOGGING_RULES");
    qunsetenv("QT_LOGGING_CONF");
    QLoggingCategory::setFilterRules("vestra.history.debug=true");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &message) {
        if (message.endsWith("committing")) {
            std::printf("kill point\n");
            std::fflush(stdout);
            QThread::sleep(60);
        }
    });
    return TestHistory(path).open() ? 0 : 1;
}

QString integrity(const TestHistory &history)
{
    QSqlQuery q(history.database());
    return q.exec("PRAGMA integrity_check") && q.next() ? q.value(0).toString() : "no answer";
}

} // namespace

class tst_TestHistory : public QObject
{
    Q_OBJECT

    QTemporaryDir home;

private slots:
    void initTestCase()
    {
        useHome(home);
        QLoggingCategory::setFilterRules("vestra.*.debug=false");
    }

    void concurrentWriters()
    {
        QTemporaryDir dir(home.filePath("c-XXXXXX"));
        const QString path = TestHistory::path(dir.path());
        QList<QProcess *> writers{startWriter(path, 40, this), startWriter(path, 40, this)};
        QStringList numbers;
        for (QProcess *writer : writers) {
            QVERIFY(writer->waitForFinished(60000));
            QCOMPARE(writer->readAllStandardError(), QByteArray());
            numbers << QString(writer->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        }
        TestHistory history(path);
        QVERIFY(history.open());
        QCOMPARE(integrity(history), "ok");
        QCOMPARE(valueOf(history.count()), 80);
        numbers.removeDuplicates();
        QCOMPARE(numbers.size(), 80);
    }

    // Killed at any moment: every test that add() returned is there, whole.
    void killedWriter()
    {
        QTemporaryDir dir(home.filePath("k-XXXXXX"));
        const QString path = TestHistory::path(dir.path());
        QProcess *writer = startWriter(path, 100000, this);
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += writer->readAllStandardOutput()).count('\n') >= 20,
                                 30000);
        writer->kill(); // SIGKILL, or TerminateProcess on Windows
        QVERIFY(writer->waitForFinished(10000));
        said += writer->readAllStandardOutput();
        TestHistory history(path);
        QVERIFY(history.open());
        QCOMPARE(integrity(history), "ok");
        for (const QByteArray &number : said.left(said.lastIndexOf('\n')).split('\n')) {
            const Result<std::optional<StoredTest>> test = history.test(number.toLongLong());
            QVERIFY2(test && *test, number.constData());
        }
    }

    // Whatever its user_version says, another program's database is refused
    // in words and left as it is.
    void notAHistory_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("error");
        const QString other = "a database, but not a test history of this program";
        QTest::newRow("later schema")
            << QStringList{"CREATE TABLE t (x)", "PRAGMA user_version = 3"}
            << "written by a later version of this program (schema 3, "
               "this program knows 2); left as it is";
        QTest::newRow("another program's") << QStringList{"CREATE TABLE t (x)"} << other;
        QTest::newRow("another's tests, user_version 1")
            << QStringList{"CREATE TABLE tests (x)", "PRAGMA user_version = 1"} << other;
        QTest::newRow("no tables, user_version 2")
            << QStringList{"PRAGMA user_version = 2"} << other;
    }
    void notAHistory()
    {
        QFETCH(QStringList, statements);
        QFETCH(QString, error);
        QTemporaryDir dir(home.filePath("s-XXXXXX"));
        const QString path = dir.filePath("other.sqlite");
        QVERIFY(runSql(path, statements));
        const QByteArray before = contents(path);
        TestHistory history(path);
        QCOMPARE(history.openOrMake().reason(), QDir::toNativeSeparators(path) + ": " + error);
        QVERIFY(!history.add(sampleAt(at("2026-03-02T08:00:00"))));
        QCOMPARE(contents(path), before);
    }

    // What a history of schema 1 could hold: quotes, line breaks, tabs, a test
    // stored twice in one second (a double-click, a register imported twice).
    // Killed as it is about to commit, the upgrade leaves the history as it
    // was, its copy beside it; the next opening brings it up whole, the test
    // stored twice under its first number with its latest record, and keeps
    // that copy as it is.
    void schemaOneBroughtUp()
    {
        QTemporaryDir dir(home.filePath("u-XXXXXX"));
        const QString path = schemaOneHistory(dir.path()), copy = path + ".schema-1";
        const QByteArray before = contents(path);
        const QString everything = "SELECT * FROM tests ORDER BY number";
        const QStringList held = sqlValues(path, everything);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--bring-up", path});
        QVERIFY2(child.waitForReadyRead(30000), child.readAllStandardError().constData());
        QCOMPARE(child.readLine().trimmed(), "kill point");
        child.kill();
        QVERIFY(child.waitForFinished(10000));
        QVERIFY(QFile::exists(path + "-journal"));             // a transaction under way
        QVERIFY(runSql(path, {"SELECT count(*) FROM tests"})); // which another reader rolls back
        QCOMPARE(contents(path), before);
        // Beside it, schema 1 with every test as it was.
        const QByteArray copied = contents(copy);
        QCOMPARE(sqlValues(copy, everything), held);
        QCOMPARE(sqlValues(copy, "PRAGMA user_version"), QStringList{"1"});

        TestHistory history(path);
        QCOMPARE(history.open().reason(), QString());
        QCOMPARE(contents(copy), copied);
        QCOMPARE(valueOf(history.count()), 2);
        const TestRecord first = valueOf(history.test(1)).record;
        QCOMPARE(first.beacon.vesselName, "second");
        QCOMPARE(first.beacon.testedBy, Awkward);
        QCOMPARE(valueOf(history.test(2)).record.beacon.manufacturer, Awkward);
        QCOMPARE(first.sheet, TestRecordSheet());
        QCOMPARE(valueOf(history.test(3)).number, 0);
        QCOMPARE(valueOf(history.add(sample(Hex, 2))), 4);
    }

    // The next SBM counts from a beacon's last maintenance recorded without an
    // SBM date (the first beacon's), none from one recorded with it.
    void dueAfterMaintenance()
    {
        QTemporaryDir dir(home.filePath("m-XXXXXX"));
        QList<TestRecord> tests;
        for (const auto &[day, hex] : {std::pair{"2021-06-02", Hex},
                                       {"2022-05-01", Hex},
                                       {"2021-06-03", OtherHex},
                                       {"2026-08-01", Hex},
                                       {"2026-08-02", OtherHex}}) {
            tests << sampleAt(at(qPrintable(day + QString("T09:00:00"))), hex);
            tests.last().sheet.kind =
                tests.size() < 4 ? TestKind::ShoreBasedMaintenance : TestKind::AnnualTest;
            tests.last().beacon.sbmDueDate = tests.last().beacon.hydrostaticReleaseExpiry = "";
        }
        tests[2].beacon.sbmDueDate = "2031-01";
        TestHistory history(makeHistory(dir.path(), tests));
        QVERIFY(history.open());
        const Result<QList<DueItem>> items = Listing::dueItems(history);
        QVERIFY2(items, qPrintable(items.reason()));
        QCOMPARE(items->value(0).due, QDate(2027, 5, 1));
        QCOMPARE(items->value(0).whatText(), "SBM");
        QCOMPARE(items->value(1).due, QDate(2027, 8, 2));
        QCOMPARE(items->value(1).whatText(), "Annual test");
    }

    // Deleted by another program, the newest test's number is not handed out again.
    void numberNeverTwice()
    {
        QTemporaryDir dir(home.filePath("x-XXXXXX"));
        const QString path = TestHistory::path(dir.path());
        QVERIFY(TestHistory(path).add(sample(Hex, 1)));
        QVERIFY(TestHistory(path).add(sample(Hex, 2)));
        QVERIFY(runSql(path, {"DELETE FROM tests WHERE number = 2"}));
        QCOMPARE(valueOf(TestHistory(path).add(sample(Hex, 3))), 3);
    }

    // A target this program never offered is refused as the register's reader refuses it.
    void unknownTarget()
    {
        QTemporaryDir dir(home.filePath("t-XXXXXX"));
        const QString path = TestHistory::path(dir.path());
        QVERIFY(TestHistory(path).add(sample()));
        QVERIFY(runSql(path, {"UPDATE tests SET target = '406.030 MHz'"}));
        TestHistory history(path);
        QVERIFY(history.open());
        QCOMPARE(history.test(1).reason(),
                 QDir::toNativeSeparators(path) +
                     ": test 1: \"406.030 MHz\" is not a target frequency of this program");
    }
};

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--write") == 0)
        return writeTests(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    if (argc == 3 && qstrcmp(argv[1], "--bring-up") == 0)
        return bringUp(QString::fromLocal8Bit(argv[2]));
    QGuiApplication app(argc, argv);
    tst_TestHistory test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_testhistory.moc"
