#include "beaconmessage.h"
#include "messageencoder.h"

#include <QTest>

using Family = BeaconMessage::LocationFamily;
using Layout = BeaconMessage::SerialLayout;

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

BeaconMessage messageOf(const MessageEncoder &m)
{
    return BeaconMessage(m.hex().toLatin1());
}

// The long standard location example: N 45 30 / E 10 15 with offsets
// +12' 20" and -1' 8".
MessageEncoder mmsiExample(MessageEncoder::Length length)
{
    MessageEncoder m = locationMessage(length, 2, 316);
    m.set(41, 60, 123456).set(61, 64, 1);
    m.set(65, 65, 0).set(66, 72, 45).set(73, 74, 2).set(75, 75, 0).set(76, 83, 10).set(84, 85, 1);
    m.set(107, 112, 0b110111);
    m.set(113, 113, 1).set(114, 118, 12).set(119, 122, 5);
    m.set(123, 123, 0).set(124, 128, 1).set(129, 132, 2);
    return m.sealed();
}

QList<unsigned int> snapshot(const BeaconMessage &m)
{
    QList<unsigned int> words;
    for (int start = 0; start < 800; start += 32)
        words << m.bits(start, 32);
    return words;
}

} // namespace

class tst_BeaconMessage : public QObject
{
    Q_OBJECT

private slots:
    void encoderMatchesWorkedExamples();
    void bits_data();
    void bits();
    void setBitsTouchesOnlyItsRange();
    void validity_data();
    void validity();
    void validityDebugLines();
    void format_data();
    void format();
    void rlsType_data();
    void rlsType();
    void serialLayout_data();
    void serialLayout();
    void serialNumber_data();
    void serialNumber();
    void baudotUnassignedCodesGiveBlanks();
    void hexIdIgnoresPosition_data();
    void hexIdIgnoresPosition();
    void position_data();
    void position();
    void positionDebugLines();
    void dataSourceAndHomer_data();
    void dataSourceAndHomer();
};

void tst_BeaconMessage::encoderMatchesWorkedExamples()
{
    MessageEncoder testUser = userMessage(MessageEncoder::Short, 7, 316);
    testUser.set(40, 53, 0x1234).set(54, 69, 0x5678).set(70, 85, 0x9ABC);
    QCOMPARE(testUser.sealed().hex(), QStringLiteral("FFFE2F53CE91A2B3C4D5E3A1AF80"));
    QCOMPARE(mmsiExample(MessageEncoder::Long).hex(),
             QStringLiteral("FFFE2F93C21E24012D814A62ECF7B1412A02"));
}

void tst_BeaconMessage::bits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<uint>("expected");

    QTest::newRow("first nibble") << "A5F0" << 0 << 4 << 0xAu;
    QTest::newRow("across a byte boundary") << "A5F0" << 4 << 8 << 0x5Fu;
    QTest::newRow("inside a byte, not aligned") << "A5F0" << 2 << 6 << 0x25u;
    QTest::newRow("past the text reads 0") << "A5F0" << 12 << 8 << 0u;
    QTest::newRow("32 bits") << "A5F0C3" << 0 << 32 << 0xA5F0C300u;
    QTest::newRow("last bits of the buffer") << QString(200, 'F') << 796 << 4 << 0xFu;
    QTest::newRow("past the buffer reads 0") << QString(200, 'F') << 798 << 4 << 0xCu;
}

void tst_BeaconMessage::bits()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(uint, expected);
    QCOMPARE(BeaconMessage(text.toLatin1()).bits(start, count), expected);
}

void tst_BeaconMessage::setBitsTouchesOnlyItsRange()
{
    BeaconMessage m(QByteArrayLiteral("FFFF"));
    m.setBits(5, 6, 0b010010);
    QCOMPARE(m.bits(0, 16), 0xFA5Fu);
    m.setBits(0, 4, 0x35); // only the low four bits count
    QCOMPARE(m.bits(0, 16), 0x5A5Fu);
    QCOMPARE(m.bits(16, 16), 0u);
}

