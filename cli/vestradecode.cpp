#include "consoleoutput.h"
#include "countrycodes.h"
#include "inputdecoding.h"
#include "messagelisting.h"
#include "vestraversion.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QStringEncoder>
#include <QStringList>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

namespace {

const char description[] =
    "Decodes 406 MHz beacon messages and beacon IDs written as hexadecimal digits.\n"
    "Each HEX argument is one input, \"-\" stands for standard input; without arguments\n"
    "standard input is read. On standard input every non-empty line is one input,\n"
    "blanks around it removed. Lower-case digits are accepted.\n"
    "\n"
    "An input of exactly 15 digits is a beacon ID, as on the beacon's label and in\n"
    "its registration. It prints \"Beacon ID: \" and the ID, then the identity part of\n"
    "the listing: the lines of bits an ID does not carry (hex message, format,\n"
    "position, position data source, the location protocols' aux device, the RLS\n"
    "return-link and provider lines) are left out. Any other input is a message; one\n"
    "that does not begin with \"F\" gets the preamble \"FFFE2F\" in front.\n"
    "\n"
    "A valid message prints its decoded listing exactly as the report shows it, then\n"
    "an empty line. An invalid one prints\n"
    "  Invalid message: INPUT - REASON\n"
    "where REASON is 'not hexadecimal: \"C\" at position N' (the first offending\n"
    "character, counted from 1 in the input as given), 'second-generation beacon\n"
    "message: not decoded by this program' (51 or 63 digits), 'second-generation\n"
    "beacon ID: not decoded by this program' (23 digits), or 'BCH-1 fails: received\n"
    "R, computed C' and/or 'BCH-2 fails: ...' with the check bits in hex. After a\n"
    "failed check follow \"Bit errors: \" with the message bit numbers of the fewest\n"
    "flips that make the message pass (up to 3 in bits 25-106, up to 2 in bits\n"
    "107-144) and \"Corrected message: \" with those bits flipped - a hint, never\n"
    "decoded - or \"Bit errors: more errors than the code can locate\"; then an empty\n"
    "line.\n"
    "\n"
    "--json prints one JSON object per input and line instead:\n"
    "  input     the input as given\n"
    "  kind      \"beaconId\" for 15 digits (and 23, a second-generation ID), else\n"
    "            \"message\"\n"
    "  valid     true or false\n"
    "  listing   (valid) the listing as [{\"label\", \"value\"}], each line split at its\n"
    "            first colon as the report does (label up to and with the colon,\n"
    "            value after the blank that follows; no colon: empty label)\n"
    "  countryName (valid) the country or territory of the country code, as the\n"
    "            ITU allocates it; null for a code it has not allocated\n"
    "  hexId     (valid) the 15-digit beacon identifier: a beacon ID itself; for a\n"
    "            message its \"15 HexID\" line, and for the location codes without\n"
    "            one bits 26-85 (0, 1) or with the standard default position (12)\n"
    "  position  (valid) {\"lat\", \"lon\"} in decimal degrees, south and west\n"
    "            negative, from the bits the listing's position line prints; a part\n"
    "            that the line shows as default is null; null when the listing shows\n"
    "            no position or both parts as default\n"
    "  reason    (invalid) REASON as above\n"
    "  errors    (invalid) null when no bit errors are looked for (not hexadecimal,\n"
    "            second generation); otherwise {\"located\": true, \"bits\": [bit\n"
    "            numbers], \"corrected\": hex} or {\"located\": false} for more errors\n"
    "            than the code can locate\n"
    "\n"
    "Exit status: 0 when every input was valid, 1 when any was invalid, 2 on a usage\n"
    "error (an unknown option, an empty argument).\n"
    "\n"
    "The decoder's debug lines are off; QT_LOGGING_RULES=\"vestra.decoder.debug=true\"\n"
    "sends them to standard error.";

// One JSON Lines object per input, written by RapidJSON from the QStrings'
// UTF-16 straight into UTF-8. Keys come in alphabetical order, as they always
// have.
class JsonLine
{
public:
    QByteArray valid(const QString &input, const InputDecoding &decoding)
    {
        start();
        key(u"countryName");
        bool isCode = false;
        const int code =
            listingValue(decoding.lines, QLatin1String(CountryCodeLabel)).toInt(&isCode);
        const QString country = isCode ? countryName(code) : QString();
        if (country.isNull())
            m_writer.Null();
        else
            string(country);
        key(u"hexId");
        string(decoding.hexId);
        key(u"input");
        externalString(input);
        kind(decoding.kind);
        key(u"listing");
        m_writer.StartArray();
        for (const QString &line : decoding.lines) {
            const ListingRowView row = splitListingView(line);
            m_writer.StartObject();
            key(u"label");
            string(row.label);
            key(u"value");
            string(row.value);
            m_writer.EndObject();
        }
        m_writer.EndArray();
        key(u"position");
        const BeaconMessage::Position &position = decoding.position;
        if (position.latitude || position.longitude) {
            m_writer.StartObject();
            key(u"lat");
            number(position.latitude);
            key(u"lon");
            number(position.longitude);
            m_writer.EndObject();
        } else {
            m_writer.Null();
        }
        key(u"valid");
        m_writer.Bool(true);
        return finish();
    }

