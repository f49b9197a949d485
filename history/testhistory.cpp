#include "testhistory.h"

#include "filesync.h"
#include "isotime.h"
#include "sheetresult.h"
#include "testfields.h"
#include "verdicts.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>

Q_LOGGING_CATEGORY(lcHistory, "vestra.history")

namespace {

const char Driver[] = "QSQLITE";

// SQLite's primary result codes, as Qt's driver hands them on.
enum SqliteCode { Readonly = 8, IoError = 10, Full = 13, CantOpen = 14 };

// Read before the fields, in this order, by every query. The moments are
// kept as UTC and the bench's offset, which read back far faster than the
// ISO text; the text stays for whoever opens the database by hand. The
// beacon ID and the test record's result are kept as worked out when the
// test was stored, so that lists need not judge every test again.
const char KeyColumns[] = "number, utc, utc_offset, beacon_id, target, result";
constexpr int KeyColumnCount = 6;
// The identity's moment: UTC seconds and the offset, as the register has it.
const char IdentityColumns[] = "measured, measured_offset";

bool reads(const TestField &f, TestHistory::Part part)
{
    switch (part) {
    case TestHistory::Part::Listed:
        return f.has(TestField::Listed);
    case TestHistory::Part::Due:
        return f.has(TestField::Due);
    case TestHistory::Part::Whole:
        break;
    }
    return f.column;
}

QString columns(TestHistory::Part part)
{
    QString list = QLatin1String(KeyColumns);
    if (part == TestHistory::Part::Whole)
        list += QStringLiteral(", ") + QLatin1String(IdentityColumns);
    for (const TestField &f : TestFields::all()) {
        if (reads(f, part))
            list += QStringLiteral(", ") + QLatin1String(f.column);
    }
    return list;
}

// The columns a test is written to, in the order bind() binds them: the
// moments and what is worked out, then the fields. Texts but for the moments.
struct Column
{
    QString name;
    bool integer;
};

QList<Column> writtenColumns()
{
    QList<Column> list{
        {QStringLiteral("time"), false},           {QStringLiteral("utc"), true},
        {QStringLiteral("utc_offset"), true},      {QStringLiteral("measured"), true},
        {QStringLiteral("measured_offset"), true}, {QStringLiteral("beacon_id"), false},
        {QStringLiteral("target"), false},         {QStringLiteral("result"), false}};
    for (const TestField &f : TestFields::all()) {
        if (f.column)
            list.append({QLatin1String(f.column), false});
    }
    return list;
}

QStringList writtenNames()
{
    QStringList names;
    for (const Column &column : writtenColumns())
        names.append(column.name);
    return names;
}

// Schema 1's columns, as the first version made them: no identity, no test
// record. Bringing it up adds what it lacks.
const char SchemaOneColumns[] =
    "number, time, utc, utc_offset, beacon_id, target, vessel, manufacturer, model, serial, "
    "bracket_type, bracket_serial, battery_expiry, hydrostatic_expiry, sbm_due, company, "
    "tested_by, hex_message, frequency, rf_level, calibration_due, status_reading, "
    "instrument_serial, status_verdict, program_version";

QSet<QString> columnNames(int version)
{
    QSet<QString> names;
    if (version == 1) {
        for (const QString &name :
             QString::fromLatin1(SchemaOneColumns).split(QStringLiteral(", ")))
            names.insert(name);
        return names;
    }
    names.insert(QStringLiteral("number"));
    for (const QString &name : writtenNames())
        names.insert(name);
    return names;
}

QString definition(const Column &column)
{
    return column.name + (column.integer ? QStringLiteral(" INTEGER NOT NULL")
                                         : QStringLiteral(" TEXT NOT NULL"));
}

// Where a beacon's shore-based maintenances are found: what falls due counts
// its next one from the last.
QString maintenanceCondition()
{
    return QStringLiteral("kind = '%1'")
        .arg(testKindText(TestKind::ShoreBasedMaintenance).replace(u'\'', QLatin1String("''")));
}

// The indexes schema 1 lacked: a test's identity, held once, and the
// maintenances by beacon, latest last.
QStringList laterIndexes()
{
    return {QStringLiteral("CREATE UNIQUE INDEX tests_by_identity ON tests (measured, "
                           "measured_offset, hex_message)"),
            QStringLiteral("CREATE INDEX tests_maintained ON tests (beacon_id, utc, number, "
                           "time, sbm_due) WHERE %1")
                .arg(maintenanceCondition())};
}

// number is AUTOINCREMENT so that a number is never handed out twice, even
// after the last test was deleted by hand. UTF-16 text, as Qt reads it, so
// that no row is converted on the way out.
QStringList schema()
{
    QStringList definitions{QStringLiteral("number INTEGER PRIMARY KEY AUTOINCREMENT")};
    for (const Column &column : writtenColumns())
        definitions.append(definition(column));
    return QStringList{QStringLiteral("CREATE TABLE tests (%1)")
                           .arg(definitions.join(QStringLiteral(", "))),
                       // A beacon's tests by the index, latest last.
                       QStringLiteral("CREATE INDEX tests_by_beacon ON tests (beacon_id, utc, "
                                      "number)")} +
           laterIndexes();
}

// Each column's value is bound by its name (":time"): Qt finds a named
// place by a look-up, where a numbered one costs it a text made anew each
// time, which an import of a long register feels.
const QStringList &placeNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const QString &column : writtenNames())
            list.append(u':' + column);
        return list;
    }();
    return names;
}