void tst_BeaconMessage::validity_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");

    MessageEncoder shortMessage = userMessage(MessageEncoder::Short, 7, 316);
    shortMessage.set(40, 53, 0x1234).set(54, 69, 0x5678).set(70, 85, 0x9ABC);
    const MessageEncoder sealedShort = shortMessage.sealed();
    const MessageEncoder sealedLong = mmsiExample(MessageEncoder::Long);
    const QString longText = sealedLong.hex();

    QTest::newRow("short valid") << sealedShort.hex() << true;
    QTest::newRow("short, data bit 60 flipped")
        << MessageEncoder(sealedShort).set(60, 60, 1 - sealedShort.get(60, 60)).hex() << false;
    QTest::newRow("short, BCH-1 bit 106 flipped")
        << MessageEncoder(sealedShort).set(106, 106, 1 - sealedShort.get(106, 106)).hex() << false;
    QTest::newRow("short, digits after bit 112 ignored") << sealedShort.hex() + "12345678" << true;
    QTest::newRow("empty text after normalising") << "FFFE2F" << true;
    QTest::newRow("long valid") << longText << true;
    QTest::newRow("long, BCH-1 good, BCH-2 wrong") << longText.chopped(1) + "3" << false;
    QTest::newRow("long, BCH-1 wrong, BCH-2 good")
        << MessageEncoder(sealedLong).set(86, 86, 1 - sealedLong.get(86, 86)).hex() << false;
    QTest::newRow("long, 133-144 all ones, second field altered")
        << MessageEncoder(sealedLong).set(107, 132, 0x2ABCDEF).set(133, 144, 4095).hex() << true;
    QTest::newRow("long, 133-144 all zeros, second field altered")
        << MessageEncoder(sealedLong).set(107, 132, 0x1234567).set(133, 144, 0).hex() << true;
}

void tst_BeaconMessage::validity()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    const BeaconMessage message(text.toLatin1());
    const QList<unsigned int> before = snapshot(message);
    QCOMPARE(message.isValid(), valid);
    QCOMPARE(snapshot(message), before);
}

void tst_BeaconMessage::validityDebugLines()
{
    QTest::ignoreMessage(QtDebugMsg, "Value: a03 akkum: a02");
    QVERIFY(!BeaconMessage("FFFE2F93C21E24012D814A62ECF7B1412A03").isValid());
    QTest::ignoreMessage(QtDebugMsg, "MOLM2: Testmessage detected");
    QVERIFY(BeaconMessage("FFFE2F93C21E24012D814A62ECF7B1412FFF").isValid());
}

void tst_BeaconMessage::format_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("truncated");

    const MessageEncoder selfTest =
        locationMessage(MessageEncoder::Long, 4).set(16, 24, 0b011010000);
    QTest::newRow("short, self-test sync, no BCH-2")
        << locationMessage(MessageEncoder::Short, 4).set(16, 24, 0b011010000).hex()
        << "short format" << false;
    QTest::newRow("long, normal sync, 133-144 all ones")
        << locationMessage(MessageEncoder::Long, 4).set(133, 144, 4095).hex() << "long format"
        << false;
    QTest::newRow("long, self-test sync, 133-144 zeros")
        << MessageEncoder(selfTest).set(133, 144, 0).hex() << "long format (truncated)" << true;
    QTest::newRow("long, self-test sync, 133-144 ones")
        << MessageEncoder(selfTest).set(133, 144, 4095).hex() << "long format (truncated)" << true;
    QTest::newRow("long, self-test sync, real BCH-2")
        << MessageEncoder(selfTest).set(107, 132, 1).sealed().hex() << "long format" << false;
}

void tst_BeaconMessage::format()
{
    QFETCH(QString, text);
    QFETCH(QString, format);
    QFETCH(bool, truncated);
    const BeaconMessage message(text.toLatin1());
    QCOMPARE(QString::fromLatin1(message.formatText()), format);
    QCOMPARE(message.isTruncatedTest(), truncated);
}

