#include "testhistory.h"

#include "isotime.h"
#include "verdicts.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const char Driver[] = "QSQLITE";

// Long enough for another instance's transaction of one test, or an import,
// to finish; a technician waits no longer than this for "Make Report".
const char BusyTimeout[] = "QSQLITE_BUSY_TIMEOUT=10000";

// Every typed or measured text of a test once: its column, where it goes in
// the record, and whether a listing row or what falls due shows it. Writing
// and every reading go through this table and recordFrom(), so the history
// is read by one rule; a listing takes only the columns it shows.
const struct Field
{
    const char *column;
    QString TestRecord::*record;
    QString BeaconFields::*beacon;
    bool listed;
} Fields[] = {
    {"vessel", nullptr, &BeaconFields::vesselName, true},
    {"manufacturer", nullptr, &BeaconFields::manufacturer, true},
    {"model", nullptr, &BeaconFields::model, true},
    {"serial", nullptr, &BeaconFields::beaconSerialNo, true},
    {"bracket_type", nullptr, &BeaconFields::bracketType, false},
    {"bracket_serial", nullptr, &BeaconFields::bracketSerialNo, false},
    {"battery_expiry", nullptr, &BeaconFields::batteryExpiry, true},
    {"hydrostatic_expiry", nullptr, &BeaconFields::hydrostaticReleaseExpiry, true},
    {"sbm_due", nullptr, &BeaconFields::sbmDueDate, true},
    {"company", nullptr, &BeaconFields::companyName, false},
    {"tested_by", nullptr, &BeaconFields::testedBy, false},
    {"hex_message", &TestRecord::hexMessage, nullptr, false},
    {"frequency", &TestRecord::frequency, nullptr, true},
    {"rf_level", &TestRecord::rfLevel, nullptr, false},
    {"calibration_due", &TestRecord::calibrationDue, nullptr, false},
    {"status_reading", &TestRecord::statusReading, nullptr, false},
    {"instrument_serial", &TestRecord::instrumentSerialNo, nullptr, false},
    {"status_verdict", &TestRecord::statusVerdict, nullptr, true},
    {"program_version", &TestRecord::programVersion, nullptr, false},
};

QString &fieldOf(TestRecord &r, const Field &f)
{
    return f.record ? r.*f.record : r.beacon.*f.beacon;
}

const QString &fieldOf(const TestRecord &r, const Field &f)
{
    return f.record ? r.*f.record : r.beacon.*f.beacon;
}

// Read before the fields, in this order, by every query. The moment is kept
// as UTC milliseconds and the bench's offset, which read back far faster
// than the ISO text; the text stays for whoever opens the database by hand.
const char KeyColumns[] = "number, utc, utc_offset, beacon_id, target";
constexpr int KeyColumnCount = 5;

QString columns(TestHistory::Part part)
{
    QString list = QLatin1String(KeyColumns);
    for (const Field &f : Fields) {
        if (part == TestHistory::Part::Whole || f.listed)
            list += QStringLiteral(", ") + QLatin1String(f.column);
    }
    return list;
}

// number is AUTOINCREMENT so that a number is never handed out twice, even
// after the last test was deleted by hand. UTF-16 text, as Qt reads it, so
// that no row is converted on the way out.
QStringList schema()
{
    QString table = QStringLiteral("CREATE TABLE IF NOT EXISTS tests (number INTEGER PRIMARY KEY "
                                   "AUTOINCREMENT, time TEXT NOT NULL, utc INTEGER NOT NULL, "
                                   "utc_offset INTEGER NOT NULL, beacon_id TEXT NOT NULL, target "
                                   "TEXT NOT NULL");
    for (const Field &f : Fields)
        table += QStringLiteral(", %1 TEXT NOT NULL").arg(QLatin1String(f.column));
    return {table + u')',
            // A beacon's tests by the index, latest last.
            QStringLiteral("CREATE INDEX IF NOT EXISTS tests_by_beacon ON tests (beacon_id, utc, "
                           "number)")};
}

QString insertStatement()
{
    QString names = QStringLiteral("time, utc, utc_offset, beacon_id, target");
    QString marks = QStringLiteral("?, ?, ?, ?, ?");
    for (const Field &f : Fields) {
        names += QStringLiteral(", ") + QLatin1String(f.column);
        marks += QStringLiteral(", ?");
    }
    return QStringLiteral("INSERT INTO tests (%1) VALUES (%2)").arg(names, marks);
}

