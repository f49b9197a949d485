#include "verdicts.h"

#include <QTest>

using namespace Verdicts;

class tst_Verdicts : public QObject
{
    Q_OBJECT

private slots:
    void frequencyBand_data();
    void frequencyBand();
    void limitTexts_data();
    void limitTexts();
    void statusWords_data();
    void statusWords();
    void distress_data();
    void distress();
    void dashes_data();
    void dashes();
};

void tst_Verdicts::frequencyBand_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<bool>("inBand");

    // Both edges of every band are inside; 100 Hz beyond them is out.
    QTest::newRow("0 lower edge") << 0 << "406.020" << true;
    QTest::newRow("0 below") << 0 << "406.0199" << false;
    QTest::newRow("0 upper edge") << 0 << "406.030" << true;
    QTest::newRow("0 above") << 0 << "406.0301" << false;
    QTest::newRow("1 lower edge (-5000)") << 1 << "406.023" << true;
    QTest::newRow("1 below") << 1 << "406.0229" << false;
    QTest::newRow("1 upper edge (+2000)") << 1 << "406.030" << true;
    QTest::newRow("1 above") << 1 << "406.0301" << false;
    QTest::newRow("1 +2001 is out although +5000 would pass elsewhere") << 1 << "406.031" << false;
    QTest::newRow("2 lower edge") << 2 << "406.026" << true;
    QTest::newRow("2 below") << 2 << "406.0259" << false;
    QTest::newRow("2 upper edge") << 2 << "406.036" << true;
    QTest::newRow("2 above") << 2 << "406.0361" << false;
    QTest::newRow("2 on target") << 2 << "406.031" << true;
    QTest::newRow("3 lower edge") << 3 << "406.032" << true;
    QTest::newRow("3 below") << 3 << "406.0319" << false;
    QTest::newRow("3 upper edge") << 3 << "406.042" << true;
    QTest::newRow("3 above") << 3 << "406.0421" << false;
    QTest::newRow("4 lower edge") << 4 << "406.035" << true;
    QTest::newRow("4 below") << 4 << "406.0349" << false;
    QTest::newRow("4 upper edge") << 4 << "406.045" << true;
    QTest::newRow("4 above") << 4 << "406.0451" << false;
    QTest::newRow("empty reading is 0 Hz") << 2 << "" << false;
    QTest::newRow("non-numeric reading is 0 Hz") << 2 << "406.03x" << false;
    QTest::newRow("dashes of an empty label") << 2 << "-------------" << false;
    QTest::newRow("reading in Hz, not MHz") << 2 << "406031000" << false;
    QTest::newRow("no target selected") << -1 << "406.031" << false;
    QTest::newRow("unknown target") << 5 << "406.031" << false;
}

void tst_Verdicts::frequencyBand()
{
    QFETCH(int, target);
    QFETCH(QString, frequency);
    QFETCH(bool, inBand);
    QCOMPARE(frequencyInBand(frequency, target), inBand);
}

void tst_Verdicts::limitTexts_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("limitText");
    QTest::newRow("0") << 0 << " (406.025 +/-0.0050)";
    QTest::newRow("1") << 1 << " (406.028 +0.0020 -0.0050)";
    QTest::newRow("2") << 2 << " (406.031 +/-0.0050)";
    QTest::newRow("3") << 3 << " (406.037 +/-0.0050)";
    QTest::newRow("4") << 4 << " (406.040 +/-0.0050)";
}

void tst_Verdicts::limitTexts()
{
    QFETCH(int, target);
    QFETCH(QString, limitText);
    QVERIFY(targetFrequency(target));
    QCOMPARE(QString::fromLatin1(targetFrequency(target)->limitText), limitText);
}

void tst_Verdicts::statusWords_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<bool>("ok");

    QTest::newRow("OK") << "OK"
                        << "Message from EPIRB received OK" << true;
    QTest::newRow("OK inside a word") << "xxOKxx"
                                      << "Message from EPIRB received OK" << true;
    QTest::newRow("OK beats LoBat") << "LoBat OK"
                                    << "Message from EPIRB received OK" << true;
    QTest::newRow("LoBat") << "LoBat"
                           << "    Replace VESTRA battery" << false;
    QTest::newRow("LoBat beats NoMsg") << "NoMsg LoBat"
                                       << "    Replace VESTRA battery" << false;
    QTest::newRow("NoMsg") << "NoMsg"
                           << "    EPIRB receive timeout" << false;
    QTest::newRow("other word") << "Fail"
                                << "    EPIRB receive error" << false;
    QTest::newRow("empty") << ""
                           << "    EPIRB receive error" << false;
    QTest::newRow("lower-case ok") << "ok"
                                   << "    EPIRB receive error" << false;
    QTest::newRow("lower-case lobat") << "lobat"
                                      << "    EPIRB receive error" << false;
    QTest::newRow("upper-case NOMSG") << "NOMSG"
                                      << "    EPIRB receive error" << false;
}

void tst_Verdicts::statusWords()
{
    QFETCH(QString, status);
    QFETCH(QString, verdict);
    QFETCH(bool, ok);
    QCOMPARE(statusVerdict(status), verdict);
    QCOMPARE(statusIsOk(status), ok);
}

void tst_Verdicts::distress_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<bool>("distress");
    QTest::newRow("distress") << "FFFE2F8E0D0990014D4B8E3C3A80" << true;
    QTest::newRow("self-test") << "FFFED08E0D0990014D4B8E3C3A80" << false;
    QTest::newRow("lower case") << "fffe2f8e0d0990014d4b8e3c3a80" << false;
    QTest::newRow("not at the start") << "0FFFE2F8E0D0990014D4B8E3C3A" << false;
    QTest::newRow("pattern alone") << "FFFE2F" << true;
    QTest::newRow("too short") << "FFFE2" << false;
    QTest::newRow("empty") << "" << false;
}

void tst_Verdicts::distress()
{
    QFETCH(QString, hex);
    QFETCH(bool, distress);
    QCOMPARE(isDistressMessage(hex), distress);
}

void tst_Verdicts::dashes_data()
{
    QTest::addColumn<QString>("reading");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("shown");
    QTest::newRow("calibration") << "0127" << 2 << "01-27";
    QTest::newRow("serial") << "1234567890" << 5 << "12345-67890";
    QTest::newRow("empty calibration") << "" << 2 << "  -";
    QTest::newRow("short serial") << "123" << 5 << "123  -";
    QTest::newRow("exactly long enough") << "12" << 2 << "12-";
}

void tst_Verdicts::dashes()
{
    QFETCH(QString, reading);
    QFETCH(int, position);
    QFETCH(QString, shown);
    const QString before = reading;
    QCOMPARE(withDash(reading, position), shown);
    QCOMPARE(reading, before);
}

QTEST_APPLESS_MAIN(tst_Verdicts)
#include "tst_verdicts.moc"
