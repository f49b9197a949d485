#include "duedates.h"
#include "historyatstart.h"
#include "reportcheck.h"
#include "reprintinto.h"
#include "testhistory.h"
#include "testregister.h"

#include <QLoggingCategory>
#include <QSqlQuery>
#include <QTest>

using namespace ReportCheck;

namespace {

// Beacon IDs 27843C4802FFBFF and A79D23456789ABC.
const char Hex[] = "FFFE2F93C21E24012D814A62ECF7B1412A02";
const char OtherHex[] = "FFFE2F53CE91A2B3C4D5E3A1AF80";

TestRecord sample(const QDateTime &time, const QString &hex = Hex)
{
    TestRecord r;
    r.time = time;
    r.beacon = {"MS Fjordlys", "ACME", "EB-5", "42", "FB-2", "B-778", "", "", "", "Nord", "Kari"};
    r.targetIndex = 1;
    r.hexMessage = hex;
    r.frequency = "406.0279";
    return r;
}

QDateTime at(const char *iso)
{
    return QDateTime::fromString(QString(iso) + "+01:00", Qt::ISODate);
}

// The child's side of the process tests: adds tests until count, printing
// each number once add() has returned it.
int writeTests(const QString &path, int count)
{
    QLoggingCategory::setFilterRules("vestra.*.debug=false");
    TestHistory history(path);
    for (int i = 0; i < count; ++i) {
        const std::optional<qint64> number = history.add(sample(at("2026-03-01T14:05:09")));
        if (!number)
            return std::fprintf(stderr, "%s\n", qPrintable(history.errorString())), 1;
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

    void dateForms_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("date");
        const QDate none;
        // clang-format off
        const struct { const char *typed; QDate date; } rows[] = {
            {"2025-05-17", {2025, 5, 17}}, {"2025-05", {2025, 5, 31}}, {"02/2024", {2024, 2, 29}},
            {"02.2025", {2025, 2, 28}}, {"17.05.2025", {2025, 5, 17}}, {" 2025-11 ", {2025, 11, 30}},
            {"2025-13", none}, {"31.02.2025", none}, {"5/2025", none}, {"2025/05", none},
            {"May 2025", none}, {"", none}, {"2025-05-17x", none},
        };
        // clang-format on
        for (const auto &r : rows)
            QTest::newRow(*r.typed ? r.typed : "empty") << QString(r.typed) << r.date;
    }
    void dateForms()
    {
        QFETCH(QString, typed);
        QFETCH(QDate, date);
        QCOMPARE(dueDate(typed), date);
    }

    void dueRules_data()
    {
        QTest::addColumn<QStringList>("dates"); // last test, battery, hydrostatic, SBM
        QTest::addColumn<QDate>("due");
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("standsOut"); // on 2026-05-01, 60 days ahead
        // clang-format off
        const struct { const char *tag; QStringList dates; QDate due; const char *what; bool out; } rows[] = {
            {"annual test 12 months on", {"2025-06-15", "2030-01", "", ""}, {2026, 6, 15}, "Annual test", true},
            {"battery first, month's end", {"2026-01-10", "2026-08", "2027-03", ""}, {2026, 8, 31}, "Battery", false},
            {"hydrostatic release, dotted", {"2026-01-10", "", "15.03.2026", "2030-01"}, {2026, 3, 15}, "Hydrostatic release", true},
            {"SBM", {"2026-01-10", "", "", "09/2026"}, {2026, 9, 30}, "SBM", false},
            {"untyped form judged by nobody", {"2026-04-01", "soon", "n/a", ""}, {2027, 4, 1}, "Annual test", false},
            {"tie: annual test first", {"2026-01-10", "2027-01-10", "", ""}, {2027, 1, 10}, "Annual test", false},
            {"horizon's last day", {"2025-06-30", "", "", ""}, {2026, 6, 30}, "Annual test", true},
            {"day after the horizon", {"2025-07-01", "", "", ""}, {2026, 7, 1}, "Annual test", false},
        };
        // clang-format on
        for (const auto &r : rows)
            QTest::newRow(r.tag) << r.dates << r.due << r.what << r.out;
    }
    void dueRules()
    {
        QFETCH(QStringList, dates);
        QFETCH(QDate, due);
        QFETCH(QString, what);
        QFETCH(bool, standsOut);
        StoredTest test{
            1, sample(QDateTime(QDate::fromString(dates[0], Qt::ISODate), QTime(9, 0))), {}};
        test.record.beacon.batteryExpiry = dates[1];
        test.record.beacon.hydrostaticReleaseExpiry = dates[2];
        test.record.beacon.sbmDueDate = dates[3];
        const DueItem item = dueItem(test);
        QCOMPARE(item.due, due);
        QCOMPARE(item.whatText(), what);
        QCOMPARE(::standsOut(item.due, QDate(2026, 5, 1), DueHorizonDays), standsOut);
    }

    void expiryWarnings_data()
    {
        QTest::addColumn<QString>("battery");
        QTest::addColumn<QString>("hydrostatic");
        QTest::addColumn<QStringList>("lines"); // on 2025-05-31
        QTest::newRow("passed") << "2025-04"
                                << "" << QStringList{"Battery expiry 2025-04 has passed"};
        QTest::newRow("its month's last day")
            << "2025-05"
            << "" << QStringList{"Battery expiry 2025-05 falls before the next annual test"};
        QTest::newRow("at the next test") << "31.05.2026"
                                          << "" << QStringList();
        QTest::newRow("both") << "2026-05-30"
                              << "04/2025"
                              << QStringList{
                                     "Battery expiry 2026-05-30 falls before the next annual test",
                                     "Hydrostatic release expiry 04/2025 has passed"};
        QTest::newRow("untyped") << "soon"
                                 << "" << QStringList();
    }
    void expiryWarnings()
    {
        QFETCH(QString, battery);
        QFETCH(QString, hydrostatic);
        QFETCH(QStringList, lines);
        BeaconFields form;
        form.batteryExpiry = battery;
        form.hydrostaticReleaseExpiry = hydrostatic;
        QCOMPARE(::expiryWarnings(form, QDate(2025, 5, 31)), lines);
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
        QCOMPARE(history.count(), 80);
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
        for (const QByteArray &number : said.left(said.lastIndexOf('\n')).split('\n'))
            QVERIFY2(history.test(number.toLongLong()), number.constData());
    }

    void foreignDatabaseLeftAlone_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("error");
        QTest::newRow("later schema") << "PRAGMA user_version = 2"
                                      << "written by a later version";
        QTest::newRow("another program's") << "CREATE TABLE t (x)"
                                           << "not a test history";
    }
    void foreignDatabaseLeftAlone()
    {
        QFETCH(QString, statement);
        QFETCH(QString, error);
        QTemporaryDir dir(home.filePath("s-XXXXXX"));
        const QString path = dir.filePath("other.sqlite");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(statement));
            db.close();
        }
        QSqlDatabase::removeDatabase("other");
        const QByteArray before = contents(path);
        TestHistory history(path);
        QVERIFY(!history.open());
        QVERIFY2(history.errorString().contains(error), qPrintable(history.errorString()));
        QVERIFY(!history.add(sample(at("2026-03-02T08:00:00"))));
        QCOMPARE(contents(path), before);
    }

    // The register is imported once, when the history is new.
    void importAtStart()
    {
        QTemporaryDir dir(home.filePath("a-XXXXXX"));
        QCOMPARE(TestRegister::append(dir.path(), sample(at("2026-03-01T08:00:00"))), QString());
        QFile csv(TestRegister::path(dir.path()));
        QVERIFY(csv.open(QIODevice::Append));
        csv.write("damaged\r\n");
        csv.close();
        QCOMPARE(openHistoryAtStart(dir.path()),
                 QStringList({"Test register imported into the test history: 1 test, 1 damaged "
                              "line skipped",
                              "Skipped: " + QDir::toNativeSeparators(csv.fileName()) +
                                  ", line 3: 1 field, where a test "
                                  "has 25"}));
        QCOMPARE(openHistoryAtStart(dir.path()), QStringList());
        TestHistory history(TestHistory::path(dir.path()));
        QVERIFY(history.open());
        QCOMPARE(history.count(), 1);
    }

    void reprintNames_data()
    {
        QTest::addColumn<QString>("manufacturer");
        QTest::addColumn<int>("testsThatDay");
        QTest::addColumn<QString>("name");
        QTest::newRow("one that day") << "ACME" << 1 << "ACME EB-5 42 2026-03-01.pdf";
        QTest::newRow("two that day") << "ACME" << 2 << "ACME EB-5 42 2026-03-01 14.05.09.pdf";
        QTest::newRow("blanks, control characters")
            << " \tAC\nME" << 1 << "ACME EB-5 42 2026-03-01.pdf";
    }
    void reprintNames()
    {
        QFETCH(QString, manufacturer);
        QFETCH(int, testsThatDay);
        QFETCH(QString, name);
        QTemporaryDir dir(home.filePath("r-XXXXXX"));
        TestHistory history(TestHistory::path(dir.path()));
        TestRecord record = sample(at("2026-03-01T14:05:09"));
        record.beacon.manufacturer = manufacturer;
        QVERIFY(history.add(record));
        if (testsThatDay == 2)
            QVERIFY(history.add(sample(at("2026-03-01T09:00:00"))));
        QVERIFY(history.add(sample(at("2026-03-02T09:00:00")))); // another day counts not
        const Result<QString> written = reprintInto(history, 1, dir.filePath("Reprints"), false);
        QCOMPARE(written.reason(), QString());
        QCOMPARE(*written, QDir::toNativeSeparators(dir.filePath("Reprints/" + name)));
        QVERIFY(contents(*written).startsWith("%PDF"));
    }

    void writeFailures_data()
    {
        QTest::addColumn<QString>("file"); // in a read-only folder "ro"
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing folder") << "gone/r.pdf"
                                        << "the folder %1/gone does not exist";
        QTest::newRow("a folder") << "ro"
                                  << "it is a folder";
        QTest::newRow("read-only folder") << "ro/r.pdf"
                                          << "the folder %1/ro is read-only";
        QTest::newRow("name too long") << QString(256, 'n') << "the file name is too long";
        QTest::newRow("writable") << "r.pdf"
                                  << "fallback";
    }
    void writeFailures()
    {
        QFETCH(QString, file);
        QFETCH(QString, reason);
#ifdef Q_OS_WIN
        if (file.startsWith("ro/"))
            QSKIP("read-only folders are made with POSIX calls");
#endif
        QTemporaryDir dir(home.filePath("w-XXXXXX"));
        QVERIFY(QDir(dir.path()).mkdir("ro"));
        QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(writeFailureReason(dir.filePath(file), "fallback"),
                 QDir::toNativeSeparators(reason.replace("%1", dir.path())));
        QFile::setPermissions(dir.filePath("ro"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
