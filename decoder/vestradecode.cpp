#include "messagediagnosis.h"
#include "messagelisting.h"
#include "vestraversion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QStringList>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

const char description[] =
    "Decodes 406 MHz beacon messages written as hexadecimal digits. Each HEX argument\n"
    "is one message, \"-\" stands for standard input; without arguments standard input\n"
    "is read. On standard input every non-empty line is one message, blanks around it\n"
    "removed. A message that does not begin with \"F\" gets the preamble \"FFFE2F\" in\n"
    "front; lower-case digits are accepted.\n"
    "\n"
    "A valid message prints its decoded listing exactly as the report shows it, then\n"
    "an empty line. An invalid one prints\n"
    "  Invalid message: INPUT - REASON\n"
    "where REASON is 'not hexadecimal: \"C\" at position N' (the first offending\n"
    "character, counted from 1 in the input as given), or 'BCH-1 fails: received R,\n"
    "computed C' and/or 'BCH-2 fails: ...' with the check bits in hex. After a failed\n"
    "check follow \"Bit errors: \" with the message bit numbers of the fewest flips that\n"
    "make the message pass (up to 3 in bits 25-106, up to 2 in bits 107-144) and\n"
    "\"Corrected message: \" with those bits flipped - a hint, never decoded - or\n"
    "\"Bit errors: more errors than the code can locate\"; then an empty line.\n"
    "\n"
    "--json prints one JSON object per message and line instead:\n"
    "  input    the message as given\n"
    "  valid    true or false\n"
    "  listing  (valid) the listing as [{\"label\", \"value\"}], each line split at its\n"
    "           first colon as the report does (label up to and with the colon,\n"
    "           value after the blank that follows; no colon: empty label)\n"
    "  hexId    (valid, when the listing has one) the 15-digit beacon identifier\n"
    "  reason   (invalid) REASON as above\n"
    "  errors   (invalid) null when the text is not hexadecimal; otherwise\n"
    "           {\"located\": true, \"bits\": [bit numbers], \"corrected\": hex} or\n"
    "           {\"located\": false} for more errors than the code can locate\n"
    "\n"
    "Exit status: 0 when every message was valid, 1 when any was invalid, 2 on a usage\n"
    "error (an unknown option, an empty argument).\n"
    "\n"
    "The decoder's debug lines are off; QT_LOGGING_RULES=\"vestra.decoder.debug=true\"\n"
    "sends them to standard error.";

class Decoder
{
public:
    explicit Decoder(bool json) : m_json(json) {}

    bool decode(const QString &text)
    {
        QStringList lines;
        const bool valid = buildListing(text, lines);
        QByteArray out;
        if (m_json) {
            out = QJsonDocument(valid ? validObject(text, lines) : invalidObject(text))
                      .toJson(QJsonDocument::Compact);
            out += '\n';
        } else if (valid) {
            for (const QString &line : std::as_const(lines)) {
                out += line.toUtf8();
                out += '\n';
            }
            out += '\n';
        } else {
            out = invalidText(text);
        }
        std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout);
        return valid;
    }

private:
    QJsonObject validObject(const QString &text, const QStringList &lines) const
    {
        QJsonObject object{{QStringLiteral("input"), text}, {QStringLiteral("valid"), true}};
        QJsonArray listing;
        for (const QString &line : lines) {
            const ListingRow row = splitListingLine(line);
            // Filling a copy of a ready pair skips the key look-ups.
            QJsonObject pair(m_pair);
            pair[m_labelKey] = row.label;
            pair[m_valueKey] = row.value;
            listing.append(pair);
            if (row.label == QLatin1String(HexIdLabel))
                object.insert(QStringLiteral("hexId"), row.value);
        }
        object.insert(QStringLiteral("listing"), listing);
        return object;
    }

    static QJsonObject invalidObject(const QString &text)
    {
        const MessageDiagnosis diagnosis = diagnoseMessage(text);
        QJsonValue errors;
        if (diagnosis.errors == MessageDiagnosis::Errors::Located) {
            QJsonArray bits;
            for (const int bit : diagnosis.errorBits)
                bits.append(bit);
            errors = QJsonObject{{QStringLiteral("located"), true},
                                 {QStringLiteral("bits"), bits},
                                 {QStringLiteral("corrected"), diagnosis.corrected}};
        } else if (diagnosis.errors == MessageDiagnosis::Errors::TooMany) {
            errors = QJsonObject{{QStringLiteral("located"), false}};
        }
        return {{QStringLiteral("input"), text},
                {QStringLiteral("valid"), false},
                {QStringLiteral("reason"), diagnosis.reason},
                {QStringLiteral("errors"), errors}};
    }

    static QByteArray invalidText(const QString &text)
    {
        const MessageDiagnosis diagnosis = diagnoseMessage(text);
        QString out = QStringLiteral("Invalid message: ") + text + QStringLiteral(" - ") +
                      diagnosis.reason + QLatin1Char('\n');
        if (diagnosis.errors == MessageDiagnosis::Errors::Located) {
            QStringList bits;
            for (const int bit : diagnosis.errorBits)
                bits.append(QString::number(bit));
            out += QStringLiteral("Bit errors: ") + bits.join(QLatin1String(", ")) +
                   QStringLiteral("\nCorrected message: ") + diagnosis.corrected +
                   QLatin1Char('\n');
        } else if (diagnosis.errors == MessageDiagnosis::Errors::TooMany) {
            out += QStringLiteral("Bit errors: more errors than the code can locate\n");
        }
        out += QLatin1Char('\n');
        return out.toUtf8();
    }

    bool m_json;
    const QString m_labelKey = QStringLiteral("label");
    const QString m_valueKey = QStringLiteral("value");
    const QJsonObject m_pair{{m_labelKey, QString()}, {m_valueKey, QString()}};
};

bool decodeStandardInput(Decoder &decoder)
{
    bool allValid = true;
    std::string line;
    while (std::getline(std::cin, line)) {
        const QString text = QString::fromUtf8(line.data(), qsizetype(line.size())).trimmed();
        if (!text.isEmpty())
            allValid = decoder.decode(text) && allValid;
        // Someone typing, or a program waiting for each answer, sees it at
        // once; a batch is written in large blocks.
        if (std::cin.rdbuf()->in_avail() <= 0)
            std::fflush(stdout);
    }
    return allValid;
}

int usageError(const QString &message)
{
    std::fprintf(stderr, "vestra-decode: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::ios::sync_with_stdio(false);
    QCoreApplication::setApplicationName(QStringLiteral("vestra-decode"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));
    // Set before any rules from the environment are read, which still win.
    QLoggingCategory::setFilterRules(QStringLiteral("vestra.decoder.debug=false"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("One JSON object per message and line."));
    parser.addOption(jsonOption);
    parser.addPositionalArgument(QStringLiteral("HEX"),
                                 QStringLiteral("A message, or - for standard input."),
                                 QStringLiteral("[HEX|- ...]"));
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(versionOption))
        parser.showVersion();

    const QStringList arguments = parser.positionalArguments();
    if (arguments.contains(QString()))
        return usageError(QStringLiteral("empty message argument"));

    Decoder decoder(parser.isSet(jsonOption));
    bool allValid = true;
    if (arguments.isEmpty())
        allValid = decodeStandardInput(decoder);
    for (const QString &argument : arguments) {
        const bool valid = argument == QLatin1String("-") ? decodeStandardInput(decoder)
                                                          : decoder.decode(argument);
        allValid = valid && allValid;
    }
    return allValid ? 0 : 1;
}
