#include "testhistory.h"

#include "testregister.h"
#include "verdicts.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const char Driver[] = "QSQLITE";

// Long enough for another instance's transaction of one test, or an import,
// to finish; a technician waits no longer than this for "Make Report".
const char BusyTimeout[] = "QSQLITE_BUSY_TIMEOUT=10000";

// The columns a test is read from, in the order recordFrom() takes them.
// Every reader goes through this list and recordFrom(), so that the history
// is read by one rule.
const char Columns[] =
    "number, time, vessel, manufacturer, model, serial, bracket_type, bracket_serial, "
    "battery_expiry, hydrostatic_expiry, sbm_due, company, tested_by, target, hex_message, "
    "frequency, rf_level, calibration_due, status_reading, instrument_serial, status_verdict, "
    "program_version, beacon_id";

// number is AUTOINCREMENT so that a number is never handed out twice, even
// after the last test was deleted by hand. utc orders the tests across
// offsets; time keeps the moment as it was on the bench.
const char *const Schema[] = {
    "CREATE TABLE IF NOT EXISTS tests ("
    " number INTEGER PRIMARY KEY AUTOINCREMENT,"
    " time TEXT NOT NULL, utc INTEGER NOT NULL, beacon_id TEXT NOT NULL,"
    " vessel TEXT NOT NULL, manufacturer TEXT NOT NULL, model TEXT NOT NULL,"
    " serial TEXT NOT NULL, bracket_type TEXT NOT NULL, bracket_serial TEXT NOT NULL,"
    " battery_expiry TEXT NOT NULL, hydrostatic_expiry TEXT NOT NULL, sbm_due TEXT NOT NULL,"
    " company TEXT NOT NULL, tested_by TEXT NOT NULL, target TEXT NOT NULL,"
    " hex_message TEXT NOT NULL, frequency TEXT NOT NULL, rf_level TEXT NOT NULL,"
    " calibration_due TEXT NOT NULL, status_reading TEXT NOT NULL,"
    " instrument_serial TEXT NOT NULL, status_verdict TEXT NOT NULL,"
    " program_version TEXT NOT NULL)",
    // A beacon's tests by the index, latest last.
    "CREATE INDEX IF NOT EXISTS tests_by_beacon ON tests (beacon_id, utc, number)",
};

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

StoredTest recordFrom(const QSqlQuery &q)
{
    StoredTest stored;
    stored.number = q.value(0).toLongLong();
    TestRecord &r = stored.record;
    r.time = QDateTime::fromString(q.value(1).toString(), Qt::ISODate);
    r.beacon = {q.value(2).toString(),  q.value(3).toString(), q.value(4).toString(),
                q.value(5).toString(),  q.value(6).toString(), q.value(7).toString(),
                q.value(8).toString(),  q.value(9).toString(), q.value(10).toString(),
                q.value(11).toString(), q.value(12).toString()};
    r.targetIndex = qMax(0, Verdicts::targetIndex(q.value(13).toString()));
    r.hexMessage = q.value(14).toString();
    r.frequency = q.value(15).toString();
    r.rfLevel = q.value(16).toString();
    r.calibrationDue = q.value(17).toString();
    r.statusReading = q.value(18).toString();
    r.instrumentSerialNo = q.value(19).toString();
    r.statusVerdict = q.value(20).toString();
    r.programVersion = q.value(21).toString();
    stored.beaconId = q.value(22).toString();
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
    for (const char *statement : Schema) {
        if (done && version == 0)
            done = q.exec(QLatin1String(statement));
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
    const BeaconFields &b = r.beacon;
    const QVariant values[] = {
        TestRegister::isoTime(r.time),
        r.time.toMSecsSinceEpoch(),
        r.beaconId(),
        text(b.vesselName),
        text(b.manufacturer),
        text(b.model),
        text(b.beaconSerialNo),
        text(b.bracketType),
        text(b.bracketSerialNo),
        text(b.batteryExpiry),
        text(b.hydrostaticReleaseExpiry),
        text(b.sbmDueDate),
        text(b.companyName),
        text(b.testedBy),
        text(r.targetFrequencyText()),
        text(r.hexMessage),
        text(r.frequency),
        text(r.rfLevel),
        text(r.calibrationDue),
        text(r.statusReading),
        text(r.instrumentSerialNo),
        text(r.statusVerdict),
        text(r.programVersion),
    };
    for (int i = 0; i < int(std::size(values)); ++i)
        q.bindValue(i, values[i]);
    return q.exec();
}

const char InsertStatement[] =
    "INSERT INTO tests (time, utc, beacon_id, vessel, manufacturer, model, serial, "
    "bracket_type, bracket_serial, battery_expiry, hydrostatic_expiry, sbm_due, company, "
    "tested_by, target, hex_message, frequency, rf_level, calibration_due, status_reading, "
    "instrument_serial, status_verdict, program_version) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

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
    q.prepare(QLatin1String(InsertStatement));
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

std::optional<StoredTest> TestHistory::test(qint64 number) const
{
    m_error.clear();
    if (!isOpen() && !fail(QStringLiteral("not open")))
        return std::nullopt;
    QSqlQuery q(database());
    q.prepare(QStringLiteral("SELECT %1 FROM tests WHERE number = ?").arg(QLatin1String(Columns)));
    q.addBindValue(number);
    if (!q.exec()) {
        fail(why(q.lastError()));
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    return recordFrom(q);
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
                  .arg(QLatin1String(Columns),
                       day.isValid() ? QStringLiteral(" AND substr(time, 1, 10) = ?") : QString()));
    q.addBindValue(beaconId.toUpper());
    if (day.isValid())
        q.addBindValue(day.toString(Qt::ISODate));
    if (!q.exec()) {
        fail(why(q.lastError()));
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    return recordFrom(q);
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

bool visitAll(QSqlQuery &q, const TestHistory::Visitor &visit)
{
    while (q.next()) {
        if (!visit(recordFrom(q)))
            break;
    }
    return !q.lastError().isValid();
}

} // namespace

bool TestHistory::forEach(Order order, const Visitor &visit) const
{
    if (!isOpen())
        return fail(QStringLiteral("not open"));
    QSqlQuery q(database());
    // Row by row from the database: a history of any size takes no more memory.
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM tests ORDER BY number %2")
                    .arg(QLatin1String(Columns), order == Order::OldestFirst
                                                     ? QStringLiteral("ASC")
                                                     : QStringLiteral("DESC"))))
        return fail(why(q.lastError()));
    return visitAll(q, visit) || fail(why(q.lastError()));
}

