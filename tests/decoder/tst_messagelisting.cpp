#include "messageencoder.h"
#include "messagelisting.h"

#include <QTest>

namespace {

const QString degree = QString(QChar(0xBA));

MessageEncoder userMessage(MessageEncoder::Length length, int code, int country = 257)
{
    MessageEncoder m(length);
    m.set(26, 26, 1).set(27, 36, unsigned(country)).set(37, 39, unsigned(code));
    return m;
}

MessageEncoder locationMessage(MessageEncoder::Length length, int code, int country = 257)
{
    MessageEncoder m(length);
    m.set(26, 26, 0).set(27, 36, unsigned(country)).set(37, 40, unsigned(code));
    return m;
}

QStringList head(const MessageEncoder &m, const QString &format, const QString &protocol)
{
    return {"Hex message: " + m.hex(), "Message format: " + format, "Protocol: " + protocol,
            "Country code: " + QString::number(m.get(27, 36))};
}

QString userId(const MessageEncoder &m)
{
    return "15 HexID: " + m.digits(26, 85);
}

// The identifier with the family's default position in place.
QString standardId(MessageEncoder m)
{
    return "15 HexID: " + m.set(65, 74, 511).set(75, 85, 1023).digits(26, 85);
}
QString nationalId(MessageEncoder m)
{
    return "15 HexID: " + m.set(59, 71, 4064).set(72, 85, 8160).digits(26, 85);
}
QString rlsId(MessageEncoder m)
{
    return "15 HexID: " + m.set(67, 75, 255).set(76, 85, 511).digits(26, 85);
}

void setBaudot(MessageEncoder &m, int firstBit, std::initializer_list<unsigned> codes)
{
    for (const unsigned code : codes) {
        m.set(firstBit, firstBit + 5, code);
        firstBit += 6;
    }
}

} // namespace

class tst_MessageListing : public QObject
{
    Q_OBJECT

private slots:
    void normalise_data();
    void normalise();
    void listing_data();
    void listing();
    void validityDebugLines();
};

void tst_MessageListing::normalise_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << ""
                           << "FFFE2F";
    QTest::newRow("no preamble") << "53ce"
                                 << "FFFE2F53CE";
    QTest::newRow("lower-case preamble kept") << "fffe2f12"
                                              << "FFFE2F12";
    QTest::newRow("leading F taken as preamble") << "F123"
                                                 << "F123";
}

void tst_MessageListing::normalise()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(normaliseMessageText(text), expected);
}

