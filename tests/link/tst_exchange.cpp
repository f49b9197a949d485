#include "exchange.h"
#include "vestracomm.h"

#include <QTest>

namespace {

// A frame as the instrument sends it: 40 header bytes, the payload, END.
QByteArray frame(const QByteArray &payload)
{
    return QByteArray(40, 'h') + payload + '\xC0';
}

const QByteArray Page = "<TD>Hex message: <INPUT size=36 value=\"FFFED0AB\">"
                        "Frequency: </TD><TD><INPUT size=11 value=\"406.0312\">"
                        "RF Level: </TD><TD><INPUT size=11 value=\"37\">"
                        "Calibration due: </TD><TD><INPUT size=11 value=\"0627\">"
                        "Status: </TD><TD><INPUT size=11 value=\"OK\">"
                        "Serial No: </TD><TD><INPUT size=11 value=\"1234567890";

} // namespace

class tst_Exchange : public QObject
{
    Q_OBJECT

private slots:
    void lockStep_data()
    {
        QTest::addColumn<bool>("dataPage");
        QTest::addColumn<int>("packets");
        QTest::newRow("data page") << true << 24;
        QTest::newRow("main page (debug)") << false << 19;
    }

    void lockStep()
    {
        QFETCH(bool, dataPage);
        QFETCH(int, packets);
        Exchange exchange;
        exchange.pageBuffer = "left over";
        exchange.begin(dataPage);
        QCOMPARE(exchange.pageBuffer, QByteArray());

        QByteArray sent = exchange.nextPacket();
        for (int index = 1; index <= packets; ++index) {
            QCOMPARE(sent, vestraComm::requestPacket(dataPage, index - 1));
            QCOMPARE(exchange.requestsSent, index);
            const auto outcome = exchange.frameIn(frame("p" + QByteArray::number(index)), sent);
            QCOMPARE(exchange.framesReceived, index);
            QCOMPARE(outcome, index < packets ? Exchange::Outcome::SendNext
                                              : Exchange::Outcome::PageComplete);
        }
        QVERIFY(sent.isEmpty());
        QVERIFY(exchange.pageBuffer.startsWith("p1p2p3"));
        QVERIFY(exchange.pageBuffer.endsWith("p" + QByteArray::number(packets)));
    }

    void countMismatch()
    {
        // A frame more than was asked for: the page is never taken as complete.
        Exchange exchange;
        exchange.begin(false);
        QByteArray sent = exchange.nextPacket();
        exchange.frameIn(frame("unasked"), sent);
        while (!sent.isEmpty())
            exchange.frameIn(frame("x"), sent);
        QCOMPARE(exchange.frameIn(frame("x"), sent), Exchange::Outcome::CountMismatch);
    }

    void pageBound()
    {
        Exchange exchange;
        exchange.begin(true);
        QByteArray sent;
        const QByteArray big(1000, 'x');
        for (int i = 0; i < 100; ++i)
            exchange.frameIn(frame(big), sent);
        QVERIFY(exchange.pageBuffer.size() <= Exchange::MaxPageSize);
        QVERIFY(exchange.pageBuffer.size() > Exchange::MaxPageSize - big.size());
    }

    void readings_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<unsigned>("found");

        const QStringList all{"FFFED0AB", "406.0312", "37", "0627", "OK", "1234567890"};
        const auto edited = [](const QByteArray &from, const QByteArray &to) {
            return QByteArray(Page).replace(from, to);
        };
        const auto allBut = [&](int index, const QString &value) {
            QStringList readings = all;
            readings[index] = value;
            return readings;
        };
        QTest::newRow("all six, last runs to the end") << Page << all << 0x3Fu;
        QTest::newRow("first occurrence wins")
            << Page + '"' + Page.left(60).replace("FFFED0AB", "XXXXXXXX") << all << 0x3Fu;
        QTest::newRow("zero byte cuts a reading")
            << edited("\"37\"", QByteArray("\"3\"7\"", 5)) << allBut(2, "3") << 0x3Fu;
        QTest::newRow("missing marker leaves the reading empty")
            << edited("Status: ", "State: ") << allBut(4, "") << 0x2Fu;
        QTest::newRow("markers are case-sensitive")
            << edited("RF Level", "RF level") << allBut(2, "") << 0x3Bu;
        QTest::newRow("empty value is found") << edited("\"37\"", "\"\"") << allBut(2, "") << 0x3Fu;
    }

    void readings()
    {
        QFETCH(QByteArray, page);
        QFETCH(QStringList, expected);
        QFETCH(unsigned, found);
        Exchange exchange;
        exchange.pageBuffer = page;
        const Measurement measurement = exchange.measurement();
        QCOMPARE(measurement.found, found);
        QCOMPARE(QStringList(measurement.readings.begin(), measurement.readings.end()), expected);
    }
};

QTEST_APPLESS_MAIN(tst_Exchange)
#include "tst_exchange.moc"
