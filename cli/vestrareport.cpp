#include "consoleoutput.h"
#include "duedates.h"
#include "historyatstart.h"
#include "keptaside.h"
#include "listing.h"
#include "messagelisting.h"
#include "registertransfer.h"
#include "reportfile.h"
#include "reprintinto.h"
#include "testhistory.h"
#include "testregister.h"
#include "vestraversion.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>

namespace {

const char description[] =
    "Reads the test history that the VESTRA program keeps beside its reports\n"
    "(Documents/VESTRA_Reports/test-history.sqlite, or FILE with --history).\n"
    "\n"
    "  list [TEXT]   one line per test, oldest first: its number, the date, the\n"
    "                beacon's 15-hex ID, manufacturer, model, serial number,\n"
    "                vessel, frequency verdict, status verdict, battery expiry,\n"
    "                hydrostatic release expiry, the ID's country code with the\n"
    "                country's name, and the kind of test and its result where\n"
    "                the test record was kept. With TEXT only the tests whose\n"
    "                ID, serial number, vessel, manufacturer or model contains it,\n"
    "                in any case.\n"
    "  reprint       the PDF report of one test as it was made, with one more\n"
    "                line below its date: \"Reprinted from the test history on \"\n"
    "                and the moment of the reprint. The test is chosen by\n"
    "                --test N (its number, as list shows it) or by --beacon ID\n"
    "                (its latest test, or its test on --date). The file goes to\n"
    "                -o FILE, or into the current folder under the report's own\n"
    "                name with the test's date added, such as\n"
    "                \"Acme EB-5 SN 42 2026-03-01.pdf\", and its time (and then\n"
    "                its offset from UTC, then its number) where another test of\n"
    "                that day would get the same name. An existing file is only\n"
    "                replaced with --force.\n"
    "  due           each beacon once, from its latest test, whose next annual\n"
    "                test, battery, hydrostatic release or SBM date has passed or\n"
    "                falls within DAYS (--within, 60 unless given), soonest first.\n"
    "                The SBM date is the one typed, or without one five years\n"
    "                after the beacon's last shore-based maintenance recorded\n"
    "                without one. Each line:\n"
    "                the date, what falls due, ID, manufacturer, model, serial\n"
    "                number, vessel and the date of the latest test.\n"
    "  import FILE   adds the tests of a CSV test register to the history, in one\n"
    "                go, but those it holds already; damaged lines are skipped\n"
    "                and named on standard error, as is what a spreadsheet's\n"
    "                save did to the file.\n"
    "  export [FILE] writes every test as a CSV test register to FILE\n"
    "                (test-register.csv in the current folder unless given); an\n"
    "                existing file is only replaced with --force.\n"
    "\n"
    "With the history in the report folder, standard error says how many tests\n"
    "the VESTRA program has kept aside because the history could not take them;\n"
    "it adds them itself.\n"
    "\n"
    "Exit status: 0 when done; 1 when the history holds no such test or a file\n"
    "cannot or may not be written; 2 on a usage error, or when the history or\n"
    "the file to import cannot be read (one line on standard error says why);\n"
    "then nothing is written.";

// All the program says goes through these two, so that the console is
// written in one place.
void out(const QString &text)
{
    ConsoleOutput::write(stdout, text);
}

void err(const QString &text)
{
    ConsoleOutput::write(stderr, text);
}

int fail(int status, const QString &message)
{
    err(QStringLiteral("vestra-report: ") + message + u'\n');
    return status;
}

// Whether a field is on one line already: simplified() makes a copy of every
// field, which a long list feels, where most fields hold nothing it would
// change. Most characters are printable ASCII, passed by one test.
bool isOneLine(QStringView field)
{
    const auto *const text = reinterpret_cast<const char16_t *>(field.data());
    const qsizetype size = field.size();
    if (size > 0 && (text[0] == u' ' || text[size - 1] == u' '))
        return false;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = text[i];
        if (u > u' ' && u < 0x85)
            continue;
        // A blank is never the last here.
        if (u == u' ' ? text[i + 1] == u' '
                      : (u >= u'\t' && u <= u'\r') || (u >= 0x85 && QChar::isSpace(u)))
            return false;
    }
    return true;
}

// The rows as a table: columns as wide as their widest field, no blanks after
// the last field that holds text, every field on one line. The rows wait in a
// spool file until the widths are known, so that a long history costs no
// more memory than a short one. Each field is spooled after its length, so
// that laying the rows out reads them without a search.
class TablePrinter
{
public:
    TablePrinter()
    {
        if (!m_file.open())
            m_spool = &m_memory; // no temporary folder: in memory, then
        m_spool->open(QIODevice::ReadWrite);
    }

