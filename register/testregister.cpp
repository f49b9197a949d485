#include "testregister.h"

#include "duedates.h"
#include "filesync.h"
#include "isotime.h"
#include "reportfile.h"
#include "sheetresult.h"
#include "testfields.h"
#include "verdicts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QStringDecoder>

#include <csv.h>

#include <algorithm>
#include <cerrno>

namespace TestRegister {

namespace {

// Longer than one append takes, short enough not to hold up the technician.
constexpr int LockWaitMs = 2000;
// No program takes this long between making its lock file and writing its
// name into it: an empty lock file older than this was left by a crash.
constexpr int EmptyLockStaleMs = 2000;
// What is read of a register to tell its encoding.
constexpr qsizetype EncodingProbeBytes = 64 * 1024;

const char Utf8Bom[] = "\xEF\xBB\xBF";

// The column of the first field of that kind.
int columnOf(TestField::Kind kind)
{
    const TestFields::Range all = TestFields::all();
    for (int c = 0; c < all.size(); ++c) {
        if (all[c].kind == kind)
            return c;
    }
    return -1;
}

int columnOf(QString TestRecord::*measured)
{
    const TestFields::Range all = TestFields::all();
    for (int c = 0; c < all.size(); ++c) {
        if (all[c].measured == measured)
            return c;
    }
    return -1;
}

const int ColumnCount = TestFields::all().size();
const int HexMessageColumn = columnOf(&TestRecord::hexMessage);
const int TimeColumn = columnOf(TestField::Time);
// Registers of earlier versions end before the measurement's moment, or
// before the test record.
const int OldestColumnCount = columnOf(TestField::MeasuredAt);
const int OlderColumnCount = columnOf(TestField::KindOfTest);

bool isColumnCount(qsizetype count)
{
    return count == ColumnCount || count == OlderColumnCount || count == OldestColumnCount;
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

QString columnError(int column, const QString &what)
{
    return QStringLiteral("column %1 (\"%2\"): %3")
        .arg(column + 1)
        .arg(QLatin1String(TestFields::all()[column].title), what);
}

bool isUtf16(const QByteArray &bytes)
{
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") ||
           bytes.left(64).contains('\0');
}

// Whether the beginning of a register reads as UTF-8, up to its last whole line.
bool isUtf8(QByteArray head)
{
    if (head.size() == EncodingProbeBytes)
        head.truncate(head.lastIndexOf('\n') + 1);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(head);
    return !utf8.hasError();
}

const QString Utf16Refusal =
    QStringLiteral("UTF-16 text, where the register is UTF-8; save it as \"Text CSV\" in UTF-8");

// The test of one register line; false and error when a field cannot be
// what the program wrote.
bool toRecord(QStringList &f, TestRecord &record, QString &error)
{
    for (QString &field : f) {
        if (field.startsWith(u'\''))
            field = fromSpreadsheetSafe(field);
    }
    const TestFields::Range all = TestFields::all();
    for (int c = 0; c < f.size(); ++c) {
        const TestField &field = all[c];
        switch (field.kind) {
        case TestField::Typed:
        case TestField::Measured:
        case TestField::Ship:
        case TestField::Remarks:
            field.text(record) = f[c];
            break;
        case TestField::KindOfTest:
        case TestField::CheckAnswer:
            if (!field.setValue(record, f[c])) {
                error = columnError(c, field.kind == TestField::KindOfTest
                                           ? QStringLiteral("not a kind of test")
                                           : QStringLiteral("not Yes, No or N/A"));
                return false;
            }
            break;
        case TestField::Time:
            record.time = QDateTime::fromString(f[c], Qt::ISODate);
            if (!record.time.isValid()) {
                error = columnError(c, QStringLiteral("not a date and time"));
                return false;
            }
            break;
        case TestField::Target:
            record.targetIndex = Verdicts::targetIndex(f[c]);
            if (record.targetIndex < 0) {
                error = columnError(c, QStringLiteral("not a target frequency"));
                return false;
            }
            break;
        case TestField::MeasuredAt:
            // Most often the report's own moment, read already.
            record.measuredAt =
                f[c] == f[TimeColumn] ? record.time : QDateTime::fromString(f[c], Qt::ISODate);
            if (!f[c].isEmpty() && !record.measuredAt.isValid()) {
                error = columnError(c, QStringLiteral("not a date and time"));
                return false;
            }
            break;
        case TestField::BeaconId:
        case TestField::FrequencyVerdict:
        case TestField::Distress:
        case TestField::ReportFile:
        case TestField::Result:
            break;
        }
    }
    if (!record.messageValid()) {
        error = columnError(HexMessageColumn,
                            QStringLiteral("the message fails its error-correcting codes"));
        return false;
    }
    return true;
}

// What a spreadsheet leaves in a register it saved: each kind once, with
// the first place it was seen.
struct SpreadsheetSigns
{
    bool noBom = false;
    QString lineEnds; // "LF", "CR", or empty for CR LF
    bool unquoted = false;
    QString exponent, date, renamed;

    // Values are looked at only in a file that a spreadsheet has saved: the
    // program writes what was typed, whatever it looks like.
    bool saved() const { return noBom || !lineEnds.isEmpty() || unquoted; }

    void look(const QStringList &row, const TestRecord &record, int line)
    {
        static const QRegularExpression exponentForm(
            QStringLiteral("\\A[+-]?[0-9]\\.[0-9]+E[+-][0-9]+\\z"),
            QRegularExpression::CaseInsensitiveOption);
        static const QRegularExpression dateLike(
            QStringLiteral("\\A[0-9]{1,4}([./-][0-9]{1,4}){1,2}\\z"));
        const TestFields::Range all = TestFields::all();
        for (int c = 0; c < row.size() && c < all.size(); ++c) {
            const TestField &f = all[c];
            if (!f.isText())
                continue;
            const QString &value = row[c];
            if (exponent.isEmpty() && exponentForm.match(value).hasMatch())
                exponent = QStringLiteral("numbers in exponent form, such as %1 on line %2")
                               .arg(value)
                               .arg(line);
            const bool isDate = f.typed == &BeaconFields::batteryExpiry ||
                                f.typed == &BeaconFields::hydrostaticReleaseExpiry ||
                                f.typed == &BeaconFields::sbmDueDate;
            if (date.isEmpty() && isDate && !dueDate(value).isValid() &&
                dateLike.match(value.trimmed()).hasMatch())
                date =
                    QStringLiteral("dates rewritten, such as %1 on line %2").arg(value).arg(line);
        }
        // The report's name was made from the fields as the program wrote them.
        const int named = columnOf(TestField::ReportFile);
        const BeaconFields &b = record.beacon;
        if (renamed.isEmpty() && named < row.size() && !row[named].isEmpty() &&
            row[named] != ReportFile::fileName(b.manufacturer, b.model, b.beaconSerialNo))
            renamed = QStringLiteral("manufacturer, model or serial number changed since the "
                                     "report was named, such as \"%1\" on line %2 (leading zeros "
                                     "gone?)")
                          .arg(row[named])
                          .arg(line);
    }

    QStringList words() const
    {
        QStringList list;
        if (noBom)
            list.append(QStringLiteral("no byte-order mark"));
        if (!lineEnds.isEmpty())
            list.append(lineEnds + QStringLiteral(" line ends"));
        if (unquoted)
            list.append(QStringLiteral("fields not quoted"));
        for (const QString &found : {exponent, date, renamed}) {
            if (!found.isEmpty())
                list.append(found);
        }
        return list;
    }
};

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
    SpreadsheetSigns signs;
    // One for every field, told to forget an error after each.
    QStringDecoder utf8{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless};

    void skip(int line, const QString &what)
    {
        skipped.append(QStringLiteral("%1, line %2: %3").arg(file).arg(line).arg(what));
    }
};

// Worked out anew from the other columns; their text need not be kept,
// unless a spreadsheet's changes are looked for.
bool isDerived(qsizetype column, const Reader &reader)
{
    if (column >= ColumnCount)
        return false;
    switch (TestFields::all()[int(column)].kind) {
    case TestField::BeaconId:
    case TestField::FrequencyVerdict:
    case TestField::Distress:
    case TestField::Result:
        return true;
    case TestField::ReportFile:
        return !reader.signs.saved();
    default:
        return false;
    }
}

void takeField(void *data, size_t size, void *context)
{
    auto *reader = static_cast<Reader *>(context);
    if (reader->headerRead && isDerived(reader->row.size(), *reader)) {
        reader->row.append(QString());
        return;
    }
    // A register saved in Latin-1 would otherwise turn its letters into
    // replacement characters without a word.
    QStringDecoder &utf8 = reader->utf8;
    reader->row.append(utf8(QByteArrayView(static_cast<const char *>(data), qsizetype(size))));
    if (utf8.hasError()) {
        reader->notUtf8 = true;
        utf8.resetState();
    }
}

QString notTheHeader(int line)
{
    return QStringLiteral("line %1: not the header of a test register of this program").arg(line);
}

// The header first, then one test a row.
void checkRow(Reader &reader)
{
    if (!reader.headerRead) {
        reader.headerRead = true;
        const QStringList titles = header();
        if (!isColumnCount(reader.row.size()) || reader.row != titles.mid(0, reader.row.size()))
            reader.fatal = notTheHeader(reader.rowLine);
        return;
    }
    TestRecord record;
    QString error;
    const qsizetype fields = reader.row.size();
    if (reader.notUtf8)
        reader.skip(reader.rowLine, QStringLiteral("not UTF-8 text"));
    else if (!isColumnCount(fields))
        reader.skip(reader.rowLine,
                    QStringLiteral("%1 %2, where a test has %3")
                        .arg(fields)
                        .arg(fields == 1 ? QStringLiteral("field") : QStringLiteral("fields"))
                        .arg(fields < OldestColumnCount ? OldestColumnCount : ColumnCount));
    else if (!toRecord(reader.row, record, error))
        reader.skip(reader.rowLine, error);
    else {
        if (reader.signs.saved())
            reader.signs.look(reader.row, record, reader.rowLine);
        reader.stopped = !reader.take(record);
    }
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

// The first line tells how the file was saved: the program quotes every
// field and ends its lines with CR LF.
void lookAtHeader(const QByteArray &bytes, qsizetype from, Reader &reader)
{
    const qsizetype end = lineEnd(bytes, from);
    reader.signs.unquoted = from < bytes.size() && bytes[from] != '"';
    if (end > from && bytes[end - 1] == '\n' && (end - 2 < from || bytes[end - 2] != '\r'))
        reader.signs.lineEnds = QStringLiteral("LF");
    else if (end > from && bytes[end - 1] == '\r')
        reader.signs.lineEnds = QStringLiteral("CR");
}

// Feeds the register line by line from pos. A row that libcsv cannot take is
// skipped and reading starts again on the line after the row's first, so
// that a line cut short costs only itself and not the intact lines behind it.
void readRows(const QByteArray &bytes, qsizetype pos, Reader &reader, const Progress &progress)
{
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
                if (progress && line % 1024 == 0 && !progress(pos, bytes.size()))
                    reader.stopped = true;
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
            reader.fatal = notTheHeader(reader.rowLine);
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

// Reads bytes as a register named file; the reason when it is none at all.
Done readBytes(const QByteArray &bytes, const QString &file, const Take &take, Reading &reading,
               const Progress &progress)
{
    if (isUtf16(bytes))
        return failure(file + QStringLiteral(": ") + Utf16Refusal);
    const qsizetype start = bytes.startsWith(Utf8Bom) ? 3 : 0;
    Reader reader(take, file, reading.skipped);
    reader.signs.noBom = start == 0 && !bytes.isEmpty();
    lookAtHeader(bytes, start, reader);
    readRows(bytes, start, reader, progress);
    if (!reader.fatal.isEmpty())
        return failure(file + QStringLiteral(", ") + reader.fatal);
    if (reader.signs.saved())
        reading.spreadsheetSigns = reader.signs.words();
    if (reader.stopped)
        return failure(file + QStringLiteral(": reading stopped"));
    return {};
}

// A lock file that a crash left empty keeps nobody out.
bool dropStaleEmptyLock(const QString &lockPath)
{
    const QFileInfo lock(lockPath);
    return lock.exists() && lock.size() == 0 &&
           lock.lastModified().msecsTo(QDateTime::currentDateTime()) > EmptyLockStaleMs &&
           QFile::remove(lockPath);
}

bool nearlyFull(const QString &folder)
{
    return QStorageInfo(folder).bytesAvailable() < 64 * 1024;
}

} // namespace

QString path(const QString &folder)
{
    return folder + u'/' + QLatin1String(FileName);
}

QStringList header()
{
    QStringList titles;
    for (const TestField &f : TestFields::all())
        titles.append(QLatin1String(f.title));
    return titles;
}

QStringList fields(const TestRecord &r)
{
    QStringList texts;
    texts.reserve(ColumnCount);
    const BeaconFields &b = r.beacon;
    for (const TestField &f : TestFields::all()) {
        switch (f.kind) {
        case TestField::Typed:
        case TestField::Measured:
        case TestField::Ship:
        case TestField::Remarks:
            texts.append(f.text(r));
            break;
        case TestField::KindOfTest:
        case TestField::CheckAnswer:
            texts.append(f.value(r));
            break;
        case TestField::Result:
            texts.append(sheetResultText(r));
            break;
        case TestField::Time:
            texts.append(isoTime(r.time));
            break;
        case TestField::Target:
            texts.append(r.targetFrequencyText());
            break;
        case TestField::BeaconId:
            texts.append(r.beaconId());
            break;
        case TestField::FrequencyVerdict:
            texts.append(r.frequencyVerdictText());
            break;
        case TestField::Distress:
            texts.append(r.distressText());
            break;
        case TestField::ReportFile:
            texts.append(ReportFile::fileName(b.manufacturer, b.model, b.beaconSerialNo));
            break;
        case TestField::MeasuredAt:
            texts.append(isoTime(r.identityTime()));
            break;
        }
    }
    return texts;
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

Done append(const QString &folder, const TestRecord &record)
{
    const QString registerPath = path(folder);
    // Two program instances append one after the other, and only one of them
    // finds the register new. The lock, not the file's append mode, keeps them
    // apart: Qt on Windows appends by seeking to the end first.
    const QString lockPath = registerPath + QStringLiteral(".lock");
    dropStaleEmptyLock(lockPath);
    QLockFile lock(lockPath);
    bool locked = lock.tryLock(LockWaitMs);
    if (!locked && lock.error() == QLockFile::LockFailedError && dropStaleEmptyLock(lockPath))
        locked = lock.tryLock(0);
    if (!locked) {
        if (lock.error() == QLockFile::LockFailedError)
            return failure(QStringLiteral("another VESTRA program is writing it"));
        // A folder that takes no lock file may still hold a writable register;
        // then there is nobody to keep apart from but another such program.
        if (lock.error() != QLockFile::PermissionError)
            return failure(nearlyFull(folder) ? QStringLiteral("no space left on the disk")
                                              : QStringLiteral("its lock file cannot be made"));
    }

    QFile file(registerPath);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return failure(file.errorString());
    qint64 sizeBefore = file.size();
    const QByteArray head = file.read(EncodingProbeBytes);
    // Lines of another encoding would spoil a register an import could read.
    if (isUtf16(head))
        return failure(QStringLiteral("it is ") + Utf16Refusal);
    if (!isUtf8(head.startsWith(Utf8Bom) ? head.mid(3) : head))
        return failure(QStringLiteral("it is not UTF-8 text; save it as \"Text CSV\" in UTF-8"));
    QByteArray line = csvLine(fields(record));
    // A register of only the byte-order mark, as some editors leave it, gets
    // its header too.
    const bool isNew =
        sizeBefore <= qint64(sizeof Utf8Bom - 1) && QByteArray(Utf8Bom).startsWith(head);
    if (isNew) {
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
    if (!ReportFile::writeAll(file, line) || !FileSync::sync(file) ||
        (isNew && !FileSync::syncFolder(folder))) {
        const QString why =
            file.error() != QFileDevice::NoError ? file.errorString() : qt_error_string(errno);
        file.resize(sizeBefore);
        return failure(why);
    }
    return {};
}

QByteArray start()
{
    return QByteArray(Utf8Bom) + csvLine(header());
}

Done check(const QString &registerPath)
{
    const QString file = QDir::toNativeSeparators(registerPath);
    QFile input(registerPath);
    if (!input.open(QIODevice::ReadOnly))
        return failure(file + QStringLiteral(": ") + input.errorString());
    QByteArray head = input.read(EncodingProbeBytes);
    // The header alone, whole.
    const qsizetype bom = head.startsWith(Utf8Bom) ? 3 : 0;
    if (!isUtf16(head))
        head.truncate(lineEnd(head, bom));
    Reading ignored;
    return readBytes(head, file, [](const TestRecord &) { return true; }, ignored, {});
}

Done read(const QString &registerPath, const Take &take, Reading &reading, const Progress &progress)
{
    const QString file = QDir::toNativeSeparators(registerPath);
    QFile input(registerPath);
    if (!input.open(QIODevice::ReadOnly))
        return failure(file + QStringLiteral(": ") + input.errorString());
    return readBytes(input.readAll(), file, take, reading, progress);
}

} // namespace TestRegister
