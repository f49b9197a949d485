#ifndef TESTHISTORY_H
#define TESTHISTORY_H

#include "testrecord.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// A test as the history holds it. The number is the database's own, handed
// out once and never again, so that "test 17" stays test 17 for good.
struct StoredTest
{
    qint64 number = 0;
    TestRecord record;
    // The index's key, as worked out from the message when the test was
    // stored; lists read it instead of decoding every message again.
    QString beaconId;
};

// The test history: every saved test in an SQLite database beside the
// reports. The CSV register is written for spreadsheets and read only to be
// imported. No window in here.
class TestHistory
{
public:
    static constexpr char FileName[] = "test-history.sqlite";
    // The schema this program writes; a later one is left alone.
    static constexpr int SchemaVersion = 1;

    // folder/test-history.sqlite
    static QString path(const QString &folder);

    // Each history has its own connection, so that the window and a reprint
    // may hold one each without stepping on each other.
    explicit TestHistory(const QString &path);
    ~TestHistory();
    TestHistory(const TestHistory &) = delete;
    TestHistory &operator=(const TestHistory &) = delete;

    // Opens the database, creating it and its schema when new. A database of
    // a later schema version is refused and never altered.
    bool open();
    bool isOpen() const;
    // True when open() made the database (it did not exist before).
    bool isNew() const { return m_new; }
    // Why the last open/add/read failed, naming the path.
    QString errorString() const;
    QString filePath() const;
    QSqlDatabase database() const;

    // Stores the test in one durable transaction; its number, or none (then
    // errorString says why and the history is as it was).
    std::optional<qint64> add(const TestRecord &record);
    std::optional<StoredTest> test(qint64 number) const;
    // The beacon's latest test (the later number wins a tie), or its latest
    // on day. beaconId in either case.
    std::optional<StoredTest> latest(const QString &beaconId, const QDate &day = {}) const;
    // How many of the beacon's tests were made on day.
    int testsOnDay(const QString &beaconId, const QDate &day) const;
    int count() const;

    // Hands every test to visit, one at a time, without keeping them: oldest
    // or newest number first. visit returns false to stop. False when the
    // history cannot be read; errorString says why. Listed reads only what a
    // listing row and what falls due show (the number, time, beacon ID,
    // target, frequency, status verdict, vessel, manufacturer, model, serial
    // number and the three dates), which a long history reads far faster.
    enum class Order { OldestFirst, NewestFirst };
    enum class Part { Whole, Listed };
    using Visitor = std::function<bool(const StoredTest &)>;
    bool forEach(Order order, Part part, const Visitor &visit) const;
    // The same for each beacon's latest test only, oldest number first.
    bool forEachLatest(Part part, const Visitor &visit) const;

    // Imports the CSV register at csvPath in one transaction: lines that hold
    // a test become tests, damaged ones are skipped and named in skipped
    // (file, line, what is wrong). False, and nothing imported, when the file
    // cannot be read or the database not written.
    struct Import
    {
        int imported = 0;
        QStringList skipped;
        QString error;
        // The status-log lines that tell it.
        QStringList statusLines() const;
    };
    Import importRegister(const QString &csvPath);

    // Writes a fresh register of every test, oldest first, to csvPath. Empty
    // when done, otherwise why not.
    QString exportRegister(const QString &csvPath) const;

private:
    bool fail(const QString &what) const;
    // The whole test a prepared query finds first, or none; errorString says
    // why when the query could not run.
    std::optional<StoredTest> firstOf(QSqlQuery &query) const;
    bool createSchema();

    QString m_path;
    QString m_connection;
    bool m_new = false;
    mutable QString m_error;
};

// At program start: opens the history in the report folder and, when it is
// new and test-register.csv is there, imports the register once. The
// status-log lines to show: how many imported and skipped, each skipped line
// named; or why the history cannot be opened. Empty when there is nothing to
// say.
QStringList openHistoryAtStart(const QString &folder);

#endif // TESTHISTORY_H