QString insertStatement()
{
    return QStringLiteral("INSERT INTO tests (%1) VALUES (%2)")
        .arg(writtenNames().join(QStringLiteral(", ")), placeNames().join(QStringLiteral(", ")));
}

QString updateStatement()
{
    QStringList sets;
    for (const QString &name : writtenNames())
        sets.append(name + QStringLiteral(" = :") + name);
    return QStringLiteral("UPDATE tests SET %1 WHERE number = :number")
        .arg(sets.join(QStringLiteral(", ")));
}

const char FindStatement[] =
    "SELECT number FROM tests WHERE measured = ? AND measured_offset = ? AND hex_message = ?";

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

// Binds the test's columns, in writtenColumns()' order.
void bind(QSqlQuery &q, const TestRecord &r)
{
    const QStringList &names = placeNames();
    const QDateTime identity = r.identityTime();
    int place = 0;
    q.bindValue(names[place++], isoTime(r.time));
    q.bindValue(names[place++], r.time.toMSecsSinceEpoch());
    q.bindValue(names[place++], r.time.offsetFromUtc());
    q.bindValue(names[place++], identity.toSecsSinceEpoch());
    q.bindValue(names[place++], identity.offsetFromUtc());
    q.bindValue(names[place++], text(r.beaconId()));
    q.bindValue(names[place++], text(r.targetFrequencyText()));
    q.bindValue(names[place++], text(sheetResultText(r)));
    for (const TestField &f : TestFields::all()) {
        if (f.column)
            q.bindValue(names[place++], text(f.value(r)));
    }
}

// The target's index by its name; a history holds few names, most of them
// in long runs, so the last one is kept.
struct TargetLookUp
{
    QString name;
    int index = -1;

    int operator()(const QString &text)
    {
        if (text != name || name.isNull()) {
            name = text;
            index = Verdicts::targetIndex(text);
        }
        return index;
    }
};