void tst_MessageListing::listing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected"); // empty: invalid message

    using E = MessageEncoder;
    const QString d = degree;

    const QStringList testUser = {"Hex message: FFFE2F53CE91A2B3C4D5E3A1AF80",
                                  "Message format: short format",
                                  "Protocol: User",
                                  "Country code: 316",
                                  "User Type: Test user",
                                  "46 bit data : 123456789abc",
                                  "Aux radio device: No Device",
                                  "15 HexID: A79D23456789ABC"};
    QTest::newRow("worked example, short test user") << "FFFE2F53CE91A2B3C4D5E3A1AF80" << testUser;
    QTest::newRow("worked example, lower case") << "fffe2f53ce91a2b3c4d5e3a1af80" << testUser;
    QTest::newRow("worked example, no preamble") << "53CE91A2B3C4D5E3A1AF80" << testUser;
    QTest::newRow("worked example, long standard location EPIRB-MMSI")
        << "FFFE2F93C21E24012D814A62ECF7B1412A02"
        << QStringList{"Hex message: FFFE2F93C21E24012D814A62ECF7B1412A02",
                       "Message format: long format",
                       "Protocol: Location",
                       "Country code: 316",
                       "Location Type: Standard Location - EPIRB-MMSI",
                       "MMSI : 123456",
                       "Buoy No : 1",
                       "Position: Lat: N 45" + d + "42'20\" Lon: E 10" + d + "13'52\"",
                       "Position Data source: Internal",
                       "Aux device: 121.5 MHz homer",
                       "15 HexID: 27843C4802FFBFF"};
    QTest::newRow("empty text") << "" << QStringList{"Hex message: FFFE2F",
                                                     "Message format: short format",
                                                     "Protocol: Location",
                                                     "Country code: 0",
                                                     "Location Type: Reserved (orbitography)",
                                                     "Protocol not Implemented"};
    // Plain digit arithmetic turns 'Q' in a high nibble into the bits of 'A'.
    QTest::newRow("non-hex character") << "FFFE2F53CE91Q2B3C4D5E3A1AF80" << QStringList();
    QTest::newRow("non-hex character, lower case")
        << "fffe2f53ce91q2b3c4d5e3a1af80" << QStringList();
    QTest::newRow("blank inside") << "FFFE2F53CE91A2B3 C4D5E3A1AF80" << QStringList();
    QTest::newRow("BCH-1 wrong") << "FFFE2F53CE91A2B3C4D5E3A1BF80" << QStringList();

    E u0 = userMessage(E::Short, 0);
    u0.set(40, 53, 0x1A2B).set(54, 69, 0x3C4D).set(70, 85, 0x5E6F);
    QTest::newRow("user 0") << u0.sealed().hex()
                            << head(u0.sealed(), "short format", "User") +
                                   QStringList{"User Type: Orbitography",
                                               "46 bit data : 1a2b3c4d5e6f",
                                               "Aux radio device: Other Dev.", userId(u0)};

    E u1 = userMessage(E::Short, 1);
    setBaudot(u1, 40, {41, 38, 56, 51, 29, 25, 0});
    u1.set(84, 85, 1);
    QTest::newRow("user 1") << u1.sealed().hex()
                            << head(u1.sealed(), "short format", "User") +
                                   QStringList{"User Type: Aviation user",
                                               "Aircraft reg. marking : LNAB12 ",
                                               "Aux radio device: 121.5 MHz", userId(u1)};

    E u2 = userMessage(E::Short, 2);
    setBaudot(u2, 40, {25, 1, 28, 29, 25, 16, 29});
    u2.set(84, 85, 2);
    QTest::newRow("user 2") << u2.sealed().hex()
                            << head(u2.sealed(), "short format", "User") +
                                   QStringList{"User Type: Maritim user",
                                               "Maritime MMSI (6 digits): 257123",
                                               "Spesific beacon number: 1",
                                               "Aux radio device: 9 GHz Sart", userId(u2)};

    E serial366 = userMessage(E::Long, 3, 366);
    serial366.set(40, 42, 2).set(44, 51, 7).set(52, 63, 345).set(64, 67, 3).set(68, 75, 12);
    serial366.set(108, 119, 2032).set(120, 132, 4080);
    QTest::newRow("user 3, country 366, 14 lines")
        << serial366.sealed().hex()
        << head(serial366.sealed(), "long format", "User") +
               QStringList{"User Type: Serial user",
                           "Beacon type: Maritime (float free)",
                           "Generic Serial no : 29017",
                           "Manufact. ID: 07",
                           "Model no: 03",
                           "Production run: 12",
                           "Sequence no: 345",
                           "Aux radio device: No Device",
                           userId(serial366),
                           "Position : Lat: Default  Lon: Default  (external source)"};

    E serial232 = userMessage(E::Short, 3, 232);
    serial232.set(40, 42, 0).set(43, 43, 0).set(44, 50, 99).set(51, 63, 4321);
    QTest::newRow("user 3, country 232, bit 43 clear")
        << serial232.sealed().hex()
        << head(serial232.sealed(), "short format", "User") +
               QStringList{
                   "User Type: Serial user", "Beacon type: Aviation", "Generic Serial no : 815329",
                   "Approval no : 99",       "Sequence no: 4321",     "Aux radio device: No Device",
                   userId(serial232)};

    E serial265 = userMessage(E::Short, 3, 265);
    serial265.set(40, 42, 1).set(43, 43, 1).set(44, 50, 5).set(51, 63, 6);
    QTest::newRow("user 3, country 265, bit 43 set")
        << serial265.sealed().hex()
        << head(serial265.sealed(), "short format", "User") +
               QStringList{"User Type: Serial user",
                           "Beacon type: Aircraft Operator",
                           "Generic Serial no : 10241/2048",
                           "Approval no : 05",
                           "Sequence no: 06",
                           "Aux radio device: No Device",
                           userId(serial265)};

    E serial232set = userMessage(E::Short, 3, 232);
    serial232set.set(40, 42, 3).set(43, 43, 1).set(44, 67, 0xABCDEF).set(68, 73, 5);
    serial232set.set(74, 83, 1000).set(84, 85, 3);
    QTest::newRow("user 3, country 232, bit 43 set")
        << serial232set.sealed().hex()
        << head(serial232set.sealed(), "short format", "User") +
               QStringList{"User Type: Serial user",       "Beacon type: Aircraft Address",
                           "Serial no : 11259375/5",       "Approval no : 1000",
                           "Aux radio device: Other Dev.", userId(serial232set)};

    E serialPlain = userMessage(E::Short, 3);
    serialPlain.set(40, 42, 5).set(43, 43, 0).set(44, 83, 0xFFFFFFFFFFull);
    QTest::newRow("user 3, type 5, no approval")
        << serialPlain.sealed().hex()
        << head(serialPlain.sealed(), "short format", "User") +
               QStringList{"User Type: Serial user",
                           "Beacon type: Not Defined(101)",
                           "Serial no : ",
                           "Approval no : No approval no present",
                           "Aux radio device: No Device",
                           userId(serialPlain)};

    E u4 = userMessage(E::Long, 4);
    u4.set(40, 53, 0).set(54, 69, 0xFF).set(70, 85, 0x1234);
    u4.set(107, 107, 1).set(108, 108, 1).set(109, 115, 33).set(116, 119, 5);
    u4.set(120, 120, 0).set(121, 128, 151).set(129, 132, 12);
    QTest::newRow("user 4, long with position")
        << u4.sealed().hex()
        << head(u4.sealed(), "long format", "User") +
               QStringList{"User Type: National user", "46 bit data : 000000ff1234",
                           "Aux radio device: No Device", userId(u4),
                           "Position : Lat: S 33" + d + "20' Lon: E 151" + d +
                               "48' (Internal source)"};

    E u5 = userMessage(E::Short, 5);
    u5.set(40, 83, 0x123456789ABull);
    QTest::newRow("user 5") << u5.sealed().hex()
                            << head(u5.sealed(), "short format", "User") +
                                   QStringList{"User Type: Not defined",
                                               "Aux radio device: No Device", userId(u5)};

    E u6 = userMessage(E::Short, 6);
    setBaudot(u6, 40, {41, 56, 46, 55});
    u6.set(64, 67, 4).set(68, 71, 7).set(72, 75, 10).set(76, 81, 63).set(84, 85, 3);
    QTest::newRow("user 6, digit above 9, unassigned beacon number")
        << u6.sealed().hex()
        << head(u6.sealed(), "short format", "User") +
               QStringList{"User Type: Radio call sign user", "Radio Call Sign Ident.: LACX47:",
                           "Spesific beacon number:  ", "Aux radio device: Other Dev.", userId(u6)};

    E u7 = userMessage(E::Long, 7);
    u7.set(16, 24, 0b011010000).set(40, 53, 0x3FFF).set(54, 69, 0xFFFF).set(70, 85, 0xFFFC);
    u7.set(108, 119, 2032).set(120, 132, 4080);
    const E u7Sent = u7.sealed().set(133, 144, 4095);
    QStringList u7Lines = head(u7Sent, "long format (truncated)", "User");
    u7Lines[0] = "Hex message: " + u7Sent.hex().left(28);
    QTest::newRow("user 7, truncated test")
        << u7Sent.hex()
        << u7Lines + QStringList{"User Type: Test user", "46 bit data : 3ffffffffffc",
                                 "Aux radio device: No Device", userId(u7),
                                 "Position : Lat: Default  Lon: Default  (external source)"};

    const QString notImplemented = QStringLiteral("Protocol not Implemented");
    const QPair<int, QString> reserved[] = {
        {0, "Reserved (orbitography)"}, {1, "Reserved (orbitography"}, {12, "Ship Security"}};
    for (const auto &[code, name] : reserved) {
        const E m = locationMessage(E::Short, code).set(41, 85, 0x1234567890ABull).sealed();
        QTest::addRow("location %d, not implemented", code)
            << m.hex()
            << head(m, "short format", "Location") +
                   QStringList{"Location Type: " + name, notImplemented};
    }

    E l2 = locationMessage(E::Short, 2);
    l2.set(41, 60, 2570).set(61, 64, 9).set(65, 65, 1).set(66, 72, 5).set(73, 74, 3);
    l2.set(75, 85, 1023).set(107, 112, 0b110101);
    QTest::newRow("location 2, short")
        << l2.sealed().hex()
        << head(l2.sealed(), "short format", "Location") +
               QStringList{"Location Type: Standard Location - EPIRB-MMSI",
                           "MMSI : 002570",
                           "Buoy No : 9",
                           "Position: Lat: S 05" + d + "45' Lon: Default ",
                           "Position Data source: External",
                           "Aux device: 121.5 MHz homer",
                           standardId(l2)};

    E l3 = locationMessage(E::Long, 3);
    l3.set(41, 64, 0x4CA2B1).set(66, 72, 60).set(75, 75, 1).set(76, 83, 5).set(84, 85, 3);
    l3.set(113, 113, 1).set(123, 123, 0).set(124, 128, 31).set(129, 132, 15);
    QTest::newRow("location 3, fine position, fixed bits wrong")
        << l3.sealed().hex()
        << head(l3.sealed(), "long format", "Location") +
               QStringList{"Location Type: Standard Location ELT-24bit Address",
                           "24 bit AircraftId : 5022385",
                           "Position: Lat: N 60" + d + "00'00\" Lon: W 05" + d + "13'00\"",
                           "Position Data source: Error in fixed bits 107-110",
                           "Aux device: Error in fixed bits 107-110",
                           standardId(l3)};

    E l4 = locationMessage(E::Long, 4);
    l4.set(16, 24, 0b011010000).set(41, 50, 7).set(51, 64, 123);
    l4.set(66, 72, 100).set(73, 74, 1).set(76, 83, 179).set(84, 85, 2).set(107, 112, 0b110110);
    const E l4Sent = l4.sealed().set(133, 144, 4095);
    QStringList l4Lines = head(l4Sent, "long format (truncated)", "Location");
    l4Lines[0] = "Hex message: " + l4Sent.hex().left(28);
    const QStringList l4Listing =
        l4Lines + QStringList{"Location Type: Standard Location ELT-Serial",
                              "Serial ID : 00123",
                              "Cospas/Sarsat appr : 0007",
                              "Position: Lat: N 100" + d + "15' Lon: E 179" + d + "30'",
                              "Position Data source: Internal",
                              "Aux device: No 121.5 MHz homer",
                              standardId(l4)};
    // Line 1 shows the short part, whatever the length received.
    QTest::newRow("location 4, truncated test") << l4Sent.hex() << l4Listing;
    QTest::newRow("location 4, truncated test, 28 digits") << l4Sent.hex().left(28) << l4Listing;
    QTest::newRow("location 4, truncated test, 40 digits") << l4Sent.hex() + "ABCD" << l4Listing;

    E l5 = locationMessage(E::Long, 5);
    l5.set(41, 55, 12345).set(56, 64, 511).set(65, 65, 1).set(75, 85, 1023);
    l5.set(107, 112, 0b110111).set(113, 132, 0xABCDE);
    const E l5Sent = l5.sealed().set(133, 144, 0);
    QTest::newRow("location 5, normal sync, BCH-2 zeros: coarse")
        << l5Sent.hex()
        << head(l5Sent, "long format", "Location") +
               QStringList{"Location Type: Standard Location ELT-Aircraft",
                           "ELT Operator: 12345",
                           "ELT number: 511",
                           "Position: Lat: S 00" + d + "00' Lon: Default ",
                           "Position Data source: Internal",
                           "Aux device: 121.5 MHz homer",
                           standardId(l5)};

    E l6 = locationMessage(E::Short, 6);
    l6.set(41, 50, 1023).set(51, 64, 16383).set(65, 74, 511).set(76, 83, 10).set(84, 85, 1);
    l6.set(107, 112, 0b110101);
    QTest::newRow("location 6") << l6.sealed().hex()
                                << head(l6.sealed(), "short format", "Location") +
                                       QStringList{"Location Type: Standard Location EPIRB-serial",
                                                   "Serial ID : 16383",
                                                   "Cospas/Sarsat appr : 1023",
                                                   "Position: Lat: Default  Lon: E 10" + d + "15'",
                                                   "Position Data source: External",
                                                   "Aux device: 121.5 MHz homer",
                                                   standardId(l6)};

    E l7 = locationMessage(E::Long, 7);
    l7.set(41, 50, 2).set(51, 64, 1).set(107, 112, 0b110111);
    l7.set(113, 113, 0).set(114, 118, 1).set(119, 122, 2).set(123, 123, 1);
    QTest::newRow("location 7, negative total seconds")
        << l7.sealed().hex()
        << head(l7.sealed(), "long format", "Location") +
               QStringList{"Location Type: Standard Location PLB-serial",
                           "Serial ID : 00001",
                           "Cospas/Sarsat appr : 0002",
                           "Position: Lat: N 00" + d + "-1'-8\" Lon: E 00" + d + "00'00\"",
                           "Position Data source: Internal",
                           "Aux device: 121.5 MHz homer",
                           standardId(l7)};

    E l14 = locationMessage(E::Short, 14);
    l14.set(41, 64, 0xFFFFFF).set(66, 72, 45).set(73, 74, 2).set(75, 85, 1023);
    QTest::newRow("location 14") << l14.sealed().hex()
                                 << head(l14.sealed(), "short format", "Location") +
                                        QStringList{
                                            "Location Type: Standard test Location",
                                            "Position: Lat: N 45" + d + "30' Lon: Default ",
                                            "Position Data source: Error in fixed bits 107-110",
                                            "Aux device: Error in fixed bits 107-110",
                                            standardId(l14)};

    const QPair<int, QString> national[] = {{8, "National Location ELT"},
                                            {9, "National Location Spare"},
                                            {10, "National Location EPIRB"},
                                            {11, "National Location PLB"},
                                            {15, "National test Location"}};
    for (const auto &[code, name] : national) {
        E m = locationMessage(E::Long, code);
        m.set(41, 58, 12345).set(60, 66, 59).set(67, 71, 10).set(72, 72, 1).set(73, 80, 10);
        m.set(107, 112, 0b110111).set(113, 113, 1).set(114, 115, 3).set(116, 119, 15);
        m.set(123, 126, 1);
        QTest::addRow("location %d, national fine position", code)
            << m.sealed().hex()
            << head(m.sealed(), "long format", "Location") +
                   QStringList{"Location Type: " + name,
                               "Serial number : 12345",
                               "Position : Lat: N 59" + d + "24'00\" Lon: W 09" + d + "59'56\"",
                               "Position Data source : Internal",
                               "Aux device : 121.5 MHz homer",
                               nationalId(m)};
    }

    E rlsMmsi = locationMessage(E::Long, 13);
    rlsMmsi.set(41, 46, 0b101111).set(47, 66, 57123);
    rlsMmsi.set(68, 74, 70).set(75, 75, 1).set(76, 76, 1).set(77, 84, 10);
    rlsMmsi.set(107, 110, 0b1010).set(113, 114, 1);
    rlsMmsi.set(115, 115, 0).set(116, 119, 15).set(120, 123, 15).set(124, 124, 1);
    QTest::newRow("location 13, RLS MMSI, 14 lines")
        << rlsMmsi.sealed().hex()
        << head(rlsMmsi.sealed(), "long format", "Location") +
               QStringList{"Location Type: RLS location (EPIRB)",
                           "MMSI : 057123",
                           "Buoy No : First EPIRB",
                           "Position: Lat: N 70" + d + "14'00\" Lon: W 10" + d + "00'00\"",
                           "Position Data source: Internal",
                           "Aux device: No 121.5 MHz homer",
                           "RLM type 1: Available",
                           "RLM type 2: Not available",
                           "RLS provider: Galileo",
                           rlsId(rlsMmsi)};

    E rlsSerial = locationMessage(E::Short, 13);
    rlsSerial.set(41, 42, 0).set(43, 52, 123).set(53, 66, 4567).set(67, 75, 255);
    rlsSerial.set(76, 76, 1).set(77, 84, 10).set(85, 85, 1).set(107, 110, 0b0101);
    QTest::newRow("location 13, RLS serial, short")
        << rlsSerial.sealed().hex()
        << head(rlsSerial.sealed(), "short format", "Location") +
               QStringList{"Location Type: RLS location (ELT)",
                           "Serial ID : 4567",
                           "Cospas/Sarsat appr : T123",
                           "Position: Lat: Default  Lon: W 10" + d + "30'",
                           "Position Data source: External",
                           "Aux device: 121.5 MHz homer",
                           "RLM type 1: Not available",
                           "RLM type 2: Available",
                           "RLS provider: Unknown (0)",
                           rlsId(rlsSerial)};
}

void tst_MessageListing::listing()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    // The list is reused on purpose: old lines must never survive a run.
    QStringList lines{QStringLiteral("line of an earlier run")};
    for (int run = 0; run < 2; ++run) {
        QCOMPARE(buildListing(text, lines), !expected.isEmpty());
        QCOMPARE(lines, expected);
    }
}

void tst_MessageListing::validityDebugLines()
{
    QStringList lines;
    QTest::ignoreMessage(QtDebugMsg, "MOLM: Validity ok");
    QVERIFY(buildListing(QStringLiteral("FFFE2F53CE91A2B3C4D5E3A1AF80"), lines));
    QTest::ignoreMessage(QtDebugMsg, "MOLM: Validity fail");
    QVERIFY(!buildListing(QStringLiteral("FFFE2F53CE91A2B3C4D5E3A1BF80"), lines));
    QTest::ignoreMessage(QtDebugMsg, "MOLM: Validity fail");
    QVERIFY(!buildListing(QStringLiteral("xyz"), lines));
}

QTEST_APPLESS_MAIN(tst_MessageListing)
#include "tst_messagelisting.moc"
