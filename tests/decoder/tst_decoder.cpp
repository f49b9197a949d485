#include "beaconmessage.h"
#include "consoleoutput.h"
#include "inputdecoding.h"
#include "messagediagnosis.h"
#include "messageencoder.h"
#include "messagelisting.h"
#include "vestraversion.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using E = MessageEncoder;
using Errors = MessageDiagnosis::Errors;

// The long worked example's listing and text, and the short one with bit 100 flipped.
// clang-format off
const char longExample[] = "Hex message: FFFE2F93C21E24012D814A62ECF7B1412A02|Message format: long format|Protocol: Location|Country code: 316|Location Type: Standard Location - EPIRB-MMSI|MMSI : 123456|Buoy No : 1|Position: Lat: N 45º42'20\" Lon: E 10º13'52\"|Position Data source: Internal|Aux device: 121.5 MHz homer|15 HexID: 27843C4802FFBFF";
const QString valid = "FFFE2F93C21E24012D814A62ECF7B1412A02", invalid = "FFFE2F53CE91A2B3C4D5E3A1BF80";
const QByteArray validBlock = QString(longExample).replace('|', '\n').toUtf8() + "\n\n";
const QByteArray invalidBlock = "Invalid message: FFFE2F53CE91A2B3C4D5E3A1BF80 - BCH-1 fails: received 0E86FE, computed 0E86BE\n"
                                "Bit errors: 100\nCorrected message: FFFE2F53CE91A2B3C4D5E3A1AF80\n\n";
const QString notHex = "not hexadecimal: \"%1\" at position %2", gen2 = "second-generation beacon %1: not decoded by this program", zeros(57, '0'); // zeros pass a first-generation check
// clang-format on

// The decoder's rules, then vestra-decode through the real process.
class tst_Decoder : public QObject
{
    Q_OBJECT

private slots:
    void field_data();
    void field();
    void listing_data();
    void listing();
    void position_data();
    void position();
    void beaconId_data();
    void beaconId();
    void diagnosis_data();
    void diagnosis();
    void run_data();
    void run();
    void json_data();
    void json();
    void answersEachLineWhileInputStaysOpen();
    void consoleBytes_data();
    void consoleBytes();

private:
    // Decimal degrees to a billionth, "null" for a part without a number; from "S 33 20 0"
    // (hemisphere, degrees, minutes, seconds as a listing shows them) or empty.
    QString degrees(std::optional<double> v) { return v ? QString::number(*v, 'f', 9) : "null"; }
    QString degrees(const QString &dms)
    {
        const QStringList p = dms.split(' ');
        const double d =
            p.value(1).toInt() + p.value(2).toInt() / 60.0 + p.value(3).toInt() / 3600.0;
        const bool southOrWest = p[0] == "S" || p[0] == "W";
        return degrees(dms.isEmpty() ? std::nullopt : std::optional(southOrWest ? -d : d));
    }
    QProcess process;
    QByteArray decode(const QStringList &arguments, const QByteArray &input = {})
    {
        // Windows' C library ends the lines in CR LF, as its text files do.
        process.start(VESTRA_DECODE_PATH, arguments, QIODevice::ReadWrite | QIODevice::Text);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(10000);
        return process.readAllStandardOutput();
    }
};

