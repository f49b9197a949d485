#include "beaconmessage.h"
#include "messageencoder.h"

#include <QTest>

using E = MessageEncoder;
using Family = BeaconMessage::LocationFamily;

namespace {

BeaconMessage messageOf(const char *description)
{
    return BeaconMessage(E::parse(description).hex().toLatin1());
}

} // namespace

class tst_BeaconMessage : public QObject
{
    Q_OBJECT

private slots:
    void protocolName_data();
    void protocolName();
    void baudot();
    void serial_data();
    void serial();
    void position_data();
    void position();
    void debugLines();
};

void tst_BeaconMessage::protocolName_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("name");
    const char *names[] = {"Orbitography",
                           "Aviation user",
                           "Maritim user",
                           "Serial user",
                           "National user",
                           "Not defined",
                           "Radio call sign user",
                           "Test user",
                           "Reserved (orbitography)",
                           "Reserved (orbitography",
                           "Standard Location - EPIRB-MMSI",
                           "Standard Location ELT-24bit Address",
                           "Standard Location ELT-Serial",
                           "Standard Location ELT-Aircraft",
                           "Standard Location EPIRB-serial",
                           "Standard Location PLB-serial",
                           "National Location ELT",
                           "National Location Spare",
                           "National Location EPIRB",
                           "National Location PLB",
                           "Ship Security",
                           "RLS location (ELT)",
                           "Standard test Location",
                           "National test Location"};
    for (int i = 0; i < 24; ++i) {
        const QString code = i < 8 ? QString("u%1").arg(i) : QString("l%1").arg(i - 8);
        QTest::newRow(qPrintable(code)) << "short " + code << names[i];
    }
    // 1111 in bits 43-46 means EPIRB whatever bits 41-42 hold.
    QTest::newRow("RLS 01 0000") << "short l13 41-46=16"
                                 << "RLS location (EPIRB)";
    QTest::newRow("RLS 10 0000") << "short l13 41-46=32"
                                 << "RLS location (PLB)";
    QTest::newRow("RLS 11 0000") << "short l13 41-46=48"
                                 << "RLS location (Test)";
    QTest::newRow("RLS 00 1111") << "short l13 41-46=15"
                                 << "RLS location (EPIRB)";
    QTest::newRow("RLS 11 1111") << "short l13 41-46=63"
                                 << "RLS location (EPIRB)";
}

void tst_BeaconMessage::protocolName()
{
    QFETCH(QString, description);
    QFETCH(QString, name);
    const QByteArray text = messageOf(qPrintable(description)).protocolTypeText();
    QCOMPARE(QString::fromLatin1(text), name);
}

void tst_BeaconMessage::baudot()
{
    const QByteArray table = " 5 9      4 80  3    6 /-2  71   T O HNM LRGIPCVEZDBSYFXAWJ UQK ";
    for (unsigned first = 0; first < 64; first += 7) {
        E m = E::parse("short u1");
        QByteArray expected;
        for (unsigned i = 0; i < 7; ++i) {
            m.set(40 + 6 * int(i), 45 + 6 * int(i), (first + i) % 64);
            expected += table.at((first + i) % 64);
        }
        QCOMPARE(BeaconMessage(m.hex().toLatin1()).aircraftRegistrationText(), expected);
    }
}

void tst_BeaconMessage::serial_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("layout");
    QTest::addColumn<QString>("serial");
    const int manufacturer = int(BeaconMessage::SerialLayout::Manufacturer);
    const int approval = int(BeaconMessage::SerialLayout::ApprovalSequence);
    const int plain = int(BeaconMessage::SerialLayout::Plain);
    // Neighbouring bits are set so that a field read one bit too wide shows.
    // clang-format off
    QTest::newRow("country 365") << "short u3 27-36=365" << plain << "0";
    QTest::newRow("country 366") << "short u3 27-36=366" << manufacturer << "0";
    QTest::newRow("country 368, bit 43 set") << "short u3 27-36=368 43=1" << manufacturer << "0";
    QTest::newRow("country 369") << "short u3 27-36=369" << plain << "0";
    QTest::newRow("country 231") << "short u3 27-36=231" << plain << "0";
    QTest::newRow("country 232") << "short u3 27-36=232" << approval << "0";
    QTest::newRow("country 235") << "short u3 27-36=235" << approval << "0";
    QTest::newRow("country 236") << "short u3 27-36=236" << plain << "0";
    QTest::newRow("country 232, bit 43 set") << "short u3 27-36=232 43=1" << plain << "0";
    QTest::newRow("country 265, bit 43 set") << "short u3 27-36=265 43=1" << approval << "0";
    QTest::newRow("type 0, bits 44-63") << "short u3 40-42=0 44-64=0x1FFFFF" << plain << "1048575";
    QTest::newRow("type 1, bits 44-61") << "short u3 40-42=1 44-61=262143" << plain << "262143/0";
    QTest::newRow("type 1, bits 62-73") << "short u3 40-42=1 62-74=8191" << plain << "0/4095";
    QTest::newRow("type 3, bits 44-67") << "short u3 40-42=3 43-67=0x1FFFFFF" << plain << "16777215/0";
    QTest::newRow("type 3, bits 68-73") << "short u3 40-42=3 68-74=127" << plain << "0/63";
    QTest::newRow("type 5 empty") << "short u3 40-42=5 44-73=0x3FFFFFFF" << plain << "";
    QTest::newRow("type 7 empty") << "short u3 40-42=7 44-73=0x3FFFFFFF" << plain << "";
    // clang-format on
}

