#include "historyatstart.h"
#include "registertransfer.h"
#include "reportcheck.h"
#include "testregister.h"

#include <QLoggingCategory>
#include <QTest>

using namespace ReportCheck;

namespace {

// A line as a spreadsheet writes it back: no quotes where none are needed.
QByteArray plainLine(QStringList fields)
{
    for (QString &f : fields) {
        if (f.contains(QRegularExpression("[,\"\r\n]")))
            f = '"' + f.replace("\"", "\"\"") + '"';
    }
    return fields.join(',').toUtf8() + "\r\n";
}

} // namespace

// The CSV register: what it writes, what it refuses to write into, what an
// import takes from it, and what it tells of a spreadsheet's save.
class tst_TestRegister : public QObject
{
    Q_OBJECT

    QTemporaryDir home;

private slots:
    void initTestCase()
    {
        useHome(home);
        QLoggingCategory::setFilterRules("vestra.*.debug=false");
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
        // Every field is quoted alike; these stand at either end of the line.
        TestRecord record = sample();
        record.beacon.vesselName = record.beacon.testedBy = record.beacon.beaconSerialNo =
            record.beacon.batteryExpiry = record.rfLevel = value;
        record.sheet = {TestKind::ShoreBasedMaintenance,
                        {"257123456", value, "9074729", "27843C4802FFBFF"},
                        {{"gnss", Answer::NotApplicable}, {"selfTest", Answer::No}},
                        value};
        QVERIFY(TestRegister::append(dir.path(), sample(OtherHex)));
        QVERIFY(TestRegister::append(dir.path(), record));
        // After the byte-order mark.
        const QList<QStringList> rows = readCsv(contents(TestRegister::path(dir.path())).mid(3));
        QCOMPARE(rows.value(0), TestRegister::header());
        QCOMPARE(rows.value(2).value(1), cell);
        QCOMPARE(rows.value(2).value(22), cell);
        auto cellOf = [&](const char *title) {
            return rows.value(2).value(rows.value(0).indexOf(title));
        };
        QCOMPARE(cellOf("20 GNSS position checked, where it has a receiver"), "N/A");
        QCOMPARE(rows.value(2).last(), cell); // the remarks
        // Into the history and back, directly and through an import of the register.
        TestHistory direct(dir.filePath("direct.sqlite")), imported(dir.filePath("i.sqlite"));
        QVERIFY(direct.add(record));
        const Result<RegisterImport> import =
            importRegister(imported, TestRegister::path(dir.path()));
        QVERIFY2(import, qPrintable(import.reason()));
        QCOMPARE(import->skipped, QStringList());
        QCOMPARE(TestRegister::fields(valueOf(direct.test(1)).record),
                 TestRegister::fields(record));
        QCOMPARE(TestRegister::fields(valueOf(imported.test(2)).record),
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
        const QString notUtf8 = " text; save it as \"Text CSV\" in UTF-8";
        const QString rows[][3] = {
            {"last line without its end", "no line end", ""},
            {"read-only folder, writable register", "read-only folder", ""},
            {"read-only register", "read-only register", "Permission denied"},
            {"full disk mid-line", "full disk", "File too large"},
            {"saved as UTF-16", "UTF-16",
             "it is UTF-16 text, where the register is UTF-8" + notUtf8.mid(5)},
            {"saved as Latin-1", "Latin-1", "it is not UTF-8" + notUtf8},
            {"empty lock file left by a crash", "stale lock", ""}};
        for (const auto &r : rows)
            QTest::newRow(qPrintable(r[0])) << r[1] << r[2];
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
        QVERIFY(TestRegister::append(dir.path(), sample()));
        if (obstacle == "no line end")
            QVERIFY(!write(path, contents(path).chopped(2)).isEmpty());
        if (obstacle == "UTF-16")
            QVERIFY(!write(path, "\xFF\xFE" + QByteArray("D\0a\0t\0e\0\r\0\n\0", 12)).isEmpty());
        if (obstacle == "Latin-1")
            QVERIFY(!write(path, QByteArray(contents(path)).replace("Fjordlys", "Fj\xF8rdlys"))
                         .isEmpty());
        if (obstacle == "stale lock") {
            QFile lock(path + ".lock");
            QVERIFY(lock.open(QIODevice::WriteOnly));
            // Younger than Qt's own limit for a lock left behind.
            QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-10),
                                     QFileDevice::FileModificationTime));
        }
        if (obstacle.startsWith("read-only"))
            QFile::setPermissions(obstacle.endsWith("folder") ? dir.path() : path,
                                  QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray before = contents(path);
        Done said;
        onFullDisk(obstacle == "full disk" ? before.size() + 10 : -1,
                   [&] { said = TestRegister::append(dir.path(), sample(OtherHex)); });
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(said.reason(), why);
        // Not updated: the register as it was, to the byte.
        if (!why.isEmpty()) {
            QCOMPARE(contents(path), before);
            return;
        }
        TestHistory history(dir.filePath("imported.sqlite"));
        const Result<RegisterImport> import = importRegister(history, path);
        QVERIFY2(import, qPrintable(import.reason()));
        QCOMPARE(import->skipped, QStringList());
        QCOMPARE(valueOf(history.test(2)).record.hexMessage, OtherHex);
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
        const QByteArray other = TestRegister::csvLine(TestRegister::fields(sample(OtherHex)));
        auto older = [](int columns) {
            return "\xEF\xBB\xBF" + TestRegister::csvLine(TestRegister::header().mid(0, columns));
        };
        const QByteArray cutShort = head + ok + ok.chopped(9) + "\r\n" + other;
        const QByteArray latin1 = head + QByteArray(ok).replace("Fjordlys", "Fj\xF8rdlys") + ok;
        // clang-format off
        const struct { const char *tag; QByteArray bytes; int imported; QStringList said; } rows[] = {
            {"quote never closed", head + ok + ok.chopped(3), 1, {at(3) + "a quoted field is never closed"}},
            {"quote out of place", head + QByteArray(ok).replace(",\"ACME\",", ",AC\"ME,") + ok, 1, {at(2) + "a double quote out of place"}},
            {"line cut short, intact line after", cutShort, 2, {at(3) + "a quoted field runs on into line 4"}},
            {"fields missing after a two-line field", head + line(1, "MS\nFjordlys") + TestRegister::csvLine(good.mid(2)), 1, {at(4) + "52 fields, where a test has 54"}},
            {"field too many, CR line ends", QByteArray(head + ok + other + TestRegister::csvLine(good + QStringList{"x"})).replace("\r\n", "\r"), 2, {at(4) + "55 fields, where a test has 54"}},
            {"a register from before the measurement's moment", older(25) + TestRegister::csvLine(good.mid(0, 25)), 1, {}},
            {"a register from before the test record", older(26) + TestRegister::csvLine(good.mid(0, 26)), 1, {}},
            {"unknown kind of test", head + line(26, "Annual"), 0, {at(2) + col.arg(27).arg("Kind of test") + "not a kind of test"}},
            {"answer none of the three", head + line(32, "Maybe"), 0, {at(2) + col.arg(33).arg("1 Mounted where it can float free") + "not Yes, No or N/A"}},
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
        QCOMPARE(valueOf(history.count()), imported);
        QCOMPARE(import ? import->skipped : QStringList{import.reason()},
                 said.replaceInStrings("%1", QDir::toNativeSeparators(path)));
    }

    // What a spreadsheet's save leaves in the register is named, once each,
    // in one line with the file.
    void spreadsheetSigns_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("signs");
        const QByteArray bom = "\xEF\xBB\xBF";
        const QStringList header = TestRegister::header(), fields = TestRegister::fields(sample());
        auto changed = [&](int column, const QString &value) {
            QStringList f = fields;
            f[column] = value;
            return plainLine(f);
        };
        const QString unquoted = "fields not quoted";
        const QString renamed = "manufacturer, model or serial number changed since the report "
                                "was named, such as \"ACME EB-5 %1.pdf\" on line 2 (leading "
                                "zeros gone?)";
        QStringList zeros = fields, exponent = fields;
        zeros[4] = "0042";
        zeros[24] = "ACME EB-5 0042.pdf";
        exponent[4] = "123456789012345678";
        exponent[24] = "ACME EB-5 123456789012345678.pdf";
        auto saved = [&](QStringList f, int column, const QString &value) {
            f[column] = value;
            return plainLine(header) + plainLine(f);
        };
        // clang-format off
        QTest::newRow("the program's own") << TestRegister::start() + TestRegister::csvLine(fields) << QStringList();
        QTest::newRow("no byte-order mark") << TestRegister::start().mid(3) + TestRegister::csvLine(fields) << QStringList{"no byte-order mark"};
        QTest::newRow("LF line ends") << QByteArray(TestRegister::start() + TestRegister::csvLine(fields)).replace("\r\n", "\n") << QStringList{"LF line ends"};
        QTest::newRow("fields not quoted") << bom + plainLine(header) + plainLine(fields) << QStringList{unquoted};
        QTest::newRow("leading zeros gone") << bom + saved(zeros, 4, "42") << QStringList{unquoted, renamed.arg("0042")};
        QTest::newRow("long number in exponent form") << bom + saved(exponent, 4, "1.23456789012346E+017")
            << QStringList{unquoted, "numbers in exponent form, such as 1.23456789012346E+017 on line 2", renamed.arg("123456789012345678")};
        QTest::newRow("date rewritten") << bom + plainLine(header) + changed(7, "12/31/2025") << QStringList{unquoted, "dates rewritten, such as 12/31/2025 on line 2"};
        QTest::newRow("month's leading zero gone") << bom + plainLine(header) + changed(8, "5.2025") << QStringList{unquoted, "dates rewritten, such as 5.2025 on line 2"};
        // clang-format on
    }
    void spreadsheetSigns()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, signs);
        QTemporaryDir dir(home.filePath("s-XXXXXX"));
        const QString path = write(dir.filePath("saved.csv"), bytes);
        TestHistory history(dir.filePath("h.sqlite"));
        const Result<RegisterImport> import = importRegister(history, path);
        QVERIFY2(import, qPrintable(import.reason()));
        QCOMPARE(import->imported, 1);
        QCOMPARE(import->spreadsheetSigns, signs);
        const QStringList lines = importStatusLines(import);
        QCOMPARE(lines.size(), signs.isEmpty() ? 1 : 2);
        if (!signs.isEmpty())
            QVERIFY(lines[1].startsWith(
                "Test register saved by a spreadsheet: " + QDir::toNativeSeparators(path) + " (" +
                signs.join("; ") + "): "));
    }
};

QTEST_MAIN(tst_TestRegister)
#include "tst_testregister.moc"
