#include "historyatstart.h"
#include "reportcheck.h"
#include "testregister.h"

#include <QLoggingCategory>
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
    QFile file(TestRegister::path(folder));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int tests(const QString &folder)
{
    TestHistory history(TestHistory::path(folder));
    const Result<int> count = history.open() ? history.count() : Result<int>(failure("closed"));
    return count ? *count : -1;
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

// The start that makes the history and imports the register beside it, in
// one step: never half done, never done twice.
class tst_HistoryAtStart : public QObject
{
    Q_OBJECT

    QTemporaryDir home;

private slots:
    void initTestCase()
    {
        useHome(home);
        QLoggingCategory::setFilterRules("vestra.*.debug=false");
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
        QCOMPARE(child->readLine(), "importing\n");
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
    tst_HistoryAtStart test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_historyatstart.moc"