// SQLite's own words, such as "database is locked"; Qt's words only without.
QString why(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

QString connectionName()
{
    static QAtomicInteger<quint64> next;
    return QStringLiteral("vestra-history-%1").arg(next.fetchAndAddRelaxed(1));
}

// An empty field is an empty text, never NULL, whatever the record holds.
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

// The target's index by its name; a history holds few names, most of them
// in long runs, so the last one is kept.
struct TargetLookUp
{
    QString name;
    int index = 0;

    int operator()(const QString &text)
    {
        if (text != name) {
            name = text;
            index = qMax(0, Verdicts::targetIndex(text));
        }
        return index;
    }
};

StoredTest recordFrom(const QSqlQuery &q, TestHistory::Part part, TargetLookUp &target)
{
    StoredTest stored;
    stored.number = q.value(0).toLongLong();
    TestRecord &r = stored.record;
    r.time = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong(), Qt::OffsetFromUTC,
                                            q.value(2).toInt());
    stored.beaconId = q.value(3).toString();
    r.targetIndex = target(q.value(4).toString());
    int column = KeyColumnCount;
    for (const Field &f : Fields) {
        if (part == TestHistory::Part::Whole || f.listed)
            fieldOf(r, f) = q.value(column++).toString();
    }
    return stored;
}

} // namespace

QString TestHistory::path(const QString &folder)
{
    return folder + u'/' + QLatin1String(FileName);
}

TestHistory::TestHistory(const QString &path) : m_path(path), m_connection(connectionName()) {}

TestHistory::~TestHistory()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool TestHistory::fail(const QString &what) const
{
    m_error = QDir::toNativeSeparators(m_path) + QStringLiteral(": ") + what;
    return false;
}

QString TestHistory::errorString() const
{
    return m_error;
}

QString TestHistory::filePath() const
{
    return m_path;
}

QSqlDatabase TestHistory::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

bool TestHistory::isOpen() const
{
    return database().isOpen();
}

bool TestHistory::open()
{
    if (isOpen())
        return true;
    m_error.clear();
    if (!QSqlDatabase::isDriverAvailable(QLatin1String(Driver)))
        return fail(QStringLiteral("Qt's SQLite driver is not installed"));
    const QFileInfo info(m_path);
    if (info.isDir())
        return fail(QStringLiteral("a folder, not a database"));
    if (!info.dir().exists())
        return fail(QStringLiteral("its folder does not exist"));
    m_new = !info.exists();

    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QLatin1String(Driver), m_connection);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QLatin1String(BusyTimeout));
    if (!db.open())
        return fail(why(db.lastError()));
    QSqlQuery q(db);
    // The first read shows whether the file is a database at all.
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
        const QString reason = why(q.lastError());
        db.close();
        return fail(reason.isEmpty() ? QStringLiteral("not a database") : reason);
    }
    const int version = q.value(0).toInt();
    q.finish();
    if (version > SchemaVersion) {
        db.close();
        return fail(QStringLiteral("written by a later version of this program (schema %1, this "
                                   "program knows %2); left as it is")
                        .arg(version)
                        .arg(SchemaVersion));
    }
    // The text encoding can only be chosen before the first table.
    if (version == 0)
        q.exec(QStringLiteral("PRAGMA encoding = 'UTF-16le'"));
    // Each test on the disk before the report counts as saved.
    if (!q.exec(QStringLiteral("PRAGMA synchronous = FULL")) || (version == 0 && !createSchema())) {
        const QString reason = m_error.isEmpty() ? why(q.lastError()) : m_error;
        db.close();
        m_error = reason;
        return false;
    }
    m_error.clear();
    return true;
}

bool TestHistory::createSchema()
{
    QSqlQuery q(database());
    // Another instance may be making the schema at this moment: the write lock
    // first, then a second look.
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(why(q.lastError()));
    bool done = q.exec(QStringLiteral("PRAGMA user_version")) && q.next();
    const int version = done ? q.value(0).toInt() : 0;
    q.finish();
    // A database of something else is no history to add a table to.
    if (done && version == 0 && q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) &&
        q.next() && q.value(0).toInt() > 0) {
        q.finish();
        q.exec(QStringLiteral("ROLLBACK"));
        return fail(QStringLiteral("a database, but not a test history of this program"));
    }
    q.finish();
    for (const QString &statement : schema()) {
        if (done && version == 0)
            done = q.exec(statement);
    }
    if (done && version == 0)
        done = q.exec(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion));
    if (done && q.exec(QStringLiteral("COMMIT")))
        return true;
    const QString reason = why(q.lastError());
    q.exec(QStringLiteral("ROLLBACK"));
    return fail(reason);
}

namespace {

bool insert(QSqlQuery &q, const TestRecord &r)
{
    q.bindValue(0, isoTime(r.time));
    q.bindValue(1, r.time.toMSecsSinceEpoch());
    q.bindValue(2, r.time.offsetFromUtc());
    q.bindValue(3, text(r.beaconId()));
    q.bindValue(4, text(r.targetFrequencyText()));
    int column = KeyColumnCount;
    for (const Field &f : Fields)
        q.bindValue(column++, text(fieldOf(r, f)));
    return q.exec();
}

} // namespace