void tst_BeaconMessage::rlsType_data()
{
    QTest::addColumn<uint>("bits41to46");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("mmsi");
    QTest::addColumn<QString>("identity"); // type approval, or the beacon of an MMSI

    QTest::newRow("00 0000 ELT") << 0b000000u << "RLS location (ELT)" << false << "T5";
    QTest::newRow("01 0000 EPIRB") << 0b010000u << "RLS location (EPIRB)" << false << "15";
    QTest::newRow("10 0000 PLB") << 0b100000u << "RLS location (PLB)" << false << "35";
    QTest::newRow("11 0000 Test") << 0b110000u << "RLS location (Test)" << false << "T5";
    QTest::newRow("00 1111 MMSI") << 0b001111u << "RLS location (EPIRB)" << true << "First EPIRB";
    QTest::newRow("10 1111 MMSI over PLB")
        << 0b101111u << "RLS location (EPIRB)" << true << "First EPIRB";
    QTest::newRow("11 1111 MMSI, not Test")
        << 0b111111u << "RLS location (EPIRB)" << true << "Second EPIRB";
}

void tst_BeaconMessage::rlsType()
{
    QFETCH(uint, bits41to46);
    QFETCH(QString, type);
    QFETCH(bool, mmsi);
    QFETCH(QString, identity);
    MessageEncoder m = locationMessage(MessageEncoder::Short, 13);
    m.set(41, 46, bits41to46).set(47, 52, 5);
    const BeaconMessage message = messageOf(m);
    QCOMPARE(QString::fromLatin1(message.protocolTypeText()), type);
    QCOMPARE(message.isRlsMmsi(), mmsi);
    // Without the MMSI, bits 43-52 hold 0000 000101.
    const QByteArray text = mmsi ? message.rlsBeaconText() : message.rlsTypeApprovalText();
    QCOMPARE(QString::fromLatin1(text), identity);
}

void tst_BeaconMessage::serialLayout_data()
{
    QTest::addColumn<int>("country");
    QTest::addColumn<int>("flag");
    QTest::addColumn<Layout>("layout");

    QTest::newRow("365") << 365 << 0 << Layout::Plain;
    QTest::newRow("366") << 366 << 0 << Layout::Manufacturer;
    QTest::newRow("368, bit 43 set") << 368 << 1 << Layout::Manufacturer;
    QTest::newRow("369") << 369 << 0 << Layout::Plain;
    QTest::newRow("231") << 231 << 0 << Layout::Plain;
    QTest::newRow("232, bit 43 clear") << 232 << 0 << Layout::ApprovalSequence;
    QTest::newRow("235, bit 43 clear") << 235 << 0 << Layout::ApprovalSequence;
    QTest::newRow("236") << 236 << 0 << Layout::Plain;
    QTest::newRow("232, bit 43 set") << 232 << 1 << Layout::Plain;
    QTest::newRow("265, bit 43 set") << 265 << 1 << Layout::ApprovalSequence;
    QTest::newRow("265, bit 43 clear") << 265 << 0 << Layout::ApprovalSequence;
}

void tst_BeaconMessage::serialLayout()
{
    QFETCH(int, country);
    QFETCH(int, flag);
    QFETCH(Layout, layout);
    MessageEncoder m = userMessage(MessageEncoder::Short, 3, country);
    m.set(43, 43, unsigned(flag));
    QCOMPARE(messageOf(m).serialLayout(), layout);
}

