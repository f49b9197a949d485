#include "packetcheck.h"
#include "requestscripts.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace PacketCheck;

namespace {

constexpr int PieceSize = 128;
constexpr int Pieces = 14;
constexpr int PageSize = 1792;

const QByteArray Probe = "AT- \r";
const QByteArray Dial = "ATDTx\r";

const char *const Markers[6] = {
    "Hex message: <INPUT size=36 value=\"",
    "Frequency: </TD><TD><INPUT size=11 value=\"",
    "RF Level: </TD><TD><INPUT size=11 value=\"",
    "Calibration due: </TD><TD><INPUT size=11 value=\"",
    "Status: </TD><TD><INPUT size=11 value=\"",
    "Serial No: </TD><TD><INPUT size=11 value=\"",
};
const char *const Fields[6] = {"hex", "frequency", "rf-level", "calibration", "status", "serial"};

class Sim
{
public:
    explicit Sim(const QStringList &args)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(VESTRA_SIM_PATH), args);
        if (!m_process.waitForStarted(5000))
            return;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {
        }
        device = QString::fromLocal8Bit(m_process.readLine().trimmed());
    }
    ~Sim()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(3000);
        }
    }
    bool stop()
    {
        m_process.terminate();
        return m_process.waitForFinished(3000) && m_process.exitStatus() == QProcess::NormalExit &&
               m_process.exitCode() == 0;
    }

    QString device;

private:
    QProcess m_process;
};

// Opens the port the way the PC program does, RTS/DTR calls included (they
// fail on a pseudo-terminal, which must not matter).
bool openPort(QSerialPort &port, const QString &device)
{
    port.setPortName(device);
    port.setBaudRate(38400);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    port.setRequestToSend(false);
    port.setDataTerminalReady(true);
    port.clearError();
    return true;
}

void closePort(QSerialPort &port)
{
    port.setRequestToSend(false);
    port.setDataTerminalReady(false);
    port.close();
}

// Each element is what one read returned. Stops after quietMs without data
// once something arrived, or after maxMs.
QList<QByteArray> readFor(QSerialPort &port, int quietMs, int maxMs)
{
    QList<QByteArray> reads;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < maxMs) {
        const int wait = reads.isEmpty() ? int(maxMs - t.elapsed()) : quietMs;
        if (!port.waitForReadyRead(qMax(wait, 1)))
            break;
        const QByteArray chunk = port.readAll();
        if (!chunk.isEmpty())
            reads += chunk;
    }
    return reads;
}

// Reads until one whole frame (C0 ... C0) has come, then listens quietMs more
// to make sure nothing follows it.
QList<QByteArray> readFrame(QSerialPort &port, int quietMs)
{
    QList<QByteArray> reads;
    QByteArray all;
    QElapsedTimer t;
    t.start();
    auto complete = [&] {
        const int start = all.indexOf(char(0xC0));
        return start >= 0 && all.indexOf(char(0xC0), start + 2) > start;
    };
    while (!complete() && t.elapsed() < 2000 && port.waitForReadyRead(2000)) {
        reads += port.readAll();
        all += reads.last();
    }
    if (complete())
        reads += readFor(port, quietMs, quietMs);
    return reads;
}

QByteArray scriptPacket(bool dataPage, int i)
{
    const RequestScripts::Packet &p =
        dataPage ? RequestScripts::dataPage[i] : RequestScripts::mainPage[i];
    return QByteArray(reinterpret_cast<const char *>(p.bytes), p.length);
}

struct Replay
{
    QByteArray page;
    QByteArray raw; // every answer byte as it came over the line
    int tcpHeader = 0;
    int mostReadsPerFrame = 0;
};

