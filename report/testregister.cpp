#include "testregister.h"

#include "messagelisting.h"
#include "reportfile.h"
#include "verdicts.h"

#include <QFile>
#include <QLockFile>
#include <QRegularExpression>

#include <csv.h>

#include <algorithm>

namespace TestRegister {

namespace {

// Longer than one append takes, short enough not to hold up the technician.
constexpr int LockWaitMs = 2000;

const char Utf8Bom[] = "\xEF\xBB\xBF";

enum Column {
    TimeColumn,
    VesselColumn,
    ManufacturerColumn,
    ModelColumn,
    SerialColumn,
    BracketTypeColumn,
    BracketSerialColumn,
    BatteryColumn,
    HydrostaticColumn,
    SbmColumn,
    BeaconIdColumn,
    HexMessageColumn,
    TargetColumn,
    FrequencyColumn,
    FrequencyVerdictColumn,
    DistressColumn,
    RfLevelColumn,
    StatusReadingColumn,
    StatusVerdictColumn,
    InstrumentSerialColumn,
    CalibrationColumn,
    CompanyColumn,
    TesterColumn,
    VersionColumn,
    ReportFileColumn,
    ColumnCount
};

QString offsetText(int seconds)
{
    const int minutes = qAbs(seconds) / 60;
    return QString::asprintf("%c%02d:%02d", seconds < 0 ? '-' : '+', minutes / 60, minutes % 60);
}

bool isPlainNumber(const QString &value)
{
    static const QRegularExpression number(QStringLiteral("\\A[+-]?[0-9]+(\\.[0-9]+)?\\z"));
    return number.match(value).hasMatch();
}

// A spreadsheet runs a field as a formula by its first character, and some
// trim blanks and tabs on import first.
bool needsApostrophe(const QString &value)
{
    if (value.isEmpty() || isPlainNumber(value))
        return false;
    const QChar first = value.front();
    if (first == u'\'' || first == u'\t' || first == u'\r')
        return true;
    for (const QChar c : value) {
        if (c == u'=' || c == u'+' || c == u'-' || c == u'@')
            return true;
        if (c != u' ' && c != u'\t')
            return false;
    }
    return false;
}

// libcsv hands fields and row ends to these; it knows nothing of lines, so
// the reader feeds it one line at a time and counts.
struct Rows
{
    QList<QStringList> rows;
    QList<int> firstLines;
    QStringList row;
    int line = 1;
    int rowLine = 1;
};

void takeField(void *data, size_t size, void *context)
{
    auto *rows = static_cast<Rows *>(context);
    const char *bytes = static_cast<const char *>(data);
    // A field ends on the line where it is read to; its own line breaks are behind it.
    if (rows->row.isEmpty())
        rows->rowLine = rows->line - int(std::count(bytes, bytes + size, '\n'));
    rows->row.append(QString::fromUtf8(bytes, qsizetype(size)));
}

void takeRow(int, void *context)
{
    auto *rows = static_cast<Rows *>(context);
    rows->rows.append(std::move(rows->row));
    rows->firstLines.append(rows->rowLine);
    rows->row = QStringList();
    rows->row.reserve(ColumnCount);
    rows->rowLine = rows->line + 1;
}

// Blanks and tabs are part of a field here: libcsv would trim them.
int noSpace(unsigned char)
{
    return 0;
}

QString columnError(int line, int column, const QString &what)
{
    return QStringLiteral("line %1, column %2 (\"%3\"): %4")
        .arg(line)
        .arg(column + 1)
        .arg(header().value(column), what);
}

// RFC 4180 rows of bytes; false and error for a double quote out of place or
// one never closed.
bool csvRows(const QByteArray &bytes, Rows &rows, QString &error)
{
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
        error = QStringLiteral("out of memory");
        return false;
    }
    csv_set_space_func(&parser, noSpace);
    const char *data = bytes.constData();
    const char *const end = data + bytes.size();
    bool ok = true;
    while (ok && data < end) {
        const char *lineEnd = static_cast<const char *>(memchr(data, '\n', size_t(end - data)));
        const size_t size = lineEnd ? size_t(lineEnd - data + 1) : size_t(end - data);
        ok = csv_parse(&parser, data, size, takeField, takeRow, &rows) == size;
        if (ok) {
            data += size;
            if (lineEnd)
                ++rows.line;
        }
    }
    if (ok)
        ok = csv_fini(&parser, takeField, takeRow, &rows) == 0;
    if (!ok) {
        error = data < end ? columnError(rows.line, int(rows.row.size()),
                                         QStringLiteral("a double quote out of place"))
                           : columnError(rows.rowLine, int(rows.row.size()),
                                         QStringLiteral("a quoted field is never closed"));
    }
    csv_free(&parser);
    return ok;
}

// The test of one register line; false and error when a field cannot be
// what the program wrote.
bool toRecord(QStringList &f, int line, TestRecord &record, QString &error)
{
    for (QString &field : f) {
        if (field.startsWith(u'\''))
            field = fromSpreadsheetSafe(field);
    }
    record.time = QDateTime::fromString(f[TimeColumn], Qt::ISODate);
    if (!record.time.isValid()) {
        error = columnError(line, TimeColumn, QStringLiteral("not a date and time"));
        return false;
    }
    record.beacon = {f[VesselColumn],  f[ManufacturerColumn], f[ModelColumn],
                     f[SerialColumn],  f[BracketTypeColumn],  f[BracketSerialColumn],
                     f[BatteryColumn], f[HydrostaticColumn],  f[SbmColumn],
                     f[CompanyColumn], f[TesterColumn]};
    record.targetIndex = Verdicts::targetIndex(f[TargetColumn]);
    if (record.targetIndex < 0) {
        error = columnError(line, TargetColumn, QStringLiteral("not a target frequency"));
        return false;
    }
    record.hexMessage = f[HexMessageColumn];
    record.frequency = f[FrequencyColumn];
    record.rfLevel = f[RfLevelColumn];
    record.statusReading = f[StatusReadingColumn];
    record.statusVerdict = f[StatusVerdictColumn];
    record.instrumentSerialNo = f[InstrumentSerialColumn];
    record.calibrationDue = f[CalibrationColumn];
    record.programVersion = f[VersionColumn];
    if (!isValidMessageText(record.hexMessage)) {
        error = columnError(line, HexMessageColumn,
                            QStringLiteral("the message fails its error-correcting codes"));
        return false;
    }
    return true;
}

} // namespace

