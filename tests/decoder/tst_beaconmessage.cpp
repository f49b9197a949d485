#include "beaconmessage.h"
#include "messageencoder.h"

#include <QTest>

#include <functional>

using Family = BeaconMessage::LocationFamily;

class tst_BeaconMessage : public QObject
{
    Q_OBJECT

private slots:
    void field_data();
    void field();
    void debugLines();
};

void tst_BeaconMessage::field_data()
{
    QTest::addColumn<QString>("description"); // of MessageEncoder::parse
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *name, const QString &description, const char *field,
                  const QString &expected) {
        QTest::newRow(name) << description << field << expected;
    };
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
        QTest::newRow(qPrintable(code)) << "short " + code << "type" << names[i];
    }
    const QByteArray baudot = " 5 9      4 80  3    6 /-2  71   T O HNM LRGIPCVEZDBSYFXAWJ UQK ";
    for (int first = 0; first < 64; first += 7) {
        QString description = "short u1";
        for (int i = 0; i < 7; ++i)
            description +=
                QString(" %1-%2=%3").arg(40 + 6 * i).arg(45 + 6 * i).arg((first + i) % 64);
        QTest::addRow("Baudot from %d", first)
            << description << "aviation" << QString::fromLatin1((baudot + baudot).mid(first, 7));
    }
    // clang-format off
    // 1111 in bits 43-46 means EPIRB whatever bits 41-42 hold.
    row("RLS 01 0000", "short l13 41-46=16", "type", "RLS location (EPIRB)");
    row("RLS 10 0000", "short l13 41-46=32", "type", "RLS location (PLB)");
    row("RLS 11 0000", "short l13 41-46=48", "type", "RLS location (Test)");
    row("RLS 00 1111", "short l13 41-46=15", "type", "RLS location (EPIRB)");
    row("RLS 11 1111", "short l13 41-46=63", "type", "RLS location (EPIRB)");
    row("country 365", "short u3 27-36=365", "layout", "plain");
    row("country 366", "short u3 27-36=366", "layout", "manufacturer");
    row("country 368, bit 43", "short u3 27-36=368 43=1", "layout", "manufacturer");
    row("country 369", "short u3 27-36=369", "layout", "plain");
    row("country 231", "short u3 27-36=231", "layout", "plain");
    row("country 232", "short u3 27-36=232", "layout", "approval");
    row("country 235", "short u3 27-36=235", "layout", "approval");
    row("country 236", "short u3 27-36=236", "layout", "plain");
    row("country 232, bit 43", "short u3 27-36=232 43=1", "layout", "plain");
    row("country 265, bit 43", "short u3 27-36=265 43=1", "layout", "approval");
    // Neighbouring bits are set so that a field read one bit too wide shows.
    row("serial type 0", "short u3 40-42=0 44-64=0x1FFFFF", "serial", "1048575");
    row("serial type 1, 44-61", "short u3 40-42=1 44-61=262143", "serial", "262143/0");
    row("serial type 1, 62-73", "short u3 40-42=1 62-74=8191", "serial", "0/4095");
    row("serial type 3, 44-67", "short u3 40-42=3 43-67=0x1FFFFFF", "serial", "16777215/0");
    row("serial type 3, 68-73", "short u3 40-42=3 68-74=127", "serial", "0/63");
    row("serial type 5", "short u3 40-42=5 44-73=0x3FFFFFFF", "serial", "");
    const QString fine = "66-72=45 73-74=2 76-83=10 84-85=1 113=1 114-118=12 119-122=5 124-128=1 129-132=2";
    row("standard fine", "long l2 " + fine + " seal", "standard", "Lat: N 45º42'20\" Lon: E 10º13'52\"");
    row("standard short: coarse", "short l2 " + fine, "standard", "Lat: N 45º30' Lon: E 10º15'");
    row("standard truncated test: coarse", "long l2 16-24=0xD0 " + fine + " seal 133-144=0", "standard", "Lat: N 45º30' Lon: E 10º15'");
    row("standard BCH-2 all ones: coarse", "long l2 " + fine + " seal 133-144=0xFFF", "standard", "Lat: N 45º30' Lon: E 10º15'");
    row("standard negative", "long l7 114-118=1 119-122=2 123=1 seal", "standard", "Lat: N 00º-1'-8\" Lon: E 00º00'00\"");
    row("standard S W 3 digits", "short l6 65=1 66-72=100 75=1 76-83=180 84-85=3", "standard", "Lat: S 100º00' Lon: W 180º45'");
    row("standard default latitude", "short l6 65-74=511 75=1 76-83=180", "standard", "Lat: Default  Lon: W 180º00'");
    row("standard default longitude", "short l6 65=1 66-72=100 75-85=1023", "standard", "Lat: S 100º00' Lon: Default ");
    row("national fine", "long l8 60-66=59 67-71=10 72=1 73-80=10 113=1 114-115=3 116-119=15 123-126=1 seal", "national", "Lat: N 59º24'00\" Lon: W 09º59'56\"");
    row("national defaults", "short l9 59-71=4064 72-85=8160", "national", "Lat: Default  Lon: Default ");
    row("national one bit off default", "short l9 59-71=4065 72-85=8160", "national", "Lat: N 127º02' Lon: Default ");
    row("RLS W, bit 85 clear", "short l13 68-74=45 75=1 76=1 77-84=10", "rls", "Lat: N 45º30' Lon: W 10º00'");
    row("RLS W, bit 85 set", "short l13 68-74=45 75=1 76=1 77-84=10 85=1", "rls", "Lat: N 45º30' Lon: W 10º30'");
    row("RLS fine", "long l13 68-74=70 75=1 76=1 77-84=10 116-119=15 120-123=15 124=1 seal", "rls", "Lat: N 70º14'00\" Lon: W 10º00'00\"");
    row("RLS defaults", "short l13 67-75=255 76-85=511", "rls", "Lat: Default  Lon: Default ");
    row("user-location default latitude", "long u7 108-119=2032 121-128=151 129-132=12 seal", "user", "Lat: Default  Lon: E 151º48' (external source)");
    row("user-location default longitude", "long u7 107=1 108=1 109-115=33 116-119=5 120-132=4080 seal", "user", "Lat: S 33º20' Lon: Default  (Internal source)");
    // clang-format on
}

void tst_BeaconMessage::field()
{
    QFETCH(QString, description);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    const std::map<QString, std::function<QByteArray(const BeaconMessage &)>> fields = {
        {"type", &BeaconMessage::protocolTypeText},
        {"aviation", &BeaconMessage::aircraftRegistrationText},
        {"serial", &BeaconMessage::serialNumberText},
        {"layout",
         [](const BeaconMessage &m) {
             const char *layouts[] = {"manufacturer", "approval", "plain"};
             return QByteArray(layouts[int(m.serialLayout())]);
         }},
        {"standard", [](const BeaconMessage &m) { return m.positionText(Family::Standard); }},
        {"national", [](const BeaconMessage &m) { return m.positionText(Family::National); }},
        {"rls", [](const BeaconMessage &m) { return m.positionText(Family::Rls); }},
        {"user", [](const BeaconMessage &m) { return m.positionText(); }},
    };
    const BeaconMessage message(MessageEncoder::parse(description).hex().toLatin1());
    QCOMPARE(QString::fromLatin1(fields.at(field)(message)), expected);
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
    const QString national = MessageEncoder::parse("long l8 107-132=1 seal").hex();
    BeaconMessage(national.toLatin1()).positionText(Family::National);
}

QTEST_APPLESS_MAIN(tst_BeaconMessage)
#include "tst_beaconmessage.moc"