    void add(const QStringList &row)
    {
        if (m_widths.size() < row.size())
            m_widths.resize(row.size());
        m_columns = qMin(qMax(m_columns, row.size()), MaxColumns);
        // Written straight into the spool's text: Qt's appends, field by
        // field, cost a long list more than its fields do. Views, so that
        // no field is copied on the way.
        QStringView fields[MaxColumns];
        QString simplified[MaxColumns];
        qsizetype length = m_columns;
        for (qsizetype c = 0; c < m_columns && c < row.size(); ++c) {
            fields[c] = row.at(c);
            if (!isOneLine(fields[c]))
                fields[c] = simplified[c] = row.at(c).simplified();
            fields[c] = fields[c].left(MaxField);
            m_widths[c] = qMax(m_widths[c], fields[c].size());
            length += fields[c].size();
        }
        const qsizetype at = m_text.size();
        m_text.resize(at + length);
        char16_t *out = reinterpret_cast<char16_t *>(m_text.data()) + at;
        for (qsizetype c = 0; c < m_columns; ++c) {
            *out++ = char16_t(fields[c].size());
            out = std::copy_n(reinterpret_cast<const char16_t *>(fields[c].constData()),
                              fields[c].size(), out);
        }
        if (m_text.size() > ChunkChars)
            spool();
    }

    // False when the spool could not be read back whole.
    bool print()
    {
        spool();
        m_spool->seek(0);
        QString pending;
        qsizetype start = 0;
        // A row laid out, its line end included, before its last blanks go.
        qsizetype width = 1;
        for (const qsizetype w : std::as_const(m_widths))
            width += w + 2;
        while (!m_spool->atEnd()) {
            // What is left of the last chunk first, then the next one read behind it.
            pending.remove(0, start);
            const qsizetype kept = pending.size();
            pending.resize(kept + ChunkChars);
            const qint64 read =
                m_spool->read(reinterpret_cast<char *>(pending.data() + kept), 2 * ChunkChars);
            if (read < 0)
                return false;
            pending.truncate(kept + read / 2);
            start = 0;
            while (qsizetype end = rowEnd(pending, start))
                start = layOut(pending, start, end, width);
            if (m_text.size() > ChunkChars)
                out(std::exchange(m_text, QString()));
        }
        out(m_text);
        return start == pending.size();
    }

private:
    static constexpr qsizetype ChunkChars = 1 << 16;
    // A field's length is spooled as one character.
    static constexpr qsizetype MaxField = 0xFFFF;
    // More than a listing's row has.
    static constexpr qsizetype MaxColumns = 16;

    // Where the row that begins at from ends in text; 0 when text holds
    // only a part of it.
    qsizetype rowEnd(const QString &text, qsizetype from) const
    {
        for (qsizetype c = 0; c < m_columns; ++c) {
            if (from >= text.size())
                return 0;
            from += 1 + text.at(from).unicode();
        }
        return from <= text.size() ? from : 0;
    }

    void spool()
    {
        m_spool->write(reinterpret_cast<const char *>(m_text.constData()), 2 * m_text.size());
        m_text.clear();
    }

    qsizetype layOut(const QString &text, qsizetype from, qsizetype end, qsizetype width)
    {
        const qsizetype at = m_text.size();
        m_text.resize(at + width);
        char16_t *const start = reinterpret_cast<char16_t *>(m_text.data()) + at;
        char16_t *out = start;
        const auto *in = reinterpret_cast<const char16_t *>(text.constData());
        for (qsizetype c = 0; from < end; ++c) {
            const qsizetype length = in[from];
            out = std::copy_n(in + from + 1, length, out);
            out = std::fill_n(out, m_widths.value(c) + 2 - length, u' ');
            from += 1 + length;
        }
        // No blanks after the last field that holds text.
        while (out > start && out[-1] == u' ')
            --out;
        *out++ = u'\n';
        m_text.truncate(at + (out - start));
        return end;
    }

    QList<qsizetype> m_widths;
    qsizetype m_columns = 0;
    QString m_text;
    QTemporaryFile m_file;
    QBuffer m_memory;
    QIODevice *m_spool = &m_file;
};

struct Options
{
    QCommandLineParser parser;
    QCommandLineOption history{QStringLiteral("history"),
                               QStringLiteral("The test history to read."), QStringLiteral("FILE")};
    QCommandLineOption test{QStringLiteral("test"),
                            QStringLiteral("reprint: the test of this number."),
                            QStringLiteral("N")};
    QCommandLineOption beacon{QStringLiteral("beacon"),
                              QStringLiteral("reprint: the latest test of this 15-hex ID."),
                              QStringLiteral("ID")};
    QCommandLineOption date{QStringLiteral("date"),
                            QStringLiteral("reprint: with --beacon, its test on this day."),
                            QStringLiteral("YYYY-MM-DD")};
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("reprint: the PDF file to write."),
                              QStringLiteral("FILE.pdf")};
    QCommandLineOption force{QStringLiteral("force"),
                             QStringLiteral("reprint, export: replace an existing file.")};
    QCommandLineOption within{QStringLiteral("within"),
                              QStringLiteral("due: days ahead of today (60 unless given)."),
                              QStringLiteral("DAYS")};

    Options()
    {
        parser.setApplicationDescription(QString::fromLatin1(description));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({history, test, beacon, date, output, force, within});
        parser.addPositionalArgument(
            QStringLiteral("command"), QStringLiteral("list, reprint, due, import or export."),
            QStringLiteral("list [TEXT] | reprint | due | import FILE | export [FILE]"));
    }
    QStringList arguments() const { return parser.positionalArguments(); }
};