// The test in the query's current row; false, and why, for a value this
// program never stores (a target it does not offer, a kind of test or
// answers it does not know), which is no test it could have stored.
bool recordFrom(const QSqlQuery &q, TestHistory::Part part, TargetLookUp &target,
                StoredTest &stored, QString &why)
{
    stored.number = q.value(0).toLongLong();
    TestRecord &r = stored.record;
    r.time = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong(), Qt::OffsetFromUTC,
                                            q.value(2).toInt());
    stored.beaconId = q.value(3).toString();
    r.targetIndex = target(q.value(4).toString());
    if (r.targetIndex < 0) {
        why = QStringLiteral("\"%1\" is not a target frequency of this program")
                  .arg(q.value(4).toString());
        return false;
    }
    stored.result = q.value(5).toString();
    int column = KeyColumnCount;
    if (part == TestHistory::Part::Whole) {
        r.measuredAt = QDateTime::fromSecsSinceEpoch(
            q.value(column).toLongLong(), Qt::OffsetFromUTC, q.value(column + 1).toInt());
        column += 2;
    }
    for (const TestField &f : TestFields::all()) {
        if (!reads(f, part))
            continue;
        if (!f.setValue(r, q.value(column).toString())) {
            why = QStringLiteral("\"%1\" in its column %2 is none of this program's")
                      .arg(q.value(column).toString(), QLatin1String(f.column));
            return false;
        }
        ++column;
    }
    return true;
}

} // namespace

QString TestHistory::path(const QString &folder)
{
    return folder + u'/' + QLatin1String(FileName);
}

TestHistory::TestHistory(const QString &path, int busyTimeoutMs)
    : m_path(path), m_connection(connectionName()), m_busyTimeoutMs(busyTimeoutMs)
{
}

TestHistory::~TestHistory()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

Failure TestHistory::failed(const QString &why) const
{
    return failure(QDir::toNativeSeparators(m_path) + QStringLiteral(": ") + why);
}

// SQLite's own words, such as "database is locked", where no plainer ones
// say what the technician can mend.
Failure TestHistory::failedWith(const QSqlError &error) const
{
    const QFileInfo file(m_path);
    const QFileInfo folder(file.absolutePath());
    // Qt's driver hands on SQLite's extended codes; the low byte is the primary one.
    const int code = error.nativeErrorCode().toInt() & 0xff;
    if (code == Full ||
        (code == IoError && QStorageInfo(folder.filePath()).bytesAvailable() < 1024 * 1024))
        return failed(QStringLiteral("no space left on the disk"));
    if (code == Readonly || code == CantOpen) {
        if (!folder.isDir())
            return failed(QStringLiteral("its folder does not exist"));
        if (!folder.isWritable())
            return failed(QStringLiteral("the folder %1 is read-only")
                              .arg(QDir::toNativeSeparators(folder.filePath())));
        if (file.exists() && !file.isWritable())
            return failed(QStringLiteral("the file is read-only"));
    }
    return failed(error.databaseText().isEmpty() ? error.text() : error.databaseText());
}

// Read back as the CSV reader reads it: a value this program never stores is
// no test of its own.
Failure TestHistory::unreadable(const QSqlQuery &q, const QString &why) const
{
    return failed(QStringLiteral("test %1: %2").arg(q.value(0).toLongLong()).arg(why));
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

Done TestHistory::open()
{
    return openAs(false, {});
}

Done TestHistory::openOrMake(const Seed &seed)
{
    return openAs(true, seed);
}

Done TestHistory::openAs(bool make, const Seed &seed)
{
    if (isOpen())
        return {};
    m_made = false;
    if (!QSqlDatabase::isDriverAvailable(QLatin1String(Driver)))
        return failed(QStringLiteral("Qt's SQLite driver is not installed"));
    const QFileInfo info(m_path);
    if (info.isDir())
        return failed(QStringLiteral("a folder, not a database"));
    if (!info.dir().exists())
        return failed(QStringLiteral("its folder does not exist"));
    if (!make && !info.exists())
        return failed(QStringLiteral("no test history there yet"));

    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QLatin1String(Driver), m_connection);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeoutMs));
    if (!db.open())
        return failedWith(db.lastError());
    Done opened = makeOrBringUp(make, seed);
    QSqlQuery q(db);
    // Each test on the disk, and the folder's entry of the journal gone,
    // before the report counts as saved.
    if (opened && !q.exec(QStringLiteral("PRAGMA synchronous = EXTRA")))
        opened = failedWith(q.lastError());
    if (opened)
        if (!opened)
            db.close();
    return opened;
}

