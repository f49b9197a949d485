#include "beaconhistory.h"
#include "messageencoder.h"
#include "registertransfer.h"
#include "reportcheck.h"
#include "reportfile.h"
#include "savereport.h"
#include "testhistory.h"
#include "testregister.h"

#include <QLoggingCategory>
#include <QSqlQuery>
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

// A history in folder holding records, numbered 1, 2, ... in their order.
QString makeHistory(const QString &folder, const QList<TestRecord> &records)
{
    TestHistory history(TestHistory::path(folder));
    for (const TestRecord &record : records) {
        if (!history.add(record))
            return history.errorString();
    }
    return history.filePath();
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
        // A history or register that cannot be written costs the report nothing.
        const bool folderReadOnly = readOnly == "folder";
        const QStringList said{"Saving: " + QDir::toNativeSeparators(path),
                               folderReadOnly
                                   ? "Test history not updated: " + TestHistory::path(dir.path()) +
                                         ": unable to open database file"
                                   : "Test history: saved as test 1",
                               folderReadOnly ? "Test register not updated: Permission denied"
                                              : "Test register: line added"};
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
                                 {"leading zeros", "0042", "0042"},
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
        record.beacon.vesselName = record.beacon.testedBy = record.beacon.beaconSerialNo =
            record.beacon.batteryExpiry = record.rfLevel = value;
        QCOMPARE(TestRegister::append(dir.path(), sample()), QString());
        QCOMPARE(TestRegister::append(dir.path(), record), QString());
        // After the byte-order mark.
        const QList<QStringList> rows = readCsv(contents(TestRegister::path(dir.path())).mid(3));
        QCOMPARE(rows.value(0), TestRegister::header());
        QCOMPARE(rows.value(2).value(1), cell);
        QCOMPARE(rows.value(2).value(22), cell);
        // Into the history and back, directly and through an import of the register.
        TestHistory history(TestHistory::path(dir.path()));
        const qint64 number = history.add(record).value_or(-1);
        const Result<RegisterImport> import =
            importRegister(history, TestRegister::path(dir.path()));
        QVERIFY2(import, qPrintable(import.reason()));
        QCOMPARE(import->skipped, QStringList());
        for (const qint64 stored : {number, number + 2})
            QCOMPARE(TestRegister::fields(history.test(stored).value_or(StoredTest()).record),
                     TestRegister::fields(record));
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
#ifdef Q_OS_WIN
        if (obstacle != "no line end")
            QSKIP("read-only folders and full disks are made with POSIX calls");
#endif
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
        // Not updated: the register as it was, to the byte.
        if (!why.isEmpty())
            QCOMPARE(contents(path), before);
        TestHistory history(dir.filePath("imported.sqlite"));
        const Result<RegisterImport> import = importRegister(history, path);
        QVERIFY2(import, qPrintable(import.reason()));
        QCOMPARE(import->skipped, QStringList());
        QCOMPARE(history.test(2).value_or(StoredTest()).record.hexMessage,
                 why.isEmpty() ? OtherHex : "");
    }

    void importDamaged_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("imported");
        QTest::addColumn<QStringList>("said"); // the lines skipped, or the one error
        const QByteArray head = TestRegister::start();
        const QStringList good = TestRegister::fields(sample());
        auto line = [&](int column, const QString &value) {
            QStringList f = good;
            f[column] = value;
            return TestRegister::csvLine(f);
        };
        const QByteArray ok = TestRegister::csvLine(good);
        auto at = [](int n) { return "%1, line " + QString::number(n) + ": "; };
        const QString col = "column %1 (\"%2\"): ";
        const QByteArray cutShort = head + ok + ok.chopped(9) + "\r\n" + ok;
        const QByteArray latin1 = head + QByteArray(ok).replace("Fjordlys", "Fj\xF8rdlys") + ok;
        // clang-format off
        const struct { const char *tag; QByteArray bytes; int imported; QStringList said; } rows[] = {
            {"quote never closed", head + ok + ok.chopped(3), 1, {at(3) + "a quoted field is never closed"}},
            {"quote out of place", head + QByteArray(ok).replace(",\"ACME\",", ",AC\"ME,") + ok, 1, {at(2) + "a double quote out of place"}},
            {"line cut short, intact line after", cutShort, 2, {at(3) + "a quoted field runs on into line 4"}},
            {"field missing after a two-line field", head + line(1, "MS\nFjordlys") + TestRegister::csvLine(good.mid(1)), 1, {at(4) + "24 fields, where a test has 25"}},
            {"field too many, CR line ends", QByteArray(head + ok + ok + TestRegister::csvLine(good + QStringList{"x"})).replace("\r\n", "\r"), 2, {at(4) + "26 fields, where a test has 25"}},
            {"message fails its codes", head + line(11, QString(Hex).replace("A02", "A03")), 0, {at(2) + col.arg(12).arg("Hex message") + "the message fails its error-correcting codes"}},
            {"time over two lines", head + line(0, "2026-03-01\nT14:05:09") + ok, 1, {at(2) + col.arg(1).arg("Date and time") + "not a date and time"}},
            {"unknown target", head + line(12, "406.030 MHz"), 0, {at(2) + col.arg(13).arg("Target frequency") + "not a target frequency"}},
            {"Latin-1", latin1, 1, {at(2) + "not UTF-8 text"}},
            {"byte-order mark only", "\xEF\xBB\xBF", 0, {}},
            {"older header", TestRegister::csvLine(TestRegister::header().mid(0, 20)) + ok, 0, {at(1) + "not the header of a test register of this program"}},
            {"UTF-16", QByteArray("\xFF\xFE" "D\0a\0"), 0, {"%1: UTF-16 text, where the register is UTF-8; save it as \"Text CSV\" in UTF-8"}},
        };
        // clang-format on
        for (const auto &r : rows)
            QTest::newRow(r.tag) << r.bytes << r.imported << r.said;
    }
    void importDamaged()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, imported);
        QFETCH(QStringList, said);
        QTemporaryDir dir(home.filePath("i-XXXXXX"));
        const QString path = write(dir.filePath("damaged.csv"), bytes);
        TestHistory history(dir.filePath("h.sqlite"));
        const Result<RegisterImport> import = importRegister(history, path);
        QCOMPARE(import ? import->imported : 0, imported);
        QCOMPARE(history.count(), imported);
        QCOMPARE(import ? import->skipped : QStringList{import.reason()},
                 said.replaceInStrings("%1", QDir::toNativeSeparators(path)));
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
        const QString reprinted = QDir::toNativeSeparators("%2/ACME EB-5 77 2026-03-%1.pdf");
        // clang-format off
        const QString due = "2026-11-30 Hydrostatic release %1 ACME EB-5 7/7 %2 2026-03-%3";
        const struct { const char *tag; QStringList arguments; int status; QStringList output; } rows[] = {
            {"list", {"list"}, 0, {one, two, three, four}},
            {"list by vessel, any case", {"list", "line"}, 0, {two}},
            {"list by ID", {"list", "7843c"}, 0, {one, three, four}},
            {"list by serial", {"list", "7/7"}, 0, {one, two, three, four}},
            {"latest by time, not by number", latest, 0, {reprinted.arg("09", "%2")}},
            {"on a date", latest + QStringList{"--date", "2026-03-01"}, 0, {reprinted.arg("01", "%2")}},
            {"by number", {"reprint", "--test", "4"}, 0, {reprinted.arg("05", "%2")}},
            {"no test that day", latest + QStringList{"--date", "2026-03-04"}, 1,
             {"vestra-report: %1 holds no test of beacon 27843C4802FFBFF on 2026-03-04"}},
            {"no such number", {"reprint", "--test", "5"}, 1, {"vestra-report: %1 holds no test 5"}},
            {"file there", {"reprint", "--test", "1", "-o", "there.pdf"}, 1,
             {"vestra-report: %2/there.pdf is there already; --force replaces it"}},
            {"a folder as -o", {"reprint", "--test", "1", "-o", "."}, 1,
             {"vestra-report: %2 cannot be written: it is a folder"}},
            {"missing folder", {"reprint", "--test", "1", "-o", "gone/new.pdf"}, 1,
             {"vestra-report: %2/gone/new.pdf cannot be written: the folder %2/gone does not exist"}},
            {"due, past included", {"due"}, 0, {due.arg("A79D23456789ABC", "Line break", "04"), due.arg("27843C4802FFBFF", "MS Fjordlys", "09")}},
            {"later schema", latest + QStringList{"-o", "new.pdf"}, 2,
             {"vestra-report: %1: written by a later version of this program (schema 2, this program knows 1); left as it is"}},
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
        const QString path =
            makeHistory(dir.path(), {sample(Hex, 1), nordkapp, sample(Hex, 9), sample(Hex, 5)});
        if (QTest::currentDataTag() == QLatin1String("later schema")) {
            TestHistory history(path);
            QVERIFY(history.open());
            QVERIFY(QSqlQuery(history.database()).exec("PRAGMA user_version = 2"));
        }
        QVERIFY(!write(dir.filePath("there.pdf"), "earlier").isEmpty());
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start(VESTRA_REPORT_PATH, arguments + QStringList{"--history", path},
                   QIODevice::ReadOnly | QIODevice::Text);
        QVERIFY(tool.waitForFinished(20000));
        QCOMPARE(tool.exitCode(), status);
        // The columns of list are padded with blanks.
        QString said = status ? tool.readAllStandardError() : tool.readAllStandardOutput();
        output.replaceInStrings("%1", path)
            .replaceInStrings("%2", QDir::toNativeSeparators(dir.path()));
        // Windows names files with backslashes; the list's "7/7" is no path.
        const QString expected = output.join('\n') + '\n';
        QCOMPARE(said.replace(QRegularExpression(" +"), " "),
                 status ? QDir::toNativeSeparators(expected) : expected);
        // A refusal writes nothing.
        QCOMPARE(contents(dir.filePath("there.pdf")), "earlier");
        QVERIFY(!QFile::exists(dir.filePath("new.pdf")));
    }
};

QTEST_MAIN(tst_ReportFile)
#include "tst_reportfile.moc"