void tst_Decoder::field_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    // clang-format off
    const QStringList names = QString("Orbitography|Aviation user|Maritim user|Serial user|National user|"
        "Not defined|Radio call sign user|Test user|Reserved (orbitography)|Reserved (orbitography|"
        "Standard Location - EPIRB-MMSI|Standard Location ELT-24bit Address|Standard Location ELT-Serial|"
        "Standard Location ELT-Aircraft|Standard Location EPIRB-serial|Standard Location PLB-serial|"
        "National Location ELT|National Location Spare|National Location EPIRB|National Location PLB|"
        "Ship Security|RLS location (ELT)|Standard test Location|National test Location|Aviation|"
        "Aircraft Operator|Maritime (float free)|Aircraft Address|Maritime (non float free)|"
        "Not Defined(101)|Personal|Not Defined(111)").split('|'); // user, location, serial types
    for (int i = 0; i < 32; ++i) {
        const QString code = i < 8 ? QString("u%1").arg(i) : i < 24 ? QString("l%1").arg(i - 8) : QString("u3 40-42=%1").arg(i - 24);
        QTest::newRow(qPrintable(code)) << "short " + code << (i < 24 ? "type" : "beacon") << names[i];
    }
    // clang-format on
    const QString baudot = " 5 9      4 80  3    6 /-2  71   T O HNM LRGIPCVEZDBSYFXAWJ UQK ";
    for (int first = 0; first < 64; first += 7) {
        QString d = "short u1";
        for (int i = 0; i < 7; ++i)
            d += QString(" %1-%2=%3").arg(40 + 6 * i).arg(45 + 6 * i).arg((first + i) % 64);
        QTest::addRow("Baudot from %d", first)
            << d << "aviation" << (baudot + baudot).mid(first, 7);
    }
    // clang-format off
    QTest::newRow("RLS 01 0000") << "short l13 41-46=16" << "type" << "RLS location (EPIRB)";
    QTest::newRow("RLS 10 0000") << "short l13 41-46=32" << "type" << "RLS location (PLB)";
    QTest::newRow("RLS 11 0000") << "short l13 41-46=48" << "type" << "RLS location (Test)";
    QTest::newRow("RLS 00 1111") << "short l13 41-46=15" << "type" << "RLS location (EPIRB)";
    QTest::newRow("RLS 11 1111") << "short l13 41-46=63" << "type" << "RLS location (EPIRB)";
    QTest::newRow("country 365") << "short u3 27-36=365" << "layout" << "plain";
    QTest::newRow("country 366") << "short u3 27-36=366" << "layout" << "manufacturer";
    QTest::newRow("country 368, bit 43") << "short u3 27-36=368 43=1" << "layout" << "manufacturer";
    QTest::newRow("country 369") << "short u3 27-36=369" << "layout" << "plain";
    QTest::newRow("country 231") << "short u3 27-36=231" << "layout" << "plain";
    QTest::newRow("country 232") << "short u3 27-36=232" << "layout" << "approval";
    QTest::newRow("country 235") << "short u3 27-36=235" << "layout" << "approval";
    QTest::newRow("country 236") << "short u3 27-36=236" << "layout" << "plain";
    QTest::newRow("country 232, bit 43") << "short u3 27-36=232 43=1" << "layout" << "plain";
    QTest::newRow("country 265, bit 43") << "short u3 27-36=265 43=1" << "layout" << "approval";
    // Neighbouring bits are set so that a field read one bit too wide shows.
    QTest::newRow("serial type 0") << "short u3 40-42=0 44-64=0x1FFFFF" << "serial" << "1048575";
    QTest::newRow("serial type 1, 44-61") << "short u3 40-42=1 44-61=262143" << "serial" << "262143/0";
    QTest::newRow("serial type 1, 62-73") << "short u3 40-42=1 62-74=8191" << "serial" << "0/4095";
    QTest::newRow("serial type 3, 44-67") << "short u3 40-42=3 43-67=0x1FFFFFF" << "serial" << "16777215/0";
    QTest::newRow("serial type 3, 68-73") << "short u3 40-42=3 68-74=127" << "serial" << "0/63";
    QTest::newRow("serial type 5") << "short u3 40-42=5 44-73=0x3FFFFFFF" << "serial" << "";
    // clang-format on
}

void tst_Decoder::field()
{
    QFETCH(QString, description);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    const BeaconMessage m(E::parse(description).hex().toLatin1());
    const char *layouts[] = {"manufacturer", "approval", "plain"};
    const QByteArray text = field == "type"       ? m.protocolTypeText()
                            : field == "beacon"   ? m.serialBeaconTypeText()
                            : field == "aviation" ? m.aircraftRegistrationText()
                            : field == "serial"   ? m.serialNumberText()
                                                  : QByteArray(layouts[int(m.serialLayout())]);
    QCOMPARE(QString::fromLatin1(text), expected);
}

