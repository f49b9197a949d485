#include "simulator.h"
#include "vestracomm.h"

#include <QSerialPort>
#include <QTest>

// What the program relies on from the instrument, and the faults the end-to-end
// tests ask for, checked on the simulator's pseudo-terminal.
namespace {

// The bytes between the ENDs with the escapes undone; '?' for a bad escape.
QByteArray slipDecode(const QByteArray &frame)
{
    QByteArray out;
    for (int i = 1; i + 1 < frame.size(); ++i)
        out += frame.at(i) != '\xDB'     ? frame.at(i)
               : frame.at(++i) == '\xDC' ? '\xC0'
               : frame.at(i) == '\xDD'   ? '\xDB'
                                         : '?';
    return out;
}

} // namespace

class tst_VestraSim : public QObject
{
    Q_OBJECT

private slots:
    void exchange_data();
    void exchange();
};

void tst_VestraSim::exchange_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("dataPage");
    QTest::addColumn<int>("frames"); // answered before the simulator falls silent
    QTest::addColumn<QByteArrayList>("page");

    // END and ESC in a reading must travel escaped and arrive in place.
    const QStringList given = QStringLiteral("--hex FFFE2FA1B2C3D4E5F60718293A4B5C6D7E8F "
                                             "--frequency 406.0279 --rf-level \u00C0x\u00DB "
                                             "--calibration 1130 --status LoBat "
                                             "--serial 9876543210 --escape-payload")
                                  .split(u' ');
    const QByteArrayList readings{
        "Hex message: <INPUT size=36 value=\"FFFE2FA1B2C3D4E5F60718293A4B5C6D7E8F\"",
        "Frequency: </TD><TD><INPUT size=11 value=\"406.0279\"",
        "RF Level: </TD><TD><INPUT size=11 value=\"\xC0x\xDB\"",
        "Calibration due: </TD><TD><INPUT size=11 value=\"1130\"",
        "Status: </TD><TD><INPUT size=11 value=\"LoBat\"",
        "Serial No: </TD><TD><INPUT size=11 value=\"9876543210\""};
    QTest::newRow("data page") << given << true << 24 << readings;
    QTest::newRow("main page") << given << false << 19 << readings;
    QTest::newRow("no CONNECT, no answer to the SYN")
        << QStringList{"--no-connect", "--stop-after", "0"} << true << 0 << QByteArrayList();
    QTest::newRow("falls silent after three frames")
        << QStringList{"--stop-after", "3"} << true << 3 << QByteArrayList();
}

void tst_VestraSim::exchange()
{
    QFETCH(QStringList, args);
    QFETCH(bool, dataPage);
    QFETCH(int, frames);
    QFETCH(QByteArrayList, page);

    Simulator sim(args);
    QVERIFY(sim.start());
    QSerialPort port(sim.portPath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    QByteArray rx;
    const auto gather = [&](bool (*done)(const QByteArray &)) {
        while (!done(rx) && port.waitForReadyRead(5000))
            rx += port.readAll();
        return done(rx);
    };
    // Probe, dial, probe: the replies come in order, CONNECT between the two.
    port.write("AT- \rATDTx\rAT- \r");
    QVERIFY(gather([](const QByteArray &b) { return b.count("OK\r\n") == 2; }));
    const QByteArray ok = "\r\nOK\r\n";
    QCOMPARE(rx, ok + (args.contains("--no-connect") ? "" : "CONNECT\r\n") + ok);

    QByteArray payloads;
    for (int i = 0; i < frames; ++i) {
        rx.clear();
        port.write(vestraComm::requestPacket(dataPage, i));
        const QByteArray at = "answer to packet " + QByteArray::number(i);
        QVERIFY2(gather([](const QByteArray &b) { return b.count('\xC0') >= 2; }), at);
        QVERIFY2(rx.startsWith('\xC0') && rx.endsWith('\xC0') && rx.count('\xC0') == 2, at);
        const QByteArray ip = slipDecode(rx);
        QVERIFY2(ip.size() >= 40 && ip.at(0) == 0x45 && quint8(ip.at(32)) >> 4 == 5, at);
        payloads += ip.mid(40);
    }
    // No frame for the unanswered packet or after the last: the probe's reply comes next.
    rx.clear();
    port.write(vestraComm::requestPacket(dataPage, frames) + "AT- \r");
    QVERIFY(gather([](const QByteArray &b) { return b.endsWith("OK\r\n"); }));
    QCOMPARE(rx, ok);
    for (const QByteArray &text : page)
        QVERIFY2(payloads.contains(text), text.constData());
}

QTEST_GUILESS_MAIN(tst_VestraSim)
#include "tst_vestrasim.moc"