// Opens the history named by --history, or the one in the report folder
// (made, with the CSV register beside it imported, when it is not there
// yet), and says how many tests wait to be added to it. Only import makes a
// history that is not there; 0 when open, else the exit status.
int openHistory(const Options &o, std::unique_ptr<TestHistory> &history, bool create)
{
    QString path = o.parser.value(o.history);
    if (path.isEmpty()) {
        const QString folder = ReportFile::folder();
        if (folder.isEmpty())
            return fail(2, QStringLiteral("no Documents folder for the test history; use "
                                          "--history"));
        path = TestHistory::path(folder);
        if (QFile::exists(folder)) {
            for (const QString &line : openHistoryAtStart(folder))
                err(line + u'\n');
        }
        const qsizetype waiting = KeptAside::waiting(KeptAside::folder()).size();
        if (waiting > 0)
            err(QStringLiteral("vestra-report: %1 %2 kept aside in %3 %4 to be added to the test "
                               "history; the VESTRA program adds them at its next start or "
                               "report\n")
                    .arg(waiting)
                    .arg(waiting == 1 ? QStringLiteral("test") : QStringLiteral("tests"),
                         QDir::toNativeSeparators(KeptAside::folder()),
                         waiting == 1 ? QStringLiteral("waits") : QStringLiteral("wait")));
    }
    if (!create && !QFile::exists(path))
        return fail(2, QStringLiteral("%1: no test history there").arg(path));
    history = std::make_unique<TestHistory>(path);
    const Done opened = create ? history->openOrMake() : history->open();
    return opened ? 0 : fail(2, opened.reason());
}

int runList(const Options &o, TestHistory &history)
{
    const QString text = o.arguments().value(1);
    TablePrinter table;
    const Done read = history.forEach(TestHistory::Order::OldestFirst, TestHistory::Part::Listed,
                                      [&](const StoredTest &test) {
                                          const QStringList row = Listing::testRow(test);
                                          if (Listing::matchesFilter(row, text))
                                              table.add(row);
                                          return true;
                                      });
    if (!read)
        return fail(2, read.reason());
    return table.print() ? 0 : fail(2, QStringLiteral("the list could not be laid out"));
}

int runDue(const Options &o, TestHistory &history)
{
    int days = DueHorizonDays;
    if (o.parser.isSet(o.within)) {
        bool isNumber = false;
        days = o.parser.value(o.within).toInt(&isNumber);
        if (!isNumber || days < 0)
            return fail(2, QStringLiteral("--within takes a number of days from 0"));
    }
    const Result<QList<DueItem>> items = Listing::dueItems(history);
    if (!items)
        return fail(2, items.reason());
    const QDate today = QDate::currentDate();
    TablePrinter table;
    for (const DueItem &item : *items) {
        if (standsOut(item.due, today, days))
            table.add(Listing::dueRow(item));
    }
    return table.print() ? 0 : fail(2, QStringLiteral("the list could not be laid out"));
}