void tst_Decoder::listing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected"); // empty: invalid message
    // A text or description and its listing: "@hex" stands for the text, "@hex28" for its
    // first 28 digits, "@user", "@std", "@nat", "@rls" for the identifier of each family.
    const char *rows[][3] = {
        // clang-format off
        {"worked example, short test user", "FFFE2F53CE91A2B3C4D5E3A1AF80", "Hex message: FFFE2F53CE91A2B3C4D5E3A1AF80|Message format: short format|Protocol: User|Country code: 316|User Type: Test user|46 bit data : 123456789abc|Aux radio device: No Device|15 HexID: A79D23456789ABC"},
        {"worked example, long EPIRB-MMSI", "FFFE2F93C21E24012D814A62ECF7B1412A02", longExample},
        {"empty text", "", "Hex message: FFFE2F|Message format: short format|Protocol: Location|Country code: 0|Location Type: Reserved (orbitography)|Protocol not Implemented"},
        {"BCH-1 wrong", "FFFE2F53CE91A2B3C4D5E3A1BF80", ""},
        {"user 1", "short u1 40-45=41 84-85=1 seal", "Hex message: @hex|Message format: short format|Protocol: User|Country code: 257|User Type: Aviation user|Aircraft reg. marking : L      |Aux radio device: 121.5 MHz|15 HexID: @user"},
        {"user 2", "short u2 40-45=25 70-75=16 76-81=29 84-85=2 seal", "Hex message: @hex|Message format: short format|Protocol: User|Country code: 257|User Type: Maritim user|Maritime MMSI (6 digits): 2    3|Spesific beacon number: 1|Aux radio device: 9 GHz Sart|15 HexID: @user"},
        {"user 3, country 366, 14 lines", "long u3 27-36=366 40-42=2 44-51=7 52-63=345 64-67=3 68-75=12 108-119=2032 120-132=4080 seal", "Hex message: @hex|Message format: long format|Protocol: User|Country code: 366|User Type: Serial user|Beacon type: Maritime (float free)|Generic Serial no : 29017|Manufact. ID: 07|Model no: 03|Production run: 12|Sequence no: 345|Aux radio device: No Device|15 HexID: @user|Position : Lat: Default  Lon: Default  (external source)"},
        {"user 3, country 232", "short u3 27-36=232 44-50=99 51-63=4321 seal", "Hex message: @hex|Message format: short format|Protocol: User|Country code: 232|User Type: Serial user|Beacon type: Aviation|Generic Serial no : 815329|Approval no : 99|Sequence no: 4321|Aux radio device: No Device|15 HexID: @user"},
        {"user 3, approval number", "short u3 40-42=3 43=1 44-67=0xABCDEF 68-73=5 74-83=1000 84-85=3 seal", "Hex message: @hex|Message format: short format|Protocol: User|Country code: 257|User Type: Serial user|Beacon type: Aircraft Address|Serial no : 11259375/5|Approval no : 1000|Aux radio device: Other Dev.|15 HexID: @user"},
        {"user 3, no approval number", "short u3 40-42=6 44-63=77 74-83=1000 seal", "Hex message: @hex|Message format: short format|Protocol: User|Country code: 257|User Type: Serial user|Beacon type: Personal|Serial no : 77|Approval no : No approval no present|Aux radio device: No Device|15 HexID: @user"},
        {"user 4, long", "long u4 40-53=0x1A2B 54-69=0x3C4D 70-85=0x5E6F 107=1 seal", "Hex message: @hex|Message format: long format|Protocol: User|Country code: 257|User Type: National user|46 bit data : 1a2b3c4d5e6f|Aux radio device: Other Dev.|15 HexID: @user|Position : Lat: N 00º00' Lon: E 00º00' (Internal source)"},
        {"user 5", "short u5 40-83=0x123456789AB seal", "Hex message: @hex|Message format: short format|Protocol: User|Country code: 257|User Type: Not defined|Aux radio device: No Device|15 HexID: @user"},
        {"user 6", "short u6 40-45=41 46-51=56 52-57=46 58-63=55 64-67=4 68-71=7 72-75=10 76-81=63 84-85=3 seal", "Hex message: @hex|Message format: short format|Protocol: User|Country code: 257|User Type: Radio call sign user|Radio Call Sign Ident.: LACX47:|Spesific beacon number:  |Aux radio device: Other Dev.|15 HexID: @user"},
        {"user 7, truncated test", "long u7 16-24=0xD0 40-85=0x3FFFFFFFFFFC seal 133-144=0xFFF", "Hex message: @hex28|Message format: long format (truncated)|Protocol: User|Country code: 257|User Type: Test user|46 bit data : 3ffffffffffc|Aux radio device: No Device|15 HexID: @user|Position : Lat: N 00º00' Lon: E 00º00' (external source)"},
        {"location 12", "short l12 41-85=0x1234567890AB seal", "Hex message: @hex|Message format: short format|Protocol: Location|Country code: 257|Location Type: Ship Security|Protocol not Implemented"},
        {"location 3, self-test sync, real BCH-2", "long l3 16-24=0xD0 41-64=0x4CA2B1 66-72=60 75=1 76-83=5 84-85=3 113=1 124-128=31 129-132=15 seal", "Hex message: @hex|Message format: long format|Protocol: Location|Country code: 257|Location Type: Standard Location ELT-24bit Address|24 bit AircraftId : 5022385|Position: Lat: N 60º00'00\" Lon: W 05º13'00\"|Position Data source: Error in fixed bits 107-110|Aux device: Error in fixed bits 107-110|15 HexID: @std"},
        {"location 4, truncated test", "long l4 16-24=0xD0 41-50=7 51-64=123 66-72=100 73-74=1 76-83=179 84-85=2 107-112=0x36 seal 133-144=0xFFF", "Hex message: @hex28|Message format: long format (truncated)|Protocol: Location|Country code: 257|Location Type: Standard Location ELT-Serial|Serial ID : 00123|Cospas/Sarsat appr : 0007|Position: Lat: N 100º15' Lon: E 179º30'|Position Data source: Internal|Aux device: No 121.5 MHz homer|15 HexID: @std"},
        {"location 5, normal sync, BCH-2 zeros", "long l5 41-55=12345 56-64=511 65=1 75-85=1023 107-112=0x35 seal 133-144=0", "Hex message: @hex|Message format: long format|Protocol: Location|Country code: 257|Location Type: Standard Location ELT-Aircraft|ELT Operator: 12345|ELT number: 511|Position: Lat: S 00º00' Lon: Default |Position Data source: External|Aux device: 121.5 MHz homer|15 HexID: @std"},
        {"location 14", "short l14 41-64=0xFFFFFF 66-72=45 73-74=2 75-85=1023 seal", "Hex message: @hex|Message format: short format|Protocol: Location|Country code: 257|Location Type: Standard test Location|Position: Lat: N 45º30' Lon: Default |Position Data source: Error in fixed bits 107-110|Aux device: Error in fixed bits 107-110|15 HexID: @std"},
        {"location 10, national", "long l10 41-58=12345 60-66=59 67-71=10 72=1 73-80=10 107-112=0x37 113=1 114-115=3 116-119=15 123-126=1 seal", "Hex message: @hex|Message format: long format|Protocol: Location|Country code: 257|Location Type: National Location EPIRB|Serial number : 12345|Position : Lat: N 59º24'00\" Lon: W 09º59'56\"|Position Data source : Internal|Aux device : 121.5 MHz homer|15 HexID: @nat"},
        {"location 13, RLS MMSI, 14 lines", "long l13 41-46=47 47-66=57123 68-74=70 75=1 76=1 77-84=10 107-110=10 113-114=1 116-119=15 120-123=15 124=1 seal", "Hex message: @hex|Message format: long format|Protocol: Location|Country code: 257|Location Type: RLS location (EPIRB)|MMSI : 057123|Buoy No : First EPIRB|Position: Lat: N 70º14'00\" Lon: W 10º00'00\"|Position Data source: Internal|Aux device: No 121.5 MHz homer|RLM type 1: Available|RLM type 2: Not available|RLS provider: Galileo|15 HexID: @rls"},
        {"location 13, RLS serial", "short l13 41-42=2 43-52=123 53-66=4567 67-75=255 76=1 77-84=10 85=1 107-110=5 seal", "Hex message: @hex|Message format: short format|Protocol: Location|Country code: 257|Location Type: RLS location (PLB)|Serial ID : 4567|Cospas/Sarsat appr : 3123|Position: Lat: Default  Lon: W 10º30'|Position Data source: External|Aux device: 121.5 MHz homer|RLM type 1: Not available|RLM type 2: Available|RLS provider: Unknown (0)|15 HexID: @rls"},
        // clang-format on
    };
    for (const auto &row : rows) {
        const QString message = row[1];
        const bool encoded = message.startsWith("short") || message.startsWith("long");
        const QString text = encoded ? E::parse(message).hex() : message;
        QString listing = QString::fromUtf8(row[2]).replace("@hex28", text.left(28));
        // The identifier with the family's default position in place.
        for (const QString id : {"@hex", "@user", "@std 65-74=511 75-85=1023",
                                 "@nat 59-71=4064 72-85=8160", "@rls 67-75=255 76-85=511"}) {
            const E m = E::parse(encoded ? message + ' ' + id.section(' ', 1) : "short");
            const QString value = QString::asprintf("%015llX", m.get(26, 85));
            listing.replace(id.section(' ', 0, 0), id == "@hex" ? text : value);
        }
        QTest::newRow(row[0]) << text << listing.split('|', Qt::SkipEmptyParts);
    }
}

