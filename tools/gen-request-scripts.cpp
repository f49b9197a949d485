// Builds the two recorded request scripts from their description and writes
// link/requestscripts.cpp. Every packet is re-read and compared with the
// recorded tables, so a wrong rule or an address that would need SLIP
// escaping stops the generator instead of producing a bad file.

#include "netsim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr quint16 ServerPort = 80;
constexpr quint8 RecordedTtl = 128;
constexpr int SegmentSize = 128;
constexpr int NoPayload = -1;
constexpr int BytesPerLine = 12;

// One recorded packet: what the browser sent, as the tables give it.
struct Recorded
{
    int frameBytes;
    quint8 flags;
    quint32 seq; // relative to the initial sequence number
    quint32 ack;
    quint16 window;
    int segment; // index of the 128-byte request segment carried, or NoPayload
    quint16 id;
    bool dontFragment;
};

struct Script
{
    const char *name;
    const char *path;
    bool referer;
    quint16 sourcePort;
    quint32 initialSequence;
    int requestLength;
    QList<Recorded> packets;
};

using namespace NetSim;

constexpr quint8 A = Ack;
constexpr quint8 PA = Psh | Ack;
constexpr quint8 FA = Fin | Ack;

Script mainPageScript()
{
    return {"mainPage",
            "/",
            false,
            1283,
            3085807318u,
            393,
            {
                {50, Syn, 0, 0, 8192, NoPayload, 0x1F97, true},
                {42, A, 1, 1, 8576, NoPayload, 0x1F98, true},
                {170, A, 1, 1, 8576, 0, 0x1F99, true},
                {170, A, 129, 129, 8448, 1, 0x1F9A, true},
                {170, A, 257, 257, 8320, 2, 0x1F9B, true},
                {51, PA, 385, 385, 8192, 3, 0x1F9C, true},
                {42, A, 394, 513, 8064, NoPayload, 0x1F9D, true},
                {42, A, 394, 641, 8576, NoPayload, 0x1F9E, true},
                {42, A, 394, 769, 8448, NoPayload, 0x1F9F, true},
                {42, A, 394, 897, 8320, NoPayload, 0x1FA0, true},
                {42, A, 394, 1025, 8192, NoPayload, 0x1FA1, true},
                {42, A, 394, 1153, 8064, NoPayload, 0x1FA2, true},
                {42, A, 394, 1281, 8576, NoPayload, 0x1FA3, true},
                {42, A, 394, 1409, 8448, NoPayload, 0x1FA4, true},
                {42, A, 394, 1537, 8320, NoPayload, 0x1FA5, true},
                {42, A, 394, 1665, 8192, NoPayload, 0x1FA6, true},
                {42, A, 394, 1793, 8064, NoPayload, 0x1FA7, true},
                {42, A, 394, 1794, 8064, NoPayload, 0x1FA8, true},
                {42, FA, 394, 1794, 8064, NoPayload, 0x1FAB, true},
            }};
}

Script dataPageScript()
{
    return {"dataPage",
            "/h?",
            true,
            1700,
            2067510325u,
            423,
            {
                {50, Syn, 0, 0, 8192, NoPayload, 0x9F1D, true},
                {42, A, 1, 1, 8576, NoPayload, 0x9F1E, true},
                {170, A, 1, 1, 8576, 0, 0x9F1F, true},
                {170, A, 1, 1, 8576, 0, 0x9F20, true},
                {170, A, 1, 1, 8576, 0, 0x9F5B, true},
                {170, A, 1, 1, 8576, 0, 0x9F62, false},
                {170, A, 1, 1, 8576, 0, 0x9F9F, false},
                {170, A, 1, 1, 8576, 0, 0x9F9F, false},
                {170, A, 129, 129, 8448, 1, 0xA013, false},
                {170, A, 257, 257, 8320, 2, 0xA014, false},
                {81, PA, 385, 385, 8192, 3, 0xA015, false},
                {42, A, 424, 513, 8064, NoPayload, 0xA016, false},
                {42, A, 424, 641, 8576, NoPayload, 0xA017, false},
                {42, A, 424, 769, 8448, NoPayload, 0xA018, false},
                {42, A, 424, 897, 8320, NoPayload, 0xA019, false},
                {42, A, 424, 1025, 8192, NoPayload, 0xA01A, false},
                {42, A, 424, 1153, 8064, NoPayload, 0xA01D, false},
                {42, A, 424, 1281, 8576, NoPayload, 0xA01E, false},
                {42, A, 424, 1409, 8448, NoPayload, 0xA01F, false},
                {42, A, 424, 1537, 8320, NoPayload, 0xA020, false},
                {42, A, 424, 1665, 8192, NoPayload, 0xA025, false},
                {42, A, 424, 1793, 8064, NoPayload, 0xA026, false},
                {42, A, 424, 1794, 8064, NoPayload, 0xA027, false},
                {42, FA, 424, 1794, 8064, NoPayload, 0xA02B, false},
            }};
}

