#include "testhistory.h"

#include "isotime.h"
#include "testfields.h"
#include "verdicts.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>

namespace {

const char Driver[] = "QSQLITE";

// SQLite's primary result codes, as Qt's driver hands them on.
enum SqliteCode { Readonly = 8, IoError = 10, Full = 13, CantOpen = 14 };

// Read before the fields, in this order, by every query. The moments are
// kept as UTC and the bench's offset, which read back far faster than the
// ISO text; the text stays for whoever opens the database by hand.
const char KeyColumns[] = "number, utc, utc_offset, beacon_id, target";
constexpr int KeyColumnCount = 5;
// The identity's moment: UTC seconds and the offset, as the register has it.
const char IdentityColumns[] = "measured, measured_offset";

bool reads(const TestField &f, TestHistory::Part part)
{
    return f.isText() && (part == TestHistory::Part::Whole || f.has(TestField::Listed));
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

// Schema 1 lacked the identity's columns.
QSet<QString> columnNames(int version)
{
    QSet<QString> names;
    for (const QString &key : QString::fromLatin1(KeyColumns).split(QStringLiteral(", ")))
        names.insert(key);
    names.insert(QStringLiteral("time"));
    if (version >= 2)
        names.unite({QStringLiteral("measured"), QStringLiteral("measured_offset")});
    for (const TestField &f : TestFields::all()) {
        if (f.isText())
            names.insert(QLatin1String(f.column));
    }
    return names;
}

// number is AUTOINCREMENT so that a number is never handed out twice, even
// after the last test was deleted by hand. UTF-16 text, as Qt reads it, so
// that no row is converted on the way out.
QStringList schema()
{
    QString table = QStringLiteral("CREATE TABLE tests (number INTEGER PRIMARY KEY AUTOINCREMENT, "
                                   "time TEXT NOT NULL, utc INTEGER NOT NULL, utc_offset INTEGER "
                                   "NOT NULL, measured INTEGER NOT NULL, measured_offset INTEGER "
                                   "NOT NULL, beacon_id TEXT NOT NULL, target TEXT NOT NULL");
    for (const TestField &f : TestFields::all()) {
        if (f.isText())
            table += QStringLiteral(", %1 TEXT NOT NULL").arg(QLatin1String(f.column));
    }
    return {table + u')',
            // A beacon's tests by the index, latest last.
            QStringLiteral("CREATE INDEX tests_by_beacon ON tests (beacon_id, utc, number)"),
            QStringLiteral("CREATE UNIQUE INDEX tests_by_identity ON tests (measured, "
                           "measured_offset, hex_message)")};
}

// The columns a test is written to, in the order write() binds them.
QStringList writtenColumns()
{
    QStringList names{QStringLiteral("time"),
                      QStringLiteral("utc"),
                      QStringLiteral("utc_offset"),
                      QStringLiteral("measured"),
                      QStringLiteral("measured_offset"),
                      QStringLiteral("beacon_id"),
                      QStringLiteral("target")};
    for (const TestField &f : TestFields::all()) {
        if (f.isText())
            names.append(QLatin1String(f.column));
    }
    return names;
}

// Each column's value is bound by its name (":time"): Qt finds a named
// place by a look-up, where a numbered one costs it a text made anew each
// time, which an import of a long register feels.
const QStringList &placeNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const QString &column : writtenColumns())
            list.append(u':' + column);
        return list;
    }();
    return names;
}

QString insertStatement()
{
    return QStringLiteral("INSERT INTO tests (%1) VALUES (%2)")
        .arg(writtenColumns().join(QStringLiteral(", ")), placeNames().join(QStringLiteral(", ")));
}