void tst_Decoder::listing()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    // The list is reused on purpose: old lines must never survive a run.
    QStringList lines{"line of an earlier run"};
    for (int run = 0; run < 2; ++run) {
        QTest::ignoreMessage(QtDebugMsg,
                             expected.isEmpty() ? "MOLM: Validity fail" : "MOLM: Validity ok");
        QCOMPARE(buildListing(text, lines), !expected.isEmpty());
        QCOMPARE(lines, expected);
    }
    // Where the listing shows the beacon ID, the history's key is the same.
    const QString listed = listingValue(expected, QLatin1String(HexIdLabel));
    if (!listed.isEmpty())
        QCOMPARE(beaconIdOfMessage(text), listed);
}

void tst_Decoder::position_data()
{
    QTest::addColumn<QString>("message");  // a description
    QTest::addColumn<QString>("shown");    // the listing's position, empty when it has none
    QTest::addColumn<QString>("latitude"); // as degrees() takes it; empty: null
    QTest::addColumn<QString>("longitude");
    // clang-format off
    QTest::newRow("standard, worked example") << "long l2 27-36=316 41-60=123456 61-64=1 66-72=45 73-74=2 76-83=10 84-85=1 107-112=0x37 113=1 114-118=12 119-122=5 124-128=1 129-132=2 seal" << "Lat: N 45º42'20\" Lon: E 10º13'52\"" << "N 45 42 20" << "E 10 13 52";
    QTest::newRow("standard, south and west") << "short l6 65=1 66-72=33 73-74=3 75=1 76-83=151 84-85=1 seal" << "Lat: S 33º45' Lon: W 151º15'" << "S 33 45" << "W 151 15";
    QTest::newRow("standard, BCH-2 all ones: coarse") << "long l2 66-72=45 73-74=2 113=1 114-118=12 seal 133-144=0xFFF" << "Lat: N 45º30' Lon: E 00º00'" << "N 45 30" << "E 0 0";
    QTest::newRow("standard, negative seconds") << "long l7 114-118=1 119-122=2 123=1 seal" << "Lat: N 00º-1'-8\" Lon: E 00º00'00\"" << "N 0 -1 -8" << "E 0 0 0";
    QTest::newRow("standard, default latitude") << "short l6 65-74=511 75=1 76-83=180 84-85=3 seal" << "Lat: Default  Lon: W 180º45'" << "" << "W 180 45";
    QTest::newRow("national, one bit off default") << "short l9 59-71=4065 72-85=8160 seal" << "Lat: N 127º02' Lon: Default " << "N 127 2" << "";
    QTest::newRow("national, fine, south and west") << "long l10 59=1 60-66=59 67-71=10 72=1 73-80=10 113=1 114-115=3 116-119=15 123-126=1 seal" << "Lat: S 59º24'00\" Lon: W 09º59'56\"" << "S 59 24 0" << "W 9 59 56";
    QTest::newRow("RLS, defaults") << "short l13 67-75=255 76-85=511 seal" << "Lat: Default  Lon: Default " << "" << "";
    QTest::newRow("RLS, fine, south and west") << "long l13 67=1 68-74=70 115=1 116-119=14 120-123=15 76=1 77-84=10 seal" << "Lat: S 70º15'00\" Lon: W 10º00'00\"" << "S 70 15 0" << "W 10 0 0";
    QTest::newRow("user-location") << "long u7 107-108=3 109-115=33 116-119=5 121-128=151 129-132=12 seal" << "Lat: S 33º20' Lon: E 151º48' (Internal source)" << "S 33 20" << "E 151 48";
    QTest::newRow("user-location, default latitude") << "long u7 108-119=2032 120=1 121-128=20 seal" << "Lat: Default  Lon: W 20º00' (external source)" << "" << "W 20 0";
    QTest::newRow("user, short: none") << "short u7 40-85=0x3FFFFFFFFFFF seal" << "" << "" << "";
    QTest::newRow("ship security: none") << "short l12 41-85=0x1234567890AB seal" << "" << "" << "";
    // clang-format on
}