QByteArray httpRequest(const Script &script, const QString &instrument)
{
    QByteArray r;
    r += "GET " + QByteArray(script.path) + " HTTP/1.1\r\n";
    r += "Host: " + instrument.toLatin1() + "\r\n";
    r += "User-Agent: Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8) Gecko/20051111 "
         "Firefox/1.5\r\n";
    r += "Accept: "
         "text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,image/"
         "png,*/*;q=0.5\r\n";
    r += "Accept-Language: en-us,en;q=0.5\r\n";
    r += "Accept-Encoding: gzip,deflate\r\n";
    r += "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\n";
    r += "Keep-Alive: 300\r\n";
    r += "Connection: keep-alive\r\n";
    if (script.referer)
        r += "Referer: http://" + instrument.toLatin1() + "/\r\n";
    r += "\r\n";
    return r;
}

// Collects the first mismatch; later checks of the same packet are skipped.
class Checker
{
public:
    Checker(const Script &script, QString *error) : m_script(script), m_error(error) {}
    bool require(bool condition, int index, const QString &what)
    {
        if (!condition && m_error->isEmpty())
            *m_error = QStringLiteral("%1 packet %2: %3").arg(m_script.name).arg(index).arg(what);
        return m_error->isEmpty();
    }

private:
    const Script &m_script;
    QString *m_error;
};

QList<QByteArray> buildFrames(const Script &script, quint32 pc, quint32 instrument, QString *error)
{
    const QByteArray request = httpRequest(script, formatAddress(instrument));
    if (request.size() != script.requestLength) {
        *error = QStringLiteral("%1: request is %2 bytes, the recorded connection has %3; "
                                "the instrument address must be 9 characters long")
                     .arg(script.name)
                     .arg(request.size())
                     .arg(script.requestLength);
        return {};
    }

    Checker check(script, error);
    QList<QByteArray> frames;
    bool requestStarted = false;
    for (int i = 0; i < script.packets.size(); ++i) {
        const Recorded &rec = script.packets[i];
        Packet p;
        p.ip.identification = rec.id;
        p.ip.dontFragment = rec.dontFragment;
        p.ip.timeToLive = RecordedTtl;
        p.ip.source = pc;
        p.ip.destination = instrument;
        p.tcp.sourcePort = script.sourcePort;
        p.tcp.destinationPort = ServerPort;
        p.tcp.flags = rec.flags;
        p.tcp.window = rec.window;
        p.tcp.acknowledgement = rec.ack;

        // The sequence number follows from what the packet carries: the SYN
        // takes 0, a segment its offset after the SYN, anything after the
        // request the position just past it.
        quint32 relativeSeq = 0;
        if (rec.flags & Syn) {
            p.tcp.options = QByteArray::fromHex("020405B401010402");
        } else if (rec.segment != NoPayload) {
            relativeSeq = 1 + quint32(rec.segment * SegmentSize);
            p.tcp.payload = request.mid(rec.segment * SegmentSize, SegmentSize);
            requestStarted = true;
        } else {
            relativeSeq = requestStarted ? 1 + quint32(request.size()) : 1;
        }
        p.tcp.sequence = script.initialSequence + relativeSeq;

        const QByteArray packet = buildPacket(p);
        if (!check.require(!needsEscaping(packet), i,
                           QStringLiteral("holds a byte that SLIP would escape; "
                                          "choose other addresses")))
            return {};
        const QByteArray frame = slipEncode(packet);

        QString parseError;
        const std::optional<Packet> back = parsePacket(packet, &parseError);
        if (!check.require(back.has_value(), i, parseError))
            return {};
        check.require(
            frame.size() == rec.frameBytes, i,
            QStringLiteral("frame is %1 bytes, recorded %2").arg(frame.size()).arg(rec.frameBytes));
        check.require(back->tcp.sequence - script.initialSequence == rec.seq, i,
                      QStringLiteral("sequence %1, recorded %2")
                          .arg(back->tcp.sequence - script.initialSequence)
                          .arg(rec.seq));
        check.require(back->tcp.acknowledgement == rec.ack, i, QStringLiteral("ack differs"));
        check.require(back->tcp.flags == rec.flags, i, QStringLiteral("flags differ"));
        check.require(back->tcp.window == rec.window, i, QStringLiteral("window differs"));
        check.require(back->ip.identification == rec.id, i, QStringLiteral("IP id differs"));
        check.require(back->ip.dontFragment == rec.dontFragment, i, QStringLiteral("DF differs"));
        check.require(back->ip.source == pc && back->ip.destination == instrument, i,
                      QStringLiteral("addresses differ"));
        if (!error->isEmpty())
            return {};
        frames += frame;
    }
    return frames;
}