QString path(const QString &folder)
{
    return folder + u'/' + QLatin1String(FileName);
}

QStringList header()
{
    return {
        QStringLiteral("Date and time"),
        QStringLiteral("Vessel name"),
        QStringLiteral("Manufacturer"),
        QStringLiteral("Model"),
        QStringLiteral("Beacon serial number"),
        QStringLiteral("Bracket type"),
        QStringLiteral("Bracket serial number"),
        QStringLiteral("Battery expiry"),
        QStringLiteral("Hydrostatic release expiry date"),
        QStringLiteral("SBM due date"),
        QStringLiteral("Beacon ID (15 hex)"),
        QStringLiteral("Hex message"),
        QStringLiteral("Target frequency"),
        QStringLiteral("Measured frequency (MHz)"),
        QStringLiteral("Frequency verdict"),
        QStringLiteral("Distress"),
        QStringLiteral("RF level (dB)"),
        QStringLiteral("Status reading"),
        QStringLiteral("Status verdict"),
        QStringLiteral("Instrument serial number"),
        QStringLiteral("Calibration due"),
        QStringLiteral("Company"),
        QStringLiteral("Tested by"),
        QStringLiteral("Program version"),
        QStringLiteral("Report file"),
    };
}

QStringList fields(const TestRecord &r)
{
    const BeaconFields &b = r.beacon;
    return {isoTime(r.time),
            b.vesselName,
            b.manufacturer,
            b.model,
            b.beaconSerialNo,
            b.bracketType,
            b.bracketSerialNo,
            b.batteryExpiry,
            b.hydrostaticReleaseExpiry,
            b.sbmDueDate,
            r.beaconId(),
            r.hexMessage,
            r.targetFrequencyText(),
            r.frequency,
            r.frequencyVerdictText(),
            r.distressText(),
            r.rfLevel,
            r.statusReading,
            r.statusVerdict,
            r.instrumentSerialNo,
            r.calibrationDue,
            b.companyName,
            b.testedBy,
            r.programVersion,
            ReportFile::fileName(b.manufacturer, b.model, b.beaconSerialNo)};
}

