#include "messageencoder.h"
#include "messagelisting.h"

#include <QTest>

using E = MessageEncoder;

class tst_MessageListing : public QObject
{
    Q_OBJECT

private slots:
    void listing_data();
    void listing();
};

void tst_MessageListing::listing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected"); // empty: invalid message

    // A message text or an encoder description, and its listing: "@SU" and the
    // like stand for the head of a short/long user/location message, "@user",
    // "@std", "@nat" and "@rls" for the identifier with the family's default
    // position, "@hex28" for the first 28 digits of the text.
    const char *rows[][3] = {
        // clang-format off
        {"worked example, short test user", "FFFE2F53CE91A2B3C4D5E3A1AF80", "Hex message: FFFE2F53CE91A2B3C4D5E3A1AF80|Message format: short format|Protocol: User|Country code: 316|User Type: Test user|46 bit data : 123456789abc|Aux radio device: No Device|15 HexID: A79D23456789ABC"},
        {"worked example, long EPIRB-MMSI", "FFFE2F93C21E24012D814A62ECF7B1412A02", "Hex message: FFFE2F93C21E24012D814A62ECF7B1412A02|Message format: long format|Protocol: Location|Country code: 316|Location Type: Standard Location - EPIRB-MMSI|MMSI : 123456|Buoy No : 1|Position: Lat: N 45º42'20\" Lon: E 10º13'52\"|Position Data source: Internal|Aux device: 121.5 MHz homer|15 HexID: 27843C4802FFBFF"},
        {"empty text", "", "Hex message: FFFE2F|Message format: short format|Protocol: Location|Country code: 0|Location Type: Reserved (orbitography)|Protocol not Implemented"},
        {"non-hex character", "FFFE2F53CE91Q2B3C4D5E3A1AF80", ""},
        {"BCH-1 wrong", "FFFE2F53CE91A2B3C4D5E3A1BF80", ""},
        {"user 1", "short u1 40-45=41 84-85=1 seal", "@SU|User Type: Aviation user|Aircraft reg. marking : L      |Aux radio device: 121.5 MHz|15 HexID: @user"},
        {"user 2", "short u2 40-45=25 70-75=16 76-81=29 84-85=2 seal", "@SU|User Type: Maritim user|Maritime MMSI (6 digits): 2    3|Spesific beacon number: 1|Aux radio device: 9 GHz Sart|15 HexID: @user"},
        {"user 3, country 366, 14 lines", "long u3 27-36=366 40-42=2 44-51=7 52-63=345 64-67=3 68-75=12 108-119=2032 120-132=4080 seal", "Hex message: @hex|Message format: long format|Protocol: User|Country code: 366|User Type: Serial user|Beacon type: Maritime (float free)|Generic Serial no : 29017|Manufact. ID: 07|Model no: 03|Production run: 12|Sequence no: 345|Aux radio device: No Device|15 HexID: @user|Position : Lat: Default  Lon: Default  (external source)"},
        {"user 3, country 232", "short u3 27-36=232 44-50=99 51-63=4321 seal", "Hex message: @hex|Message format: short format|Protocol: User|Country code: 232|User Type: Serial user|Beacon type: Aviation|Generic Serial no : 815329|Approval no : 99|Sequence no: 4321|Aux radio device: No Device|15 HexID: @user"},
        {"user 3, approval number", "short u3 40-42=3 43=1 44-67=0xABCDEF 68-73=5 74-83=1000 84-85=3 seal", "@SU|User Type: Serial user|Beacon type: Aircraft Address|Serial no : 11259375/5|Approval no : 1000|Aux radio device: Other Dev.|15 HexID: @user"},
        {"user 3, no approval number", "short u3 40-42=6 44-63=77 74-83=1000 seal", "@SU|User Type: Serial user|Beacon type: Personal|Serial no : 77|Approval no : No approval no present|Aux radio device: No Device|15 HexID: @user"},
        {"user 4, long", "long u4 40-53=0x1A2B 54-69=0x3C4D 70-85=0x5E6F 107=1 seal", "@LU|User Type: National user|46 bit data : 1a2b3c4d5e6f|Aux radio device: Other Dev.|15 HexID: @user|Position : Lat: N 00º00' Lon: E 00º00' (Internal source)"},
        {"user 5", "short u5 40-83=0x123456789AB seal", "@SU|User Type: Not defined|Aux radio device: No Device|15 HexID: @user"},
        {"user 6", "short u6 40-45=41 46-51=56 52-57=46 58-63=55 64-67=4 68-71=7 72-75=10 76-81=63 84-85=3 seal", "@SU|User Type: Radio call sign user|Radio Call Sign Ident.: LACX47:|Spesific beacon number:  |Aux radio device: Other Dev.|15 HexID: @user"},
        {"user 7, truncated test", "long u7 16-24=0xD0 40-85=0x3FFFFFFFFFFC seal 133-144=0xFFF", "Hex message: @hex28|Message format: long format (truncated)|Protocol: User|Country code: 257|User Type: Test user|46 bit data : 3ffffffffffc|Aux radio device: No Device|15 HexID: @user|Position : Lat: N 00º00' Lon: E 00º00' (external source)"},
        {"location 12", "short l12 41-85=0x1234567890AB seal", "@SL|Location Type: Ship Security|Protocol not Implemented"},
        {"location 3, fixed bits wrong", "long l3 41-64=0x4CA2B1 66-72=60 75=1 76-83=5 84-85=3 113=1 124-128=31 129-132=15 seal", "@LL|Location Type: Standard Location ELT-24bit Address|24 bit AircraftId : 5022385|Position: Lat: N 60º00'00\" Lon: W 05º13'00\"|Position Data source: Error in fixed bits 107-110|Aux device: Error in fixed bits 107-110|15 HexID: @std"},
        {"location 4, truncated test", "long l4 16-24=0xD0 41-50=7 51-64=123 66-72=100 73-74=1 76-83=179 84-85=2 107-112=0x36 seal 133-144=0xFFF", "Hex message: @hex28|Message format: long format (truncated)|Protocol: Location|Country code: 257|Location Type: Standard Location ELT-Serial|Serial ID : 00123|Cospas/Sarsat appr : 0007|Position: Lat: N 100º15' Lon: E 179º30'|Position Data source: Internal|Aux device: No 121.5 MHz homer|15 HexID: @std"},
        {"location 5", "short l5 41-55=12345 56-64=511 65=1 75-85=1023 107-112=0x35 seal", "@SL|Location Type: Standard Location ELT-Aircraft|ELT Operator: 12345|ELT number: 511|Position: Lat: S 00º00' Lon: Default |Position Data source: External|Aux device: 121.5 MHz homer|15 HexID: @std"},
        {"location 14", "short l14 41-64=0xFFFFFF 66-72=45 73-74=2 75-85=1023 seal", "@SL|Location Type: Standard test Location|Position: Lat: N 45º30' Lon: Default |Position Data source: Error in fixed bits 107-110|Aux device: Error in fixed bits 107-110|15 HexID: @std"},
        {"location 10, national", "long l10 41-58=12345 60-66=59 67-71=10 72=1 73-80=10 107-112=0x37 113=1 114-115=3 116-119=15 123-126=1 seal", "@LL|Location Type: National Location EPIRB|Serial number : 12345|Position : Lat: N 59º24'00\" Lon: W 09º59'56\"|Position Data source : Internal|Aux device : 121.5 MHz homer|15 HexID: @nat"},
        {"location 13, RLS MMSI, 14 lines", "long l13 41-46=47 47-66=57123 68-74=70 75=1 76=1 77-84=10 107-110=10 113-114=1 116-119=15 120-123=15 124=1 seal", "@LL|Location Type: RLS location (EPIRB)|MMSI : 057123|Buoy No : First EPIRB|Position: Lat: N 70º14'00\" Lon: W 10º00'00\"|Position Data source: Internal|Aux device: No 121.5 MHz homer|RLM type 1: Available|RLM type 2: Not available|RLS provider: Galileo|15 HexID: @rls"},
        {"location 13, RLS serial", "short l13 41-42=2 43-52=123 53-66=4567 67-75=255 76=1 77-84=10 85=1 107-110=5 seal", "@SL|Location Type: RLS location (PLB)|Serial ID : 4567|Cospas/Sarsat appr : 3123|Position: Lat: Default  Lon: W 10º30'|Position Data source: External|Aux device: 121.5 MHz homer|RLM type 1: Not available|RLM type 2: Available|RLS provider: Unknown (0)|15 HexID: @rls"},
        // clang-format on
    };
    for (const auto &row : rows) {
        const QString message = QString::fromLatin1(row[1]);
        const bool encoded = message.startsWith("short") || message.startsWith("long");
        const E m = encoded ? E::parse(message) : E(E::Short);
        const QString text = encoded ? m.hex() : message;
        auto id = [&m](int lat1, int lat2, unsigned lat, int lon1, int lon2, unsigned lon) {
            return E(m).set(lat1, lat2, lat).set(lon1, lon2, lon).digits(26, 85);
        };
        QString listing = QString::fromUtf8(row[2]);
        for (const char *head : {"@SU", "@LU", "@SL", "@LL"}) {
            listing.replace(head,
                            QString("Hex message: @hex|Message format: %1 format|Protocol: %2|"
                                    "Country code: 257")
                                .arg(head[1] == 'S' ? "short" : "long")
                                .arg(head[2] == 'U' ? "User" : "Location"));
        }
        listing.replace("@hex28", text.left(28))
            .replace("@hex", text)
            .replace("@user", m.digits(26, 85));
        listing.replace("@std", id(65, 74, 511, 75, 85, 1023))
            .replace("@nat", id(59, 71, 4064, 72, 85, 8160));
        listing.replace("@rls", id(67, 75, 255, 76, 85, 511));
        QTest::newRow(row[0]) << text << listing.split('|', Qt::SkipEmptyParts);
    }
}

void tst_MessageListing::listing()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    // The list is reused on purpose: old lines must never survive a run.
    QStringList lines{QStringLiteral("line of an earlier run")};
    for (int run = 0; run < 2; ++run) {
        QTest::ignoreMessage(QtDebugMsg,
                             expected.isEmpty() ? "MOLM: Validity fail" : "MOLM: Validity ok");
        QCOMPARE(buildListing(text, lines), !expected.isEmpty());
        QCOMPARE(lines, expected);
    }
}

QTEST_APPLESS_MAIN(tst_MessageListing)
#include "tst_messagelisting.moc"