void tst_Decoder::position()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QFETCH(QString, latitude);
    QFETCH(QString, longitude);
    const InputDecoding decoding = decodeInput(E::parse(message).hex());
    QCOMPARE(listingValue(decoding.lines, QLatin1String("Position:")) +
                 listingValue(decoding.lines, QLatin1String("Position :")),
             shown);
    QCOMPARE(degrees(decoding.position.latitude), degrees(latitude));
    QCOMPARE(degrees(decoding.position.longitude), degrees(longitude));
}

void tst_Decoder::beaconId_data()
{
    QTest::addColumn<QString>("message");  // a message of the family, its position set
    QTest::addColumn<QString>("defaults"); // the bits its identifier takes as defaults
    QTest::addColumn<QString>("expected"); // the ID's listing; "@id" stands for the ID
    const QString location = "Beacon ID: @id|Protocol: Location|Country code: 257|";
    // clang-format off
    QTest::newRow("user, aviation") << "short u1 40-45=41 84-85=1 seal" << "" << "Beacon ID: @id|Protocol: User|Country code: 257|User Type: Aviation user|Aircraft reg. marking : L      |Aux radio device: 121.5 MHz|15 HexID: @id";
    QTest::newRow("standard EPIRB-MMSI") << "long l2 41-60=123456 61-64=1 66-72=45 73-74=2 107-112=0x37 seal" << "65-74=511 75-85=1023" << location + "Location Type: Standard Location - EPIRB-MMSI|MMSI : 123456|Buoy No : 1|15 HexID: @id";
    QTest::newRow("national EPIRB") << "long l10 41-58=12345 60-66=59 67-71=10 72=1 73-80=10 107-112=0x37 seal" << "59-71=4064 72-85=8160" << location + "Location Type: National Location EPIRB|Serial number : 12345|15 HexID: @id";
    QTest::newRow("RLS MMSI") << "long l13 41-46=47 47-66=57123 68-74=70 75=1 107-110=10 113-114=1 seal" << "67-75=255 76-85=511" << location + "Location Type: RLS location (EPIRB)|MMSI : 057123|Buoy No : First EPIRB|15 HexID: @id";
    QTest::newRow("ship security: standard defaults") << "short l12 41-60=123456 66-72=45 76-83=20 seal" << "65-74=511 75-85=1023" << location + "Location Type: Ship Security|Protocol not Implemented";
    QTest::newRow("orbitography 0: bits as they stand") << "short l0 41-85=0x123456789ABC seal" << "" << location + "Location Type: Reserved (orbitography)|Protocol not Implemented";
    QTest::newRow("orbitography 1: bits as they stand") << "short l1 41-85=0x1FFFF0000FFF seal" << "" << location + "Location Type: Reserved (orbitography|Protocol not Implemented";
    // clang-format on
}