void tst_BeaconMessage::serialNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("serial");

    // Neighbouring bits are set so that a field read one bit too wide shows.
    auto serial = [](unsigned type) {
        MessageEncoder m = userMessage(MessageEncoder::Short, 3);
        return m.set(40, 42, type).set(43, 43, 1);
    };
    QTest::newRow("type 0, bits 44-63")
        << serial(0).set(44, 63, 0xFFFFF).set(64, 64, 1).hex() << "1048575";
    QTest::newRow("type 6, bits 44-63") << serial(6).set(44, 63, 12345).hex() << "12345";
    QTest::newRow("type 1, first part 44-61") << serial(1).set(44, 61, 262143).hex() << "262143/0";
    QTest::newRow("type 1, second part 62-73")
        << serial(1).set(62, 73, 4095).set(74, 74, 1).hex() << "0/4095";
    QTest::newRow("type 3, first part 44-67")
        << serial(3).set(44, 67, 16777215).hex() << "16777215/0";
    QTest::newRow("type 3, second part 68-73")
        << serial(3).set(68, 73, 63).set(74, 74, 1).hex() << "0/63";
    QTest::newRow("type 5 empty") << serial(5).set(44, 73, 0x3FFFFFFF).hex() << "";
    QTest::newRow("type 7 empty") << serial(7).set(44, 73, 0x3FFFFFFF).hex() << "";
}

void tst_BeaconMessage::serialNumber()
{
    QFETCH(QString, text);
    QFETCH(QString, serial);
    QCOMPARE(QString::fromLatin1(BeaconMessage(text.toLatin1()).serialNumberText()), serial);
}

void tst_BeaconMessage::baudotUnassignedCodesGiveBlanks()
{
    MessageEncoder m = userMessage(MessageEncoder::Short, 1);
    const unsigned codes[] = {56, 51, 0, 63, 36, 62, 29};
    for (int i = 0; i < 7; ++i)
        m.set(40 + 6 * i, 45 + 6 * i, codes[i]);
    QCOMPARE(messageOf(m).aircraftRegistrationText(), QByteArray("AB   K1"));
}

void tst_BeaconMessage::hexIdIgnoresPosition_data()
{
    QTest::addColumn<Family>("family");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("expected");

    MessageEncoder standard = locationMessage(MessageEncoder::Long, 2);
    standard.set(41, 64, 0xA5C3E1);
    QTest::newRow("standard, bits 65-85")
        << Family::Standard << MessageEncoder(standard).set(65, 85, 0x1ABCDE).hex()
        << MessageEncoder(standard).set(65, 85, 0x0F0F0F).hex()
        << standard.set(65, 74, 511).set(75, 85, 1023).digits(26, 85);

    MessageEncoder national = locationMessage(MessageEncoder::Long, 10);
    national.set(41, 58, 0x2B3C4);
    QTest::newRow("national, bits 59-85")
        << Family::National << MessageEncoder(national).set(59, 85, 0x7FFFFFF).hex()
        << MessageEncoder(national).set(59, 85, 0x1234567).hex()
        << national.set(59, 71, 4064).set(72, 85, 8160).digits(26, 85);

    MessageEncoder rls = locationMessage(MessageEncoder::Long, 13);
    rls.set(41, 66, 0x2345678);
    QTest::newRow("RLS, bits 67-85")
        << Family::Rls << MessageEncoder(rls).set(67, 85, 0x7ABCD).hex()
        << MessageEncoder(rls).set(67, 85, 0).hex()
        << rls.set(67, 75, 255).set(76, 85, 511).digits(26, 85);
}

void tst_BeaconMessage::hexIdIgnoresPosition()
{
    QFETCH(Family, family);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromLatin1(BeaconMessage(first.toLatin1()).hexId(family)), expected);
    QCOMPARE(QString::fromLatin1(BeaconMessage(second.toLatin1()).hexId(family)), expected);
}

