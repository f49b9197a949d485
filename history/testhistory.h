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

    // Adds the tests that produce hands to add, in one transaction: all of
    // them, or none when produce returns false or one cannot be added (then
    // errorString says why, unless produce stopped of its own accord). add
    // returns false once the database has refused a test.
    using Add = std::function<bool(const TestRecord &)>;
    bool addAll(const std::function<bool(const Add &add)> &produce);

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

#endif // TESTHISTORY_H