// Plays a whole script, checking that every packet gets exactly one sound
// answer frame and that the page comes in 14 pieces after the request.
void replay(QSerialPort &port, bool dataPage, int quietMs, Replay &result, bool noise = false)
{
    const int count = dataPage ? RequestScripts::DataPagePackets : RequestScripts::MainPagePackets;
    const int firstPiece = count - Pieces;
    const quint32 pc = address(RequestScripts::pcAddress);
    const quint32 instrument = address(RequestScripts::instrumentAddress);
    quint32 isn = 0;
    for (int i = 0; i < count; ++i) {
        const QByteArray sent = scriptPacket(dataPage, i);
        port.write(sent);
        const QList<QByteArray> reads = readFrame(port, quietMs);
        QByteArray all = reads.join();
        result.raw += all;
        result.mostReadsPerFrame = qMax(result.mostReadsPerFrame, int(reads.size()));
        const QString where = QStringLiteral("answer to packet %1").arg(i);
        if (noise) {
            const int start = all.indexOf(char(0xC0));
            QVERIFY2(start > 0, qPrintable(where + ": no noise before the frame"));
            all = all.mid(start);
        } else {
            QVERIFY2(!reads.isEmpty() && reads.first().startsWith(char(0xC0)) &&
                         reads.last().endsWith(char(0xC0)),
                     qPrintable(where + ": frame does not start and end a read"));
        }
        QVERIFY2(all.size() >= 2 && all.back() == char(0xC0) &&
                     all.indexOf(char(0xC0), 1) == all.size() - 1,
                 qPrintable(where + ": not exactly one frame"));

        const QByteArray ip = slipDecode(all);
        QVERIFY2(ip.size() >= 40, qPrintable(where));
        QCOMPARE(quint8(ip[0]), 0x45);
        QCOMPARE(be16(ip, 2), quint32(ip.size()));
        QVERIFY2(ipHeaderChecksumOk(ip), qPrintable(where));
        QVERIFY2(tcpChecksumOk(ip), qPrintable(where));
        QCOMPARE(be32(ip, 12), instrument);
        QCOMPARE(be32(ip, 16), pc);
        QCOMPARE(be16(ip, 20), 80u);
        QCOMPARE(be16(ip, 22), dataPage ? 1700u : 1283u);
        result.tcpHeader = tcpHeaderLength(ip);

        const quint8 flags = quint8(ip[33]);
        const QByteArray payload = tcpPayload(ip);
        if (i == 0) {
            isn = be32(sent.mid(1), 24);
            QCOMPARE(flags & 0x12, 0x12); // SYN ACK
            QCOMPARE(be32(ip, 28), isn + 1);
        }
        if (i >= firstPiece) {
            QCOMPARE(payload.size(), PieceSize);
            QCOMPARE(be32(ip, 24), quint32(1 + (i - firstPiece) * PieceSize));
            QCOMPARE(bool(flags & 0x01), i == count - 1);
            result.page += payload;
        } else {
            QVERIFY2(payload.isEmpty(), qPrintable(where + ": payload before the request"));
            QVERIFY(!(flags & 0x01));
        }
    }
}

QByteArray readingAfter(const QByteArray &page, const char *marker)
{
    const int at = page.indexOf(marker);
    if (at < 0)
        return "<missing>";
    const int from = at + int(qstrlen(marker));
    return page.mid(from, page.indexOf('"', from) - from);
}

quint32 bchRemainder(const QByteArray &bits, quint32 generator, int degree)
{
    quint64 reg = 0;
    for (char bit : bits + QByteArray(degree, '0')) {
        reg = (reg << 1) | (bit == '1');
        if (reg >> degree)
            reg ^= generator;
    }
    return quint32(reg);
}

} // namespace

class tst_VestraSim : public QObject
{
    Q_OBJECT

private slots:
    void handshake_data();
    void handshake();
    void replayDataPage_data();
    void replayDataPage();
    void defaultReadings();
    void zeroInValue_data();
    void zeroInValue();
    void omittedMarker_data();
    void omittedMarker();
    void stopAfter_data();
    void stopAfter();
    void bytesWrittenWhileClosedAreLost();
    void reopenStartsFreshSession();
    void paceKeepsLineRate();
    void linkSymlink();
};

void tst_VestraSim::handshake_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("probeAnswered");
    QTest::addColumn<int>("connectReads"); // 0: no CONNECT at all
    QTest::newRow("default") << QStringList() << true << 1;
    QTest::newRow("split CONNECT arrives in two reads")
        << QStringList{"--split-connect"} << true << 2;
    QTest::newRow("no-connect answers the probe only") << QStringList{"--no-connect"} << true << 0;
    QTest::newRow("silent answers nothing") << QStringList{"--silent"} << false << 0;
}

void tst_VestraSim::handshake()
{
    QFETCH(QStringList, args);
    QFETCH(bool, probeAnswered);
    QFETCH(int, connectReads);

    Sim sim(args);
    QVERIFY(!sim.device.isEmpty());
    QSerialPort port;
    QVERIFY(openPort(port, sim.device));

    port.write(Probe);
    const QByteArray reply = readFor(port, 50, probeAnswered ? 500 : 250).join();
    if (probeAnswered)
        QVERIFY2(reply.size() >= 6, reply.constData());
    else
        QCOMPARE(reply, QByteArray());

    // The PC dials again on every read until it is connected; each dial counts.
    for (int dial = 0; dial < 2; ++dial) {
        port.write(Dial);
        const QList<QByteArray> reads = readFor(port, 100, connectReads ? 500 : 250);
        if (connectReads == 0) {
            QCOMPARE(reads.join(), QByteArray());
            continue;
        }
        QCOMPARE(reads.join(), QByteArray("CONNECT\r\n"));
        QCOMPARE(reads.size(), connectReads);
    }
}

