#include "simpage.h"

namespace SimPage {

namespace {

const char *const Names[FieldCount] = {
    "hex", "frequency", "rf-level", "calibration", "status", "serial",
};

QByteArray row(const char *label, const QByteArray &value)
{
    return "<TR><TD>" + QByteArray(label) + ": </TD><TD><INPUT size=11 value=\"" + value +
           "\"></TD></TR>\r\n";
}

QByteArray headers(int bodyLength)
{
    return "HTTP/1.1 200 OK\r\n"
           "Server: VESTRA\r\n"
           "Content-Type: text/html; charset=ISO-8859-1\r\n"
           "Content-Length: " +
           QByteArray::number(bodyLength) +
           "\r\n"
           "Connection: close\r\n"
           "\r\n";
}

} // namespace

std::optional<Field> fieldFromName(const QString &name)
{
    for (int i = 0; i < FieldCount; ++i) {
        if (name == QLatin1String(Names[i]))
            return Field(i);
    }
    return std::nullopt;
}

QList<QString> fieldNames()
{
    QList<QString> names;
    for (const char *name : Names)
        names += QLatin1String(name);
    return names;
}

QByteArray buildAnswer(const Options &options, QString *error)
{
    std::array<QByteArray, FieldCount> values = options.values;
    for (int i = 0; i < FieldCount; ++i) {
        if (options.zeroIn[i])
            values[i].insert(values[i].size() / 2, '\0');
    }

    QByteArray head = "<HTML><HEAD><TITLE>VESTRA 406 MHz beacon tester</TITLE></HEAD>\r\n"
                      "<BODY>\r\n";
    if (options.escapeBytes) {
        // Raw SLIP END and ESC bytes in a comment: they must travel escaped and
        // come out unchanged, without touching any reading.
        head += "<!-- \xC0 \xDB \xDB\xDC \xC0\xC0 -->\r\n";
    }
    head += "<FORM>\r\n<P>";
    if (!options.omitMarker[Hex])
        head += "Hex message: <INPUT size=36 value=\"" + values[Hex] + "\">";
    head += "</P>\r\n<TABLE>\r\n";
    const struct
    {
        Field field;
        const char *label;
    } rows[] = {
        {Frequency, "Frequency"}, {RfLevel, "RF Level"}, {Calibration, "Calibration due"},
        {Status, "Status"},       {Serial, "Serial No"},
    };
    for (const auto &r : rows) {
        if (!options.omitMarker[r.field])
            head += row(r.label, values[r.field]);
    }
    head += "</TABLE>\r\n</FORM>\r\n";
    const QByteArray tail = "</BODY>\r\n</HTML>\r\n";

    // The length header counts digits, so settle the body size in two rounds.
    int bodyLength = AnswerSize - int(headers(0).size());
    bodyLength = AnswerSize - int(headers(bodyLength).size());
    const int padding = bodyLength - int(head.size() + tail.size());
    if (padding < 0) {
        if (error)
            *error =
                QStringLiteral("the readings are %1 bytes too long for the page").arg(-padding);
        return {};
    }
    QByteArray answer = headers(bodyLength) + head + QByteArray(padding, ' ') + tail;
    Q_ASSERT(answer.size() == AnswerSize);
    return answer;
}

} // namespace SimPage
