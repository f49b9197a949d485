#include "sheetresult.h"

#include <QLoggingCategory>
#include <QTest>

namespace {

// A self-test of a beacon coded for MMSI 316123456, 15 Hex ID 27843C4802FFBFF.
const char SelfTestHex[] = "FFFED093C21E24012D814A62ECF7B1412A02";

// A test that passes every check: in band, status OK, the identity the
// ship's and the label's, every date ahead of the test's day, every check
// answered Yes by the technician; then changed by "what=value;..." (see below).
TestRecord test(const QString &answers, const QString &changes)
{
    TestRecord t;
    t.time = QDateTime(QDate(2026, 3, 1), QTime(14, 5, 9));
    t.beacon.batteryExpiry = "2029-03";
    t.beacon.hydrostaticReleaseExpiry = "2027-11";
    t.beacon.sbmDueDate = "2027-01";
    t.targetIndex = 2; // 406.031 MHz +/- 5 kHz
    t.frequency = "406.0301";
    t.hexMessage = SelfTestHex;
    t.statusReading = "OK";
    t.statusVerdict = "Message from EPIRB received OK";
    t.sheet.kind = TestKind::AnnualTest;
    t.sheet.ship = {"316123456", "", "9074729", "27843C4802FFBFF"};
    for (const Check *check : checksOf(TestKind::AnnualTest))
        t.sheet.setAnswer(check->key, Answer::Yes);
    // Check key=answer ("" none), "all=" for none at all.
    for (const QString &change : answers.split(';', Qt::SkipEmptyParts)) {
        const QString key = change.section('=', 0, 0), value = change.section('=', 1);
        if (key == "all")
            t.sheet.answers.clear();
        else
            t.sheet.setAnswer(key, answerFromText(value));
    }
    for (const QString &change : changes.split(';', Qt::SkipEmptyParts)) {
        const QString key = change.section('=', 0, 0), value = change.section('=', 1);
        QString *fields[] = {
            &t.frequency,         &t.statusReading,        &t.statusVerdict,
            &t.hexMessage,        &t.beacon.batteryExpiry, &t.beacon.hydrostaticReleaseExpiry,
            &t.beacon.sbmDueDate, &t.sheet.ship.mmsi,      &t.sheet.ship.imoNumber};
        const QStringList names{"frequency", "status", "verdict", "hex", "battery",
                                "release",   "sbm",    "mmsi",    "imo"};
        if (key == "kind")
            t.sheet.kind =
                value == "maintenance" ? TestKind::ShoreBasedMaintenance : TestKind::None;
        else
            *fields[names.indexOf(key)] = value;
    }
    return t;
}

} // namespace

class tst_SheetResult : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("vestra.*.debug=false"); }
    void result_data();
    void result();
};

void tst_SheetResult::result_data()
{
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QString>("changes");
    QTest::addColumn<QString>("resultText");
    QTest::addColumn<QStringList>("reasons");
    // A check's answer as it counts: key=answer/by/the technician's own.
    QTest::addColumn<QString>("check");
    const QString identity = "Identity differs: the beacon carries MMSI 316123456 (Canada), the "
                             "ship's is 257123456 (Norway)";
    // clang-format off
    QTest::newRow("every check holds") << "" << "" << "Passed" << QStringList() << "emission=Yes/technician/Yes";
    QTest::newRow("technician's Yes, frequency out of band") << "" << "frequency=406.0400" << "Not passed" << QStringList{"406 MHz emission: Frequency outside limits"} << "emission=No/program/Yes";
    QTest::newRow("instrument's battery low") << "" << "status=LoBat" << "Not passed" << QStringList{"406 MHz emission: Replace VESTRA battery"} << "emission=No/program/Yes";
    QTest::newRow("timeout: nothing new to judge the self-test by") << "selfTest=" << "verdict=    EPIRB receive timeout" << "Not passed" << QStringList{"406 MHz emission: EPIRB receive timeout", "Check not answered: 4"} << "selfTest=/nobody/";
    QTest::newRow("distress message") << "" << "hex=FFFE2F93C21E24012D814A62ECF7B1412A02" << "Not passed" << QStringList{"Self-test: the beacon sent a distress message", "406 MHz emission: Distress message"} << "selfTest=No/program/Yes";
    QTest::newRow("message fails its codes") << "" << "hex=FFFED093C21E24012D814A62ECF7B1412A03" << "Not passed" << QStringList{"406 MHz emission: Message received incorrect"} << "identity=Yes/technician/Yes";
    QTest::newRow("identity differs") << "" << "mmsi=257123456" << "Not passed" << QStringList{identity} << "identity=No/program/Yes";
    QTest::newRow("battery passed") << "" << "battery=2025-05" << "Not passed" << QStringList{"Battery expiry 2025-05 has passed"} << "battery=No/program/Yes";
    QTest::newRow("release passed the day before") << "" << "release=28.02.2026" << "Not passed" << QStringList{"Hydrostatic release expiry 28.02.2026 has passed"} << "release=No/program/Yes";
    QTest::newRow("release runs to its month's end") << "" << "release=2026-03" << "Passed" << QStringList() << "release=Yes/technician/Yes";
    QTest::newRow("maintenance overdue") << "" << "sbm=01/2026" << "Not passed" << QStringList{"SBM due date 01/2026 has passed"} << "maintenance=No/program/Yes";
    QTest::newRow("technician's No against the program's Yes") << "battery=No" << "" << "Not passed" << QStringList{"Check answered No: 8"} << "battery=No/technician/No";
    QTest::newRow("two answered No") << "lanyard=No;ais=No" << "" << "Not passed" << QStringList{"Checks answered No: 2, 12"} << "ais=No/technician/No";
    QTest::newRow("program's Yes fills an open check") << "battery=" << "" << "Passed" << QStringList() << "battery=Yes/program/";
    QTest::newRow("open, nothing to judge it by") << "homing=" << "" << "Not passed" << QStringList{"Check not answered: 11"} << "homing=/nobody/";
    QTest::newRow("nothing answered or measured") << "all=" << "verdict=" << "Not passed" << QStringList{"Checks not answered: 1, 2, 3, 4, 5, 7, 10, 11, 12, 14, 15"} << "identity=Yes/program/";
    QTest::newRow("IMO number mistyped") << "" << "imo=9074728" << "Not passed" << QStringList{"IMO number 9074728: the last digit does not check the six before it"} << "identity=Yes/technician/Yes";
    QTest::newRow("maintenance adds its checks") << "" << "kind=maintenance" << "Not passed" << QStringList{"Checks not answered: 16, 17, 18, 19, 20, 21"} << "emission=Yes/technician/Yes";
    QTest::newRow("no kind: no result") << "" << "kind=none" << "" << QStringList() << "";
    // clang-format on
}

void tst_SheetResult::result()
{
    QFETCH(QString, answers);
    QFETCH(QString, changes);
    QFETCH(QString, resultText);
    QFETCH(QStringList, reasons);
    QFETCH(QString, check);
    const SheetResult result = assessSheet(test(answers, changes));
    QCOMPARE(result.resultText(), resultText);
    QCOMPARE(result.reasons, reasons);
    QString found;
    for (const CheckResult &c : result.checks)
        if (c.check->key == check.section('=', 0, 0))
            found = QString("%1=%2/%3/%4")
                        .arg(c.check->key, answerText(c.answer),
                             c.by == AnsweredBy::Nobody ? "nobody" : c.byText(),
                             answerText(c.technician));
    QCOMPARE(found, check);
}

QTEST_GUILESS_MAIN(tst_SheetResult)
#include "tst_sheetresult.moc"
