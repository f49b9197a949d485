#include "evaluation.h"
#include "verdicts.h"

#include <QTest>

namespace {

Measurement measurement(const QString &hex, const QString &frequency, const QString &calibration,
                        const QString &status, const QString &serial, unsigned found = 0x3F)
{
    Measurement m;
    m.readings = {hex, frequency, "37", calibration, status, serial};
    m.found = found;
    return m;
}

} // namespace

class tst_Verdicts : public QObject
{
    Q_OBJECT

private slots:
    void frequencyBand_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<bool>("inBand");
        QTest::addColumn<QString>("limitText");

        // Target in kHz, allowed below and above in Hz, as the combo box offers them.
        struct Band
        {
            int kHz, below, above;
            const char *text;
        };
        const Band bands[] = {{406025, 5000, 5000, " (406.025 +/-0.0050)"},
                              {406028, 5000, 2000, " (406.028 +0.0020 -0.0050)"},
                              {406031, 5000, 5000, " (406.031 +/-0.0050)"},
                              {406037, 5000, 5000, " (406.037 +/-0.0050)"},
                              {406040, 5000, 5000, " (406.040 +/-0.0050)"}};
        const auto mhz = [](qint64 hz) { return QString::number(hz / 1e6, 'f', 4); };
        for (int t = 0; t < 5; ++t) {
            const qint64 hz = bands[t].kHz * 1000LL;
            const QString text = QLatin1String(bands[t].text);
            QTest::addRow("%d on the lower edge", t)
                << t << mhz(hz - bands[t].below) << true << text;
            QTest::addRow("%d 100 Hz below", t)
                << t << mhz(hz - bands[t].below - 100) << false << text;
            QTest::addRow("%d on the upper edge", t)
                << t << mhz(hz + bands[t].above) << true << text;
            QTest::addRow("%d 100 Hz above", t)
                << t << mhz(hz + bands[t].above + 100) << false << text;
        }
        const QString text2 = QStringLiteral(" (406.031 +/-0.0050)");
        QTest::newRow("empty reading is 0 Hz") << 2 << "" << false << text2;
        QTest::newRow("non-numeric reading") << 2 << "406.03x" << false << text2;
        QTest::newRow("reading in Hz, not MHz") << 2 << "406031000" << false << text2;
        QTest::newRow("unknown target") << 5 << "406.031" << false << QString();
    }

    void frequencyBand()
    {
        QFETCH(int, target);
        QFETCH(QString, frequency);
        QFETCH(bool, inBand);
        QFETCH(QString, limitText);
        QCOMPARE(Verdicts::frequencyInBand(frequency, target), inBand);
        const Verdicts::TargetFrequency *band = Verdicts::targetFrequency(target);
        QCOMPARE(band ? QString::fromLatin1(band->limitText) : QString(), limitText);
    }

    void evaluate_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<bool>("good");
        QTest::addColumn<bool>("distressShown");
        QTest::addColumn<bool>("restyle");

        const QString ok = "Message from EPIRB received OK", self = "FFFED0AB", alarm = "FFFE2FAB";
        const QString bat = "    Replace VESTRA battery", err = "    EPIRB receive error";
        // clang-format off
        QTest::newRow("OK")                << self << "406.031" << "OK"          << ok << true << false << true;
        QTest::newRow("OK inside a word")  << self << "406.031" << "xxOKxx"      << ok << true << false << true;
        QTest::newRow("OK beats LoBat")    << self << "406.031" << "LoBat OK"    << ok << true << false << true;
        QTest::newRow("LoBat")             << self << "406.031" << "LoBat"       << bat << false << false << true;
        QTest::newRow("LoBat beats NoMsg") << self << "406.031" << "NoMsg LoBat" << bat << false << false << true;
        QTest::newRow("NoMsg") << self << "406.031" << "NoMsg" << "    EPIRB receive timeout" << false << false << true;
        QTest::newRow("other word")        << self << "406.031" << "Fail"        << err << false << false << true;
        QTest::newRow("lower-case ok")     << self << "406.031" << "ok"          << err << false << false << true;
        QTest::newRow("distress in band")  << alarm << "406.031" << "OK"         << ok << true << true << true;
        QTest::newRow("distress marker only at the start") << "00FFFE2F" << "406.031" << "OK" << ok << true << false << true;
        QTest::newRow("out of band beats OK, distress label left alone")
            << alarm << "406.0361" << "OK" << "Frequency outside limits" << false << false << false;
        // clang-format on
    }

    void evaluate()
    {
        QFETCH(QString, hex);
        QFETCH(QString, frequency);
        QFETCH(QString, status);
        QFETCH(QString, verdict);
        QFETCH(bool, good);
        QFETCH(bool, distressShown);
        QFETCH(bool, restyle);

        const Evaluation shown =
            ::evaluate(measurement(hex, frequency, "0627", status, "1234567890"), 2);
        QCOMPARE(shown.statusText, verdict);
        QCOMPARE(shown.statusGood, good);
        QCOMPARE(shown.restyleDistress, restyle);
        QCOMPARE(shown.distressVisible, distressShown);
        QCOMPARE(shown.distressText,
                 hex.startsWith("FFFE2F") ? QStringLiteral("***Distress message***") : QString());
        // The dashes go into the shown copies; short readings are padded with blanks.
        QCOMPARE(shown.calibrationDue, QStringLiteral("06-27"));
        QCOMPARE(shown.serialNo, QStringLiteral("12345-67890"));
        const Evaluation shortOnes = ::evaluate(measurement(hex, frequency, "1", status, "12"), 2);
        QCOMPARE(shortOnes.serialNo + shortOnes.calibrationDue, QStringLiteral("12   -1 -"));
    }

    // A reading the page lacked gets no dash made from nothing; one found
    // empty gets two blanks and the dash.
    void missingReadings()
    {
        const unsigned lacking = 1u << CalibrationDueReading;
        const auto calibration = [](unsigned found) {
            return ::evaluate(measurement("FFFED0AB", "406.031", "", "OK", "1", found), 2);
        };
        QCOMPARE(calibration(0x3F & ~lacking).calibrationDue, QString());
        QCOMPARE(calibration(0x3F & ~lacking).missing, lacking);
        QCOMPARE(calibration(0x3F).calibrationDue, QStringLiteral("  -"));
    }

    // The time-out on red hides the distress marker.
    void receiveTimeout()
    {
        const Evaluation late = receiveTimedOut(
            ::evaluate(measurement("FFFE2FAB", "406.031", "0627", "OK", "1234567890"), 2));
        QCOMPARE(late.statusText, QStringLiteral("    EPIRB receive timeout"));
        QVERIFY(!late.statusGood);
        QVERIFY(late.restyleDistress);
        QVERIFY(!late.distressVisible);
    }
};

QTEST_APPLESS_MAIN(tst_Verdicts)
#include "tst_verdicts.moc"
