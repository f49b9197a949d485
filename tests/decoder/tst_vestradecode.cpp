#include "vestraversion.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

namespace {

// The long worked example, and the short one with bit 100 flipped.
const QString valid = "FFFE2F93C21E24012D814A62ECF7B1412A02";
const QString invalid = "FFFE2F53CE91A2B3C4D5E3A1BF80";
const QByteArray validBlock = "Hex message: FFFE2F93C21E24012D814A62ECF7B1412A02\nMessage format: "
                              "long format\nProtocol: Location\nCountry code: 316\nLocation Type: "
                              "Standard Location - EPIRB-MMSI\nMMSI : 123456\nBuoy No : 1\n"
                              "Position: Lat: N 45º42'20\" Lon: E 10º13'52\"\nPosition Data "
                              "source: Internal\nAux device: 121.5 MHz homer\n"
                              "15 HexID: 27843C4802FFBFF\n\n";
const QByteArray invalidBlock = "Invalid message: FFFE2F53CE91A2B3C4D5E3A1BF80 - BCH-1 fails: "
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
    process.start(VESTRA_DECODE_PATH, arguments);
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
    const QByteArray notHex = "Invalid message: zz - not hexadecimal: \"z\" at position 1\n\n";
    // Bits 97-100 flipped.
    const QByteArray fourErrors = "Invalid message: FFFE2F53CE91A2B3C4D5E3A15F80 - BCH-1 fails: "
                                  "received 0E857E, computed 0E86BE\nBit errors: more errors than "
                                  "the code can locate\n\n";
    const QStringList lowerNoPreamble{valid.mid(6).toLower()};
    // clang-format off
    QTest::newRow("valid, lower case, no preamble") << lowerNoPreamble << QByteArray() << validBlock << 0;
    QTest::newRow("invalid ones") << QStringList{"zz", invalid, valid, "FFFE2F53CE91A2B3C4D5E3A15F80"} << QByteArray() << notHex + invalidBlock + validBlock + fourErrors << 1;
    QTest::newRow("- reads standard input there") << QStringList{valid, "-", "zz"} << "\n  " + invalid.toLatin1() + " \r\n\n" << validBlock + invalidBlock + notHex << 1;
    QTest::newRow("standard input, no final newline") << QStringList() << "\t\n" + valid.toLatin1() << validBlock << 0;
    QTest::newRow("empty input") << QStringList() << QByteArray() << QByteArray() << 0;
    QTest::newRow("empty argument") << QStringList{valid, ""} << QByteArray() << QByteArray() << 2;
    QTest::newRow("unknown option") << QStringList{valid, "-x"} << QByteArray() << QByteArray() << 2;
    QTest::newRow("version") << QStringList{valid, "--version"} << QByteArray() << QByteArray("vestra-decode " VESTRA_VERSION "\n") << 0;
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
    QCOMPARE(result.err.count('\n'), exitCode == 2 ? 1 : 0); // a usage error says so in a line
}

void tst_VestraDecode::json()
{
    const QByteArray help = runDecoder({"--help"}).out;
    for (const char *key : {"--json", "input", "valid", "listing", "label", "value", "hexId",
                            "reason", "errors", "located", "bits", "corrected"})
        QVERIFY2(help.contains(key), key);

    const Run result = runDecoder({"--json", valid, "zz", invalid, "FFFE2F"});
    QCOMPARE(result.exitCode, 1);
    QList<QJsonObject> objects;
    for (const QByteArray &line : result.out.split('\n'))
        objects << QJsonDocument::fromJson(line).object();
    QCOMPARE(objects.size(), 5); // four lines, the last one ended
    QJsonArray listing; // split as the report does: at the first colon, and the blank skipped
    for (const QString &line : QString::fromUtf8(validBlock).split('\n', Qt::SkipEmptyParts)) {
        const int colon = line.indexOf(':');
        listing.append(
            QJsonObject{{"label", line.left(colon + 1)}, {"value", line.mid(colon + 2)}});
    }
    // clang-format off
    QCOMPARE(objects[0], (QJsonObject{{"input", valid}, {"valid", true}, {"listing", listing}, {"hexId", "27843C4802FFBFF"}}));
    QCOMPARE(objects[1], (QJsonObject{{"input", "zz"}, {"valid", false}, {"reason", "not hexadecimal: \"z\" at position 1"}, {"errors", QJsonValue::Null}}));
    QCOMPARE(objects[2], (QJsonObject{{"input", invalid}, {"valid", false}, {"reason", "BCH-1 fails: received 0E86FE, computed 0E86BE"},
                                      {"errors", QJsonObject{{"located", true}, {"bits", QJsonArray{100}}, {"corrected", "FFFE2F53CE91A2B3C4D5E3A1AF80"}}}}));
    // clang-format on
    QCOMPARE(objects[3]["listing"].toArray().last(),
             (QJsonObject{{"label", ""}, {"value", "Protocol not Implemented"}}));
    QVERIFY(!objects[3].contains("hexId"));
}

void tst_VestraDecode::answersEachLineWhileInputStaysOpen()
{
    QProcess process;
    process.start(VESTRA_DECODE_PATH, QStringList());
    process.write(valid.toLatin1() + "\n");
    QByteArray out;
    while (out.size() < validBlock.size() && process.waitForReadyRead(5000))
        out += process.readAllStandardOutput();
    QCOMPARE(out, validBlock);
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(5000));
}

QTEST_GUILESS_MAIN(tst_VestraDecode)
#include "tst_vestradecode.moc"
