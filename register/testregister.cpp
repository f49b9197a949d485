#include "testregister.h"

#include "isotime.h"
#include "reportfile.h"
#include "verdicts.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QRegularExpression>
#include <QStringDecoder>

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

QString columnError(int column, const QString &what)
{
    return QStringLiteral("column %1 (\"%2\"): %3")
        .arg(column + 1)
        .arg(header().value(column), what);
}

// The test of one register line; false and error when a field cannot be
// what the program wrote.
bool toRecord(QStringList &f, TestRecord &record, QString &error)
{
    for (QString &field : f) {
        if (field.startsWith(u'\''))
            field = fromSpreadsheetSafe(field);
    }
    record.time = QDateTime::fromString(f[TimeColumn], Qt::ISODate);
    if (!record.time.isValid()) {
        error = columnError(TimeColumn, QStringLiteral("not a date and time"));
        return false;
    }
    record.beacon = {f[VesselColumn],  f[ManufacturerColumn], f[ModelColumn],
                     f[SerialColumn],  f[BracketTypeColumn],  f[BracketSerialColumn],
                     f[BatteryColumn], f[HydrostaticColumn],  f[SbmColumn],
                     f[CompanyColumn], f[TesterColumn]};
    record.targetIndex = Verdicts::targetIndex(f[TargetColumn]);
    if (record.targetIndex < 0) {
        error = columnError(TargetColumn, QStringLiteral("not a target frequency"));
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
        error = columnError(HexMessageColumn,
                            QStringLiteral("the message fails its error-correcting codes"));
        return false;
    }
    return true;
}

// Reads the register's rows as libcsv hands them over, field by field. libcsv
// knows nothing of lines, so it is fed one line at a time and the lines are
// counted here; a damaged row is named by the line it begins on.
struct Reader
{
    Reader(const Take &t, const QString &f, QStringList &s) : take(t), file(f), skipped(s) {}

    const Take &take;
    QString file;
    QStringList &skipped;
    QStringList row;
    bool notUtf8 = false;
    int rowLine = 1;
    bool headerRead = false;
    bool stopped = false;
    QString fatal;

    void skip(int line, const QString &what)
    {
        skipped.append(QStringLiteral("%1, line %2: %3").arg(file).arg(line).arg(what));
    }
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
    if (reader->headerRead && isDerived(reader->row.size())) {
        reader->row.append(QString());
        return;
    }
    // A register saved in Latin-1 would otherwise turn its letters into
    // replacement characters without a word.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    reader->row.append(utf8(QByteArrayView(static_cast<const char *>(data), qsizetype(size))));
    reader->notUtf8 = reader->notUtf8 || utf8.hasError();
}

// The header first, then one test a row.
void checkRow(Reader &reader)
{
    if (!reader.headerRead) {
        reader.headerRead = true;
        if (reader.row != header())
            reader.fatal = QStringLiteral("line %1: not the header of a test register of this "
                                          "program")
                               .arg(reader.rowLine);
        return;
    }
    TestRecord record;
    QString error;
    if (reader.notUtf8)
        reader.skip(reader.rowLine, QStringLiteral("not UTF-8 text"));
    else if (reader.row.size() != ColumnCount)
        reader.skip(reader.rowLine, QStringLiteral("%1 %2, where a test has %3")
                                        .arg(reader.row.size())
                                        .arg(reader.row.size() == 1 ? QStringLiteral("field")
                                                                    : QStringLiteral("fields"))
                                        .arg(int(ColumnCount)));
    else if (!toRecord(reader.row, record, error))
        reader.skip(reader.rowLine, error);
    else
        reader.stopped = !reader.take(record);
}

void takeRow(int, void *context)
{
    auto *reader = static_cast<Reader *>(context);
    if (reader->fatal.isEmpty() && !reader->stopped)
        checkRow(*reader);
    reader->row.clear();
    reader->notUtf8 = false;
}