Result<TestHistory::State> TestHistory::look() const
{
    QSqlQuery q(database());
    // The first read shows whether the file is a database at all.
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
        if (q.lastError().isValid())
            return failedWith(q.lastError());
        return failed(QStringLiteral("not a database"));
    }
    const int version = q.value(0).toInt();
    if (version > SchemaVersion)
        return failed(QStringLiteral("written by a later version of this program (schema %1, "
                                     "this program knows %2); left as it is")
                          .arg(version)
                          .arg(SchemaVersion));
    if (!q.exec(QStringLiteral(
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'")))
        return failedWith(q.lastError());
    QStringList tables;
    while (q.next())
        tables.append(q.value(0).toString());
    if (tables.isEmpty() && version == 0)
        return State::Empty;
    QSet<QString> names;
    if (tables == QStringList{QStringLiteral("tests")} &&
        q.exec(QStringLiteral("PRAGMA table_info(tests)"))) {
        while (q.next())
            names.insert(q.value(1).toString());
    }
    if (version >= 1 && names == columnNames(version))
        return version == SchemaVersion ? State::Current : State::Earlier;
    return failed(QStringLiteral("a database, but not a test history of this program"));
}

Done TestHistory::makeOrBringUp(bool make, const Seed &seed, int attempt)
{
    // One read transaction, so that the version and the tables are read from
    // one state of the file, not from either side of another program's making it.
    QSqlQuery read(database());
    if (!read.exec(QStringLiteral("BEGIN")))
        return failedWith(read.lastError());
    Result<State> state = look();
    read.exec(QStringLiteral("COMMIT"));
    if (!state)
        return failure(state.reason());
    if (*state == State::Current)
        return {};
    if (*state == State::Empty && !make)
        return failed(QStringLiteral("no test history there yet"));
    QSqlQuery q(database());
    // The text encoding can only be chosen before the file holds anything:
    // SQLite takes it for a file whose tables were all dropped, and then
    // writes its schema in an encoding the file's header does not say.
    if (*state == State::Empty && QFileInfo(m_path).size() == 0)
        q.exec(QStringLiteral("PRAGMA encoding = 'UTF-16le'"));
    // An earlier schema's file, as it was, is kept beside it first; VACUUM
    // INTO cannot run inside the transaction, so the transaction checks that
    // no other program has written since.
    QString copy;
    qint64 copiedAt = 0;
    if (*state == State::Earlier) {
        const Result<bool> used = everUsed();
        Result<QString> kept = used && *used ? keepCopy() : Result<QString>(QString());
        const Result<qint64> version = dataVersion();
        if (!used || !kept || !version)
            return failure(!used ? used.reason() : !kept ? kept.reason() : version.reason());
        copy = *kept;
        copiedAt = *version;
    }
    // Another program may be making the history at this moment: the write
    // lock first, then a second look.
    if (Done begun = begin(); !begun)
        return begun;
    state = look();
    if (state && *state == State::Earlier && !copy.isEmpty()) {
        // Written since it was copied, and not brought up by the writer: the
        // copy is not of this history.
        const Result<qint64> now = dataVersion();
        if (!now || *now != copiedAt) {
            rollBack();
            QFile::remove(copy);
            if (attempt == 2)
                return failed(QStringLiteral("another program writes it while it is brought up "
                                             "from an earlier schema; try again"));
            return makeOrBringUp(make, seed, attempt + 1);
        }
    }
    bool neverUsed = false;
    Done done = state ? Done() : Done(failure(state.reason()));
    if (done && *state == State::Empty) {
        if (!make) {
            done = failed(QStringLiteral("no test history there yet"));
        } else {
            for (const QString &statement : schema()) {
                if (done && !q.exec(statement))
                    done = failedWith(q.lastError());
            }
            neverUsed = true;
        }
    } else if (done && *state == State::Earlier) {
        done = bringUp(neverUsed);
    }
    if (done && neverUsed && !make) {
        // An earlier start was interrupted after its schema: only a start
        // that may make the history finishes it.
        rollBack();
        return failed(QStringLiteral("no test history there yet"));
    }
    if (done && (*state == State::Empty || *state == State::Earlier) &&
        !q.exec(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion)))
        done = failedWith(q.lastError());
    if (done && neverUsed && seed)
        done = seed(*this);
    if (done && *state == State::Earlier)
        qCDebug(lcHistory).noquote() << QDir::toNativeSeparators(m_path) << "brought up to schema"
                                     << SchemaVersion << "and committing";
    if (done)
        done = commit();
    if (!done) {
        rollBack();
        return done;
    }
    m_made = neverUsed;
    return {};
}

// Schema 1 knew no identity and no test record: its tests are known by the
// moment of their report, and have no record. A test stored twice (a second
// press of "Make Report", a register imported twice) keeps its first number
// and its latest record.
Done TestHistory::bringUp(bool &neverUsed)
{
    QSqlQuery q(database());
    const Result<bool> used = everUsed();
    if (!used)
        return failure(used.reason());
    neverUsed = !*used;
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return failedWith(q.lastError());
    const int version = q.value(0).toInt();
    q.finish();
    QStringList steps;
    const QSet<QString> earlier = columnNames(version);
    for (const Column &column : writtenColumns()) {
        if (!earlier.contains(column.name))
            steps.append(QStringLiteral("ALTER TABLE tests ADD COLUMN %1 DEFAULT %2")
                             .arg(definition(column),
                                  column.integer ? QStringLiteral("0") : QStringLiteral("''")));
    }
    const QString identity = QStringLiteral("measured, measured_offset, hex_message");
    const QString copy = writtenNames().join(QStringLiteral(", "));
    steps << QStringLiteral("UPDATE tests SET measured = utc / 1000, measured_offset = utc_offset")
          << QStringLiteral("CREATE TEMP TABLE twice AS SELECT min(number) AS first, max(number) "
                            "AS last FROM tests GROUP BY %1 HAVING count(*) > 1")
                 .arg(identity)
          << QStringLiteral("UPDATE tests SET (%1) = (SELECT %1 FROM tests AS l, temp.twice AS t "
                            "WHERE l.number = t.last AND t.first = tests.number) WHERE number IN "
                            "(SELECT first FROM temp.twice)")
                 .arg(copy)
          << QStringLiteral("DELETE FROM tests WHERE number NOT IN (SELECT min(number) FROM tests "
                            "GROUP BY %1)")
                 .arg(identity)
          << QStringLiteral("DROP TABLE temp.twice") << laterIndexes();
    for (const QString &step : std::as_const(steps)) {
        if (!q.exec(step))
            return failedWith(q.lastError());
    }
    return {};
}

// By SQLite itself, VACUUM INTO a name of its own, then synced and renamed:
// a copy there is whole. Not a file copy under the write lock: closing any
// other handle on the file would drop every lock this program holds on it.
// A copy there already, of an upgrade that did not finish or of another
// program's at the same moment, is kept as it is.
Result<QString> TestHistory::keepCopy() const
{
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return failedWith(q.lastError());
    const int version = q.value(0).toInt();
    const QString copy = m_path + QStringLiteral(".schema-%1").arg(version);
    if (QFileInfo::exists(copy))
        return QString();
    const auto notMade = [&](const QString &why) {
        return failed(QStringLiteral("its copy %1 cannot be made (%2), so it is not brought up "
                                     "from schema %3")
                          .arg(QDir::toNativeSeparators(copy), why)
                          .arg(version));
    };
    // Empty, which VACUUM INTO takes, and closed, so that SQLite can open it.
    // A plain file, not a QTemporaryFile: Windows will not rename a file
    // that one still has a hold on.
    QFile part(copy +
               QStringLiteral(".%1.part").arg(QRandomGenerator::global()->generate(), 0, 36));
    if (!part.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return notMade(part.errorString());
    part.close();
    bool renamed = false;
    const auto dropPart = qScopeGuard([&] {
        if (!renamed)
            part.remove();
    });
    q.prepare(QStringLiteral("VACUUM INTO ?"));
    q.addBindValue(part.fileName());
    if (!q.exec())
        return notMade(q.lastError().databaseText());
    if (!part.open(QIODevice::ReadWrite) || !FileSync::sync(part))
        return notMade(part.errorString());
    part.close();
    // Open to whoever may open the history, where a new file may not be.
    part.setPermissions(QFileInfo(m_path).permissions());
    if (!(renamed = part.rename(copy)))
        return QFileInfo::exists(copy) ? Result<QString>(QString()) : notMade(part.errorString());
    FileSync::syncFolder(QFileInfo(m_path).absolutePath());
    qCDebug(lcHistory).noquote() << "Schema" << version << "kept as"
                                 << QDir::toNativeSeparators(copy);
    return copy;
}

Result<qint64> TestHistory::dataVersion() const
{
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("PRAGMA data_version")) || !q.next())
        return failedWith(q.lastError());
    return q.value(0).toLongLong();
}