QString cArray(const QString &name, const QByteArray &bytes)
{
    QString out = QStringLiteral("const unsigned char %1[] = {\n").arg(name);
    for (int i = 0; i < bytes.size(); i += BytesPerLine) {
        QStringList line;
        for (int j = i; j < qMin(i + BytesPerLine, int(bytes.size())); ++j)
            line += QStringLiteral("0x%1")
                        .arg(quint8(bytes[j]), 2, 16, QLatin1Char('0'))
                        .toUpper()
                        .replace(QLatin1String("0X"), QLatin1String("0x"));
        out += QStringLiteral("    ") + line.join(QStringLiteral(", ")) + QStringLiteral(",\n");
    }
    out += QStringLiteral("};\n");
    return out;
}

QString sourceFile(const QList<QPair<Script, QList<QByteArray>>> &scripts)
{
    QString out;
    out += QStringLiteral("// Generated by tools/gen-request-scripts (target "
                          "regenerate-request-scripts); do not edit.\n");
    out += QStringLiteral("#include \"requestscripts.h\"\n\nnamespace RequestScripts {\n\n");
    // The byte tables keep their own layout: clang-format would reflow them.
    out += QStringLiteral("// clang-format off\nnamespace {\n\n");
    for (const auto &[script, frames] : scripts) {
        for (int i = 0; i < frames.size(); ++i)
            out +=
                cArray(QStringLiteral("%1%2").arg(QLatin1String(script.name)).arg(i), frames[i]) +
                QStringLiteral("\n");
    }
    out += QStringLiteral("} // namespace\n\n");
    for (const auto &[script, frames] : scripts) {
        const QString name = QLatin1String(script.name);
        const QString count = name == QLatin1String("mainPage") ? QStringLiteral("MainPagePackets")
                                                                : QStringLiteral("DataPagePackets");
        out += QStringLiteral("const Packet %1[%2] = {\n").arg(name, count);
        for (int i = 0; i < frames.size(); ++i)
            out += QStringLiteral("    {%1, %2%3},\n").arg(frames[i].size()).arg(name).arg(i);
        out += QStringLiteral("};\n\n");
    }
    out += QStringLiteral("// clang-format on\n\n");
    out += QStringLiteral("} // namespace RequestScripts\n");
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gen-request-scripts"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes the request-script tables (requestscripts.cpp)."));
    parser.addHelpOption();
    const QCommandLineOption pcOption(QStringLiteral("pc"), QStringLiteral("PC link address."),
                                      QStringLiteral("address"), QStringLiteral("10.0.0.10"));
    const QCommandLineOption instrumentOption(
        QStringLiteral("instrument"), QStringLiteral("Instrument link address."),
        QStringLiteral("address"), QStringLiteral("10.0.0.20"));
    const QCommandLineOption outputOption(
        QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Output file (default: standard output)."), QStringLiteral("file"));
    parser.addOption(pcOption);
    parser.addOption(instrumentOption);
    parser.addOption(outputOption);
    parser.process(app);

    const std::optional<quint32> pc = parseAddress(parser.value(pcOption));
    const std::optional<quint32> instrument = parseAddress(parser.value(instrumentOption));
    if (!pc || !instrument) {
        std::fprintf(stderr, "gen-request-scripts: bad address\n");
        return 2;
    }

    QList<QPair<Script, QList<QByteArray>>> scripts;
    for (const Script &script : {mainPageScript(), dataPageScript()}) {
        QString error;
        const QList<QByteArray> frames = buildFrames(script, *pc, *instrument, &error);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "gen-request-scripts: %s\n", qPrintable(error));
            return 1;
        }
        scripts.append({script, frames});
    }

    const QByteArray text = sourceFile(scripts).toUtf8();
    if (!parser.isSet(outputOption)) {
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return 0;
    }
    QSaveFile file(parser.value(outputOption));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        std::fprintf(stderr, "gen-request-scripts: cannot write %s\n",
                     qPrintable(parser.value(outputOption)));
        return 1;
    }
    return 0;
}