void tst_BeaconMessage::serial()
{
    QFETCH(QString, description);
    QFETCH(int, layout);
    QFETCH(QString, serial);
    const BeaconMessage message = messageOf(qPrintable(description));
    QCOMPARE(int(message.serialLayout()), layout);
    QCOMPARE(QString::fromLatin1(message.serialNumberText()), serial);
}

void tst_BeaconMessage::position_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("family"); // -1: the user-location form
    QTest::addColumn<QString>("expected");
    const int standard = int(Family::Standard), national = int(Family::National);
    const int rls = int(Family::Rls);
    const QString fine = "66-72=45 73-74=2 76-83=10 84-85=1 113=1 114-118=12 119-122=5 "
                         "124-128=1 129-132=2";
    // clang-format off
    QTest::newRow("standard fine") << "long l2 " + fine + " seal" << standard << "Lat: N 45º42'20\" Lon: E 10º13'52\"";
    QTest::newRow("standard short: coarse") << "short l2 " + fine << standard << "Lat: N 45º30' Lon: E 10º15'";
    QTest::newRow("standard truncated test: coarse") << "long l2 16-24=0xD0 " + fine + " seal 133-144=0" << standard << "Lat: N 45º30' Lon: E 10º15'";
    QTest::newRow("standard, BCH-2 all ones: coarse") << "long l2 " + fine + " seal 133-144=0xFFF" << standard << "Lat: N 45º30' Lon: E 10º15'";
    QTest::newRow("standard, negative seconds") << "long l7 114-118=1 119-122=2 123=1 seal" << standard << "Lat: N 00º-1'-8\" Lon: E 00º00'00\"";
    QTest::newRow("standard S W, three digits") << "short l6 65=1 66-72=100 75=1 76-83=180 84-85=3" << standard << "Lat: S 100º00' Lon: W 180º45'";
    QTest::newRow("standard default latitude") << "short l6 65-74=511 75=1 76-83=180" << standard << "Lat: Default  Lon: W 180º00'";
    QTest::newRow("standard default longitude") << "short l6 65=1 66-72=100 75-85=1023" << standard << "Lat: S 100º00' Lon: Default ";
    QTest::newRow("national defaults") << "short l9 59-71=4064 72-85=8160" << national << "Lat: Default  Lon: Default ";
    QTest::newRow("national, one bit off default") << "short l9 59-71=4065 72-85=8160" << national << "Lat: N 127º02' Lon: Default ";
    QTest::newRow("RLS W, bit 85 clear") << "short l13 68-74=45 75=1 76=1 77-84=10" << rls << "Lat: N 45º30' Lon: W 10º00'";
    QTest::newRow("RLS W, bit 85 set") << "short l13 68-74=45 75=1 76=1 77-84=10 85=1" << rls << "Lat: N 45º30' Lon: W 10º30'";
    QTest::newRow("RLS defaults") << "short l13 67-75=255 76-85=511" << rls << "Lat: Default  Lon: Default ";
    QTest::newRow("user-location, latitude default") << "long u7 108-119=2032 121-128=151 129-132=12 seal" << -1 << "Lat: Default  Lon: E 151º48' (external source)";
    QTest::newRow("user-location, longitude default") << "long u7 107=1 108=1 109-115=33 116-119=5 120-132=4080 seal" << -1 << "Lat: S 33º20' Lon: Default  (Internal source)";
    // clang-format on
}

void tst_BeaconMessage::position()
{
    QFETCH(QString, description);
    QFETCH(int, family);
    QFETCH(QString, expected);
    const BeaconMessage m = messageOf(qPrintable(description));
    const QByteArray text = family < 0 ? m.positionText() : m.positionText(Family(family));
    QCOMPARE(QString::fromLatin1(text), expected);
}

void tst_BeaconMessage::debugLines()
{
    QTest::ignoreMessage(QtDebugMsg, "Value: a03 akkum: a02");
    QVERIFY(!BeaconMessage("FFFE2F93C21E24012D814A62ECF7B1412A03").isValid());
    QTest::ignoreMessage(QtDebugMsg, "MOLM2: Testmessage detected");
    QVERIFY(BeaconMessage("FFFE2F93C21E24012D814A62ECF7B1412FFF").isValid());
    for (const char *line : {"Long Standard location LAT", "Long Standard location LON",
                             "Lat: N 45\u00BA42'20\" Lon: E 10\u00BA13'52\"",
                             "Long National location LAT", "Long National location LON"})
        QTest::ignoreMessage(QtDebugMsg, line);
    BeaconMessage("FFFE2F93C21E24012D814A62ECF7B1412A02").positionText(Family::Standard);
    messageOf("long l8 107-132=1 seal").positionText(Family::National);
}

QTEST_APPLESS_MAIN(tst_BeaconMessage)
#include "tst_beaconmessage.moc"