// A start of an earlier version that died between its schema and its import
// left the schema alone, with no number ever handed out.
Result<bool> TestHistory::everUsed() const
{
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("SELECT (SELECT count(*) FROM tests) + coalesce((SELECT seq FROM "
                               "sqlite_sequence WHERE name = 'tests'), 0)")) ||
        !q.next())
        return failedWith(q.lastError());
    return q.value(0).toLongLong() > 0;
}

Done TestHistory::begin()
{
    QSqlQuery q(database());
    const bool begun = q.exec(m_depth == 0 ? QStringLiteral("BEGIN IMMEDIATE")
                                           : QStringLiteral("SAVEPOINT inner_%1").arg(m_depth));
    if (!begun)
        return failedWith(q.lastError());
    ++m_depth;
    return {};
}

Done TestHistory::commit()
{
    QSqlQuery q(database());
    const bool outer = m_depth == 1;
    if (!q.exec(outer ? QStringLiteral("COMMIT")
                      : QStringLiteral("RELEASE inner_%1").arg(m_depth - 1)))
        return failedWith(q.lastError());
    --m_depth;
    return {};
}

void TestHistory::rollBack()
{
    if (m_depth == 0)
        return;
    QSqlQuery q(database());
    if (m_depth == 1) {
        q.exec(QStringLiteral("ROLLBACK"));
    } else {
        q.exec(QStringLiteral("ROLLBACK TO inner_%1").arg(m_depth - 1));
        q.exec(QStringLiteral("RELEASE inner_%1").arg(m_depth - 1));
    }
    --m_depth;
}

