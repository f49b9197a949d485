#include "testregister.h"

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
    if (!record.messageValid()) {
        error = columnError(line, HexMessageColumn,
                            QStringLiteral("the message fails its error-correcting codes"));
        return false;
    }
    return true;
}

// Reads the register's rows as libcsv hands them over, field by field, into
// tests, and keeps the first thing wrong. libcsv knows nothing of lines, so
// it is fed one line at a time and the lines are counted here.
struct Reader
{
    QList<TestRecord> tests;
    QStringList row;
    int line = 1;
    int rowLine = 1;
    bool headerRead = false;
    QString error;
};

// Worked out anew from the other columns; their text need not be kept.
bool isDerived(qsizetype column)
{
    return column == BeaconIdColumn || column == FrequencyVerdictColumn ||
           column == DistressColumn || column == ReportFileColumn;
}

void takeField(void *data, size_t size, void *context)
{
    auto *reader = static_cast<Reader *>(context);
    const char *bytes = static_cast<const char *>(data);
    // A field ends on the line where it is read to; its own line breaks are behind it.
    if (reader->row.isEmpty())
        reader->rowLine = reader->line - int(std::count(bytes, bytes + size, '\n'));
    if (reader->headerRead && isDerived(reader->row.size()))
        reader->row.append(QString());
    else
        reader->row.append(QString::fromUtf8(bytes, qsizetype(size)));
}

// The header first, then one test a row.
void checkRow(Reader &reader)
{
    if (!reader.headerRead) {
        reader.headerRead = true;
        if (reader.row != header())
            reader.error = QStringLiteral("line %1: not the header of a test register of this "
                                          "program")
                               .arg(reader.rowLine);
    } else if (reader.row.size() != ColumnCount) {
        reader.error =
            QStringLiteral("line %1: %2 %3, where a test has %4")
                .arg(reader.rowLine)
                .arg(reader.row.size())
                .arg(reader.row.size() == 1 ? QStringLiteral("field") : QStringLiteral("fields"))
                .arg(int(ColumnCount));
    } else {
        TestRecord record;
        if (toRecord(reader.row, reader.rowLine, record, reader.error))
            reader.tests.append(std::move(record));
    }
}

void takeRow(int, void *context)
{
    auto *reader = static_cast<Reader *>(context);
    if (reader->error.isEmpty())
        checkRow(*reader);
    reader->row.clear();
    reader->rowLine = reader->line + 1;
}

// The tests of an RFC 4180 register; false and error for the first line that
// is not one the program wrote.
bool readTests(const QByteArray &bytes, Reader &reader)
{
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
        reader.error = QStringLiteral("out of memory");
        return false;
    }
    csv_set_space_func(&parser, noSpace);
    const char *data = bytes.constData();
    const char *const end = data + bytes.size();
    bool parsed = true;
    while (parsed && reader.error.isEmpty() && data < end) {
        const char *lineEnd = static_cast<const char *>(memchr(data, '\n', size_t(end - data)));
        const size_t size = lineEnd ? size_t(lineEnd - data + 1) : size_t(end - data);
        parsed = csv_parse(&parser, data, size, takeField, takeRow, &reader) == size;
        if (parsed) {
            data += size;
            if (lineEnd)
                ++reader.line;
        }
    }
    if (parsed && reader.error.isEmpty())
        parsed = csv_fini(&parser, takeField, takeRow, &reader) == 0;
    if (!parsed) {
        reader.error = data < end ? columnError(reader.line, int(reader.row.size()),
                                                QStringLiteral("a double quote out of place"))
                                  : columnError(reader.rowLine, int(reader.row.size()),
                                                QStringLiteral("a quoted field is never closed"));
    }
    csv_free(&parser);
    return reader.error.isEmpty();
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
    if (!ReportFile::writeAll(file, line)) {
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
    Reader reader;
    if (!readTests(bytes, reader)) {
        error = registerPath + QStringLiteral(": ") + reader.error;
        return false;
    }
    tests = std::move(reader.tests);
    return true;
}

} // namespace TestRegister