// Where the line that begins at from ends: after LF, CR LF, or a CR alone,
// which some programs still write.
qsizetype lineEnd(const QByteArray &bytes, qsizetype from)
{
    for (qsizetype i = from; i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            return i + 1;
        if (bytes[i] == '\r')
            return i + 1 < bytes.size() && bytes[i + 1] == '\n' ? i + 2 : i + 1;
    }
    return bytes.size();
}

// Feeds the register line by line. A row that libcsv cannot take is skipped
// and reading starts again on the line after the row's first, so that a
// line cut short costs only itself and not the intact lines behind it.
void readRows(const QByteArray &bytes, Reader &reader)
{
    qsizetype pos = 0;
    int line = 1;
    while (pos < bytes.size() && reader.fatal.isEmpty() && !reader.stopped) {
        csv_parser parser;
        if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
            reader.fatal = QStringLiteral("out of memory");
            return;
        }
        csv_set_space_func(&parser, noSpace);
        qsizetype rowStart = pos;
        bool parsed = true;
        while (parsed && pos < bytes.size() && reader.fatal.isEmpty() && !reader.stopped) {
            // libcsv's state tells whether a row is under way.
            if (parser.pstate == 0) {
                reader.rowLine = line;
                rowStart = pos;
            }
            const qsizetype next = lineEnd(bytes, pos);
            parsed = csv_parse(&parser, bytes.constData() + pos, size_t(next - pos), takeField,
                               takeRow, &reader) == size_t(next - pos);
            if (parsed) {
                pos = next;
                ++line;
            }
        }
        const bool atEnd = parsed;
        if (parsed && reader.fatal.isEmpty() && !reader.stopped)
            parsed = csv_fini(&parser, takeField, takeRow, &reader) == 0;
        csv_free(&parser);
        if (parsed)
            return;
        if (!reader.headerRead) {
            reader.fatal = QStringLiteral("line %1: not the header of a test register of this "
                                          "program")
                               .arg(reader.rowLine);
            return;
        }
        reader.skip(reader.rowLine,
                    atEnd ? QStringLiteral("a quoted field is never closed")
                    : reader.rowLine < line
                        ? QStringLiteral("a quoted field runs on into line %1").arg(line)
                        : QStringLiteral("a double quote out of place"));
        reader.row.clear();
        reader.notUtf8 = false;
        pos = lineEnd(bytes, rowStart);
        line = reader.rowLine + 1;
    }
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
    qint64 sizeBefore = file.size();
    QByteArray line = csvLine(fields);
    // A register of only the byte-order mark, as some editors leave it, gets
    // its header too.
    if (sizeBefore <= qint64(sizeof Utf8Bom - 1) &&
        QByteArray(Utf8Bom).startsWith(file.read(sizeBefore))) {
        sizeBefore = 0;
        line.prepend(start());
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

QByteArray start()
{
    return QByteArray(Utf8Bom) + csvLine(header());
}

bool read(const QString &registerPath, const Take &take, QStringList &skipped, QString &error)
{
    const QString file = QDir::toNativeSeparators(registerPath);
    QFile input(registerPath);
    if (!input.open(QIODevice::ReadOnly)) {
        error = file + QStringLiteral(": ") + input.errorString();
        return false;
    }
    QByteArray bytes = input.readAll();
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") ||
        bytes.left(64).contains('\0')) {
        error = file + QStringLiteral(": UTF-16 text, where the register is UTF-8; save it as "
                                      "\"Text CSV\" in UTF-8");
        return false;
    }
    if (bytes.startsWith(Utf8Bom))
        bytes.remove(0, 3);
    Reader reader(take, file, skipped);
    readRows(bytes, reader);
    if (!reader.fatal.isEmpty()) {
        error = file + QStringLiteral(", ") + reader.fatal;
        return false;
    }
    return !reader.stopped;
}

} // namespace TestRegister