namespace {

// The number of the test of that identity, 0 for none; -1 when the query fails.
qint64 numberOf(QSqlQuery &find, const TestRecord &r)
{
    const QDateTime identity = r.identityTime();
    find.bindValue(0, identity.toSecsSinceEpoch());
    find.bindValue(1, identity.offsetFromUtc());
    find.bindValue(2, text(r.hexMessage));
    if (!find.exec())
        return -1;
    const qint64 number = find.next() ? find.value(0).toLongLong() : 0;
    find.finish();
    return number;
}

bool replace(QSqlQuery &update, const TestRecord &r, qint64 number)
{
    bind(update, r);
    update.bindValue(QStringLiteral(":number"), number);
    return update.exec();
}

} // namespace

Result<qint64> TestHistory::add(const TestRecord &record)
{
    if (Done opened = openOrMake(); !opened)
        return failure(opened.reason());
    if (Done begun = begin(); !begun)
        return failure(begun.reason());
    QSqlQuery find(database()), write(database());
    find.prepare(QLatin1String(FindStatement));
    qint64 number = numberOf(find, record);
    bool written = number >= 0;
    if (number > 0) {
        write.prepare(updateStatement());
        written = replace(write, record, number);
    } else if (written) {
        write.prepare(insertStatement());
        bind(write, record);
        written = write.exec();
        number = write.lastInsertId().toLongLong();
    }
    if (!written) {
        const Failure why =
            failedWith(find.lastError().isValid() ? find.lastError() : write.lastError());
        rollBack();
        return why;
    }
    if (Done committed = commit(); !committed) {
        rollBack();
        return failure(committed.reason());
    }
    return number;
}

