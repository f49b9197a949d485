#include "keptaside.h"
#include "reportcheck.h"
#include "reportfile.h"
#include "testhistory.h"
#include "testregister.h"

#include <QLoggingCategory>
#include <QScopeGuard>
#include <QTest>

using namespace ReportCheck;

// vestra-report as a technician runs it, reading back what it printed and wrote.
class tst_VestraReport : public QObject
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

    void reportTool_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("output"); // standard output, else error, a line each
        const QString listed = "%1 2026-03-%2 %3 ACME EB-5 7/7 %4 Message from EPIRB received OK "
                               "Replace VESTRA battery 2029-03 2026-11%5 316 (Canada)";
        const QString one = listed.arg("1", "01", "27843C4802FFBFF", "MS Fjordlys", ""),
                      two = listed.arg("2", "04", "A79D23456789ABC", "Line break",
                                       " Annual test (MSC.1/Circ.1040) Not passed"),
                      three = listed.arg("3", "09", "27843C4802FFBFF", "MS Fjordlys", ""),
                      four = listed.arg("4", "05", "27843C4802FFBFF", "MS Fjordlys", "");
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
             {"vestra-report: %1: written by a later version of this program (schema 3, this program knows 2); left as it is"}},
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
        nordkapp.sheet.kind = TestKind::AnnualTest;
        const QString path =
            makeHistory(dir.path(), {sample(Hex, 1), nordkapp, sample(Hex, 9), sample(Hex, 5)});
        if (QTest::currentDataTag() == QLatin1String("later schema")) {
            QVERIFY(runSql(path, {"PRAGMA user_version = 3"}));
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

    // A fresh register of every test, as a spreadsheet opens it.
    void exported()
    {
        QTemporaryDir dir(home.filePath("e-XXXXXX"));
        const QList<TestRecord> records{sample(Hex, 1), sample(OtherHex, 4), sample(Hex, 9)};
        const QString path = makeHistory(dir.path(), records);
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start(VESTRA_REPORT_PATH, {"export", "out.csv", "--history", path});
        QVERIFY(tool.waitForFinished(20000));
        QCOMPARE(tool.exitCode(), 0);
        const QByteArray bytes = contents(dir.filePath("out.csv"));
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QList<QStringList> rows = readCsv(bytes.mid(3));
        QCOMPARE(rows.value(0), TestRegister::header());
        QCOMPARE(rows.size(), 1 + records.size());
        for (int i = 0; i < records.size(); ++i)
            QCOMPARE(rows.value(1 + i), TestRegister::fields(records[i]));
    }

    // Tests the window kept aside are counted on the history in the report folder.
    void keptAsideCounted()
    {
        QVERIFY(QDir().mkpath(ReportFile::folder()));
        // On Windows the folder is the user's own: the test takes back what it kept.
        const QStringList before = KeptAside::waiting(KeptAside::folder());
        const auto takeBack = qScopeGuard([&] {
            for (const QString &file : KeptAside::waiting(KeptAside::folder()))
                if (!before.contains(file))
                    QFile::remove(file);
        });
        for (int day : {1, 2})
            QVERIFY(KeptAside::keep(KeptAside::folder(), sample(Hex, day)));
        QProcess tool;
        tool.start(VESTRA_REPORT_PATH, {"list"}, QIODevice::ReadOnly | QIODevice::Text);
        QVERIFY(tool.waitForFinished(20000));
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(tool.readAllStandardError()),
                 "vestra-report: 2 tests kept aside in " +
                     QDir::toNativeSeparators(KeptAside::folder()) +
                     " wait to be added to the test history; the VESTRA program adds them at "
                     "its next start or report\n");
    }
};

QTEST_MAIN(tst_VestraReport)
#include "tst_vestrareport.moc"
