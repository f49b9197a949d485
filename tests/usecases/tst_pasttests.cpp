#include "beaconhistory.h"
#include "messageencoder.h"
#include "reportcheck.h"
#include "reprintinto.h"
#include "testregister.h"

#include <QLoggingCategory>
#include <QTest>

using namespace ReportCheck;

namespace {

QString write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

// A history in folder holding records, numbered 1, 2, ... in their order.
QString makeHistory(const QString &folder, const QList<TestRecord> &records)
{
    TestHistory history(TestHistory::path(folder));
    for (const TestRecord &record : records) {
        if (const Result<qint64> added = history.add(record); !added)
            return added.reason();
    }
    return history.filePath();
}

} // namespace

// What the window and vestra-report make of past tests: next year's form
// and the names of reprints.
class tst_PastTests : public QObject
{
    Q_OBJECT

    QTemporaryDir home;

private slots:
    void initTestCase()
    {
        useHome(home);
        QLoggingCategory::setFilterRules("vestra.*.debug=false");
    }

    void nextYearsForm_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("said"); // the status line, or the error
        const QString known = "Beacon known from the test of 2026-03-02: fields filled in, "
                              "check the expiry dates";
        const QString ship = MessageEncoder::parse("short l12 41-60=123456 66-72=45 seal").hex();
        const QString orbit = MessageEncoder::parse("short l0 41-85=0x123456789ABC seal").hex();
        QTest::newRow("same beacon") << Hex << Hex << known;
        QTest::newRow("other beacon") << Hex << OtherHex << "";
        QTest::newRow("ship security") << ship << ship << known;
        QTest::newRow("orbitography") << orbit << orbit << known;
        QTest::newRow("not a database") << "" << Hex
                                        << "Test history cannot be read: %1: file "
                                           "is not a database";
    }
    void nextYearsForm()
    {
        QFETCH(QString, stored);
        QFETCH(QString, received);
        QFETCH(QString, said);
        QTemporaryDir dir(home.filePath("f-XXXXXX"));
        TestRecord earlier = sample(stored, 1), latest = sample(stored, 2);
        earlier.beacon.bracketType = "from the earlier test";
        latest.beacon.bracketType.clear();
        const QString path = stored.isEmpty() ? write(TestHistory::path(dir.path()), "CSV, not SQL")
                                              : makeHistory(dir.path(), {latest, earlier});
        // Typed in already: kept. Company and tester are never filled.
        BeaconFields form, expected = latest.beacon;
        form.model = expected.model = "typed";
        expected.companyName = expected.testedBy = QString();
        const BeaconFields before = form;
        const Recall recall = recallBeacon(path, received, form);
        QCOMPARE(recall.error.isEmpty() ? recall.statusLine : recall.error,
                 QString(said).replace("%1", QDir::toNativeSeparators(path)));
        auto texts = [](const BeaconFields &b) {
            TestRecord r;
            r.beacon = b;
            return TestRegister::fields(r).mid(1, 9);
        };
        QCOMPARE(texts(form), texts(said.startsWith("Beacon known") ? expected : before));
        QCOMPARE(form.companyName + form.testedBy, QString());
    }

    // Never two reprints of one name: as much of the moment as sets a test
    // apart from the others of its day whose names would be the same.
    void reprintNames_data()
    {
        QTest::addColumn<QString>("manufacturer");
        QTest::addColumn<QString>("time");  // of test 1
        QTest::addColumn<QString>("other"); // another test's that day, or none
        QTest::addColumn<QString>("otherHex");
        QTest::addColumn<QString>("name");
        const QString at = "2026-03-01T14:05:09+01:00";
        // clang-format off
        QTest::newRow("alone that day") << "ACME" << at << "" << Hex << "ACME EB-5 77 2026-03-01.pdf";
        QTest::newRow("another that day") << "ACME" << at << "2026-03-01T09:00:00+01:00" << Hex << "ACME EB-5 77 2026-03-01 14.05.09.pdf";
        QTest::newRow("another beacon named alike") << "ACME" << at << "2026-03-01T09:00:00+01:00" << OtherHex << "ACME EB-5 77 2026-03-01 14.05.09.pdf";
        QTest::newRow("another named otherwise") << "Nord" << at << "2026-03-01T09:00:00+01:00" << OtherHex << "Nord EB-5 77 2026-03-01.pdf";
        QTest::newRow("the hour repeated as the clocks go back") << "ACME" << "2026-10-25T02:30:00+02:00" << "2026-10-25T02:30:00+01:00" << Hex << "ACME EB-5 77 2026-10-25 02.30.00+02.00.pdf";
        QTest::newRow("another in the same second") << "ACME" << at << at << OtherHex << "ACME EB-5 77 2026-03-01 14.05.09+01.00 test 1.pdf";
        QTest::newRow("blanks, control characters") << " \tAC\nME" << at << "" << Hex << "ACME EB-5 77 2026-03-01.pdf";
        // clang-format on
    }
    void reprintNames()
    {
        QFETCH(QString, manufacturer);
        QFETCH(QString, time);
        QFETCH(QString, other);
        QFETCH(QString, otherHex);
        QFETCH(QString, name);
        QTemporaryDir dir(home.filePath("r-XXXXXX"));
        TestHistory history(TestHistory::path(dir.path()));
        TestRecord record = sample(), nextDay = sample(), second = sample(otherHex);
        record.time = QDateTime::fromString(time, Qt::ISODate);
        record.beacon.manufacturer = manufacturer;
        nextDay.time = record.time.addDays(1); // another day counts not
        second.time = QDateTime::fromString(other, Qt::ISODate);
        QVERIFY(history.add(record));
        QVERIFY(history.add(nextDay));
        if (!other.isEmpty())
            QVERIFY(history.add(second));
        const ReprintOutcome outcome = reprintInto(history, 1, dir.filePath("Reprints"), false);
        QCOMPARE(outcome.error, QString());
        QCOMPARE(outcome.path, QDir::toNativeSeparators(dir.filePath("Reprints/" + name)));
        QVERIFY(contents(outcome.path).startsWith("%PDF"));
    }
};

QTEST_MAIN(tst_PastTests)
#include "tst_pasttests.moc"
