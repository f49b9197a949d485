#ifndef REPORTCHECK_H
#define REPORTCHECK_H

#include "result.h"
#include "testhistory.h"
#include "testrecord.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTimeZone>

#include <functional>
#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

// Reports read back with poppler, registers read back as CSV, a home of their
// own, tests to store and a history held by another program.
namespace ReportCheck {

// A valid long standard-location message, beacon ID 27843C4802FFBFF, and a
// valid short user message of another beacon, ID A79D23456789ABC.
inline const char Hex[] = "FFFE2F93C21E24012D814A62ECF7B1412A02";
inline const char OtherHex[] = "FFFE2F53CE91A2B3C4D5E3A1AF80";

// A test of the message, its report made on day 2026-03-DD at 14:05:09 +01:00.
// clang-format off
inline TestRecord sample(const QString &hex = Hex, int day = 1)
{
    return {QDateTime(QDate(2026, 3, day), QTime(14, 5, 9), QTimeZone(3600)),
            {"MS Fjordlys", "ACME", "EB-5", "7/7", "FB-2", "B-778", "2029-03", "2026-11", "2027-01",
             "Nord Safe", "Kari Holm"},
            1, hex, "406.0279", "35", "06-27", "LoBat", "12345-67890", "    Replace VESTRA battery",
            "4.0.4", QDateTime()};
}
// clang-format on

// What a history handed back, or nothing (0, -1, a test numbered 0) where it
// failed or found none: a check then fails on the value instead of crashing.
inline qint64 valueOf(const Result<qint64> &result)
{
    return result ? *result : 0;
}
inline int valueOf(const Result<int> &result)
{
    return result ? *result : -1;
}
inline StoredTest valueOf(const Result<std::optional<StoredTest>> &result)
{
    return result && *result ? **result : StoredTest();
}

// A history in folder holding records, numbered 1, 2, ... in their order;
// its path, or why not.
inline QString makeHistory(const QString &folder, const QList<TestRecord> &records)
{
    TestHistory history(TestHistory::path(folder));
    for (const TestRecord &record : records) {
        if (const Result<qint64> added = history.add(record); !added)
            return added.reason();
    }
    return history.filePath();
}

// Runs statements on the database at path through a connection of its own,
// as another program would.
inline bool runSql(const QString &path, const QStringList &statements)
{
    bool done = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
        db.setDatabaseName(path);
        done = db.open();
        for (const QString &statement : statements)
            done = done && QSqlQuery(db).exec(statement);
        db.close();
    }
    QSqlDatabase::removeDatabase("other");
    return done;
}

// Every value of every row a query reads from the database at path, as
// another program reads it; none when it cannot.
inline QStringList sqlValues(const QString &path, const QString &query)
{
    QStringList values;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "values");
        db.setDatabaseName(path);
        QSqlQuery q(db);
        for (db.open(), q.exec(query); q.next();) {
            for (int c = 0; c < q.record().count(); ++c)
                values << q.value(c).toString();
        }
    }
    QSqlDatabase::removeDatabase("values");
    return values;
}

// Turns a history into one of schema 1, as the first version made it: no
// identity, no test record.
inline const QStringList SchemaOne = [] {
    const QString texts = "vessel, manufacturer, model, serial, bracket_type, bracket_serial, "
                          "battery_expiry, hydrostatic_expiry, sbm_due, company, tested_by, "
                          "hex_message, frequency, rf_level, calibration_due, status_reading, "
                          "instrument_serial, status_verdict, program_version";
    return QStringList{
        "ALTER TABLE tests RENAME TO later",
        "CREATE TABLE tests (number INTEGER PRIMARY KEY AUTOINCREMENT, time TEXT "
        "NOT NULL, utc INTEGER NOT NULL, utc_offset INTEGER NOT NULL, beacon_id "
        "TEXT NOT NULL, target TEXT NOT NULL, " +
            QString(texts).replace(",", " TEXT NOT NULL,") + " TEXT NOT NULL)",
        "INSERT INTO tests SELECT number, time, utc, utc_offset, beacon_id, target, " + texts +
            " FROM later",
        "DROP TABLE later",
        "CREATE INDEX tests_by_beacon ON tests (beacon_id, utc, number)",
        "PRAGMA user_version = 1"};
}();

// Holds the history at path as another program's open transaction does
// (an SQLite browser with an edit not yet saved), while it lives.
struct HistoryHold
{
    explicit HistoryHold(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "hold");
        db.setDatabaseName(path);
        held = db.open() && QSqlQuery(db).exec("BEGIN EXCLUSIVE");
    }
    ~HistoryHold()
    {
        QSqlDatabase::database("hold").close();
        QSqlDatabase::removeDatabase("hold");
    }
    bool held = false;
};

// Points HOME at dir with an empty Documents folder in it; run as root, goes on
// as an ordinary user, for whom a read-only file is read-only. Windows finds
// Documents without HOME, and has no users to switch to.
inline void useHome(const QTemporaryDir &dir)
{
#ifndef Q_OS_WIN
    qputenv("HOME", dir.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    const uid_t nobody = 65534;
    if (geteuid() == 0 && (chown(QFile::encodeName(dir.path()), nobody, nobody) != 0 ||
                           setresgid(nobody, nobody, 0) != 0 || setresuid(nobody, nobody, 0) != 0))
        qFatal("Cannot go on as an ordinary user");
#endif
    QDir(dir.path()).mkdir("Documents");
}

// Runs one of poppler's tools, program first, and returns what it printed.
inline QString poppler(const QStringList &command)
{
    QProcess process;
    process.start(command.first(), command.mid(1));
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// RFC 4180 rows, read independently of the writer; none for a line not ended by CR LF.
inline QList<QStringList> readCsv(const QByteArray &bytes)
{
    static const QRegularExpression field(R"re((?:"((?:[^"]|"")*)"|([^",\r\n]*))(,|\r\n))re");
    const QString text = QString::fromUtf8(bytes);
    QList<QStringList> rows{{}};
    for (qsizetype at = 0; at < text.size();) {
        const auto m = field.match(text, at, QRegularExpression::NormalMatch,
                                   QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch())
            return {};
        rows.last() << m.captured(1).replace("\"\"", "\"") + m.captured(2);
        if (m.captured(3) == "\r\n")
            rows.append(QStringList());
        at = m.capturedEnd();
    }
    rows.removeLast();
    return rows;
}

inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// path, or none when bytes could not be written there.
inline QString write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

// Runs f with every file capped at bytes (-1: no cap), as on a full disk.
inline void onFullDisk(qint64 bytes, const std::function<void()> &f)
{
#ifdef Q_OS_WIN
    if (bytes >= 0)
        qFatal("No file-size cap on Windows: a full disk cannot be made here");
    f();
#else
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t previous = std::exchange(limit.rlim_cur, rlim_t(bytes));
    setrlimit(RLIMIT_FSIZE, &limit);
    f();
    limit.rlim_cur = previous;
    setrlimit(RLIMIT_FSIZE, &limit);
#endif
}

} // namespace ReportCheck

#endif // REPORTCHECK_H