void tst_Decoder::beaconId()
{
    QFETCH(QString, message);
    QFETCH(QString, defaults);
    QFETCH(QString, expected);
    const QString id = QString::asprintf("%015llX", E::parse(message + ' ' + defaults).get(26, 85));
    QCOMPARE(decodeInput(E::parse(message).hex()).hexId, id);
    QCOMPARE(beaconIdOfMessage(E::parse(message).hex()), id); // the history's key
    const InputDecoding decoding = decodeInput(id.toLower()); // as typed from a label
    QCOMPARE(decoding.lines, expected.replace("@id", id).split('|'));
    QCOMPARE(decoding.hexId, id);
}

void tst_Decoder::diagnosis_data()
{
    QTest::addColumn<QString>("sent");     // a description, or a text received as it is
    QTest::addColumn<QList<int>>("flips"); // message bit numbers flipped on the way
    QTest::addColumn<int>("errors");
    QTest::addColumn<QString>("reason"); // of a text; a description's comes from its bits
    const QString shortMessage = "short u7 40-85=0x2468ACE13579B seal";
    const QString longMessage = "long l2 41-85=0x123456789ABC 107-132=0x2C0FFEE seal";
    const int none = 0, located = int(Errors::Located), tooMany = int(Errors::TooMany);
    // clang-format off
    QTest::newRow("BCH-1, first protected bit") << longMessage << QList<int>{25} << located << "";
    QTest::newRow("BCH-1, last check bit") << longMessage << QList<int>{106} << located << "";
    QTest::newRow("BCH-1, two at the edges") << shortMessage << QList<int>{25, 106} << located << "";
    QTest::newRow("BCH-1, three at the edges") << longMessage << QList<int>{25, 26, 106} << located << "";
    QTest::newRow("BCH-1, four") << longMessage << QList<int>{25, 26, 105, 106} << tooMany << "";
    QTest::newRow("BCH-2, first protected bit") << longMessage << QList<int>{107} << located << "";
    QTest::newRow("BCH-2, last check bit") << longMessage << QList<int>{144} << located << "";
    QTest::newRow("BCH-2, two at the edges") << longMessage << QList<int>{107, 144} << located << "";
    QTest::newRow("BCH-2, three") << longMessage << QList<int>{107, 120, 144} << tooMany << "";
    QTest::newRow("both fields") << longMessage << QList<int>{40, 132} << located << "";
    QTest::newRow("self-test filler, one flip") << "long l4 16-24=0xD0 seal 133-144=0" << QList<int>{140} << located << "";
    QTest::newRow("self-test filler nearer than the code's own") << longMessage + " 133-144=0xFFF" << QList<int>{135} << located << "";
    QTest::newRow("BCH-2 of the corrected, short message") << "long 25=0 u7 seal 133-144=0x123" << QList<int>{25} << located << "";
    QTest::newRow("empty text") << "" << QList<int>{} << none << "";
    QTest::newRow("not hex, no preamble") << "53ce91q2b3" << QList<int>{} << none << notHex.arg("q").arg(7);
    QTest::newRow("51 digits, second generation") << "FFFE2F" + zeros.left(45) << QList<int>{} << none << gen2.arg("message");
    QTest::newRow("52 digits, first generation") << "FFFE2F" + zeros.left(46) << QList<int>{} << none << "";
    QTest::newRow("not hex, outside the BMP") << "FF\U0001F600\u00E9" << QList<int>{} << none << notHex.arg("\U0001F600").arg(3);
    // clang-format on
}

void tst_Decoder::diagnosis()
{
    QFETCH(QString, sent);
    QFETCH(QList<int>, flips);
    QFETCH(int, errors);
    QFETCH(QString, reason);
    const bool encoded = sent.startsWith("short") || sent.startsWith("long");
    const E message = E::parse(encoded ? sent : "short");
    E received = message;
    for (const int bit : flips)
        received.flip(bit);
    // A check compares the check bits received with those computed from the
    // protected bits received; the length is that of the corrected message.
    const E computed = received.sealed();
    const E &corrected = errors == int(Errors::TooMany) ? received : message;
    const unsigned long long bch2 = received.get(133, 144);
    QStringList failures;
    if (received.get(86, 106) != computed.get(86, 106))
        failures << QString::asprintf("BCH-1 fails: received %06llX, computed %06llX",
                                      received.get(86, 106), computed.get(86, 106));
    if (corrected.get(25, 25) && bch2 != 0 && bch2 != 4095 && bch2 != computed.get(133, 144))
        failures << QString::asprintf("BCH-2 fails: received %03llX, computed %03llX", bch2,
                                      computed.get(133, 144));
    if (encoded)
        reason = failures.join("; ");
    const MessageDiagnosis diagnosis = diagnoseMessage(encoded ? received.hex() : sent);
    QCOMPARE(diagnosis.valid, reason.isEmpty());
    QCOMPARE(diagnosis.reason, reason);
    QCOMPARE(int(diagnosis.errors), errors);
    QCOMPARE(diagnosis.errorBits, errors == int(Errors::Located) ? flips : QList<int>());
    QCOMPARE(diagnosis.corrected, errors == int(Errors::Located) ? message.hex() : QString());
}

