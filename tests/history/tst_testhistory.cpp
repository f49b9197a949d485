#include "reportcheck.h"
#include "testhistory.h"

#include <QLoggingCategory>
#include <QTest>

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

    // Schema 1's tests stored twice in one second (a double-click, a register
    // imported twice) become one, under the first number, with the latest record.
    void schemaOneBroughtUp()
    {
        QTemporaryDir dir(home.filePath("u-XXXXXX"));
        const QString path = TestHistory::path(dir.path());
        QVERIFY(TestHistory(path).add(sample()));
        QVERIFY(TestHistory(path).add(sample(OtherHex)));
        QVERIFY(runSql(
            path, SchemaOne +
                      QStringList{"CREATE TABLE c AS SELECT * FROM tests WHERE number = 1",
                                  "UPDATE c SET number = NULL, utc = utc + 900, vessel = 'second'",
                                  "INSERT INTO tests SELECT * FROM c", "DROP TABLE c"}));
        TestHistory history(path);
        QCOMPARE(history.open().reason(), QString());
        QCOMPARE(valueOf(history.count()), 2);
        QCOMPARE(valueOf(history.test(1)).record.beacon.vesselName, "second");
        QCOMPARE(valueOf(history.test(3)).number, 0);
        QCOMPARE(valueOf(history.add(sample(Hex, 2))), 4);
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
    QGuiApplication app(argc, argv);
    tst_TestHistory test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_testhistory.moc"
