#include "countrycodes.h"
#include "messageencoder.h"
#include "shipidentity.h"

#include <QTest>

namespace {

// Modified Baudot codes of the characters used here, as the Cospas-Sarsat
// standard lists them.
unsigned long long baudot(const QString &text)
{
    static const QHash<QChar, int> codes{{'1', 29}, {'2', 25}, {'3', 16}, {'4', 10},
                                         {'5', 1},  {'6', 21}, {'L', 41}, {'A', 56},
                                         {'J', 58}, {'K', 62}, {' ', 36}};
    unsigned long long bits = 0;
    for (const QChar c : text)
        bits = bits << 6 | unsigned(codes.value(c));
    return bits;
}

QString hex(const QString &description)
{
    return MessageEncoder::parse(description + " seal").hex();
}

const QString Differs = "Identity differs: the beacon carries ";

} // namespace

class tst_Identity : public QObject
{
    Q_OBJECT

private slots:
    void compare_data();
    void compare();
    void imoNumber_data();
    void imoNumber();
    void mmsi_data();
    void mmsi();
    void countryNames_data();
    void countryNames();
};

void tst_Identity::compare_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("mmsi");
    QTest::addColumn<QString>("callSign");
    QTest::addColumn<QString>("label");
    // Hex ID, MMSI, call sign, flag: Same, Differs or Not compared.
    QTest::addColumn<QString>("outcomes");
    QTest::addColumn<QStringList>("lines");

    // Every protocol code of a Canadian beacon held against a Norwegian ship:
    // the MMSI's protocols say so in the MMSI, every other one by its flag.
    const QString mmsiLine = Differs + "MMSI 316000000 (Canada), the ship's is 257123456 (Norway)";
    const QString flagLine = Differs + "country code 316 (Canada), the ship's flag is 257 (Norway)";
    for (int code = 0; code < 24; ++code) {
        const bool user = code < 8;
        const QString protocol = QString(user ? "u%1" : "l%1").arg(user ? code : code - 8);
        const bool carriesMmsi = protocol == "l2" || protocol == "l12";
        QTest::newRow(qPrintable("every code: " + protocol))
            << hex("short " + protocol + " 27-36=316") << "257123456"
            << ""
            << "" << (carriesMmsi ? "NDNN" : "NNND")
            << QStringList{carriesMmsi ? mmsiLine : flagLine};
    }

    // clang-format off
    const QString location2 = hex("short l2 27-36=316 41-60=123456");
    QTest::newRow("location MMSI, the same") << location2 << "316 123 456" << "" << "" << "NSNN" << QStringList();
    QTest::newRow("location MMSI, digits differ") << location2 << "316123457" << "" << "" << "NDNN" << QStringList{Differs + "MMSI 316123456 (Canada), the ship's is 316123457 (Canada)"};
    QTest::newRow("location MMSI, no ship's MMSI") << location2 << "" << "" << "" << "NNNN" << QStringList();
    QTest::newRow("location MMSI, ship's MMSI not one") << location2 << "31612345" << "" << "" << "NNNN" << QStringList();
    QTest::newRow("ship security") << hex("short l12 41-60=123456") << "257123456" << "" << "" << "NSNN" << QStringList();
    QTest::newRow("RLS with MMSI, digits differ") << hex("short l13 43-46=15 47-66=123456") << "257654321" << "" << "" << "NDNN" << QStringList{Differs + "MMSI 257123456 (Norway), the ship's is 257654321 (Norway)"};
    QTest::newRow("RLS serial: flag, another MID of Norway") << hex("short l13 43-46=3 53-66=77") << "259000001" << "" << "" << "NNNS" << QStringList();
    QTest::newRow("maritime user, MMSI digits") << hex("short u2 40-75=" + QString::number(baudot("123456"))) << "257123456" << "" << "" << "NSNN" << QStringList();
    QTest::newRow("maritime user, call sign, case and blanks aside") << hex("short u2 40-75=" + QString::number(baudot("LAJK3 "))) << "258999999" << "lajk 3" << "" << "NNSS" << QStringList();
    QTest::newRow("maritime user, call sign differs") << hex("short u2 40-75=" + QString::number(baudot("LAJK3 "))) << "" << "LAJK4" << "" << "NNDN" << QStringList{Differs + "call sign LAJK3, the ship's is LAJK4"};
    QTest::newRow("radio call sign, padded digits") << hex("short u6 40-63=" + QString::number(baudot("LAJK")) + " 64-75=0x3AA") << "" << "LAJK3" << "" << "NNSN" << QStringList();
    QTest::newRow("radio call sign, seven differ") << hex("short u6 40-63=" + QString::number(baudot("LAJK")) + " 64-75=0x123") << "" << "LAJK12" << "" << "NNDN" << QStringList{Differs + "call sign LAJK123, the ship's is LAJK12"};
    QTest::newRow("orbitography: code 0 unallocated") << hex("short l0 27-36=0") << "257123456" << "" << "" << "NNND" << QStringList{Differs + "country code 0 (unallocated), the ship's flag is 257 (Norway)"};
    QTest::newRow("label, scanned in lower case") << "FFFE2F93C21E24012D814A62ECF7B1412A02" << "" << "" << "27843c4802ffbff" << "SNNN" << QStringList();
    QTest::newRow("label differs") << "FFFE2F93C21E24012D814A62ECF7B1412A02" << "" << "" << "27843C4802FFBFE" << "DNNN" << QStringList{Differs + "15 Hex ID 27843C4802FFBFF, the label's is 27843C4802FFBFE"};
    QTest::newRow("label not 15 digits") << "FFFE2F93C21E24012D814A62ECF7B1412A02" << "" << "" << "27843C4802FFBF" << "NNNN" << QStringList();
    QTest::newRow("message fails its codes") << "FFFE2F93C21E24012D814A62ECF7B1412A03" << "257123456" << "LAJK3" << "27843C4802FFBFF" << "NNNN" << QStringList();
    // clang-format on
}

