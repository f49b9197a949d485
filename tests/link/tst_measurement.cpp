#include "measurement.h"

#include <QTest>

class tst_Measurement : public QObject
{
    Q_OBJECT

private slots:
    void markers();
    void findReading_data();
    void findReading();
    void missingMarkerKeepsValue();
};

void tst_Measurement::markers()
{
    // The instrument's page texts, each with its opening double quote.
    QCOMPARE(readingMarker(HexMessageReading), QByteArray("Hex message: <INPUT size=36 value=\""));
    QCOMPARE(readingMarker(FrequencyReading),
             QByteArray("Frequency: </TD><TD><INPUT size=11 value=\""));
    QCOMPARE(readingMarker(RfLevelReading),
             QByteArray("RF Level: </TD><TD><INPUT size=11 value=\""));
    QCOMPARE(readingMarker(CalibrationDueReading),
             QByteArray("Calibration due: </TD><TD><INPUT size=11 value=\""));
    QCOMPARE(readingMarker(StatusReading), QByteArray("Status: </TD><TD><INPUT size=11 value=\""));
    QCOMPARE(readingMarker(SerialNoReading),
             QByteArray("Serial No: </TD><TD><INPUT size=11 value=\""));
}

void tst_Measurement::findReading_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<int>("reading");
    QTest::addColumn<QString>("value");

    const QByteArray freq = "<TR><TD>Frequency: </TD><TD><INPUT size=11 value=\"";
    QTest::newRow("value") << freq + "406.031\"></TD>" << int(FrequencyReading) << "406.031";
    QTest::newRow("empty value") << freq + "\">" << int(FrequencyReading) << "";
    QTest::newRow("first occurrence counts")
        << freq + "406.031\">" + freq + "406.040\">" << int(FrequencyReading) << "406.031";
    QTest::newRow("no closing quote runs to the end")
        << freq + "406.03" << int(FrequencyReading) << "406.03";
    QTest::newRow("a zero turned quote ends it")
        << freq + "406\"031\">" << int(FrequencyReading) << "406";
    QTest::newRow("Latin-1 bytes")
        << QByteArray("Serial No: </TD><TD><INPUT size=11 value=\"12\xb0\"") << int(SerialNoReading)
        << QString::fromUtf8("12°");
    QTest::newRow("hex message marker has no table cells")
        << QByteArray("Hex message: <INPUT size=36 value=\"FFFED0AB\">") << int(HexMessageReading)
        << "FFFED0AB";
    // The marker must be whole: without its quote it is not the marker.
    QTest::newRow("marker case matters")
        << QByteArray("status: </TD><TD><INPUT size=11 value=\"OK\"") << int(StatusReading)
        << "kept";
    QTest::newRow("marker without quote")
        << QByteArray("Status: </TD><TD><INPUT size=11 value=OK>") << int(StatusReading) << "kept";
}

void tst_Measurement::findReading()
{
    QFETCH(QByteArray, page);
    QFETCH(int, reading);
    QFETCH(QString, value);
    QString found = QStringLiteral("kept");
    const bool ok = ::findReading(page, Reading(reading), found);
    QCOMPARE(found, value);
    QCOMPARE(ok, value != QLatin1String("kept"));
}

void tst_Measurement::missingMarkerKeepsValue()
{
    QString value = QStringLiteral("previous");
    QVERIFY(!::findReading(QByteArray("<html>no readings</html>"), RfLevelReading, value));
    QCOMPARE(value, QStringLiteral("previous"));
}

QTEST_APPLESS_MAIN(tst_Measurement)
#include "tst_measurement.moc"
