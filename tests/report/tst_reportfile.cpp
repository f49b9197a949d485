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

// clang-format off
TestRecord sample(const QString &hex = Hex, int day = 1)
{
    return {QDateTime(QDate(2026, 3, day), QTime(14, 5, 9), QTimeZone(3600)),
            {"MS Fjordlys", "ACME", "EB-5", "7/7", "FB-2", "B-778", "2029-03", "2026-11", "2027-01",
             "Nord Safe", "Kari Holm"},
            1, hex, "406.0279", "35", "06-27", "LoBat", "12345-67890", "    Replace VESTRA battery",
            "4.0.4"};
}
// clang-format on

QString write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

// The register's tests, or none and why.
QList<TestRecord> readBack(const QString &path, QString &error)
{
    QList<TestRecord> tests;
    TestRegister::read(path, tests, error);
    return tests;
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
        qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit()); // quiet, for vestra-report
    }

    void fileNames_data()
    {
        QTest::addColumn<QStringList>("fields"); // manufacturer, model, serial, file name
        QTest::newRow("slash, colon") << QStringList{"A/N:1", "X", "1/3", "AN1 X 13.pdf"};
        QTest::newRow("all nine") << QStringList{"a\"*/:<>?\\|b", "M", "1", "ab M 1.pdf"};
        QTest::newRow("blanks, untrimmed") << QStringList{"  ", " M", "1 ", "    M 1 .pdf"};
        QTest::newRow("others pass")
            << QStringList{"#%'(+,;=@[{-.", "ø\t", "1", "#%'(+,;=@[{-. ø\t 1.pdf"};
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
        // " EB-5 77.pdf" is 12 bytes, an "ø" two.
        if (nameBytes > 0)
            beacon.manufacturer = QString((nameBytes - 13) / 2, u'ø') + 'a';
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
        // A register that cannot be written costs the report nothing.
        QStringList said{"Saving: " + path};
        if (readOnly == "folder")
            said << "Test register not updated: Permission denied";
        QCOMPARE(outcome.statusLines, said);
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
        // Every field is quoted alike; these two stand at either end of the line.
        TestRecord record = sample();
        record.beacon.vesselName = record.beacon.testedBy = value;
        QCOMPARE(TestRegister::append(dir.path(), sample()), QString());
        QCOMPARE(TestRegister::append(dir.path(), record), QString());
        // After the byte-order mark.
        const QList<QStringList> rows = readCsv(contents(TestRegister::path(dir.path())).mid(3));
        QCOMPARE(rows.value(0), TestRegister::header());
        QCOMPARE(rows.value(2).value(1), cell);
        QCOMPARE(rows.value(2).value(22), cell);
        QString error;
        const QList<TestRecord> tests = readBack(TestRegister::path(dir.path()), error);
        QCOMPARE(error, QString());
        QCOMPARE(TestRegister::fields(tests.value(1)), TestRegister::fields(record));
    }

    // A register edited by hand: only an apostrophe the program would have
    // written comes off.
    void handTypedApostrophe_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("value");
        for (const auto &r : {std::pair("'abc", "'abc"), {"'-3.5", "'-3.5"}, {"'=1", "=1"}})
            QTest::newRow(r.first) << r.first << r.second;
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
        const char *rows[][3] = {{"last line without its end", "no line end", ""},
                                 {"read-only folder, writable register", "read-only folder", ""},
                                 {"read-only register", "read-only register", "Permission denied"},
                                 {"full disk mid-line", "full disk", "File too large"}};
        for (const auto &r : rows)
            QTest::newRow(r[0]) << r[1] << r[2];
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
        QString error;
        const QList<TestRecord> tests = readBack(path, error);
        QCOMPARE(error, QString());
        // Not updated: the register as it was, to the byte.
        if (!why.isEmpty())
            QCOMPARE(contents(path), before);
        QCOMPARE(tests.value(1).hexMessage, why.isEmpty() ? OtherHex : "");
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
        const QString at = "line %1, column %2 (\"%3\"): ";
        // clang-format off
        const struct { const char *tag; QByteArray bytes; QString error; } rows[] = {
            {"quote never closed", head + ok + ok.chopped(3), at.arg(3).arg(25).arg("Report file") + "a quoted field is never closed"},
            {"quote out of place", head + QByteArray(ok).replace(",\"ACME\",", ",AC\"ME,"), at.arg(2).arg(3).arg("Manufacturer") + "a double quote out of place"},
            {"field missing after a two-line field", head + line(1, "MS\nFjordlys") + TestRegister::csvLine(good.mid(1)), "line 4: 24 fields, where a test has 25"},
            {"field too many", head + TestRegister::csvLine(good + QStringList{"x"}), "line 2: 26 fields, where a test has 25"},
            {"message fails its codes", head + line(11, QString(Hex).replace("A02", "A03")), at.arg(2).arg(12).arg("Hex message") + "the message fails its error-correcting codes"},
            {"time over two lines", head + line(0, "2026-03-01\nT14:05:09"), at.arg(2).arg(1).arg("Date and time") + "not a date and time"},
            {"unknown target", head + line(12, "406.030 MHz"), at.arg(2).arg(13).arg("Target frequency") + "not a target frequency"},
            {"unknown header", TestRegister::csvLine(TestRegister::header().replaceInStrings("Bracket type", "Bracket")) + ok, "line 1: not the header of a test register of this program"},
        };
        // clang-format on
        for (const auto &r : rows)
            QTest::newRow(r.tag) << r.bytes << r.error;
    }
    void damagedRegister()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const QString path = write(home.filePath("damaged.csv"), bytes);
        QString said;
        QCOMPARE(readBack(path, said).size(), 0);
        QCOMPARE(said, path + ": " + error);
    }

    void nextYearsForm_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<bool>("filled");
        QTest::newRow("same beacon") << Hex << true;
        QTest::newRow("other beacon") << OtherHex << false;
    }
    void nextYearsForm()
    {
        QFETCH(QString, hex);
        QFETCH(bool, filled);
        QTemporaryDir dir(home.filePath("f-XXXXXX"));
        TestRecord earlier = sample(Hex, 1), latest = sample(Hex, 2);
        earlier.beacon.bracketType = "from the earlier test";
        latest.beacon.bracketType.clear();
        QCOMPARE(TestRegister::append(dir.path(), latest), QString());
        QCOMPARE(TestRegister::append(dir.path(), earlier), QString());
        const QString path = TestRegister::path(dir.path());
        // Typed in already: kept. Company and tester are never filled.
        BeaconFields form, expected = latest.beacon;
        form.model = expected.model = "typed";
        expected.companyName = expected.testedBy = QString();
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
        QCOMPARE(form.companyName + form.testedBy, QString());
    }

    void reportTool_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("output"); // standard output, else error, a line each
        const QString listed = "%1 2026-03-%2 %3 ACME EB-5 7/7 %4 Message from EPIRB received OK "
                               "Replace VESTRA battery 2029-03 2026-11";
        const QString one = listed.arg("1", "01", "27843C4802FFBFF", "MS Fjordlys"),
                      two = listed.arg("2", "04", "A79D23456789ABC", "Line break"),
                      three = listed.arg("3", "09", "27843C4802FFBFF", "MS Fjordlys"),
                      four = listed.arg("4", "05", "27843C4802FFBFF", "MS Fjordlys");
        const QStringList latest{"reprint", "--beacon", "27843c4802ffbff"};
        const QString reprinted = "%2/ACME EB-5 77 2026-03-%1.pdf";
        // clang-format off
        const struct { const char *tag; QStringList arguments; int status; QStringList output; } rows[] = {
            {"list", {"list"}, 0, {one, two, three, four}},
            {"list by vessel, any case", {"list", "line"}, 0, {two}},
            {"list by ID", {"list", "7843c"}, 0, {one, three, four}},
            {"list by serial", {"list", "7/7"}, 0, {one, two, three, four}},
            {"latest by time, not by line", latest, 0, {reprinted.arg("09", "%2")}},
            {"on a date", latest + QStringList{"--date", "2026-03-01"}, 0, {reprinted.arg("01", "%2")}},
            {"no test that day", latest + QStringList{"--date", "2026-03-04"}, 1,
             {"vestra-report: %1 holds no test of beacon 27843C4802FFBFF on 2026-03-04"}},
            {"no such line", {"reprint", "--line", "5"}, 1, {"vestra-report: %1 holds 4 tests, not 5"}},
            {"file there", {"reprint", "--line", "1", "-o", "there.pdf"}, 1,
             {"vestra-report: there.pdf is there already; --force replaces it"}},
            {"damaged register", latest + QStringList{"-o", "new.pdf"}, 2,
             {"vestra-report: %1: line 7: 1 field, where a test has 25"}},
        };
        // clang-format on
        for (const auto &r : rows)
            QTest::newRow(r.tag) << r.arguments << r.status << r.output;
    }
    void reportTool()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QStringList, output);
        QTemporaryDir dir(home.filePath("v-XXXXXX"));
        TestRecord nordkapp = sample(OtherHex, 4);
        nordkapp.beacon.vesselName = "Line\nbreak";
        for (const TestRecord &record : {sample(Hex, 1), nordkapp, sample(Hex, 9), sample(Hex, 5)})
            QCOMPARE(TestRegister::append(dir.path(), record), QString());
        const QString path = TestRegister::path(dir.path());
        if (QTest::currentDataTag() == QLatin1String("damaged register"))
            QVERIFY(!write(path, contents(path) + "x\r\n").isEmpty());
        QVERIFY(!write(dir.filePath("there.pdf"), "earlier").isEmpty());
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start(VESTRA_REPORT_PATH, arguments + QStringList{"--register", path});
        QVERIFY(tool.waitForFinished(20000));
        QCOMPARE(tool.exitCode(), status);
        // The columns of list are padded with blanks.
        QString said = status ? tool.readAllStandardError() : tool.readAllStandardOutput();
        output.replaceInStrings("%1", path).replaceInStrings("%2", dir.path());
        QCOMPARE(said.replace(QRegularExpression(" +"), " "), output.join('\n') + '\n');
        // A refusal writes nothing.
        QCOMPARE(contents(dir.filePath("there.pdf")), "earlier");
        QVERIFY(!QFile::exists(dir.filePath("new.pdf")));
    }
};

QTEST_MAIN(tst_ReportFile)
#include "tst_reportfile.moc"