void tst_BeaconMessage::position_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("family"); // -1: the user-location form
    QTest::addColumn<QString>("expected");

    const int standard = int(Family::Standard);
    const int national = int(Family::National);
    const int rls = int(Family::Rls);
    const QString d = degree;

    const MessageEncoder example = mmsiExample(MessageEncoder::Long);
    QTest::newRow("standard fine, worked example")
        << example.hex() << standard << "Lat: N 45" + d + "42'20\" Lon: E 10" + d + "13'52\"";
    QTest::newRow("standard, short message coarse")
        << mmsiExample(MessageEncoder::Short).hex() << standard
        << "Lat: N 45" + d + "30' Lon: E 10" + d + "15'";
    QTest::newRow("standard, truncated test coarse")
        << MessageEncoder(example).set(16, 24, 0b011010000).set(133, 144, 0).hex() << standard
        << "Lat: N 45" + d + "30' Lon: E 10" + d + "15'";
    QTest::newRow("standard, normal sync but BCH-2 all ones: coarse")
        << MessageEncoder(example).set(133, 144, 4095).hex() << standard
        << "Lat: N 45" + d + "30' Lon: E 10" + d + "15'";

    MessageEncoder negative = locationMessage(MessageEncoder::Long, 7);
    negative.set(107, 112, 0b110111).set(113, 113, 0).set(114, 118, 1).set(119, 122, 2);
    negative.set(123, 123, 1);
    QTest::newRow("standard, negative total seconds")
        << negative.sealed().hex() << standard
        << "Lat: N 00" + d + "-1'-8\" Lon: E 00" + d + "00'00\"";

    MessageEncoder wide = locationMessage(MessageEncoder::Short, 6);
    wide.set(65, 65, 1).set(66, 72, 100).set(75, 75, 1).set(76, 83, 180).set(84, 85, 3);
    QTest::newRow("standard, three-digit degrees, S and W")
        << wide.hex() << standard << "Lat: S 100" + d + "00' Lon: W 180" + d + "45'";
    QTest::newRow("standard, default latitude")
        << MessageEncoder(wide).set(65, 74, 511).hex() << standard
        << "Lat: Default  Lon: W 180" + d + "45'";
    QTest::newRow("standard, default longitude")
        << MessageEncoder(wide).set(75, 85, 1023).hex() << standard
        << "Lat: S 100" + d + "00' Lon: Default ";

    MessageEncoder nat = locationMessage(MessageEncoder::Long, 8);
    nat.set(59, 59, 0).set(60, 66, 59).set(67, 71, 10).set(72, 72, 1).set(73, 80, 10);
    nat.set(107, 112, 0b110111).set(113, 113, 1).set(114, 115, 3).set(116, 119, 15);
    nat.set(120, 120, 0).set(121, 122, 0).set(123, 126, 1);
    QTest::newRow("national fine")
        << nat.sealed().hex() << national << "Lat: N 59" + d + "24'00\" Lon: W 09" + d + "59'56\"";
    QTest::newRow("national, truncated test coarse")
        << MessageEncoder(nat).set(16, 24, 0b011010000).set(133, 144, 0).hex() << national
        << "Lat: N 59" + d + "20' Lon: W 10" + d + "00'";
    QTest::newRow("national defaults")
        << locationMessage(MessageEncoder::Short, 9).set(59, 71, 4064).set(72, 85, 8160).hex()
        << national << "Lat: Default  Lon: Default ";
    QTest::newRow("national, one bit off the default")
        << locationMessage(MessageEncoder::Short, 9).set(59, 71, 4065).set(72, 85, 8160).hex()
        << national << "Lat: N 127" + d + "02' Lon: Default ";

    MessageEncoder rlsCoarse = locationMessage(MessageEncoder::Short, 13);
    rlsCoarse.set(68, 74, 45).set(75, 75, 1).set(76, 76, 1).set(77, 84, 10);
    QTest::newRow("RLS coarse, W, bit 85 clear")
        << rlsCoarse.hex() << rls << "Lat: N 45" + d + "30' Lon: W 10" + d + "00'";
    QTest::newRow("RLS coarse, W, bit 85 set")
        << MessageEncoder(rlsCoarse).set(85, 85, 1).hex() << rls
        << "Lat: N 45" + d + "30' Lon: W 10" + d + "30'";
    MessageEncoder rlsFine = locationMessage(MessageEncoder::Long, 13);
    rlsFine.set(68, 74, 70).set(75, 75, 1).set(76, 76, 1).set(77, 84, 10);
    rlsFine.set(115, 115, 0).set(116, 119, 15).set(120, 123, 15).set(124, 124, 1);
    QTest::newRow("RLS fine") << rlsFine.sealed().hex() << rls
                              << "Lat: N 70" + d + "14'00\" Lon: W 10" + d + "00'00\"";
    QTest::newRow("RLS defaults")
        << locationMessage(MessageEncoder::Short, 13).set(67, 75, 255).set(76, 85, 511).hex() << rls
        << "Lat: Default  Lon: Default ";

    MessageEncoder user = userMessage(MessageEncoder::Long, 7);
    user.set(108, 119, 2032).set(120, 120, 0).set(121, 128, 151).set(129, 132, 12);
    QTest::newRow("user-location, default latitude")
        << user.sealed().hex() << -1 << "Lat: Default  Lon: E 151" + d + "48' (external source)";
    user.set(107, 107, 1).set(108, 108, 1).set(109, 115, 33).set(116, 119, 5).set(120, 132, 4080);
    QTest::newRow("user-location, default longitude")
        << user.sealed().hex() << -1 << "Lat: S 33" + d + "20' Lon: Default  (Internal source)";
}

