#include "messagelisting.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QStringList>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

const char usage[] =
    "Usage: vestra-decode [HEX ...]\n"
    "\n"
    "Decodes 406 MHz beacon messages written as hexadecimal digits and prints the\n"
    "decoded listing of each, followed by an empty line. Without arguments, every\n"
    "non-empty line of standard input is one message. A message that does not\n"
    "begin with \"F\" gets the preamble \"FFFE2F\" in front; lower-case digits are\n"
    "accepted. A message that fails its BCH check prints \"Invalid message\".\n"
    "\n"
    "Exit status: 0 when every message was valid, 1 when any was invalid,\n"
    "2 on a usage error.\n"
    "\n"
    "The decoder's debug lines are off; QT_LOGGING_RULES=\"vestra.decoder.debug=true\"\n"
    "sends them to standard error.\n";

bool decodeAndPrint(const QString &text)
{
    QStringList lines;
    const bool valid = buildListing(text, lines);
    QByteArray out;
    if (valid) {
        for (const QString &line : std::as_const(lines)) {
            out += line.toUtf8();
            out += '\n';
        }
    } else {
        out = "Invalid message\n";
    }
    out += '\n';
    std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout);
    std::fflush(stdout);
    return valid;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Set before any rules from the environment are read, which still win.
    QLoggingCategory::setFilterRules(QStringLiteral("vestra.decoder.debug=false"));

    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (argument.startsWith(QLatin1Char('-'))) {
            std::fprintf(stderr, "vestra-decode: unknown option %s\n\n%s",
                         argument.toLocal8Bit().constData(), usage);
            return 2;
        }
    }

    bool allValid = true;
    if (!arguments.isEmpty()) {
        for (const QString &argument : arguments)
            allValid = decodeAndPrint(argument) && allValid;
    } else {
        std::string line;
        while (std::getline(std::cin, line)) {
            const QString text = QString::fromUtf8(line.data(), qsizetype(line.size())).trimmed();
            if (!text.isEmpty())
                allValid = decodeAndPrint(text) && allValid;
        }
    }
    return allValid ? 0 : 1;
}
