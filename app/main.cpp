#include "diagnosticlog.h"
#include "mainwindow.h"
#include "programnames.h"
#include "vestraversion.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDebug>
#include <QFont>

#include <cstring>

namespace {

void setApplicationNames()
{
    QCoreApplication::setOrganizationName(QLatin1String(OrganisationName));
    QCoreApplication::setOrganizationDomain(QStringLiteral("halvik.no"));
    QCoreApplication::setApplicationName(QLatin1String(ApplicationName));
    QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));
}

bool asksForInformation(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// Help and version are printed without a window, so that they work with no
// display (help2man writes the manual page from them at build time).
int printInformation(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    setApplicationNames();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "PC program of the Kova VESTRA bench test receiver for 406 MHz emergency beacons.\n"
        "Finds the instrument on a serial port, fetches the measurement of a beacon's\n"
        "self-test, judges it, decodes the beacon message and writes a PDF test report\n"
        "into Documents/VESTRA_Reports.\n"
        "\n"
        "Environment: VESTRA_PORTS, a comma-separated list of serial port names or device\n"
        "paths to try instead of the ports the system lists. Diagnostic lines go to\n"
        "standard error and into vestra.log in the program's data folder (the About\n"
        "dialog names it); QT_LOGGING_RULES=\"vestra.*.debug=false\" silences them."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("debug"),
        QStringLiteral("Debug mode: the hex message can be edited and the instrument's "
                       "main page is requested instead of the data page."),
        QStringLiteral("[debug]"));
    parser.process(app);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (asksForInformation(argc, argv))
        return printInformation(argc, argv);

    // The names first: they name the log's folder. The log before the
    // application object, whose platform may have something to say.
    setApplicationNames();
    DiagnosticLog log(DiagnosticLog::folder());
    const Done kept = log.install();
    QApplication app(argc, argv);
    if (!kept)
        qWarning().noquote() << "Diagnostic log not kept:" << kept.reason();
    // The form is laid out to the pixel for an 8-point Arial, Windows' old
    // dialog size; every platform's default is larger (Qt 6 takes Segoe UI 9
    // on Windows) and would clip its labels. On Linux fontconfig gives Arial's
    // metric twin, Liberation Sans.
    QApplication::setFont(QFont(QStringLiteral("Arial"), 8));

    MainWindow window;
    window.show();
    return app.exec();
}