Result<std::optional<StoredTest>> TestHistory::firstOf(QSqlQuery &q) const
{
    if (!q.exec())
        return failedWith(q.lastError());
    if (!q.next())
        return q.lastError().isValid()
                   ? Result<std::optional<StoredTest>>(failedWith(q.lastError()))
                   : std::optional<StoredTest>();
    TargetLookUp target;
    StoredTest stored;
    QString why;
    if (!recordFrom(q, Part::Whole, target, stored, why))
        return unreadable(q, why);
    return std::optional<StoredTest>(std::move(stored));
}

Result<std::optional<StoredTest>> TestHistory::test(qint64 number) const
{
    if (!isOpen())
        return failed(QStringLiteral("not open"));
    QSqlQuery q(database());
    q.prepare(QStringLiteral("SELECT %1 FROM tests WHERE number = ?").arg(columns(Part::Whole)));
    q.addBindValue(number);
    return firstOf(q);
}

Result<std::optional<StoredTest>> TestHistory::latest(const QString &beaconId,
                                                      const QDate &day) const
{
    if (!isOpen())
        return failed(QStringLiteral("not open"));
    QSqlQuery q(database());
    // The day is the bench's own, so it is read from the time as typed.
    q.prepare(QStringLiteral("SELECT %1 FROM tests WHERE beacon_id = ?%2 "
                             "ORDER BY utc DESC, number DESC LIMIT 1")
                  .arg(columns(Part::Whole),
                       day.isValid() ? QStringLiteral(" AND substr(time, 1, 10) = ?") : QString()));
    q.addBindValue(beaconId.toUpper());
    if (day.isValid())
        q.addBindValue(isoDate(day));
    return firstOf(q);
}

Result<QList<StoredTest>> TestHistory::testsOn(const QDate &day) const
{
    QList<StoredTest> tests;
    if (!isOpen())
        return failed(QStringLiteral("not open"));
    QSqlQuery q(database());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM tests WHERE substr(time, 1, 10) = ? ORDER BY number")
                  .arg(columns(Part::Whole)));
    q.addBindValue(isoDate(day));
    if (!q.exec())
        return failedWith(q.lastError());
    TargetLookUp target;
    QString why;
    while (q.next()) {
        tests.append(StoredTest());
        if (!recordFrom(q, Part::Whole, target, tests.last(), why))
            return unreadable(q, why);
    }
    if (q.lastError().isValid())
        return failedWith(q.lastError());
    return tests;
}

Result<int> TestHistory::count() const
{
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("SELECT count(*) FROM tests")) || !q.next())
        return failedWith(q.lastError());
    return q.value(0).toInt();
}

Done TestHistory::visitAll(QSqlQuery &q, Part part, const Visitor &visit) const
{
    TargetLookUp target;
    StoredTest stored;
    QString why;
    while (q.next()) {
        if (!recordFrom(q, part, target, stored, why))
            return unreadable(q, why);
        if (!visit(stored))
            return {};
    }
    if (q.lastError().isValid())
        return failedWith(q.lastError());
    return {};
}

Done TestHistory::forEach(Order order, Part part, const Visitor &visit) const
{
    if (!isOpen())
        return failed(QStringLiteral("not open"));
    QSqlQuery q(database());
    // Row by row from the database: a history of any size takes no more memory.
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM tests ORDER BY number %2")
                    .arg(columns(part), order == Order::OldestFirst ? QStringLiteral("ASC")
                                                                    : QStringLiteral("DESC"))))
        return failedWith(q.lastError());
    return visitAll(q, part, visit);
}

Done TestHistory::forEachLatest(Part part, const Visitor &visit) const
{
    if (!isOpen())
        return failed(QStringLiteral("not open"));
    QSqlQuery q(database());
    q.setForwardOnly(true);
    // The index hands each beacon's tests over in order; the last one wins.
    if (!q.exec(QStringLiteral("SELECT %1 FROM tests AS t WHERE number = (SELECT u.number FROM "
                               "tests AS u WHERE u.beacon_id = t.beacon_id ORDER BY u.utc DESC, "
                               "u.number DESC LIMIT 1) ORDER BY number")
                    .arg(columns(part))))
        return failedWith(q.lastError());
    return visitAll(q, part, visit);
}

