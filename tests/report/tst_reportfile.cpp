#include "beaconhistory.h"
#include "messageencoder.h"
#include "reportcheck.h"
#include "reportfile.h"
#include "reprintinto.h"
#include "savereport.h"
#include "testregister.h"

#include <QLoggingCategory>
#include <QTest>

using namespace ReportCheck;

class tst_ReportFile : public QObject
{
    Q_OBJECT

    QTemporaryDir home;

private slots:
    void initTestCase()
    {
        useHome(home);
        QLoggingCategory::setFilterRules("vestra.*.debug=false");
    }

    void fileNames_data()
    {
        QTest::addColumn<QStringList>("fields"); // manufacturer, model, serial, file name
        QTest::newRow("slash, colon") << QStringList{"A/N:1", "X", "1/3", "AN1 X 13.pdf"};
        QTest::newRow("all nine") << QStringList{"a\"*/:<>?\\|b", "M", "1", "ab M 1.pdf"};
        QTest::newRow("blanks, untrimmed") << QStringList{"  ", " M", "1 ", "    M 1 .pdf"};
        QTest::newRow("others pass")
            << QStringList{"#%'(+,;=@[{-.", "ø", "1", "#%'(+,;=@[{-. ø 1.pdf"};
        QTest::newRow("tab, line breaks") << QStringList{"A\tB", "M\r\n", "1\x01", "AB M 1.pdf"};
        QTest::newRow("dots, blanks kept") << QStringList{"A.", "M.. ", ". 1.", "A. M..  . 1..pdf"};
        QTest::newRow("device name before a dot")
            << QStringList{"NUL.x", "M", "1", "_NUL.x M 1.pdf"};
        QTest::newRow("device name, blanks") << QStringList{"con ", ".", "1", "_con  . 1.pdf"};
        QTest::newRow("COM and superscript") << QStringList{"COM¹.", "M", "1", "_COM¹. M 1.pdf"};
        QTest::newRow("device name, not alone") << QStringList{"CON", "M", "1.5", "CON M 1.5.pdf"};
        QTest::newRow("COM10 no device") << QStringList{"COM10.", "M", "1", "COM10. M 1.pdf"};
    }
    void fileNames()
    {
        QFETCH(QStringList, fields);
        QCOMPARE(ReportFile::path("/r", fields[0], fields[1], fields[2]), "/r/" + fields[3]);
    }

