#include "beaconhistory.h"
#include "consoleoutput.h"
#include "pdfreport.h"
#include "reportfile.h"
#include "testregister.h"
#include "vestraversion.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QRegularExpression>

#include <cstdio>
#include <memory>

namespace {

const char description[] =
    "Reads the test register that the VESTRA program writes beside its reports\n"
    "(Documents/VESTRA_Reports/test-register.csv, or FILE with --register).\n"
    "\n"
    "  list [TEXT]   one line per test, oldest first: its number, the date, the\n"
    "                beacon's 15-hex ID, manufacturer, model, serial number,\n"
    "                vessel, frequency verdict, status verdict, battery expiry and\n"
    "                hydrostatic release expiry. With TEXT only the tests whose\n"
    "                ID, serial number or vessel name contains it, in any case.\n"
    "  reprint       the PDF report of one test as it was made, with one more\n"
    "                line below its date: \"Reprinted from the test register on \"\n"
    "                and the moment of the reprint. The test is chosen by\n"
    "                --line N (the N-th test, as list numbers them) or by\n"
    "                --beacon ID (its latest test, or its test on --date).\n"
    "                The file goes to -o FILE, or into the current folder under\n"
    "                the report's own name with the test's date added, such as\n"
    "                \"Acme EB-5 SN 42 2026-03-01.pdf\". An existing file is only\n"
    "                replaced with --force.\n"
    "\n"
    "Exit status: 0 when done; 1 when the register holds no such test or the\n"
    "file cannot or may not be written; 2 on a usage error, or when the register\n"
    "cannot be read whole (one line on standard error names the file, the line\n"
    "and the column); then nothing is written.";

int fail(int status, const QString &message)
{
    ConsoleOutput::write(stderr, QStringLiteral("vestra-report: ") + message + u'\n');
    return status;
}

int list(const QList<TestRecord> &tests, const QString &text)
{
    QList<QStringList> rows;
    for (qsizetype i = 0; i < tests.size(); ++i) {
        const TestRecord &t = tests.at(i);
        const QString id = t.beaconId();
        if (!text.isEmpty() && !id.contains(text, Qt::CaseInsensitive) &&
            !t.beacon.beaconSerialNo.contains(text, Qt::CaseInsensitive) &&
            !t.beacon.vesselName.contains(text, Qt::CaseInsensitive))
            continue;
        QStringList row{QString::number(i + 1),
                        t.time.date().toString(Qt::ISODate),
                        id,
                        t.beacon.manufacturer,
                        t.beacon.model,
                        t.beacon.beaconSerialNo,
                        t.beacon.vesselName,
                        t.frequencyVerdictText(),
                        t.statusVerdict,
                        t.beacon.batteryExpiry,
                        t.beacon.hydrostaticReleaseExpiry};
        // One line per test, whatever line breaks or tabs the fields hold.
        for (QString &field : row)
            field = std::move(field).simplified();
        rows.append(row);
    }
    // Columns as wide as their widest field, so that the list reads as a table.
    QList<qsizetype> widths;
    for (const QStringList &row : std::as_const(rows)) {
        widths.resize(row.size());
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[c] = qMax(widths[c], row[c].size());
    }
    QString out;
    for (const QStringList &row : std::as_const(rows)) {
        const qsizetype start = out.size();
        for (qsizetype c = 0; c < row.size(); ++c) {
            out += row[c];
            if (c + 1 < row.size())
                out.resize(out.size() + widths[c] + 2 - row[c].size(), u' ');
        }
        // No blanks after the last field that holds text.
        qsizetype end = out.size();
        while (end > start && out.at(end - 1) == u' ')
            --end;
        out.truncate(end);
        out += u'\n';
    }
    ConsoleOutput::write(stdout, out);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // The PDF needs fonts, and so a GUI application; there need be no display.
    bool reprinting = false;
    for (int i = 1; i < argc; ++i)
        reprinting = reprinting || qstrcmp(argv[i], "reprint") == 0;
#ifndef Q_OS_WIN
    if (reprinting && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    std::unique_ptr<QCoreApplication> app(reprinting ? new QGuiApplication(argc, argv)
                                                     : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("vestra-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));
    QLoggingCategory::setFilterRules(QStringLiteral("vestra.*.debug=false"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption registerOption(QStringLiteral("register"),
                                            QStringLiteral("The test register to read."),
                                            QStringLiteral("FILE"));
    const QCommandLineOption lineOption(
        QStringLiteral("line"), QStringLiteral("reprint: the N-th test."), QStringLiteral("N"));
    const QCommandLineOption beaconOption(
        QStringLiteral("beacon"), QStringLiteral("reprint: the latest test of this 15-hex ID."),
        QStringLiteral("ID"));
    const QCommandLineOption dateOption(
        QStringLiteral("date"), QStringLiteral("reprint: with --beacon, its test on this day."),
        QStringLiteral("YYYY-MM-DD"));
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QStringLiteral("reprint: the PDF file to write."),
                                          QStringLiteral("FILE.pdf"));
    const QCommandLineOption forceOption(QStringLiteral("force"),
                                         QStringLiteral("reprint: replace an existing file."));
    parser.addOptions(
        {registerOption, lineOption, beaconOption, dateOption, outputOption, forceOption});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("list or reprint."),
                                 QStringLiteral("list [TEXT] | reprint"));
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(2, parser.errorText());
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        ConsoleOutput::write(stdout, parser.helpText());
        return 0;
    }
    // Printed, as the help is: Qt would show a message box on Windows
    // whenever the process has no console.
    if (parser.isSet(versionOption)) {
        ConsoleOutput::write(stdout, QCoreApplication::applicationName() + u' ' +
                                         QCoreApplication::applicationVersion() + u'\n');
        return 0;
    }

    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.value(0);
    const bool listing = command == QLatin1String("list") && arguments.size() <= 2;
    if (!listing && !(reprinting && command == QLatin1String("reprint") && arguments.size() == 1))
        return fail(2, QStringLiteral("give list [TEXT] or reprint (see --help)"));
    const bool byLine = parser.isSet(lineOption), byBeacon = parser.isSet(beaconOption);
    if (listing) {
        for (const QCommandLineOption &option :
             {lineOption, beaconOption, dateOption, outputOption, forceOption}) {
            if (parser.isSet(option))
                return fail(2,
                            QStringLiteral("--%1 belongs to reprint").arg(option.names().last()));
        }
    } else if (byLine == byBeacon) {
        return fail(2, QStringLiteral("reprint takes either --line N or --beacon ID"));
    } else if (parser.isSet(dateOption) && !byBeacon) {
        return fail(2, QStringLiteral("--date goes with --beacon"));
    }
    bool isNumber = false;
    const int lineNumber = parser.value(lineOption).toInt(&isNumber);
    if (byLine && (!isNumber || lineNumber < 1))
        return fail(2, QStringLiteral("--line takes a test number from 1"));
    static const QRegularExpression hexId(QStringLiteral("\\A[0-9A-Fa-f]{15}\\z"));
    const QString beaconId = parser.value(beaconOption);
    if (byBeacon && !hexId.match(beaconId).hasMatch())
        return fail(2, QStringLiteral("--beacon takes a beacon ID of 15 hexadecimal digits"));
    const QDate date = QDate::fromString(parser.value(dateOption), Qt::ISODate);
    if (parser.isSet(dateOption) && !date.isValid())
        return fail(2, QStringLiteral("--date takes a day as YYYY-MM-DD"));

    QString registerPath = parser.value(registerOption);
    if (registerPath.isEmpty()) {
        const QString folder = ReportFile::folder();
        if (folder.isEmpty())
            return fail(
                2, QStringLiteral("no Documents folder for the test register; use --register"));
        registerPath = TestRegister::path(folder);
    }
    QList<TestRecord> tests;
    QString error;
    if (!TestRegister::read(registerPath, tests, error))
        return fail(2, error);
    if (listing)
        return list(tests, arguments.value(1));

    const TestRecord *test = nullptr;
    if (byLine) {
        if (lineNumber > tests.size())
            return fail(1, QStringLiteral("%1 holds %2 tests, not %3")
                               .arg(registerPath)
                               .arg(tests.size())
                               .arg(lineNumber));
        test = &tests.at(lineNumber - 1);
    } else if (!(test = latestTest(tests, beaconId, date))) {
        return fail(1, QStringLiteral("%1 holds no test of beacon %2%3")
                           .arg(registerPath, beaconId.toUpper(),
                                date.isValid() ? QStringLiteral(" on ") + date.toString(Qt::ISODate)
                                               : QString()));
    }

    const BeaconFields &b = test->beacon;
    const QString output =
        parser.isSet(outputOption)
            ? parser.value(outputOption)
            : ReportFile::fileName(b.manufacturer, b.model, b.beaconSerialNo,
                                   u' ' + test->time.date().toString(Qt::ISODate));
    if (QFile::exists(output) && !parser.isSet(forceOption))
        return fail(1, QStringLiteral("%1 is there already; --force replaces it").arg(output));
    if (!pdfReport().createReport(output, *test, QDateTime::currentDateTime()))
        return fail(1, QStringLiteral("%1 cannot be written").arg(output));
    ConsoleOutput::write(stdout,
                         QDir::toNativeSeparators(QFileInfo(output).absoluteFilePath()) + u'\n');
    return 0;
}