QString isoTime(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")) +
           offsetText(time.offsetFromUtc());
}

QString spreadsheetSafe(const QString &value)
{
    return needsApostrophe(value) ? u'\'' + value : value;
}

QString fromSpreadsheetSafe(const QString &field)
{
    if (field.startsWith(u'\'') && needsApostrophe(field.mid(1)))
        return field.mid(1);
    return field;
}

QByteArray csvLine(const QStringList &fields)
{
    QByteArray line;
    QByteArray quoted;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line.append(',');
        const QByteArray utf8 = spreadsheetSafe(fields.at(i)).toUtf8();
        // Each byte at most doubled, and the two quotes around.
        quoted.resize(2 * utf8.size() + 2);
        quoted.resize(qsizetype(csv_write(quoted.data(), size_t(quoted.size()), utf8.constData(),
                                          size_t(utf8.size()))));
        line.append(quoted);
    }
    return line + "\r\n";
}

QString append(const QString &folder, const TestRecord &record)
{
    return append(folder, fields(record));
}

QString append(const QString &folder, const QStringList &fields)
{
    const QString registerPath = path(folder);
    // Two program instances append one after the other, and only one of them
    // finds the register new. The lock, not the file's append mode, keeps them
    // apart: Qt on Windows appends by seeking to the end first.
    QLockFile lock(registerPath + QStringLiteral(".lock"));
    if (!lock.tryLock(LockWaitMs)) {
        if (lock.error() == QLockFile::LockFailedError)
            return QStringLiteral("another VESTRA program is writing it");
        // A folder that takes no lock file may still hold a writable register;
        // then there is nobody to keep apart from but another such program.
        if (lock.error() != QLockFile::PermissionError)
            return QStringLiteral("its lock file cannot be made");
    }

    QFile file(registerPath);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return file.errorString();
    const qint64 sizeBefore = file.size();
    QByteArray line = csvLine(fields);
    if (sizeBefore == 0) {
        line.prepend(QByteArray(Utf8Bom) + csvLine(header()));
    } else {
        // A hand edit may have left the last line without its end.
        file.seek(sizeBefore - 1);
        char last = 0;
        if (file.read(&last, 1) == 1 && last != '\n')
            line.prepend("\r\n");
    }
    file.seek(sizeBefore);
    qint64 written = 0;
    while (written < line.size()) {
        const qint64 chunk = file.write(line.constData() + written, line.size() - written);
        if (chunk <= 0)
            break;
        written += chunk;
    }
    if (written < line.size()) {
        // A short write tells no reason; the next try at the rest does.
        const QString why = file.errorString();
        file.resize(sizeBefore);
        return why;
    }
    return QString();
}

bool read(const QString &registerPath, QList<TestRecord> &tests, QString &error)
{
    tests.clear();
    QFile file(registerPath);
    if (!file.open(QIODevice::ReadOnly)) {
        error = registerPath + QStringLiteral(": ") + file.errorString();
        return false;
    }
    QByteArray bytes = file.readAll();
    if (bytes.startsWith(Utf8Bom))
        bytes.remove(0, 3);

    Rows rows;
    QString why;
    bool ok = csvRows(bytes, rows, why);
    if (ok && !rows.rows.isEmpty() && rows.rows.first() != header()) {
        why = QStringLiteral("line %1: not the header of a test register of this program")
                  .arg(rows.firstLines.first());
        ok = false;
    }
    tests.reserve(rows.rows.size());
    for (int i = 1; ok && i < rows.rows.size(); ++i) {
        QStringList &row = rows.rows[i];
        if (row.size() != ColumnCount) {
            why = QStringLiteral("line %1: %2 %3, where a test has %4")
                      .arg(rows.firstLines.at(i))
                      .arg(row.size())
                      .arg(row.size() == 1 ? QStringLiteral("field") : QStringLiteral("fields"))
                      .arg(int(ColumnCount));
            ok = false;
            break;
        }
        TestRecord record;
        ok = toRecord(row, rows.firstLines.at(i), record, why);
        tests.append(std::move(record));
    }
    if (!ok) {
        tests.clear();
        error = registerPath + QStringLiteral(": ") + why;
    }
    return ok;
}

} // namespace TestRegister