void tst_Identity::compare()
{
    QFETCH(QString, message);
    QFETCH(QString, mmsi);
    QFETCH(QString, callSign);
    QFETCH(QString, label);
    QFETCH(QString, outcomes);
    QFETCH(QStringList, lines);
    const QList<IdentityCheck> checks = compareIdentity(message, {mmsi, callSign, "", label});
    QString found;
    for (const IdentityCheck &check : checks)
        found += "SDN"[int(check.outcome)];
    QCOMPARE(found, outcomes);
    QCOMPARE(identityDifferences(checks), lines);
}

void tst_Identity::imoNumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("read"); // empty when refused
    // 9*7 + 0*6 + 7*5 + 4*4 + 7*3 + 2*2 = 139: check digit 9.
    QTest::newRow("valid") << "9074729"
                           << "9074729";
    QTest::newRow("valid, IMO in front, blanks") << " IMO 9176187 "
                                                 << "9176187";
    QTest::newRow("check digit one off") << "9074728"
                                         << "";
    QTest::newRow("a digit off") << "9074719"
                                 << "";
    QTest::newRow("two digits swapped") << "9704729"
                                        << "";
    QTest::newRow("six digits") << "907472"
                                << "";
    QTest::newRow("eight digits") << "90747290"
                                  << "";
    QTest::newRow("not digits") << "90747A9"
                                << "";
}

void tst_Identity::imoNumber()
{
    QFETCH(QString, typed);
    QFETCH(QString, read);
    const Result<QString> number = readImoNumber(typed);
    QCOMPARE(number.ok(), !read.isEmpty());
    QCOMPARE(number.ok() ? *number : QString(), read);
}

void tst_Identity::mmsi_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("ok");
    QTest::newRow("nine digits") << "257123456" << true;
    QTest::newRow("nothing typed") << " " << true;
    QTest::newRow("eight digits") << "25712345" << false;
    QTest::newRow("ten digits") << "2571234567" << false;
    QTest::newRow("a coast station's, 00") << "002570100" << false;
    QTest::newRow("an AIS-SART's, 970") << "970123456" << false;
    QTest::newRow("a letter") << "25712345O" << false;
}

void tst_Identity::mmsi()
{
    QFETCH(QString, typed);
    QFETCH(bool, ok);
    QCOMPARE(readMmsi(typed).ok(), ok);
}

void tst_Identity::countryNames_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name"); // null: unallocated
    // As the ITU's table of maritime identification digits has them.
    QTest::newRow("Canada") << 316 << "Canada";
    QTest::newRow("Norway, first") << 257 << "Norway";
    QTest::newRow("Norway, last") << 259 << "Norway";
    QTest::newRow("United States") << 366 << "United States";
    QTest::newRow("Liberia") << 636 << "Liberia";
    QTest::newRow("Marshall Islands") << 538 << "Marshall Islands";
    QTest::newRow("Venezuela, the last line") << 775 << "Venezuela";
    QTest::newRow("a name with a comma")
        << 306 << "Curaçao, Sint Maarten, Bonaire, Sint Eustatius and Saba";
    QTest::newRow("260 unallocated") << 260 << QString();
    QTest::newRow("0") << 0 << QString();
    QTest::newRow("1023") << 1023 << QString();
}

void tst_Identity::countryNames()
{
    QFETCH(int, code);
    QFETCH(QString, name);
    QCOMPARE(countryName(code), name);
    QCOMPARE(countryName(code).isNull(), name.isNull());
}

QTEST_GUILESS_MAIN(tst_Identity)
#include "tst_identity.moc"