bool TestHistory::forEachLatest(const Visitor &visit) const
{
    if (!isOpen())
        return fail(QStringLiteral("not open"));
    QSqlQuery q(database());
    q.setForwardOnly(true);
    // The index hands each beacon's tests over in order; the last one wins.
    if (!q.exec(QStringLiteral("SELECT %1 FROM tests AS t WHERE number = (SELECT u.number FROM "
                               "tests AS u WHERE u.beacon_id = t.beacon_id ORDER BY u.utc DESC, "
                               "u.number DESC LIMIT 1) ORDER BY number")
                    .arg(QLatin1String(Columns))))
        return fail(why(q.lastError()));
    return visitAll(q, visit) || fail(why(q.lastError()));
}

QStringList TestHistory::Import::statusLines() const
{
    if (!error.isEmpty())
        return {QStringLiteral("Test register not imported: ") + error};
    QStringList lines{
        QStringLiteral("Test register imported into the test history: %1 %2, %3 "
                       "damaged %4 skipped")
            .arg(imported)
            .arg(imported == 1 ? QStringLiteral("test") : QStringLiteral("tests"))
            .arg(skipped.size())
            .arg(skipped.size() == 1 ? QStringLiteral("line") : QStringLiteral("lines"))};
    for (const QString &line : skipped)
        lines.append(QStringLiteral("Skipped: ") + line);
    return lines;
}

TestHistory::Import TestHistory::importRegister(const QString &csvPath)
{
    Import result;
    if (!open()) {
        result.error = m_error;
        return result;
    }
    QSqlDatabase db = database();
    QSqlQuery q(db);
    // One transaction: the import is whole or not there at all.
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        fail(why(q.lastError()));
        result.error = m_error;
        return result;
    }
    q.prepare(QLatin1String(InsertStatement));
    QString dbError;
    const bool read = TestRegister::read(
        csvPath,
        [&](const TestRecord &record) {
            if (insert(q, record))
                return ++result.imported, true;
            dbError = why(q.lastError());
            return false;
        },
        result.skipped, result.error);
    QSqlQuery end(db);
    if (read && dbError.isEmpty() && end.exec(QStringLiteral("COMMIT")))
        return result;
    if (!dbError.isEmpty() || (read && end.lastError().isValid())) {
        fail(dbError.isEmpty() ? why(end.lastError()) : dbError);
        result.error = m_error;
    }
    end.exec(QStringLiteral("ROLLBACK"));
    result.imported = 0;
    result.skipped.clear();
    return result;
}

QString TestHistory::exportRegister(const QString &csvPath) const
{
    QSaveFile file(csvPath);
    if (!file.open(QIODevice::WriteOnly))
        return QDir::toNativeSeparators(csvPath) + QStringLiteral(": ") + file.errorString();
    file.write(TestRegister::start());
    bool written = true;
    const bool read = forEach(Order::OldestFirst, [&](const StoredTest &test) {
        written = file.write(TestRegister::csvLine(TestRegister::fields(test.record))) >= 0;
        return written;
    });
    if (!read)
        return errorString();
    if (!written || !file.commit())
        return QDir::toNativeSeparators(csvPath) + QStringLiteral(": ") + file.errorString();
    return QString();
}

QStringList openHistoryAtStart(const QString &folder)
{
    if (folder.isEmpty())
        return {QStringLiteral("Test history cannot be opened: no Documents folder")};
    TestHistory history(TestHistory::path(folder));
    if (!history.open())
        return {QStringLiteral("Test history cannot be opened: ") + history.errorString()};
    const QString csv = TestRegister::path(folder);
    if (!history.isNew() || !QFile::exists(csv))
        return {};
    return history.importRegister(csv).statusLines();
}