    QByteArray invalid(const QString &input, const InputDecoding &decoding)
    {
        const MessageDiagnosis &diagnosis = decoding.diagnosis;
        start();
        key(u"errors");
        if (diagnosis.errors == MessageDiagnosis::Errors::Located) {
            m_writer.StartObject();
            key(u"bits");
            m_writer.StartArray();
            for (const int bit : diagnosis.errorBits)
                m_writer.Int(bit);
            m_writer.EndArray();
            key(u"corrected");
            string(diagnosis.corrected);
            key(u"located");
            m_writer.Bool(true);
            m_writer.EndObject();
        } else if (diagnosis.errors == MessageDiagnosis::Errors::TooMany) {
            m_writer.StartObject();
            key(u"located");
            m_writer.Bool(false);
            m_writer.EndObject();
        } else {
            m_writer.Null();
        }
        key(u"input");
        externalString(input);
        kind(decoding.kind);
        key(u"reason");
        string(diagnosis.reason);
        key(u"valid");
        m_writer.Bool(false);
        return finish();
    }

private:
    using Writer = rapidjson::Writer<rapidjson::StringBuffer, rapidjson::UTF16<char16_t>>;

    void start()
    {
        m_buffer.Clear();
        m_writer.Reset(m_buffer);
        m_writer.StartObject();
    }

    QByteArray finish()
    {
        m_writer.EndObject();
        m_buffer.Put('\n');
        return QByteArray(m_buffer.GetString(), qsizetype(m_buffer.GetSize()));
    }

    void key(const char16_t *name) { m_writer.Key(name); }

    void string(QStringView text)
    {
        m_writer.String(text.utf16(), rapidjson::SizeType(text.size()));
    }

    // The writer stops at a lone surrogate, which only a Windows command line
    // can bring in; UTF-8 and back turns it into a replacement character.
    void externalString(const QString &text)
    {
        string(text.isValidUtf16() ? text : QString::fromUtf8(text.toUtf8()));
    }

    void kind(InputDecoding::Kind kind)
    {
        key(u"kind");
        m_writer.String(kind == InputDecoding::Kind::BeaconId ? u"beaconId" : u"message");
    }

    void number(const std::optional<double> &value)
    {
        if (value)
            m_writer.Double(*value);
        else
            m_writer.Null();
    }

    rapidjson::StringBuffer m_buffer;
    Writer m_writer{m_buffer};
};

class Decoder
{
public:
    explicit Decoder(bool json) : m_json(json) {}

    bool decode(const QString &text)
    {
        const InputDecoding decoding = decodeInput(text, m_json ? InputDecoding::Detail::WithNumbers
                                                                : InputDecoding::Detail::Listing);
        QByteArray out;
        if (m_json) {
            out = decoding.valid ? m_jsonLine.valid(text, decoding)
                                 : m_jsonLine.invalid(text, decoding);
        } else if (decoding.valid) {
            out = listingText(decoding.lines);
        } else {
            out = invalidText(text, decoding.diagnosis);
        }
        ConsoleOutput::writeUtf8(stdout, out);
        return decoding.valid;
    }

private:
    // Encoded into one buffer that keeps its size from message to message.
    QByteArray listingText(const QStringList &lines)
    {
        m_listing.resize(0);
        for (const QString &line : lines) {
            const qsizetype at = m_listing.size();
            m_listing.resize(at + m_utf8.requiredSpace(line.size()) + 1);
            char *end = m_utf8.appendToBuffer(m_listing.data() + at, line);
            *end++ = '\n';
            m_listing.resize(end - m_listing.constData());
        }
        m_listing += '\n';
        return m_listing;
    }

    static QByteArray invalidText(const QString &text, const MessageDiagnosis &diagnosis)
    {
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
    JsonLine m_jsonLine;
    QByteArray m_listing;
    QStringEncoder m_utf8{QStringEncoder::Utf8};
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
    ConsoleOutput::write(stderr, QStringLiteral("vestra-decode: ") + message + u'\n');
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
                                        QStringLiteral("One JSON object per input and line."));
    parser.addOption(jsonOption);
    parser.addPositionalArgument(QStringLiteral("HEX"),
                                 QStringLiteral("A message or beacon ID, or - for standard input."),
                                 QStringLiteral("[HEX|- ...]"));
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
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
