#include "reportcheck.h"
#include "reportfile.h"
#include "testregister.h"

#include <QDir>
#include <QTest>
#include <QTimeZone>

using namespace ReportCheck;

namespace {

// A register line of these values, in the column order README gives.
QStringList registerRow(const QString &vessel)
{
    return QStringList{"2026-03-01T14:05:09+01:00", vessel} +
           QString(
               "ACME|EB-5|1/2|27843C4802FFBFF|FFFED093C21E|406.031 MHz|406.0312|Message from EPIRB "
               "received OK|***Distress message***|37|LoBat|    Replace VESTRA battery|12345-67890|"
               "06-27|NordSafe|Kari Holm|4.1|ACME EB-5 12.pdf")
               .split(u'|');
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
        ReportFile::makeFolder();
        QCOMPARE(ReportFile::folder(), home.filePath("Documents/VESTRA_Reports"));
        QVERIFY(QDir(ReportFile::folder()).exists());
    }

    void fileNames_data()
    {
        QTest::addColumn<QStringList>("fields"); // manufacturer, model, serial, file name
        QTest::newRow("plain") << QStringList{"ACME", "EB-5", "77", "ACME EB-5 77.pdf"};
        QTest::newRow("slash, colon")
            << QStringList{"Acme/Nord:1", "X", "1/3", "AcmeNord1 X 13.pdf"};
        QTest::newRow("all nine") << QStringList{"a\"*/:<>?\\|b", "M", "1", "ab M 1.pdf"};
        QTest::newRow("only removed characters") << QStringList{"???", "M", "1", " M 1.pdf"};
        QTest::newRow("blanks, untrimmed") << QStringList{"  ", " M", "1 ", "    M 1 .pdf"};
        QTest::newRow("others pass")
            << QStringList{"#%'(+,;=@[{~-.", "Sjø\t", "1", "#%'(+,;=@[{~-. Sjø\t 1.pdf"};
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
            {"earlier report replaced", "r.pdf", "", "saved"},
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
        const QString obstacle = row[1];
        QTemporaryDir dir(home.filePath("s-XXXXXX"));
        const QString path = dir.filePath(row[0]);
        const QByteArray before = "earlier report", report(64 * 1024, 'r');
        QFile earlier(path);
        if (!obstacle.contains("no earlier"))
            QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write(before) && earlier.flush());
        if (obstacle == "read-only report")
            earlier.setPermissions(QFile::ReadOwner);
        if (obstacle.startsWith("read-only folder"))
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        // As "Make Report" does: the write test first, then the report.
        QString outcome = "refused";
        if (ReportFile::canWrite(path)) {
            onFullDisk(obstacle == "full disk" ? 4096 : -1,
                       [&] { outcome = ReportFile::save(path, report) ? "saved" : "failed"; });
        }
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
        const char *rows[][3] = {
            {"Fjordlys, MS", "Fjordlys, MS", ""},
            {"MS \"Fjordlys\"", "MS \"Fjordlys\"", ""},
            {"MS\nFjord\r\nlys", "MS\nFjord\r\nlys", ""},
            {"=1+2", "'=1+2", ""},
            {"+47", "'+47", ""},
            {"-35", "'-35", ""},
            {"@A1,B1", "'@A1,B1", ""},
            {"EB=5", "EB=5", ""},
            {"Sjø 5º", "Sjø 5º", ""},
            {"full disk: not updated", "x", "full disk"},
            {"read-only register: not updated", "x", "read-only register"},
            {"read-only folder, writable register", "x", "read-only folder"},
        };
        for (const auto &r : rows)
            QTest::newRow(r[0]) << QStringList{QString::fromUtf8(r[0]), QString::fromUtf8(r[1]),
                                               r[2]};
    }
    void registerLines()
    {
        QFETCH(QStringList, row);
        const QString obstacle = row[2];
        QTemporaryDir dir(home.filePath("r-XXXXXX"));
        const QString path = dir.filePath("test-register.csv");
        QCOMPARE(TestRegister::append(dir.path(), registerRow(obstacle.isEmpty() ? row[0] : "x")),
                 QString());
        if (obstacle.startsWith("read-only"))
            QFile::setPermissions(obstacle.endsWith("folder") ? dir.path() : path,
                                  QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray before = contents(path);
        QString why;
        onFullDisk(obstacle == "full disk" ? before.size() + 100 : -1,
                   [&] { why = TestRegister::append(dir.path(), registerRow("second")); });
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const bool updated = obstacle.isEmpty() || obstacle.endsWith("folder");
        QCOMPARE(why.isEmpty(), updated);
        // Byte-order mark and header once, at the start of the new register;
        // an earlier register stays as it was.
        const QByteArray bytes = contents(path);
        QVERIFY(bytes.startsWith(before) && before.startsWith("\xEF\xBB\xBF"
                                                              "Date and time,Vessel name,"));
        QList<QStringList> lines = {TestRegister::header(), registerRow(row[1]),
                                    registerRow("second")};
        QCOMPARE(readCsv(bytes.mid(3)), lines.mid(0, updated ? 3 : 2));
    }

    void headerAndTime()
    {
        QCOMPARE(
            TestRegister::header().mid(4),
            QString("Beacon serial number|Beacon ID (15 hex)|Hex message|Target frequency|Measured "
                    "frequency "
                    "(MHz)|Frequency verdict|Distress|RF level (dB)|Status reading|Status verdict|"
                    "Instrument serial number|Calibration due|Company|Tested by|Program "
                    "version|Report file")
                .split(u'|'));
        const QDateTime time(QDate(2026, 1, 2), QTime(3, 4, 5), QTimeZone(-9000));
        QCOMPARE(TestRegister::isoTime(time), "2026-01-02T03:04:05-02:30");
    }
};

QTEST_GUILESS_MAIN(tst_ReportFile)
#include "tst_reportfile.moc"