    void saveReport_data()
    {
        QTest::addColumn<bool>("bitError");
        QTest::addColumn<QString>("emptyField");
        QTest::addColumn<int>("nameBytes"); // 0: the sample's short name
        QTest::addColumn<bool>("earlier");
        QTest::addColumn<QString>("readOnly"); // "report", "folder" or none
        QTest::addColumn<bool>("fullDisk");
        QTest::addColumn<bool>("noDocuments");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("reason"); // the status log's, for a refusal of the write
        const QString incorrect = "Message received incorrect\nTry again.",
                      unnamed = "Please enter at least\nManufacturer\nModel and Serial",
                      cannot = "The report cannot be written.\nIf the report is open in "
                               "another\napplication please close it",
                      denied = "Permission denied", tooLarge = "File too large";
        const QString m = "manufacturer", none;
        // Names of 249 and 255 bytes: the report's name fits, QSaveFile's
        // temporary name, seven bytes longer, does not.
        // clang-format off
        QTest::newRow("none") << false << none << 0 << false << none << false << false << none << none;
        QTest::newRow("bit error") << true << none << 0 << false << none << false << false << incorrect << none;
        QTest::newRow("bit error, no name") << true << m << 0 << false << none << false << false << incorrect << none;
        QTest::newRow("no manufacturer") << false << m << 0 << false << none << false << false << unnamed << none;
        QTest::newRow("no model") << false << "model" << 0 << false << none << false << false << unnamed << none;
        QTest::newRow("no serial") << false << "serial" << 0 << false << none << false << false << unnamed << none;
        QTest::newRow("no Documents folder") << false << none << 0 << false << none << false << true << cannot << "the system names no Documents folder";
        QTest::newRow("read-only report, earlier") << false << none << 0 << true << "report" << false << false << cannot << denied;
        QTest::newRow("read-only folder, earlier") << false << none << 0 << true << "folder" << false << false << none << none;
        QTest::newRow("read-only folder") << false << none << 0 << false << "folder" << false << false << cannot << denied;
        QTest::newRow("full disk") << false << none << 0 << false << none << true << false << cannot << tooLarge;
        QTest::newRow("full disk, earlier") << false << none << 0 << true << none << true << false << cannot << tooLarge;
        QTest::newRow("249-byte name") << false << none << 249 << false << none << false << false << none << none;
        QTest::newRow("255-byte name, earlier") << false << none << 255 << true << none << false << false << none << none;
        QTest::newRow("255-byte name, read-only folder, earlier") << false << none << 255 << true << "folder" << false << false << none << none;
        QTest::newRow("249-byte name, full disk, earlier") << false << none << 249 << true << none << true << false << cannot << tooLarge;
        QTest::newRow("249-byte name, full disk") << false << none << 249 << false << none << true << false << cannot << tooLarge;
        // clang-format on
    }
    void saveReport()
    {
        QFETCH(bool, bitError);
        QFETCH(QString, emptyField);
        QFETCH(int, nameBytes);
        QFETCH(bool, earlier);
        QFETCH(QString, readOnly);
        QFETCH(bool, fullDisk);
        QFETCH(bool, noDocuments);
        QFETCH(QString, refusal);
        QFETCH(QString, reason);
#ifdef Q_OS_WIN
        if (!readOnly.isEmpty() || fullDisk)
            QSKIP("read-only folders and full disks are made with POSIX calls");
#endif
        QTemporaryDir dir(home.filePath("m-XXXXXX"));
        TestRecord record = sample();
        if (bitError)
            record.hexMessage[20] = record.hexMessage[20] == u'1' ? u'0' : u'1';
        BeaconFields &beacon = record.beacon;
        if (emptyField == "manufacturer")
            beacon.manufacturer.clear();
        if (emptyField == "model")
            beacon.model.clear();
        if (emptyField == "serial")
            beacon.beaconSerialNo.clear();
        // " EB-5 77.pdf" is 12 bytes, an "ø" two; NTFS counts UTF-16 units,
        // and there ASCII letters keep the lengths.
        const bool ntfs = QSysInfo::productType() == "windows";
        if (nameBytes > 0)
            beacon.manufacturer = ntfs ? QString(nameBytes - 13, u'o') + 'a'
                                       : QString((nameBytes - 13) / 2, u'ø') + 'a';
        const QString name = ReportFile::fileName(beacon.manufacturer, "EB-5", "7/7");
        const QString path = dir.filePath(name);
        if (nameBytes > 0)
            QCOMPARE(QFile::encodeName(name).size(), nameBytes);
        if (earlier)
            QVERIFY(!write(path, "earlier").isEmpty());
        if (!readOnly.isEmpty())
            QFile::setPermissions(readOnly == "folder" ? dir.path() : path,
                                  QFile::ReadOwner | QFile::ExeOwner);
        ReportOutcome outcome;
        onFullDisk(fullDisk ? 4096 : -1,
                   [&] { outcome = ::saveReport(record, noDocuments ? QString() : dir.path()); });
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(outcome.refusal, refusal);
        QCOMPARE(outcome.saved(), refusal.isEmpty());
        // Nothing half-made beside the report: a refused one leaves no empty
        // file of the write test and the earlier report whole.
        QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        files.removeOne(TestRegister::FileName);
        files.removeOne(TestHistory::FileName);
        QCOMPARE(files, earlier || refusal.isEmpty() ? QStringList{name} : QStringList());
        if (!refusal.isEmpty()) {
            QCOMPARE(outcome.statusLines,
                     reason.isEmpty() ? QStringList() : QStringList{"Report not saved: " + reason});
            if (earlier)
                QCOMPARE(contents(path), "earlier");
            return;
        }
        QCOMPARE(outcome.path, path);
        QVERIFY(contents(path).startsWith("%PDF"));
        QCOMPARE(outcome.statusLines, QStringList{"Saving: " + QDir::toNativeSeparators(path)});
        // A history or register that cannot be written costs the report
        // nothing; the test is kept aside for the history.
        if (readOnly == "folder")
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const QStringList stored = storeTest(record, {dir.path(), dir.path() + "-kept"});
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString native = QDir::toNativeSeparators(dir.path());
        const QStringList expected =
            readOnly == "folder"
                ? QStringList{"Test history not updated: " + native +
                                  "/test-history.sqlite: the folder " + native +
                                  " is read-only; the test is kept aside and added as soon as "
                                  "the history takes it",
                              "Test register not updated: Permission denied"}
                : QStringList{"Test history: saved as test 1", "Test register: line added"};
        QCOMPARE(stored, expected);
    }

