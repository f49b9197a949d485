#include "vestraversion.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

namespace {

const QString testUser = QStringLiteral("FFFE2F53CE91A2B3C4D5E3A1AF80");
const QString badBch1 = QStringLiteral("FFFE2F53CE91A2B3C4D5E3A1BF80"); // bit 100 flipped
const QString standardLocation = QStringLiteral("FFFE2F93C21E24012D814A62ECF7B1412A02");

// The worked examples' listings.
const QByteArray testUserBlock = "Hex message: FFFE2F53CE91A2B3C4D5E3A1AF80\nMessage format: short "
                                 "format\nProtocol: User\nCountry code: 316\nUser Type: Test user\n"
                                 "46 bit data : 123456789abc\nAux radio device: No Device\n"
                                 "15 HexID: A79D23456789ABC\n\n";
const QByteArray standardLocationBlock =
    "Hex message: FFFE2F93C21E24012D814A62ECF7B1412A02\nMessage format: long format\nProtocol: "
    "Location\nCountry code: 316\nLocation Type: Standard Location - EPIRB-MMSI\nMMSI : 123456\n"
    "Buoy No : 1\nPosition: Lat: N 45º42'20\" Lon: E 10º13'52\"\nPosition Data source: Internal\n"
    "Aux device: 121.5 MHz homer\n15 HexID: 27843C4802FFBFF\n\n";
const QByteArray badBch1Block = "Invalid message: FFFE2F53CE91A2B3C4D5E3A1BF80 - BCH-1 fails: "
                                "received 0E86FE, computed 0E86BE\nBit errors: 100\n"
                                "Corrected message: FFFE2F53CE91A2B3C4D5E3A1AF80\n\n";

struct Run
{
    int exitCode = -1;
    QByteArray out, err;
};

Run runDecoder(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(QStringLiteral(VESTRA_DECODE_PATH), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace

class tst_VestraDecode : public QObject
{
    Q_OBJECT

private slots:
    void run_data();
    void run();
    void json();
    void answersEachLineWhileInputStaysOpen();
};

void tst_VestraDecode::run_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("exitCode");
    // clang-format off
    QTest::newRow("arguments, all valid, lower case without preamble") << QStringList{testUser, standardLocation.mid(6).toLower()} << QByteArray() << testUserBlock + standardLocationBlock << 0;
    QTest::newRow("arguments, invalid ones") << QStringList{"zz", badBch1, testUser} << QByteArray()
        << "Invalid message: zz - not hexadecimal: \"z\" at position 1\n\n" + badBch1Block + testUserBlock << 1;
    QTest::newRow("- reads standard input in its place") << QStringList{testUser, "-", standardLocation} << "\n  " + badBch1.toLatin1() + " \r\n\n"
        << testUserBlock + badBch1Block + standardLocationBlock << 1;
    QTest::newRow("no arguments: standard input, last line open") << QStringList() << "\t\n" + standardLocation.toLatin1() << standardLocationBlock << 0;
    QTest::newRow("empty input") << QStringList() << QByteArray() << QByteArray() << 0;
    QTest::newRow("empty argument") << QStringList{testUser, ""} << QByteArray() << QByteArray() << 2;
    QTest::newRow("unknown option") << QStringList{testUser, "-x"} << QByteArray() << QByteArray() << 2;
    QTest::newRow("version") << QStringList{testUser, "--version"} << QByteArray() << QByteArray("vestra-decode " VESTRA_VERSION "\n") << 0;
    // clang-format on
}

void tst_VestraDecode::run()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    QFETCH(int, exitCode);
    const Run result = runDecoder(arguments, input);
    QCOMPARE(result.out, output);
    QCOMPARE(result.exitCode, exitCode);
    // A usage error says so in one line.
    QCOMPARE(result.err.count('\n'), exitCode == 2 ? 1 : 0);
}

void tst_VestraDecode::json()
{
    const QByteArray help = runDecoder({"--help"}).out;
    for (const char *key : {"--json", "input", "valid", "listing", "label", "value", "hexId",
                            "reason", "errors", "located", "bits", "corrected"})
        QVERIFY2(help.contains(key), key);

    const Run result = runDecoder({"--json", standardLocation, "zz", badBch1, "FFFE2F"});
    QCOMPARE(result.exitCode, 1);
    QList<QJsonObject> objects;
    for (const QByteArray &line : result.out.split('\n')) {
        if (!line.isEmpty())
            objects << QJsonDocument::fromJson(line).object();
    }
    QCOMPARE(objects.size(), 4);

    // Split as the report splits: at the first colon, the blank after it skipped.
    QJsonArray listing;
    for (const QString &line :
         QString::fromUtf8(standardLocationBlock).split('\n', Qt::SkipEmptyParts)) {
        const int colon = line.indexOf(':');
        listing.append(
            QJsonObject{{"label", line.left(colon + 1)}, {"value", line.mid(colon + 2)}});
    }
    QCOMPARE(objects[0], (QJsonObject{{"input", standardLocation},
                                      {"valid", true},
                                      {"listing", listing},
                                      {"hexId", "27843C4802FFBFF"}}));
    QCOMPARE(objects[1], (QJsonObject{{"input", "zz"},
                                      {"valid", false},
                                      {"reason", "not hexadecimal: \"z\" at position 1"},
                                      {"errors", QJsonValue::Null}}));
    const QJsonObject errors{{"located", true}, {"bits", QJsonArray{100}}, {"corrected", testUser}};
    QCOMPARE(objects[2], (QJsonObject{{"input", badBch1},
                                      {"valid", false},
                                      {"reason", "BCH-1 fails: received 0E86FE, computed 0E86BE"},
                                      {"errors", errors}}));
    // A line without a colon has an empty label; no identifier, no hexId.
    const QJsonArray empty = objects[3]["listing"].toArray();
    QCOMPARE(empty.last(), (QJsonObject{{"label", ""}, {"value", "Protocol not Implemented"}}));
    QVERIFY(!objects[3].contains("hexId"));
}

void tst_VestraDecode::answersEachLineWhileInputStaysOpen()
{
    QProcess process;
    process.start(QStringLiteral(VESTRA_DECODE_PATH), QStringList());
    process.write(testUser.toLatin1() + "\n");
    QByteArray out;
    while (out.size() < testUserBlock.size() && process.waitForReadyRead(5000))
        out += process.readAllStandardOutput();
    QCOMPARE(out, testUserBlock);
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(5000));
}

QTEST_GUILESS_MAIN(tst_VestraDecode)
#include "tst_vestradecode.moc"