void tst_VestraSim::replayDataPage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("tcpHeader");
    QTest::addColumn<bool>("noise");
    QTest::addColumn<QList<QByteArray>>("values");

    const QList<QByteArray> given{
        "FFFE2FA1B2C3D4E5F60718293A4B5C6D7E8F", "406.0279", "-12.5", "1130", "LoBat", "9876543210"};
    const QStringList valueArgs{"--hex",      given[0], "--frequency",   given[1],
                                "--rf-level", given[2], "--calibration", given[3],
                                "--status",   given[4], "--serial",      given[5]};
    QTest::newRow("given values") << valueArgs << 20 << false << given;
    QTest::newRow("tcp options widen the header")
        << (valueArgs + QStringList{"--tcp-options"}) << 24 << false << given;
    QTest::newRow("escaped bytes in the page")
        << (valueArgs + QStringList{"--escape-payload"}) << 20 << false << given;
    QTest::newRow("noise before frames")
        << (valueArgs + QStringList{"--garbage"}) << 20 << true << given;
    QTest::newRow("byte by byte") << (valueArgs + QStringList{"--byte-by-byte"}) << 20 << false
                                  << given;
}

void tst_VestraSim::replayDataPage()
{
    QFETCH(QStringList, args);
    QFETCH(int, tcpHeader);
    QFETCH(bool, noise);
    QFETCH(QList<QByteArray>, values);

    Sim sim(args);
    QSerialPort port;
    QVERIFY(openPort(port, sim.device));
    Replay r;
    replay(port, true, 20, r, noise);
    if (QTest::currentTestFailed())
        return;

    QCOMPARE(r.tcpHeader, tcpHeader);
    if (args.contains("--byte-by-byte"))
        QVERIFY2(r.mostReadsPerFrame > 2, "frames were not split over reads");
    QCOMPARE(r.page.size(), PageSize);
    QVERIFY(r.page.startsWith("HTTP/1.1 200"));
    for (int i = 0; i < 6; ++i)
        QCOMPARE(readingAfter(r.page, Markers[i]), values[i]);

    const bool escaped = args.contains("--escape-payload");
    QCOMPARE(r.page.contains(char(0xC0)), escaped);
    QCOMPARE(r.page.contains(char(0xDB)), escaped);
    if (escaped) {
        QVERIFY(r.raw.contains("\xDB\xDC"));
        QVERIFY(r.raw.contains("\xDB\xDD"));
    }
}

void tst_VestraSim::defaultReadings()
{
    Sim sim({});
    QSerialPort port;
    QVERIFY(openPort(port, sim.device));
    Replay r;
    replay(port, false, 30, r);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(r.page.size(), PageSize);

    // A self-test message (frame synchronisation 011010000), never a distress
    // alert, whose two BCH codes hold.
    const QByteArray hex = readingAfter(r.page, Markers[0]);
    QCOMPARE(hex.size(), 36);
    QVERIFY(hex.startsWith("FFFED0"));
    QByteArray bits;
    for (char digit : hex)
        bits +=
            QByteArray::number(QByteArray(1, digit).toUInt(nullptr, 16), 2).rightJustified(4, '0');
    QCOMPARE(bits.mid(15, 9), QByteArray("011010000"));
    QCOMPARE(bchRemainder(bits.mid(24, 61), 0x26D9E3, 21), bits.mid(85, 21).toUInt(nullptr, 2));
    QCOMPARE(bchRemainder(bits.mid(106, 26), 0x1539, 12), bits.mid(132, 12).toUInt(nullptr, 2));

    const double mhz = readingAfter(r.page, Markers[1]).toDouble();
    QVERIFY2(qAbs(mhz - 406.031) <= 0.005, qPrintable(QString::number(mhz, 'f', 6)));
    QVERIFY(readingAfter(r.page, Markers[4]).contains("OK"));
    // The PC puts a dash before the third calibration and the sixth serial digit.
    const auto digitsOnly = [](const QByteArray &text) {
        return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    const QByteArray calibration = readingAfter(r.page, Markers[3]);
    const QByteArray serial = readingAfter(r.page, Markers[5]);
    QVERIFY(calibration.size() >= 3 && digitsOnly(calibration));
    QVERIFY(serial.size() >= 6 && digitsOnly(serial));
}

void tst_VestraSim::zeroInValue_data()
{
    QTest::addColumn<int>("field");
    for (int i = 0; i < 6; ++i)
        QTest::newRow(Fields[i]) << i;
}

void tst_VestraSim::zeroInValue()
{
    QFETCH(int, field);
    const QByteArray value = "ABCDEFGH";
    Sim sim({QStringLiteral("--%1").arg(Fields[field]), value, "--zero-in", Fields[field]});
    QSerialPort port;
    QVERIFY(openPort(port, sim.device));
    Replay r;
    replay(port, true, 0, r);
    const QByteArray &page = r.page;
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(page.count('\0'), 1);
    QVERIFY(page.contains(Markers[field] + QByteArray("ABCD", 4) + '\0' + "EFGH\""));
}

void tst_VestraSim::omittedMarker_data()
{
    zeroInValue_data();
}

void tst_VestraSim::omittedMarker()
{
    QFETCH(int, field);
    Sim sim({"--omit-marker", Fields[field]});
    QSerialPort port;
    QVERIFY(openPort(port, sim.device));
    Replay r;
    replay(port, true, 0, r);
    const QByteArray &page = r.page;
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(page.size(), PageSize);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(page.contains(Markers[i]), i != field);
}

void tst_VestraSim::stopAfter_data()
{
    QTest::addColumn<int>("n");
    QTest::newRow("none, not even the SYN") << 0;
    QTest::newRow("three") << 3;
}

void tst_VestraSim::stopAfter()
{
    QFETCH(int, n);
    Sim sim({"--stop-after", QString::number(n)});
    QSerialPort port;
    QVERIFY(openPort(port, sim.device));
    // The count starts again with every SYN.
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i <= n; ++i) {
            port.write(scriptPacket(true, i));
            const QByteArray answer = readFor(port, 30, i < n ? 1000 : 250).join();
            QVERIFY2(answer.isEmpty() == (i == n),
                     qPrintable(QStringLiteral("round %1 packet %2").arg(round).arg(i)));
        }
    }
}