void tst_Decoder::run_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("exitCode");
    const QByteArray notHexBlock = "Invalid message: zz - not hexadecimal: \"z\" at position 1\n\n";
    const QString four = "FFFE2F53CE91A2B3C4D5E3A15F80"; // bits 97-100 flipped
    // clang-format off
    const QByteArray idBlock = "Beacon ID: 27843C4802FFBFF\n" + QString(longExample).section('|', 2, 6).replace('|', '\n').toUtf8() + "\n15 HexID: 27843C4802FFBFF\n\n";
    const QByteArray fourBlock = "Invalid message: " + four.toLatin1() + " - BCH-1 fails: received 0E857E, computed 0E86BE\n"
                                 "Bit errors: more errors than the code can locate\n\n";
    QTest::newRow("valid, lower case, no preamble") << QStringList{valid.mid(6).toLower()} << QByteArray() << validBlock << 0;
    QTest::newRow("invalid ones") << QStringList{"zz", invalid, valid, four} << QByteArray() << notHexBlock + invalidBlock + validBlock + fourBlock << 1;
    QTest::newRow("- reads standard input there") << QStringList{valid, "-", "zz"} << "\n  " + invalid.toLatin1() + " \r\n\t\n" + valid.toLatin1() << validBlock + invalidBlock + validBlock + notHexBlock << 1;
    QTest::newRow("beacon ID") << QStringList{"27843c4802ffbff"} << QByteArray() << idBlock << 0;
    QTest::newRow("empty argument") << QStringList{valid, ""} << QByteArray() << QByteArray() << 2;
    QTest::newRow("unknown option") << QStringList{valid, "-x"} << QByteArray() << QByteArray() << 2;
    QTest::newRow("version") << QStringList{valid, "--version"} << QByteArray() << QByteArray("vestra-decode " VESTRA_VERSION "\n") << 0;
    // clang-format on
}

void tst_Decoder::run()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    QFETCH(int, exitCode);
    QCOMPARE(decode(arguments, input), output);
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(process.readAllStandardError().count('\n'), exitCode == 2); // a usage error, one line
}