    void writeFailures_data()
    {
        QTest::addColumn<QString>("file"); // in a read-only folder "ro"
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing folder") << "gone/r.pdf"
                                        << "the folder %1/gone does not exist";
        QTest::newRow("a folder") << "ro"
                                  << "it is a folder";
        QTest::newRow("read-only folder") << "ro/r.pdf"
                                          << "the folder %1/ro is read-only";
        QTest::newRow("name too long") << QString(256, 'n') << "the file name is too long";
        QTest::newRow("writable") << "r.pdf"
                                  << "fallback";
    }
    void writeFailures()
    {
        QFETCH(QString, file);
        QFETCH(QString, reason);
#ifdef Q_OS_WIN
        if (file.startsWith("ro/"))
            QSKIP("read-only folders are made with POSIX calls");
#endif
        QTemporaryDir dir(home.filePath("w-XXXXXX"));
        QVERIFY(QDir(dir.path()).mkdir("ro"));
        QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(writeFailureReason(dir.filePath(file), "fallback"),
                 QDir::toNativeSeparators(reason.replace("%1", dir.path())));
        QFile::setPermissions(dir.filePath("ro"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
        latest.sheet = {TestKind::Other,
                        {"257123456", "LAJK3", "9074729", "27843C4802FFBFF"},
                        {{"selfTest", Answer::Yes}},
                        "remarks"};
        const QString path = stored.isEmpty() ? write(TestHistory::path(dir.path()), "CSV, not SQL")
                                              : makeHistory(dir.path(), {latest, earlier});
        // Typed in already: kept. Company and tester, the kind of test, the
        // answers and the remarks are never filled; the ship and the label are.
        TestRecord form, expected;
        expected.beacon = latest.beacon;
        expected.sheet.ship = latest.sheet.ship;
        form.beacon.model = expected.beacon.model = "typed";
        form.sheet.ship.callSign = expected.sheet.ship.callSign = "typed";
        expected.beacon.companyName = expected.beacon.testedBy = QString();
        const TestRecord before = form;
        const Recall recall = recallBeacon(path, received, form);
        QCOMPARE(recall.error.isEmpty() ? recall.statusLine : recall.error,
                 QString(said).replace("%1", QDir::toNativeSeparators(path)));
        // The register's columns of the typed fields and of the test record.
        auto texts = [](const TestRecord &r) {
            const QStringList f = TestRegister::fields(r);
            return f.mid(1, 9) + f.mid(21, 2) + f.mid(26);
        };
        QCOMPARE(texts(form), texts(said.startsWith("Beacon known") ? expected : before));
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
        const Result<QString> written = reprintInto(history, 1, dir.filePath("Reprints"), false);
        QCOMPARE(written.reason(), QString());
        QCOMPARE(*written, QDir::toNativeSeparators(dir.filePath("Reprints/" + name)));
        QVERIFY(contents(*written).startsWith("%PDF"));
    }
};

QTEST_MAIN(tst_ReportFile)
#include "tst_reportfile.moc"