void tst_VestraSim::bytesWrittenWhileClosedAreLost()
{
    Sim sim({});
    QSerialPort port;
    QVERIFY(openPort(port, sim.device));
    port.write(Probe);
    QVERIFY(port.waitForBytesWritten(1000));
    QThread::msleep(50); // the answer is on its way; nobody reads it
    closePort(port);
    QThread::msleep(100);

    QVERIFY(openPort(port, sim.device));
    QCOMPARE(readFor(port, 50, 300).join(), QByteArray());
    port.write(Probe);
    QVERIFY(readFor(port, 50, 500).join().size() >= 6);
}

void tst_VestraSim::reopenStartsFreshSession()
{
    Sim sim({});
    QSerialPort port;
    QVERIFY(openPort(port, sim.device));
    port.write(scriptPacket(true, 0));
    QVERIFY(!readFrame(port, 0).isEmpty());
    // Leave a frame half sent: the next opening must not glue onto it.
    port.write(scriptPacket(true, 2).left(60));
    QVERIFY(port.waitForBytesWritten(1000));
    QThread::msleep(50);
    closePort(port);
    QThread::msleep(100);

    QVERIFY(openPort(port, sim.device));
    port.write(scriptPacket(true, 1));
    const QByteArray ip = slipDecode(readFrame(port, 0).join());
    QVERIFY(ip.size() >= 40);
    QVERIFY2(quint8(ip[33]) & 0x04, "a segment outside any connection is reset");

    Replay r;
    replay(port, true, 0, r);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(r.page.startsWith("HTTP/1.1 200"));
}

void tst_VestraSim::paceKeepsLineRate()
{
    Sim sim({"--pace"});
    QSerialPort port;
    QVERIFY(openPort(port, sim.device));
    const QByteArray syn = scriptPacket(true, 0);
    QElapsedTimer t;
    t.start();
    port.write(syn);
    const QByteArray answer = readFrame(port, 0).join();
    const qint64 elapsed = t.elapsed();
    QCOMPARE(slipDecode(answer).size(), 40);
    // At 3840 bytes/s the SYN and its answer take at least 23 ms on the wire.
    const qint64 lineMs = (syn.size() + answer.size()) * 1000 / 3840;
    QVERIFY2(elapsed >= lineMs, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
}

void tst_VestraSim::linkSymlink()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("vestra-port");
    QVERIFY(QFile::link(dir.path(), link)); // a stale link is replaced
    {
        Sim sim({"--link", link});
        QCOMPARE(QFileInfo(link).symLinkTarget(), sim.device);
        QSerialPort port;
        QVERIFY(openPort(port, link));
        port.write(Probe);
        QVERIFY(readFor(port, 50, 500).join().size() >= 6);
        closePort(port);
        QVERIFY(sim.stop());
    }
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(tst_VestraSim)
#include "tst_vestrasim.moc"
