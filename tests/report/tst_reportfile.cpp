#include "reportcheck.h"
#include "reportfile.h"
#include "testregister.h"

#include <QTest>
#include <QTimeZone>

using namespace ReportCheck;

class tst_ReportFile : public QObject
{
    Q_OBJECT

    QTemporaryDir home;

private slots:
    void initTestCase() { useHome(home); }

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

    void registerLines_data()
    {
        QTest::addColumn<QStringList>("row"); // value, as a spreadsheet reads it, obstacle
        const char *rows[][3] = {{"Fjordlys, MS", "Fjordlys, MS", ""},
                                 {"MS \"Fjordlys\"", "MS \"Fjordlys\"", ""},
                                 {"MS\nFjord\r\nlys", "MS\nFjord\r\nlys", ""},
                                 {"=1+2", "'=1+2", ""},
                                 {"+47", "'+47", ""},
                                 {"-35", "'-35", ""},
                                 {"@A1,B1", "'@A1,B1", ""},
                                 {"EB=5", "EB=5", ""},
                                 {"Sjø\r5º", "Sjø\r5º", ""},
                                 {"full disk: not updated", "x", "full disk"},
                                 {"read-only register: not updated", "x", "read-only register"},
                                 {"read-only folder, writable register", "x", "read-only folder"}};
        for (const auto &r : rows)
            QTest::newRow(r[0]) << QStringList{r[0], r[1], r[2]};
    }
    void registerLines()
    {
        QFETCH(QStringList, row);
        auto line = [](QString v) { return QStringList{"t", v} + QStringList(18, "x"); };
        QTemporaryDir dir(home.filePath("r-XXXXXX"));
        const QString path = dir.filePath("test-register.csv");
        QVERIFY(TestRegister::append(dir.path(), line(row[2].isEmpty() ? row[0] : "x")).isEmpty());
        if (row[2].startsWith("read-only"))
            QFile::setPermissions(row[2].endsWith("folder") ? dir.path() : path,
                                  QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray before = contents(path);
        QString why;
        onFullDisk(row[2] == "full disk" ? before.size() + 10 : -1,
                   [&] { why = TestRegister::append(dir.path(), line("second")); });
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const bool updated = row[2].isEmpty() || row[2].endsWith("folder");
        QCOMPARE(why.isEmpty(), updated);
        // Byte-order mark and header once, at the start of the new register;
        // an earlier register stays as it was.
        const QByteArray bytes = contents(path);
        QVERIFY(bytes.startsWith(before) && before.startsWith("\xEF\xBB\xBF"));
        const QStringList header =
            QString("Date and time|Vessel name|Manufacturer|Model|Beacon serial number|Beacon ID "
                    "(15 hex)|Hex message|Target frequency|Measured frequency (MHz)|Frequency "
                    "verdict|Distress|RF level (dB)|Status reading|Status verdict|Instrument "
                    "serial number|Calibration due|Company|Tested by|Program version|Report file")
                .split(u'|');
        const QList<QStringList> lines = {header, line(row[1]), line("second")};
        QCOMPARE(readCsv(bytes.mid(3)), lines.mid(0, updated ? 3 : 2));
        const QDateTime time(QDate(2026, 1, 2), QTime(3, 4, 5), QTimeZone(-9000));
        QCOMPARE(TestRegister::isoTime(time), "2026-01-02T03:04:05-02:30");
    }
};

QTEST_GUILESS_MAIN(tst_ReportFile)
#include "tst_reportfile.moc"