void tst_Decoder::json_data()
{
    QTest::addColumn<QString>("input"); // one line of standard input, echoed as "input"
    QTest::addColumn<QJsonObject>("expected");
    // clang-format off
    // Split as the report does: at the first colon, the blank after it skipped.
    auto listing = [](const QString &lines) {
        QJsonArray rows;
        for (const QString &line : lines.split('|'))
            rows.append(QJsonObject{{"label", line.contains(':') ? line.section(':', 0, 0) + ':' : ""}, {"value", line.contains(':') ? line.section(':', 1).mid(1) : line}});
        return rows;
    };
    auto refused = [](const QString &reason, const QJsonValue &errors, const char *kind = "message") {
        return QJsonObject{{"kind", kind}, {"valid", false}, {"reason", reason}, {"errors", errors}};
    };
    const E partly = E::parse("long u5 108-119=2032 120=1 121-128=20 seal"); // latitude default
    E four = E::parse("long l2 41-85=0x123456789ABC 107-132=0x2C0FFEE seal");
    for (const int bit : {25, 26, 105, 106})
        four.flip(bit);
    QTest::newRow("valid, worked example") << valid << QJsonObject{{"kind", "message"}, {"valid", true}, {"countryName", "Canada"}, {"hexId", "27843C4802FFBFF"},
        {"listing", listing(longExample)}, {"position", QJsonObject{{"lat", 164540 / 3600.0}, {"lon", 36832 / 3600.0}}}};
    QTest::newRow("beacon ID") << "27843C4802FFBFF" << QJsonObject{{"kind", "beaconId"}, {"valid", true}, {"countryName", "Canada"}, {"hexId", "27843C4802FFBFF"}, {"position", QJsonValue::Null},
        {"listing", listing("Beacon ID: 27843C4802FFBFF|Protocol: Location|Country code: 316|Location Type: Standard Location - EPIRB-MMSI|MMSI : 123456|Buoy No : 1|15 HexID: 27843C4802FFBFF")}};
    QTest::newRow("empty message: orbitography hexId, no position, code 0 unallocated") << "FFFE2F" << QJsonObject{{"kind", "message"}, {"valid", true}, {"countryName", QJsonValue::Null}, {"hexId", "000000000000000"}, {"position", QJsonValue::Null},
        {"listing", listing("Hex message: FFFE2F|Message format: short format|Protocol: Location|Country code: 0|Location Type: Reserved (orbitography)|Protocol not Implemented")}};
    QTest::newRow("valid, one part default") << partly.hex() << QJsonObject{{"kind", "message"}, {"valid", true}, {"countryName", "Norway"}, {"hexId", QString::asprintf("%015llX", partly.get(26, 85))}, {"position", QJsonObject{{"lat", QJsonValue::Null}, {"lon", -20.0}}},
        {"listing", listing("Hex message: " + partly.hex() + "|Message format: long format|Protocol: User|Country code: 257|User Type: Not defined|Aux radio device: No Device|15 HexID: " + QString::asprintf("%015llX", partly.get(26, 85)) + "|Position : Lat: Default  Lon: W 20º00' (external source)")}};
    const E turkish = E::parse("short u5 27-36=271 seal");
    const QString turkishId = QString::asprintf("%015llX", turkish.get(26, 85));
    QTest::newRow("country name in UTF-8") << turkish.hex() << QJsonObject{{"kind", "message"}, {"valid", true}, {"countryName", "T\u00FCrkiye"}, {"hexId", turkishId}, {"position", QJsonValue::Null},
        {"listing", listing("Hex message: " + turkish.hex() + "|Message format: short format|Protocol: User|Country code: 271|User Type: Not defined|Aux radio device: No Device|15 HexID: " + turkishId)}};
    QTest::newRow("invalid, located") << invalid << refused("BCH-1 fails: received 0E86FE, computed 0E86BE", QJsonObject{{"located", true}, {"bits", QJsonArray{100}}, {"corrected", "FFFE2F53CE91A2B3C4D5E3A1AF80"}});
    QTest::newRow("invalid, four flips: not located") << four.hex() << refused(QString::asprintf("BCH-1 fails: received %06llX, computed %06llX", four.get(86, 106), four.sealed().get(86, 106)), QJsonObject{{"located", false}});
    QTest::newRow("escaping: quote, backslash") << "a\"b\\c" << refused(notHex.arg('"').arg(2), QJsonValue::Null);
    QTest::newRow("escaping: control characters") << "ab\t\x01\x1f\x7f" << refused(notHex.arg('\t').arg(3), QJsonValue::Null);
    QTest::newRow("escaping: non-ASCII") << "abc\u00E9\u00BA\U0001F600" << refused(notHex.arg("\u00E9").arg(4), QJsonValue::Null);
    QTest::newRow("second-generation message, 63 digits") << "FFFE2F" + zeros << refused(gen2.arg("message"), QJsonValue::Null);
    QTest::newRow("23 characters, not hex: a message") << zeros.left(22) + "g" << refused(notHex.arg("g").arg(23), QJsonValue::Null);
    QTest::newRow("second-generation ID, 23 digits") << "1" + zeros.left(22) << refused(gen2.arg("ID"), QJsonValue::Null, "beaconId");
    // clang-format on
}

void tst_Decoder::json()
{
    QFETCH(QString, input);
    QFETCH(QJsonObject, expected);
    expected.insert("input", input);
    const QByteArray line = decode({"--json"}, input.toUtf8() + '\n');
    QCOMPARE(QJsonDocument::fromJson(line).object(), expected);
    // The parser lets raw control characters pass; JSON does not.
    QCOMPARE(std::count_if(line.cbegin(), line.cend() - 1, [](uchar c) { return c < 0x20; }), 0);
}

void tst_Decoder::answersEachLineWhileInputStaysOpen()
{
    process.start(VESTRA_DECODE_PATH, QStringList(), QIODevice::ReadWrite | QIODevice::Text);
    process.write(valid.toLatin1() + "\n");
    QByteArray out;
    while (out.size() < validBlock.size() && process.waitForReadyRead(5000))
        out += process.readAllStandardOutput();
    QCOMPARE(out, validBlock);
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(5000));
}

// A file or a pipe gets UTF-8 on every platform, never the ANSI code page.
void tst_Decoder::consoleBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes"); // as UTF-8 spells them
    QTest::newRow("degree mark") << "N 45\u00BA42'"
                                 << QByteArray("N 45\xC2\xBA"
                                               "42'");
    QTest::newRow("o slash, line end") << "Sj\u00F8\n" << QByteArray("Sj\xC3\xB8\n");
}

void tst_Decoder::consoleBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    std::FILE *file = std::fopen(QFile::encodeName(dir.filePath("out")).constData(), "wb+");
    QVERIFY(file);
    QVERIFY(ConsoleOutput::write(file, text));
    std::rewind(file);
    QByteArray written(64, '\0');
    written.resize(qsizetype(std::fread(written.data(), 1, 64, file)));
    std::fclose(file);
    QCOMPARE(written, bytes);
}

QTEST_GUILESS_MAIN(tst_Decoder)
#include "tst_decoder.moc"