QString updateStatement()
{
    QStringList sets;
    for (const QString &name : writtenColumns())
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
    for (const TestField &f : TestFields::all()) {
        if (f.isText())
            q.bindValue(names[place++], text(f.text(r)));
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

// The test in the query's current row; false for a target this program does
// not know, which is no test it could have stored.
bool recordFrom(const QSqlQuery &q, TestHistory::Part part, TargetLookUp &target,
                StoredTest &stored)
{
    stored.number = q.value(0).toLongLong();
    TestRecord &r = stored.record;
    r.time = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong(), Qt::OffsetFromUTC,
                                            q.value(2).toInt());
    stored.beaconId = q.value(3).toString();
    r.targetIndex = target(q.value(4).toString());
    int column = KeyColumnCount;
    if (part == TestHistory::Part::Whole) {
        r.measuredAt = QDateTime::fromSecsSinceEpoch(
            q.value(column).toLongLong(), Qt::OffsetFromUTC, q.value(column + 1).toInt());
        column += 2;
    }
    for (const TestField &f : TestFields::all()) {
        if (reads(f, part))
            f.text(r) = q.value(column++).toString();
    }
    return r.targetIndex >= 0;
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

// Read back as the CSV reader reads it: a target this program never offered
// is no test of its own.
Failure TestHistory::unknownTarget(const QSqlQuery &q) const
{
    return failed(QStringLiteral("test %1: \"%2\" is not a target frequency of this program")
                      .arg(q.value(0).toLongLong())
                      .arg(q.value(4).toString()));
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

Done TestHistory::makeOrBringUp(bool make, const Seed &seed)
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
    // Another program may be making the history at this moment: the write
    // lock first, then a second look.
    if (Done begun = begin(); !begun)
        return begun;
    state = look();
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
    if (done)
        done = commit();
    if (!done) {
        rollBack();
        return done;
    }
    m_made = neverUsed;
    return {};
}

// Schema 1 knew no identity: its tests are known by the moment of their
// report. A test stored twice (a second press of "Make Report", a register
// imported twice) keeps its first number and its latest record.
Done TestHistory::bringUp(bool &neverUsed)
{
    QSqlQuery q(database());
    const QString identity = QStringLiteral("measured, measured_offset, hex_message");
    QStringList sets;
    for (const QString &name : writtenColumns())
        sets.append(name);
    const QString copy = sets.join(QStringLiteral(", "));
    const QStringList steps{
        QStringLiteral("ALTER TABLE tests ADD COLUMN measured INTEGER NOT NULL DEFAULT 0"),
        QStringLiteral("ALTER TABLE tests ADD COLUMN measured_offset INTEGER NOT NULL DEFAULT 0"),
        QStringLiteral("UPDATE tests SET measured = utc / 1000, measured_offset = utc_offset"),
        QStringLiteral("CREATE TEMP TABLE twice AS SELECT min(number) AS first, max(number) AS "
                       "last FROM tests GROUP BY %1 HAVING count(*) > 1")
            .arg(identity),
        QStringLiteral("UPDATE tests SET (%1) = (SELECT %1 FROM tests AS l, temp.twice AS t WHERE "
                       "l.number = t.last AND t.first = tests.number) WHERE number IN (SELECT "
                       "first FROM temp.twice)")
            .arg(copy),
        QStringLiteral("DELETE FROM tests WHERE number NOT IN (SELECT min(number) FROM tests GROUP "
                       "BY %1)")
            .arg(identity),
        QStringLiteral("DROP TABLE temp.twice"),
        schema().last(),
    };
    for (const QString &step : steps) {
        if (!q.exec(step))
            return failedWith(q.lastError());
    }
    // A start of an earlier version that died between its schema and its
    // import left the schema alone, with no number ever handed out.
    neverUsed = q.exec(QStringLiteral("SELECT (SELECT count(*) FROM tests) + (SELECT count(*) "
                                      "FROM sqlite_sequence WHERE name = 'tests')")) &&
                q.next() && q.value(0).toInt() == 0;
    return {};
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
    if (!recordFrom(q, Part::Whole, target, stored))
        return unknownTarget(q);
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
    while (q.next()) {
        tests.append(StoredTest());
        if (!recordFrom(q, Part::Whole, target, tests.last()))
            return unknownTarget(q);
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
    while (q.next()) {
        if (!recordFrom(q, part, target, stored))
            return unknownTarget(q);
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