void tst_BeaconMessage::position()
{
    QFETCH(QString, text);
    QFETCH(int, family);
    QFETCH(QString, expected);
    const BeaconMessage message(text.toLatin1());
    const QByteArray position =
        family < 0 ? message.positionText() : message.positionText(Family(family));
    QCOMPARE(QString::fromLatin1(position), expected);
}

void tst_BeaconMessage::positionDebugLines()
{
    QTest::ignoreMessage(QtDebugMsg, "Long Standard location LAT");
    QTest::ignoreMessage(QtDebugMsg, "Long Standard location LON");
    QTest::ignoreMessage(QtDebugMsg, "Lat: N 45\u00BA42'20\" Lon: E 10\u00BA13'52\"");
    messageOf(mmsiExample(MessageEncoder::Long)).positionText(Family::Standard);

    MessageEncoder national = locationMessage(MessageEncoder::Long, 8);
    QTest::ignoreMessage(QtDebugMsg, "Long National location LAT");
    QTest::ignoreMessage(QtDebugMsg, "Long National location LON");
    messageOf(national.set(107, 132, 1).sealed()).positionText(Family::National);
}

void tst_BeaconMessage::dataSourceAndHomer_data()
{
    QTest::addColumn<Family>("family");
    QTest::addColumn<uint>("bits107to112");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("homer");

    const QString error = QStringLiteral("Error in fixed bits 107-110");
    QTest::newRow("standard 1101 11") << Family::Standard << 0b110111u << "Internal"
                                      << "121.5 MHz homer";
    QTest::newRow("standard 1101 00") << Family::Standard << 0b110100u << "External"
                                      << "No 121.5 MHz homer";
    QTest::newRow("standard 1110 11") << Family::Standard << 0b111011u << error << error;
    QTest::newRow("standard 0101 11") << Family::Standard << 0b010111u << error << error;
    QTest::newRow("standard 1100 11") << Family::Standard << 0b110011u << error << error;
    QTest::newRow("national 1101 10") << Family::National << 0b110110u << "Internal"
                                      << "No 121.5 MHz homer";
    QTest::newRow("national 0000 00") << Family::National << 0u << error << error;
    QTest::newRow("RLS 10") << Family::Rls << 0b100000u << "Internal"
                            << "No 121.5 MHz homer";
    QTest::newRow("RLS 01") << Family::Rls << 0b010000u << "External"
                            << "121.5 MHz homer";
}

void tst_BeaconMessage::dataSourceAndHomer()
{
    QFETCH(Family, family);
    QFETCH(uint, bits107to112);
    QFETCH(QString, source);
    QFETCH(QString, homer);
    const BeaconMessage message =
        messageOf(locationMessage(MessageEncoder::Short, 2).set(107, 112, bits107to112));
    QCOMPARE(QString::fromLatin1(message.dataSourceText(family)), source);
    QCOMPARE(QString::fromLatin1(message.homerText(family)), homer);
}

QTEST_APPLESS_MAIN(tst_BeaconMessage)
#include "tst_beaconmessage.moc"
