#ifndef TESTHISTORY_H
#define TESTHISTORY_H

#include "result.h"
#include "testrecord.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>

QT_BEGIN_NAMESPACE
class QSqlError;
class QSqlQuery;
QT_END_NAMESPACE

// The test history: every saved test in an SQLite database beside the
// reports. The CSV register is written for spreadsheets and read only to be
// imported. No window in here.
//
// A test is known by its identity: the moment of its measurement, to the
// second and with its offset from UTC, and its hex message. The history holds
// each test once; storing it again replaces its record under its number.
class TestHistory
{
public:
    static constexpr char FileName[] = "test-history.sqlite";
    // The schema this program writes; an earlier one is brought up to it, a
    // later one is left alone.
    static constexpr int SchemaVersion = 2;
    // Long enough for another program's transaction of one test, or an
    // import, to finish.
    static constexpr int BusyTimeoutMs = 10000;

    // folder/test-history.sqlite
    static QString path(const QString &folder);

    // Each history has its own connection, so that threads and programs may
    // hold one each. busyTimeoutMs: how long a statement waits for another
    // program's lock before it gives up with "database is locked".
    explicit TestHistory(const QString &path, int busyTimeoutMs = BusyTimeoutMs);
    ~TestHistory();
    TestHistory(const TestHistory &) = delete;
    TestHistory &operator=(const TestHistory &) = delete;

    // Opens a history that is there, bringing an earlier schema up to this
    // program's. None there yet (no file, an empty one, an SQLite file without
    // tables) is a failure that leaves the file as it is; so is a database of
    // another program, or of a later version of this one.
    Done open();

    // What a new history is first filled with, in the transaction that makes
    // it. Its failure undoes the history too.
    using Seed = std::function<Done(TestHistory &)>;
    // As open(), but a history that is not there yet is made, and seed fills
    // it in the same transaction: an interrupted start leaves no history, and
    // the next one begins again. Another program making it at the same moment
    // is waited for, and its history taken as it is.
    Done openOrMake(const Seed &seed = {});
    // Whether openOrMake made the history (an earlier schema that never held
    // a test counts as not made yet).
    bool wasMade() const { return m_made; }
    bool isOpen() const;
    QString filePath() const;
    QSqlDatabase database() const;

    // Stores the test in one durable transaction: a new number, or the number
    // of the same test stored before, whose record it then replaces.
    Result<qint64> add(const TestRecord &record);
    // The test of that number; none when there is no such test.
    Result<std::optional<StoredTest>> test(qint64 number) const;
    // The beacon's latest test (the later number wins a tie), or its latest
    // on day; none when there is none.
    Result<std::optional<StoredTest>> latest(const QString &beaconId, const QDate &day = {}) const;
    // Every test made on day, by the bench's own calendar.
    Result<QList<StoredTest>> testsOn(const QDate &day) const;
    Result<int> count() const;

    // Hands every test to visit, one at a time, without keeping them: oldest
    // or newest number first. visit returns false to stop. Listed reads only
    // what a test's listing row shows (the number, time, beacon ID, target,
    // frequency, status verdict, vessel, manufacturer, model, serial number,
    // the two expiry dates, the kind of test and its result), Due what falls
    // due reads (the number, time, beacon ID, vessel, manufacturer, model,
    // serial number and the three dates): a long history reads far faster.
    enum class Order { OldestFirst, NewestFirst };
    enum class Part { Whole, Listed, Due };
    using Visitor = std::function<bool(const StoredTest &)>;
    Done forEach(Order order, Part part, const Visitor &visit) const;
    // The same for each beacon's latest test only, oldest number first.
    Done forEachLatest(Part part, const Visitor &visit) const;
    // Each beacon's latest shore-based maintenance, by its beacon ID: its day
    // by the bench's own calendar, and the SBM due date typed then.
    struct Maintenance
    {
        QDate day;
        QString sbmDueDate;
    };
    Result<QHash<QString, Maintenance>> latestMaintenances() const;

    // What became of a test handed to an import.
    enum class Took {
        New,      // a test of its own, numbered
        Already,  // the history held it before the import, and keeps its record
        Repeated, // an earlier line's test: corrected where this import brought it
        Refused,  // the history took nothing more
    };
    using Add = std::function<Took(const TestRecord &)>;
    // Adds the tests that produce hands to add, in one transaction: all of
    // them, or none when produce fails or the history refuses one (then why).
    Done addAll(const std::function<Done(const Add &add)> &produce);

private:
    enum class State { Empty, Current, Earlier, Foreign, Later };
    Done openAs(bool make, const Seed &seed);
    Result<State> look() const;
    Done makeOrBringUp(bool make, const Seed &seed, int attempt = 0);
    Done bringUp(bool &neverUsed);
    Result<bool> everUsed() const;
    // The file copied beside it as it stands, named after its schema; the
    // copy's path, or empty where one was there already.
    Result<QString> keepCopy() const;
    // Changes when another connection has written to the file.
    Result<qint64> dataVersion() const;
    Failure failed(const QString &why) const;
    Failure failedWith(const QSqlError &error) const;
    Failure unreadable(const QSqlQuery &q, const QString &why) const;
    Result<std::optional<StoredTest>> firstOf(QSqlQuery &q) const;
    Done visitAll(QSqlQuery &q, Part part, const Visitor &visit) const;
    Done begin();
    Done commit();
    void rollBack();

    QString m_path;
    QString m_connection;
    int m_busyTimeoutMs;
    bool m_made = false;
    // Transactions begun and not ended; the inner ones are savepoints.
    int m_depth = 0;
};

#endif // TESTHISTORY_H