std::optional<qint64> TestHistory::add(const TestRecord &record)
{
    if (!open())
        return std::nullopt;
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        fail(why(q.lastError()));
        return std::nullopt;
    }
    q.prepare(insertStatement());
    if (!insert(q, record)) {
        fail(why(q.lastError()));
        q.exec(QStringLiteral("ROLLBACK"));
        return std::nullopt;
    }
    const qint64 number = q.lastInsertId().toLongLong();
    if (!q.exec(QStringLiteral("COMMIT"))) {
        fail(why(q.lastError()));
        q.exec(QStringLiteral("ROLLBACK"));
        return std::nullopt;
    }
    return number;
}

std::optional<StoredTest> TestHistory::firstOf(QSqlQuery &q) const
{
    if (!q.exec()) {
        fail(why(q.lastError()));
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    TargetLookUp target;
    return recordFrom(q, Part::Whole, target);
}

std::optional<StoredTest> TestHistory::test(qint64 number) const
{
    m_error.clear();
    if (!isOpen() && !fail(QStringLiteral("not open")))
        return std::nullopt;
    QSqlQuery q(database());
    q.prepare(QStringLiteral("SELECT %1 FROM tests WHERE number = ?").arg(columns(Part::Whole)));
    q.addBindValue(number);
    return firstOf(q);
}

std::optional<StoredTest> TestHistory::latest(const QString &beaconId, const QDate &day) const
{
    m_error.clear();
    if (!isOpen() && !fail(QStringLiteral("not open")))
        return std::nullopt;
    QSqlQuery q(database());
    // The day is the bench's own, so it is read from the time as typed.
    q.prepare(QStringLiteral("SELECT %1 FROM tests WHERE beacon_id = ?%2 "
                             "ORDER BY utc DESC, number DESC LIMIT 1")
                  .arg(columns(Part::Whole),
                       day.isValid() ? QStringLiteral(" AND substr(time, 1, 10) = ?") : QString()));
    q.addBindValue(beaconId.toUpper());
    if (day.isValid())
        q.addBindValue(day.toString(Qt::ISODate));
    return firstOf(q);
}

int TestHistory::testsOnDay(const QString &beaconId, const QDate &day) const
{
    QSqlQuery q(database());
    q.prepare(QStringLiteral(
        "SELECT count(*) FROM tests WHERE beacon_id = ? AND substr(time, 1, 10) = ?"));
    q.addBindValue(beaconId.toUpper());
    q.addBindValue(day.toString(Qt::ISODate));
    return q.exec() && q.next() ? q.value(0).toInt() : 0;
}

int TestHistory::count() const
{
    QSqlQuery q(database());
    return q.exec(QStringLiteral("SELECT count(*) FROM tests")) && q.next() ? q.value(0).toInt()
                                                                            : 0;
}

namespace {

bool visitAll(QSqlQuery &q, TestHistory::Part part, const TestHistory::Visitor &visit)
{
    TargetLookUp target;
    while (q.next()) {
        if (!visit(recordFrom(q, part, target)))
            break;
    }
    return !q.lastError().isValid();
}

} // namespace

bool TestHistory::forEach(Order order, Part part, const Visitor &visit) const
{
    if (!isOpen())
        return fail(QStringLiteral("not open"));
    QSqlQuery q(database());
    // Row by row from the database: a history of any size takes no more memory.
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM tests ORDER BY number %2")
                    .arg(columns(part), order == Order::OldestFirst ? QStringLiteral("ASC")
                                                                    : QStringLiteral("DESC"))))
        return fail(why(q.lastError()));
    return visitAll(q, part, visit) || fail(why(q.lastError()));
}

bool TestHistory::forEachLatest(Part part, const Visitor &visit) const
{
    if (!isOpen())
        return fail(QStringLiteral("not open"));
    QSqlQuery q(database());
    q.setForwardOnly(true);
    // The index hands each beacon's tests over in order; the last one wins.
    if (!q.exec(QStringLiteral("SELECT %1 FROM tests AS t WHERE number = (SELECT u.number FROM "
                               "tests AS u WHERE u.beacon_id = t.beacon_id ORDER BY u.utc DESC, "
                               "u.number DESC LIMIT 1) ORDER BY number")
                    .arg(columns(part))))
        return fail(why(q.lastError()));
    return visitAll(q, part, visit) || fail(why(q.lastError()));
}

bool TestHistory::addAll(const std::function<bool(const Add &)> &produce)
{
    m_error.clear();
    if (!open())
        return false;
    QSqlDatabase db = database();
    QSqlQuery q(db);
    // One transaction: the tests are all there or none of them.
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(why(q.lastError()));
    q.prepare(insertStatement());
    QString refused;
    const bool produced = produce([&](const TestRecord &record) {
        if (insert(q, record))
            return true;
        refused = why(q.lastError());
        return false;
    });
    QSqlQuery end(db);
    if (produced && refused.isEmpty() && end.exec(QStringLiteral("COMMIT")))
        return true;
    if (!refused.isEmpty())
        fail(refused);
    else if (produced)
        fail(why(end.lastError()));
    end.exec(QStringLiteral("ROLLBACK"));
    return false;
}