Result<QHash<QString, TestHistory::Maintenance>> TestHistory::latestMaintenances() const
{
    if (!isOpen())
        return failed(QStringLiteral("not open"));
    QSqlQuery q(database());
    q.setForwardOnly(true);
    // From the index alone, each beacon's latest last.
    if (!q.exec(QStringLiteral("SELECT beacon_id, substr(time, 1, 10), sbm_due FROM tests WHERE %1 "
                               "ORDER BY beacon_id, utc, number")
                    .arg(maintenanceCondition())))
        return failedWith(q.lastError());
    QHash<QString, Maintenance> latest;
    while (q.next())
        latest.insert(q.value(0).toString(), {QDate::fromString(q.value(1).toString(), Qt::ISODate),
                                              q.value(2).toString()});
    if (q.lastError().isValid())
        return failedWith(q.lastError());
    return latest;
}

namespace {

// A test's identity, as the unique index has it.
struct Identity
{
    qint64 seconds;
    int offset;
    QString hexMessage;

    explicit Identity(const TestRecord &r)
        : seconds(r.identityTime().toSecsSinceEpoch()), offset(r.identityTime().offsetFromUtc()),
          hexMessage(text(r.hexMessage))
    {
    }
    Identity(qint64 s, int o, const QString &hex) : seconds(s), offset(o), hexMessage(hex) {}
    bool operator==(const Identity &other) const
    {
        return seconds == other.seconds && offset == other.offset && hexMessage == other.hexMessage;
    }
};

size_t qHash(const Identity &identity, size_t seed = 0)
{
    return qHashMulti(seed, identity.seconds, identity.offset, identity.hexMessage);
}

} // namespace

Done TestHistory::addAll(const std::function<Done(const Add &)> &produce)
{
    if (Done opened = openOrMake(); !opened)
        return opened;
    // One transaction: the tests are all there or none of them.
    if (Done begun = begin(); !begun)
        return begun;
    // Every test's identity and number, looked up here rather than asked of
    // the database line by line: a register of a busy station's years is
    // read in seconds.
    QHash<Identity, qint64> known;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.exec(
            QStringLiteral("SELECT measured, measured_offset, hex_message, number FROM tests"))) {
        const Failure why = failedWith(q.lastError());
        rollBack();
        return why;
    }
    // Tests numbered above this one came with this import.
    qint64 before = 0;
    while (q.next()) {
        const qint64 number = q.value(3).toLongLong();
        known.insert(Identity(q.value(0).toLongLong(), q.value(1).toInt(), q.value(2).toString()),
                     number);
        before = qMax(before, number);
    }
    q.finish();
    QSqlQuery insert(database()), update(database());
    insert.prepare(insertStatement());
    update.prepare(updateStatement());
    std::optional<QSqlError> refused;
    // The tests held before that a line of this import has named already.
    QSet<qint64> named;
    const Done produced = produce([&](const TestRecord &record) {
        if (refused)
            return Took::Refused;
        Identity identity(record);
        const auto found = known.constFind(identity);
        if (found == known.cend()) {
            bind(insert, record);
            if (!insert.exec()) {
                refused = insert.lastError();
                return Took::Refused;
            }
            known.insert(std::move(identity), insert.lastInsertId().toLongLong());
            return Took::New;
        }
        const qint64 number = found.value();
        if (number <= before) {
            if (named.contains(number))
                return Took::Repeated;
            named.insert(number);
            return Took::Already;
        }
        if (replace(update, record, number))
            return Took::Repeated;
        refused = update.lastError();
        return Took::Refused;
    });
    Done done = refused ? Done(failedWith(*refused)) : produced;
    if (done)
        done = commit();
    if (!done)
        rollBack();
    return done;
}
