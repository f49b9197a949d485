#include <QProcess>
#include <QTest>

namespace {

const QByteArray testUser = "FFFE2F53CE91A2B3C4D5E3A1AF80";
const QByteArray standardLocation = "FFFE2F93C21E24012D814A62ECF7B1412A02";

const QByteArray testUserBlock = "Hex message: FFFE2F53CE91A2B3C4D5E3A1AF80\n"
                                 "Message format: short format\n"
                                 "Protocol: User\n"
                                 "Country code: 316\n"
                                 "User Type: Test user\n"
                                 "46 bit data : 123456789abc\n"
                                 "Aux radio device: No Device\n"
                                 "15 HexID: A79D23456789ABC\n"
                                 "\n";
// The degree mark U+00BA in UTF-8 is C2 BA.
const QByteArray standardLocationBlock = "Hex message: FFFE2F93C21E24012D814A62ECF7B1412A02\n"
                                         "Message format: long format\n"
                                         "Protocol: Location\n"
                                         "Country code: 316\n"
                                         "Location Type: Standard Location - EPIRB-MMSI\n"
                                         "MMSI : 123456\n"
                                         "Buoy No : 1\n"
                                         "Position: Lat: N 45\xC2\xBA"
                                         "42'20\" Lon: E 10\xC2\xBA"
                                         "13'52\"\n"
                                         "Position Data source: Internal\n"
                                         "Aux device: 121.5 MHz homer\n"
                                         "15 HexID: 27843C4802FFBFF\n"
                                         "\n";
const QByteArray invalidBlock = "Invalid message\n\n";

struct Run
{
    int exitCode = -1;
    QByteArray out;
};

Run runDecoder(const QStringList &arguments, const QByteArray &input)
{
    QProcess process;
    process.start(QStringLiteral(VESTRA_DECODE_PATH), arguments);
    if (!process.waitForStarted(5000))
        return {};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput()};
}

} // namespace

class tst_VestraDecode : public QObject
{
    Q_OBJECT

private slots:
    void run_data();
    void run();
    void help();
    void answersEachLineWhileInputStaysOpen();
};

void tst_VestraDecode::run_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("exitCode");

    const QString lowerNoPreamble = QString::fromLatin1(standardLocation.mid(6)).toLower();
    QTest::newRow("arguments, all valid") << QStringList{testUser, lowerNoPreamble} << QByteArray()
                                          << testUserBlock + standardLocationBlock << 0;
    QTest::newRow("arguments, one invalid")
        << QStringList{"zz", testUser} << QByteArray() << invalidBlock + testUserBlock << 1;
    QTest::newRow("arguments win over standard input")
        << QStringList{testUser} << standardLocation + "\n"
        << testUserBlock << 0;
    QTest::newRow("input with blank lines, blanks and CRLF")
        << QStringList() << "\n  " + testUser + " \r\n\n\t \n" + standardLocation + "\n"
        << testUserBlock + standardLocationBlock << 0;
    QTest::newRow("input with an invalid line, last line unterminated")
        << QStringList() << testUser + "\nFFFE2F53CE91A2B3C4D5E3A1BF80\n" + standardLocation
        << testUserBlock + invalidBlock + standardLocationBlock << 1;
    QTest::newRow("empty input") << QStringList() << QByteArray() << QByteArray() << 0;
    QTest::newRow("unknown option")
        << QStringList{testUser, "-x"} << QByteArray() << QByteArray() << 2;
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
}

void tst_VestraDecode::help()
{
    const Run result = runDecoder({QString::fromLatin1(testUser), QStringLiteral("--help")}, {});
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.out.startsWith("Usage: vestra-decode"), result.out.constData());
    QVERIFY(!result.out.contains("Hex message"));
}

void tst_VestraDecode::answersEachLineWhileInputStaysOpen()
{
    QProcess process;
    process.start(QStringLiteral(VESTRA_DECODE_PATH), QStringList());
    QVERIFY(process.waitForStarted(5000));
    process.write(testUser + "\n");
    QByteArray out;
    while (out.size() < testUserBlock.size() && process.waitForReadyRead(5000))
        out += process.readAllStandardOutput();
    QCOMPARE(out, testUserBlock);
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);
}

QTEST_GUILESS_MAIN(tst_VestraDecode)
#include "tst_vestradecode.moc"