int runReprint(const Options &o, TestHistory &history)
{
    const bool byNumber = o.parser.isSet(o.test), byBeacon = o.parser.isSet(o.beacon);
    if (byNumber == byBeacon)
        return fail(2, QStringLiteral("reprint takes either --test N or --beacon ID"));
    if (o.parser.isSet(o.date) && !byBeacon)
        return fail(2, QStringLiteral("--date goes with --beacon"));
    Result<std::optional<StoredTest>> test = std::optional<StoredTest>();
    if (byNumber) {
        bool isNumber = false;
        const qint64 number = o.parser.value(o.test).toLongLong(&isNumber);
        if (!isNumber || number < 1)
            return fail(2, QStringLiteral("--test takes a test number from 1"));
        test = history.test(number);
        if (test && !*test)
            return fail(1, QStringLiteral("%1 holds no test %2")
                               .arg(QDir::toNativeSeparators(history.filePath()))
                               .arg(number));
    } else {
        const QString beaconId = o.parser.value(o.beacon);
        if (!isBeaconIdText(beaconId))
            return fail(2, QStringLiteral("--beacon takes a beacon ID of 15 hexadecimal digits"));
        const QDate date = QDate::fromString(o.parser.value(o.date), Qt::ISODate);
        if (o.parser.isSet(o.date) && !date.isValid())
            return fail(2, QStringLiteral("--date takes a day as YYYY-MM-DD"));
        test = history.latest(beaconId, date);
        if (test && !*test)
            return fail(
                1, QStringLiteral("%1 holds no test of beacon %2%3")
                       .arg(QDir::toNativeSeparators(history.filePath()), beaconId.toUpper(),
                            date.isValid() ? QStringLiteral(" on ") + date.toString(Qt::ISODate)
                                           : QString()));
    }
    if (!test)
        return fail(2, test.reason());
    const StoredTest &found = **test;
    QString path = o.parser.value(o.output);
    if (!o.parser.isSet(o.output)) {
        const Result<QString> name = reprintFileName(history, found);
        if (!name)
            return fail(2, name.reason());
        path = *name;
    }
    const bool force = o.parser.isSet(o.force);
    const Result<QString> written = reprintTo(found, path, force);
    if (!written)
        return fail(1, written.reason() + (!force && QFileInfo(path).isFile()
                                               ? QStringLiteral("; --force replaces it")
                                               : QString()));
    out(*written + u'\n');
    return 0;
}

int runImport(const Options &o, TestHistory &history)
{
    const Result<RegisterImport> import = importRegister(history, o.arguments().value(1));
    if (!import)
        return fail(2, import.reason());
    const QStringList lines = importStatusLines(import);
    out(lines.first() + u'\n');
    for (const QString &line : lines.mid(1))
        err(line + u'\n');
    return 0;
}

int runExport(const Options &o, TestHistory &history)
{
    const QString path = o.arguments().value(1, QString::fromLatin1(TestRegister::FileName));
    if (QFile::exists(path) && !o.parser.isSet(o.force))
        return fail(1, QStringLiteral("%1 is there already; --force replaces it").arg(path));
    const Done exported = exportRegister(history, path);
    if (!exported)
        return fail(1, exported.reason());
    out(path + u'\n');
    return 0;
}

// The commands, what each takes, and whether it draws (a PDF needs fonts,
// and so a GUI application, though no display). Any option but --history
// that a command does not name is a usage error.
using Option = QCommandLineOption Options::*;
const struct Command
{
    const char *name;
    int minArguments, maxArguments; // after the command's name
    bool draws;
    bool createsHistory;
    Option options[5];
    int (*run)(const Options &, TestHistory &);
} Commands[] = {
    {"list", 0, 1, false, false, {}, runList},
    {"reprint",
     0,
     0,
     true,
     false,
     {&Options::test, &Options::beacon, &Options::date, &Options::output, &Options::force},
     runReprint},
    {"due", 0, 0, false, false, {&Options::within}, runDue},
    {"import", 1, 1, false, true, {}, runImport},
    {"export", 0, 1, false, false, {&Options::force}, runExport},
};

// The command named on the line, or a usage error.
int findCommand(const Options &o, const Command *&command)
{
    const QStringList arguments = o.arguments();
    const QString name = arguments.value(0);
    command = nullptr;
    for (const Command &c : Commands) {
        if (name == QLatin1String(c.name) && arguments.size() - 1 >= c.minArguments &&
            arguments.size() - 1 <= c.maxArguments)
            command = &c;
    }
    if (!command)
        return fail(2, QStringLiteral("give list [TEXT], reprint, due, import FILE or export "
                                      "[FILE] (see --help)"));
    for (const Option option : {&Options::test, &Options::beacon, &Options::date, &Options::output,
                                &Options::force, &Options::within}) {
        if (o.parser.isSet(o.*option) &&
            std::find(std::begin(command->options), std::end(command->options), option) ==
                std::end(command->options))
            return fail(
                2,
                QStringLiteral("--%1 does not go with %2").arg((o.*option).names().last(), name));
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    std::unique_ptr<QCoreApplication> app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vestra-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));
    QLoggingCategory::setFilterRules(QStringLiteral("vestra.*.debug=false"));
    Options o;
    if (!o.parser.parse(QCoreApplication::arguments()))
        return fail(2, o.parser.errorText());
    if (o.parser.isSet(QStringLiteral("help")) || o.parser.isSet(QStringLiteral("help-all"))) {
        out(o.parser.helpText());
        return 0;
    }
    if (o.parser.isSet(QStringLiteral("version"))) {
        out(QStringLiteral("vestra-report " VESTRA_VERSION "\n"));
        return 0;
    }
    const Command *command = nullptr;
    if (const int status = findCommand(o, command))
        return status;
    if (command->draws) {
        app.reset();
#ifndef Q_OS_WIN
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    std::unique_ptr<TestHistory> history;
    if (const int status = openHistory(o, history, command->createsHistory))
        return status;
    return command->run(o, *history);
}
