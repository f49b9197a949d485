#include "beaconhistory.h"
#include "reportcheck.h"
#include "reportfile.h"
#include "savereport.h"
#include "testregister.h"

#include <QLoggingCategory>
#include <QTest>
#include <QTimeZone>

using namespace ReportCheck;

namespace {

// A valid long standard-location message, beacon ID 27843C4802FFBFF.
const char Hex[] = "FFFE2F93C21E24012D814A62ECF7B1412A02";
// A valid short user message of another beacon, ID A79D23456789ABC.
const char OtherHex[] = "FFFE2F53CE91A2B3C4D5E3A1AF80";

TestRecord sample(const QString &hex = Hex, int day = 1)
{
    TestRecord r;
    r.time = QDateTime(QDate(2026, 3, day), QTime(14, 5, 9), QTimeZone(3600));
    r.beacon = {"MS Fjordlys", "ACME",  "EB-5",    "7/7",       "FB-2",     "B-778",
                "2029-03",     "2026-11", "2027-01", "Nord Safe", "Kari Holm"};
    r.targetIndex = 1;
    r.hexMessage = hex;
    r.frequency = "406.0279";
    r.rfLevel = "35";
    r.calibrationDue = "06-27";
    r.statusReading = "LoBat";
    r.instrumentSerialNo = "12345-67890";
    r.statusVerdict = "    Replace VESTRA battery";
    r.programVersion = "4.0.4";
    return r;
}

// Every text the operator or the instrument gave, set to value.
void setTexts(TestRecord &r, const QString &value)
{
    for (QString *field : {&r.beacon.vesselName, &r.beacon.manufacturer, &r.beacon.model,
                           &r.beacon.beaconSerialNo, &r.beacon.bracketType,
                           &r.beacon.bracketSerialNo, &r.beacon.batteryExpiry,
                           &r.beacon.hydrostaticReleaseExpiry, &r.beacon.sbmDueDate,
                           &r.beacon.companyName, &r.beacon.testedBy, &r.frequency, &r.rfLevel,
                           &r.calibrationDue, &r.statusReading, &r.instrumentSerialNo,
                           &r.statusVerdict, &r.programVersion})
        *field = value;
}

QString write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

} // namespace

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
        QTest::addColumn<QStringList>("fields"); // manufacturer, model, serial, suffix, name
        QTest::newRow("slash, colon") << QStringList{"A/N:1", "X", "1/3", "", "AN1 X 13.pdf"};
        QTest::newRow("all nine") << QStringList{"a\"*/:<>?\\|b", "M", "1", "", "ab M 1.pdf"};
        QTest::newRow("blanks, untrimmed") << QStringList{"  ", " M", "1 ", "", "    M 1 .pdf"};
        QTest::newRow("others pass")
            << QStringList{"#%'(+,;=@[{-.", "ø\t", "1", "", "#%'(+,;=@[{-. ø\t 1.pdf"};
        QTest::newRow("reprint's date")
            << QStringList{"Acme", "EB-5", "SN 42", " 2026-03-01", "Acme EB-5 SN 42 2026-03-01.pdf"};
    }
    void fileNames()
    {
        QFETCH(QStringList, fields);
        QCOMPARE(ReportFile::fileName(fields[0], fields[1], fields[2], fields[3]), fields[4]);
        if (fields[3].isEmpty())
            QCOMPARE(ReportFile::path("/r", fields[0], fields[1], fields[2]), "/r/" + fields[4]);
    }

    void save_data()
    {
        QTest::addColumn<QStringList>("row"); // name, obstacle, outcome of write test and save
        // UTF-8 names of 249 and 255 bytes: the report's name fits, QSaveFile's
        // temporary name, seven bytes longer, does not.
        const QString n249 = QString(122, u'ø') + "1.pdf", n255 = QString(125, u'ø') + "1.pdf";
        const QString rows[][4] = {
            {"new report", "r.pdf", "no earlier", "saved"},
            {"read-only report", "r.pdf", "read-only report", "refused"},
            {"read-only folder, writable report", "r.pdf", "read-only folder", "saved"},
            {"read-only folder, no report", "r.pdf", "read-only folder, no earlier", "refused"},
            {"full disk keeps earlier report", "r.pdf", "full disk", "failed"},
            {"249-byte name", n249, "no earlier", "saved"},
            {"255-byte name replaces", n255, "", "saved"},
            {"long name, read-only folder", n255, "read-only folder", "saved"},
            {"long name, full disk keeps earlier", n249, "full disk", "failed"},
        };
        for (const auto &r : rows)
            QTest::newRow(qPrintable(r[0])) << QStringList{r[1], r[2], r[3]};
    }
    void save()
    {
        QFETCH(QStringList, row);
        QTemporaryDir dir(home.filePath("s-XXXXXX"));
        const QString path = dir.filePath(row[0]);
        const QByteArray before = "earlier report", report(64 * 1024, 'r');
        QFile earlier(path);
        if (!row[1].contains("no earlier"))
            QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write(before) && earlier.flush());
        if (row[1].startsWith("read-only"))
            QFile::setPermissions(row[1].contains("folder") ? dir.path() : path,
                                  QFile::ReadOwner | QFile::ExeOwner);
        // As "Make Report" does: the write test first, then the report.
        QString outcome = "refused";
        if (ReportFile::canWrite(path))
            onFullDisk(row[1] == "full disk" ? 4096 : -1,
                       [&] { outcome = ReportFile::save(path, report) ? "saved" : "failed"; });
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(outcome, row[2]);
        QCOMPARE(contents(path), outcome == "saved" ? report : earlier.isOpen() ? before : "");
        // Nothing half-made is left beside the report.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 int(QFile::exists(path)));
    }

    void saveReport_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("refusal");
        const QString incorrect = "Message received incorrect\nTry again.",
                      unnamed = "Please enter at least\nManufacturer\nModel and Serial",
                      cannot = "The report cannot be written.\nIf the report is open in "
                               "another\napplication please close it";
        const QString rows[][2] = {{"none", ""},
                                   {"bit error", incorrect},
                                   {"bit error, no name", incorrect},
                                   {"no manufacturer", unnamed},
                                   {"no model", unnamed},
                                   {"no serial", unnamed},
                                   {"no Documents folder", cannot},
                                   {"folder gone", cannot},
                                   {"read-only report", cannot},
                                   {"full disk, new report", cannot},
                                   {"full disk, earlier report", cannot}};
        for (const auto &r : rows)
            QTest::newRow(qPrintable(r[0])) << r[0] << r[1];
    }
    void saveReport()
    {
        QFETCH(QString, obstacle);
        QFETCH(QString, refusal);
        QTemporaryDir dir(home.filePath("m-XXXXXX"));
        TestRecord record = sample();
        QString folder = obstacle == "folder gone" ? dir.filePath("gone") : dir.path();
        if (obstacle.startsWith("bit error"))
            record.hexMessage[20] = record.hexMessage[20] == u'1' ? u'0' : u'1';
        if (obstacle.endsWith("no name") || obstacle == "no manufacturer")
            record.beacon.manufacturer.clear();
        if (obstacle == "no model")
            record.beacon.model.clear();
        if (obstacle == "no serial")
            record.beacon.beaconSerialNo.clear();
        if (obstacle == "no Documents folder")
            folder.clear();
        const QString path = dir.filePath("ACME EB-5 77.pdf");
        if (obstacle.endsWith("earlier report") || obstacle == "read-only report")
            QVERIFY(!write(path, "earlier").isEmpty());
        if (obstacle == "read-only report")
            QFile::setPermissions(path, QFile::ReadOwner);
        ReportOutcome outcome;
        onFullDisk(obstacle.startsWith("full disk") ? 4096 : -1,
                   [&] { outcome = ::saveReport(record, folder); });
        QCOMPARE(outcome.refusal, refusal);
        QCOMPARE(outcome.saved(), refusal.isEmpty());
        // A refused report leaves the folder as it was: no empty file of the
        // write test, the earlier report whole, no register line.
        const QStringList files = QDir(dir.path()).entryList(QDir::Files);
        if (!refusal.isEmpty()) {
            QCOMPARE(files, QFile::exists(path) ? QStringList{"ACME EB-5 77.pdf"} : QStringList());
            QCOMPARE(contents(path), QFile::exists(path) ? "earlier" : "");
            return;
        }
        QCOMPARE(outcome.path, path);
        QVERIFY(contents(path).startsWith("%PDF"));
        QCOMPARE(outcome.registerProblem, QString());
        QList<TestRecord> tests;
        QString error;
        QVERIFY2(TestRegister::read(TestRegister::path(dir.path()), tests, error), qPrintable(error));
        QCOMPARE(tests.size(), 1);
        QCOMPARE(TestRegister::fields(tests.first()), TestRegister::fields(record));
    }

    void registerRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("cell"); // as a spreadsheet reads it
        const char *rows[][3] = {{"comma", "Fjordlys, MS", "Fjordlys, MS"},
                                 {"double quote", "MS \"Fjordlys\"", "MS \"Fjordlys\""},
                                 {"line breaks", "MS\nFjord\r\nlys", "MS\nFjord\r\nlys"},
                                 {"non-ASCII", "Sjø 5º", "Sjø 5º"},
                                 {"formula", "=1+2", "'=1+2"},
                                 {"plus", "+A1", "'+A1"},
                                 {"minus", "-x", "'-x"},
                                 {"at", "@A1,B1", "'@A1,B1"},
                                 {"tab", "\tx", "'\tx"},
                                 {"CR", "\rx", "'\rx"},
                                 {"blanks before formula", "  =1", "'  =1"},
                                 {"tab before formula", " \t-1-", "' \t-1-"},
                                 {"negative number", "-3.5", "-3.5"},
                                 {"signed number", "+47", "+47"},
                                 {"leading blanks kept", "    Replace", "    Replace"},
                                 {"apostrophe", "'x", "''x"},
                                 {"apostrophe, formula", "'=1", "''=1"},
                                 {"apostrophe, number", "'-3.5", "''-3.5"},
                                 {"inner equals", "EB=5", "EB=5"},
                                 {"empty", "", ""}};
        for (const auto &r : rows)
            QTest::newRow(r[0]) << QString(r[1]) << QString(r[2]);
    }
    void registerRoundTrip()
    {
        QFETCH(QString, value);
        QFETCH(QString, cell);
        QTemporaryDir dir(home.filePath("t-XXXXXX"));
        TestRecord record = sample();
        setTexts(record, value);
        QCOMPARE(TestRegister::append(dir.path(), sample()), QString());
        QCOMPARE(TestRegister::append(dir.path(), record), QString());
        const QByteArray bytes = contents(TestRegister::path(dir.path()));
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QList<QStringList> rows = readCsv(bytes.mid(3));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0], TestRegister::header());
        QCOMPARE(rows[2].size(), 25);
        QCOMPARE(rows[2][1], cell);
        QCOMPARE(rows[2][22], cell);
        QList<TestRecord> tests;
        QString error;
        QVERIFY2(TestRegister::read(TestRegister::path(dir.path()), tests, error), qPrintable(error));
        QCOMPARE(tests.size(), 2);
        QCOMPARE(TestRegister::fields(tests[1]), TestRegister::fields(record));
        QCOMPARE(tests[1].time, record.time);
    }

    // A register edited by hand: only an apostrophe the program would have
    // written comes off.
    void handTypedApostrophe_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("value");
        QTest::newRow("before text") << "'abc" << "'abc";
        QTest::newRow("before a number") << "'-3.5" << "'-3.5";
        QTest::newRow("before a formula") << "'=1" << "=1";
    }
    void handTypedApostrophe()
    {
        QFETCH(QString, cell);
        QFETCH(QString, value);
        QCOMPARE(TestRegister::fromSpreadsheetSafe(cell), value);
    }

    void registerObstacles_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("why");
        QTest::newRow("none") << "" << "";
        QTest::newRow("last line without its end") << "no line end" << "";
        QTest::newRow("read-only folder, writable register") << "read-only folder" << "";
        QTest::newRow("read-only register") << "read-only register" << "Permission denied";
        QTest::newRow("full disk mid-line") << "full disk" << "File too large";
    }
    void registerObstacles()
    {
        QFETCH(QString, obstacle);
        QFETCH(QString, why);
        QTemporaryDir dir(home.filePath("o-XXXXXX"));
        const QString path = TestRegister::path(dir.path());
        QCOMPARE(TestRegister::append(dir.path(), sample()), QString());
        if (obstacle == "no line end")
            QVERIFY(!write(path, contents(path).chopped(2)).isEmpty());
        if (obstacle.startsWith("read-only"))
            QFile::setPermissions(obstacle.endsWith("folder") ? dir.path() : path,
                                  QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray before = contents(path);
        QString said;
        onFullDisk(obstacle == "full disk" ? before.size() + 10 : -1,
                   [&] { said = TestRegister::append(dir.path(), sample(OtherHex)); });
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(said, why);
        QList<TestRecord> tests;
        QString error;
        QVERIFY2(TestRegister::read(path, tests, error), qPrintable(error));
        // Not updated: the register as it was, to the byte.
        QCOMPARE(tests.size(), why.isEmpty() ? 2 : 1);
        if (!why.isEmpty())
            QCOMPARE(contents(path), before);
        else
            QCOMPARE(tests.last().hexMessage, OtherHex);
    }

    void damagedRegister_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QByteArray head = "\xEF\xBB\xBF" + TestRegister::csvLine(TestRegister::header());
        const QStringList good = TestRegister::fields(sample());
        auto line = [&](int column, const QString &value) {
            QStringList f = good;
            f[column] = value;
            return TestRegister::csvLine(f);
        };
        const QByteArray ok = TestRegister::csvLine(good);
        QTest::newRow("quote never closed")
            << head + ok + ok.chopped(3) << "line 3, column 25 (\"Report file\"): a quoted field is never closed";
        QTest::newRow("quote out of place")
            << head + QByteArray(ok).replace(",\"ACME\",", ",AC\"ME,") << "line 2, column 3 (\"Manufacturer\"): a double quote out of place";
        QTest::newRow("field missing after a two-line field")
            << head + line(1, "MS\nFjordlys") + TestRegister::csvLine(good.mid(1))
            << "line 4: 24 fields, where a test has 25";
        QTest::newRow("field too many") << head + TestRegister::csvLine(good + QStringList{"x"})
                                        << "line 2: 26 fields, where a test has 25";
        QTest::newRow("message fails its codes")
            << head + line(11, QString(Hex).replace("A02", "A03"))
            << "line 2, column 12 (\"Hex message\"): the message fails its error-correcting codes";
        QTest::newRow("time over two lines") << head + line(0, "2026-03-01\nT14:05:09")
                                             << "line 2, column 1 (\"Date and time\"): not a date and time";
        QTest::newRow("not a time") << head + line(0, "1 March 2026")
                                    << "line 2, column 1 (\"Date and time\"): not a date and time";
        QTest::newRow("unknown target") << head + line(12, "406.030 MHz")
                                        << "line 2, column 13 (\"Target frequency\"): not a target frequency";
        QStringList renamed = TestRegister::header();
        renamed[5] = "Bracket";
        QTest::newRow("unknown header") << TestRegister::csvLine(renamed) + ok
                                        << "line 1: not the header of a test register of this program";
    }
    void damagedRegister()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const QString path = write(home.filePath("damaged.csv"), bytes);
        QList<TestRecord> tests;
        QString said;
        QVERIFY(!TestRegister::read(path, tests, said));
        QCOMPARE(said, path + ": " + error);
        QVERIFY(tests.isEmpty());
    }

    void latestTest_data()
    {
        QTest::addColumn<QString>("beaconId");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("found"); // index into the tests, -1 for none
        QTest::newRow("latest by time, not by line") << "27843C4802FFBFF" << QDate() << 2;
        QTest::newRow("ID in lower case") << "27843c4802ffbff" << QDate() << 2;
        QTest::newRow("on a date") << "27843C4802FFBFF" << QDate(2026, 3, 1) << 0;
        QTest::newRow("same day, later line") << "A79D23456789ABC" << QDate(2026, 3, 4) << 3;
        QTest::newRow("no test that day") << "27843C4802FFBFF" << QDate(2026, 3, 4) << -1;
        QTest::newRow("unknown beacon") << "27843C4802FFBFE" << QDate() << -1;
    }
    void latestTest()
    {
        QFETCH(QString, beaconId);
        QFETCH(QDate, date);
        QFETCH(int, found);
        const QList<TestRecord> tests = {sample(Hex, 1), sample(OtherHex, 4), sample(Hex, 9),
                                         sample(OtherHex, 4), sample(Hex, 5)};
        const TestRecord *latest = ::latestTest(tests, beaconId, date);
        QCOMPARE(latest ? int(latest - tests.constData()) : -1, found);
    }

    void nextYearsForm_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("registerKind");
        QTest::addColumn<bool>("filled");
        QTest::newRow("same beacon") << Hex << "good" << true;
        QTest::newRow("other beacon") << OtherHex << "good" << false;
        QTest::newRow("invalid message") << QString(Hex).replace("A02", "A03") << "good" << false;
        QTest::newRow("no register") << Hex << "none" << false;
        QTest::newRow("damaged register") << Hex << "damaged" << false;
    }
    void nextYearsForm()
    {
        QFETCH(QString, hex);
        QFETCH(QString, registerKind);
        QFETCH(bool, filled);
        QTemporaryDir dir(home.filePath("f-XXXXXX"));
        TestRecord earlier = sample(Hex, 1), latest = sample(Hex, 2);
        earlier.beacon.bracketType = "from the earlier test";
        latest.beacon.bracketType.clear();
        if (registerKind != "none") {
            QCOMPARE(TestRegister::append(dir.path(), latest), QString());
            QCOMPARE(TestRegister::append(dir.path(), earlier), QString());
        }
        const QString path = TestRegister::path(dir.path());
        if (registerKind == "damaged")
            QVERIFY(!write(path, contents(path) + "x\"\r\n").isEmpty());
        // Typed in already: kept. Company and tester are never filled.
        BeaconFields form;
        form.model = "typed";
        BeaconFields expected = latest.beacon;
        expected.model = "typed";
        expected.companyName.clear();
        expected.testedBy.clear();
        const BeaconFields before = form;
        const QString said = recallBeacon(path, hex, form);
        QCOMPARE(said, filled ? "Beacon known from the test of 2026-03-02: fields filled in, "
                                "check the expiry dates"
                              : "");
        auto texts = [](const BeaconFields &b) {
            TestRecord r;
            r.beacon = b;
            return TestRegister::fields(r).mid(1, 9);
        };
        QCOMPARE(texts(form), texts(filled ? expected : before));
        QCOMPARE(form.companyName, QString());
    }

    void reportTool_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("output"); // standard output, else error, a line each
        const QString listed = " 2026-03-%1 %2 ACME EB-5 7/7 %3 Message from EPIRB received OK "
                               "Replace VESTRA battery 2029-03 2026-11";
        const QString one = "1" + listed.arg("01", "27843C4802FFBFF", "MS Fjordlys"),
                      two = "2" + listed.arg("04", "A79D23456789ABC", "Line break"),
                      three = "3" + listed.arg("09", "27843C4802FFBFF", "MS Fjordlys");
        QTest::newRow("list") << QStringList{"list"} << 0 << QStringList{one, two, three};
        QTest::newRow("list by vessel, any case") << QStringList{"list", "line"} << 0 << QStringList{two};
        QTest::newRow("list by ID") << QStringList{"list", "7843c"} << 0 << QStringList{one, three};
        QTest::newRow("list by serial") << QStringList{"list", "7/7"} << 0 << QStringList{one, two, three};
        QTest::newRow("no such line") << QStringList{"reprint", "--line", "4"} << 1
                                      << QStringList{"vestra-report: %1 holds 3 tests, not 4"};
        QTest::newRow("no test that day")
            << QStringList{"reprint", "--beacon", "27843C4802FFBFF", "--date", "2026-03-04"} << 1
            << QStringList{"vestra-report: %1 holds no test of beacon 27843C4802FFBFF on 2026-03-04"};
        QTest::newRow("line and beacon") << QStringList{"reprint", "--line", "1", "--beacon", "27843C4802FFBFF"}
                                         << 2 << QStringList{"vestra-report: reprint takes either --line N or --beacon ID"};
        QTest::newRow("file there") << QStringList{"reprint", "--line", "1", "-o", "there.pdf"} << 1
                                    << QStringList{"vestra-report: there.pdf is there already; --force replaces it"};
        QTest::newRow("damaged register") << QStringList{"reprint", "--beacon", "27843c4802ffbff", "-o", "new.pdf"} << 2
                                          << QStringList{"vestra-report: %1: line 6: 1 field, where a test has 25"};
    }
    void reportTool()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, output);
        QTemporaryDir dir(home.filePath("v-XXXXXX"));
        TestRecord nordkapp = sample(OtherHex, 4);
        nordkapp.beacon.vesselName = "Line\nbreak";
        for (const TestRecord &record : {sample(Hex, 1), nordkapp, sample(Hex, 9)})
            QCOMPARE(TestRegister::append(dir.path(), record), QString());
        const QString path = TestRegister::path(dir.path());
        if (QTest::currentDataTag() == QLatin1String("damaged register"))
            QVERIFY(!write(path, contents(path) + "x\r\n").isEmpty());
        QVERIFY(!write(dir.filePath("there.pdf"), "earlier").isEmpty());
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", dir.path());
        tool.setProcessEnvironment(environment);
        tool.start(VESTRA_REPORT_PATH, arguments + QStringList{"--register", path});
        QVERIFY(tool.waitForFinished(20000));
        QCOMPARE(tool.exitCode(), status);
        QStringList lines;
        for (const QString &line : QString::fromUtf8(status ? tool.readAllStandardError()
                                                            : tool.readAllStandardOutput())
                                       .split('\n', Qt::SkipEmptyParts))
            lines << line.simplified();
        for (QString &line : output)
            line = line.contains("%1") ? line.arg(path) : line;
        QCOMPARE(lines, output);
        // A refusal writes nothing.
        QCOMPARE(contents(dir.filePath("there.pdf")), "earlier");
        QVERIFY(!QFile::exists(dir.filePath("new.pdf")));
    }
};

QTEST_MAIN(tst_ReportFile)
#include "tst_reportfile.moc"
