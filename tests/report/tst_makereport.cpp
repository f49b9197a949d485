#include "vestraversion.h"
#include "mainwindow.h"
#include "reportcheck.h"
#include "simulator.h"
#include "windowdriver.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace ReportCheck;

namespace {

const QString SelfTestMessage = QStringLiteral("FFFED093C21E24012D814A62ECF7B1412A02");
// The same message with one bit flipped in the part that BCH-1 protects.
const QString DamagedMessage = QStringLiteral("FFFED093C31E24012D814A62ECF7B1412A02");
const QString CannotWrite = QStringLiteral(
    "The report cannot be written.\nIf the report is open in another\napplication please close it");

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Presses "Make Report" as the technician does after a completed exchange and
// returns the texts of the message boxes that came up.
QStringList pressMakeReport(MainWindow *window)
{
    auto *button = WindowDriver::widget<QPushButton>(window, "pbDecodeData");
    button->setEnabled(true);
    MessageBoxCloser closer;
    button->click();
    return closer.texts;
}

} // namespace

class MakeReportTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase() { delete window; }
    void removeInvalidFileChars_data();
    void removeInvalidFileChars();
    void refusals_data();
    void refusals();
    void savedReports_data();
    void savedReports();
    void secondReportReplacesFirst();
    void failedWriteKeepsFolder_data();
    void failedWriteKeepsFolder();
    void technicianRoad();

private:
    QString expectedFolder() const
    {
        return home.path() + QStringLiteral("/Documents/VESTRA_Reports");
    }

    QTemporaryDir home;
    MainWindow *window = nullptr;
};

void MakeReportTest::initTestCase()
{
    QVERIFY(home.isValid());
    useHome(home);
    qputenv("VESTRA_PORTS", ",");
    QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));
    window = new MainWindow;
    QVERIFY(QFileInfo(expectedFolder()).isDir());
}

void MakeReportTest::init()
{
    QDir(expectedFolder()).removeRecursively();
    QDir().mkpath(expectedFolder());
    fillTypicalTest(window, SelfTestMessage);
}

void MakeReportTest::removeInvalidFileChars_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cleaned");
    QTest::newRow("all nine") << "\"*/:<>?\\|"
                              << "";
    QTest::newRow("serial with slash") << "12/345"
                                       << "12345";
    QTest::newRow("slash and colon") << "Acme/Nord:1"
                                     << "AcmeNord1";
    QTest::newRow("Windows path") << "C:\\dir|x<y>"
                                  << "Cdirxy";
    QTest::newRow("blanks and dots pass") << " a. b ."
                                          << " a. b .";
    QTest::newRow("non-ASCII letters pass") << "Ålesund Sjø"
                                            << "Ålesund Sjø";
    QTest::newRow("control characters pass") << "a\tb\nc"
                                             << "a\tb\nc";
    QTest::newRow("other punctuation passes") << "#%&'()+,;=@[]^_`{}~-"
                                              << "#%&'()+,;=@[]^_`{}~-";
}

void MakeReportTest::removeInvalidFileChars()
{
    QFETCH(QString, text);
    QFETCH(QString, cleaned);
    QCOMPARE(MainWindow::removeInvalidFileChars(text), cleaned);
}

void MakeReportTest::refusals_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<QString>("text");
    const QString fillIn = QStringLiteral("Please enter at least\nManufacturer\nModel and Serial");
    const QStringList typical = {"ACME", "EB-5", "12/345"};
    QTest::newRow("damaged message, before the empty fields")
        << DamagedMessage << QStringList{"", "", ""} << ""
        << "Message received incorrect\nTry again.";
    QTest::newRow("no manufacturer")
        << SelfTestMessage << QStringList{"", "EB-5", "1"} << "" << fillIn;
    QTest::newRow("no model") << SelfTestMessage << QStringList{"ACME", "", "1"} << "" << fillIn;
    QTest::newRow("no serial") << SelfTestMessage << QStringList{"ACME", "EB-5", ""} << ""
                               << fillIn;
    QTest::newRow("report folder deleted")
        << SelfTestMessage << typical << "no folder" << CannotWrite;
    QTest::newRow("report name taken by a folder")
        << SelfTestMessage << typical << "ACME EB-5 12345.pdf" << CannotWrite;
}

void MakeReportTest::refusals()
{
    QFETCH(QString, message);
    QFETCH(QStringList, fields);
    QFETCH(QString, obstacle);
    QFETCH(QString, text);
    setField(window, "lineEditHexMsg", message);
    setField(window, "lineEdit_2", fields[0]);
    setField(window, "lineEdit_7", fields[1]);
    setField(window, "lineEdit_5", fields[2]);
    if (obstacle == QLatin1String("no folder"))
        QDir(expectedFolder()).removeRecursively();
    else if (!obstacle.isEmpty())
        QDir(expectedFolder()).mkdir(obstacle);
    const QStringList before = folderEntries(expectedFolder());
    const int logLines = WindowDriver::statusLines(window).size();

    UrlCatcher viewer;
    QCOMPARE(pressMakeReport(window), QStringList{text});
    QCOMPARE(folderEntries(expectedFolder()), before);
    QCOMPARE(WindowDriver::statusLines(window).size(), logLines);
    QVERIFY(viewer.urls.isEmpty());
}

void MakeReportTest::savedReports_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("slash left out")
        << QStringList{"ACME", "EB-5", "12/345"} << "ACME EB-5 12345.pdf";
    QTest::newRow("slash and colon left out")
        << QStringList{"Acme/Nord:1", "X", "7"} << "AcmeNord1 X 7.pdf";
    QTest::newRow("only removed characters") << QStringList{"???", "EB-5", "1"} << " EB-5 1.pdf";
    QTest::newRow("only blanks") << QStringList{"  ", "EB-5", "1"} << "   EB-5 1.pdf";
    QTest::newRow("hash and percent")
        << QStringList{"ACME", "EB-5", "A#1%20"} << "ACME EB-5 A#1%20.pdf";
    QTest::newRow("non-ASCII") << QStringList{"Ålesund Sjø", "M", "1"} << "Ålesund Sjø M 1.pdf";
}

void MakeReportTest::savedReports()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, fileName);
    setField(window, "lineEdit_2", fields[0]);
    setField(window, "lineEdit_7", fields[1]);
    setField(window, "lineEdit_5", fields[2]);
    const QString path = expectedFolder() + u'/' + fileName;

    UrlCatcher viewer;
    QCOMPARE(pressMakeReport(window), QStringList());
    QCOMPARE(folderEntries(expectedFolder()), QStringList{fileName});
    QCOMPARE(WindowDriver::statusLines(window).value(0), QStringLiteral("Saving: ") + path);
    QCOMPARE(viewer.urls.size(), 1);
    QCOMPARE(viewer.urls[0].toLocalFile(), path);
    // The report prints the fields as typed, not as cleaned for the file name.
    const QString text = layoutText(path);
    QVERIFY2(hasRow(text, QStringLiteral("Beacon serial number:"), fields[2]), qPrintable(text));
}

void MakeReportTest::secondReportReplacesFirst()
{
    UrlCatcher viewer;
    setField(window, "lineEdit", QStringLiteral("First vessel"));
    QCOMPARE(pressMakeReport(window), QStringList());
    setField(window, "lineEdit", QStringLiteral("Second vessel"));
    QCOMPARE(pressMakeReport(window), QStringList());

    const QString path = expectedFolder() + QStringLiteral("/ACME EB-5 12345.pdf");
    QCOMPARE(folderEntries(expectedFolder()), QStringList{QStringLiteral("ACME EB-5 12345.pdf")});
    const QString text = layoutText(path);
    QVERIFY(hasRow(text, QStringLiteral("Vessel Name:"), QStringLiteral("Second vessel")));
    QVERIFY(!text.contains(QStringLiteral("First vessel")));
    const QStringList log = WindowDriver::statusLines(window);
    QCOMPARE(log.mid(0, 2), QStringList(2, QStringLiteral("Saving: ") + path));
}

void MakeReportTest::failedWriteKeepsFolder_data()
{
    QTest::addColumn<bool>("earlierReport");
    QTest::newRow("earlier report kept") << true;
    QTest::newRow("no empty file left") << false;
}

void MakeReportTest::failedWriteKeepsFolder()
{
    QFETCH(bool, earlierReport);
    const QString path = expectedFolder() + QStringLiteral("/ACME EB-5 12345.pdf");
    UrlCatcher viewer;
    if (earlierReport)
        QCOMPARE(pressMakeReport(window), QStringList());
    const QByteArray before = contents(path);
    const QStringList entries = folderEntries(expectedFolder());
    const int logLines = WindowDriver::statusLines(window).size();

    QStringList boxes;
    {
        // The write test writes nothing, so only the report itself runs out of room.
        FileSizeLimit diskFull(4096);
        boxes = pressMakeReport(window);
    }
    QCOMPARE(boxes, QStringList{CannotWrite});
    QCOMPARE(folderEntries(expectedFolder()), entries);
    QCOMPARE(contents(path), before);
    QCOMPARE(WindowDriver::statusLines(window).size(), logLines);
    QCOMPARE(viewer.urls.size(), earlierReport ? 1 : 0);
}

void MakeReportTest::technicianRoad()
{
    const QString distress = QStringLiteral("FFFE2F93C21E24012D814A62ECF7B1412A02");
    Simulator simulator({"--hex", distress, "--frequency", "406.0339", "--rf-level", "35",
                         "--calibration", "0627", "--serial", "1234567890", "--status", "OK"});
    if (!simulator.start())
        QSKIP("The instrument simulator is not available");
    auto road = WindowDriver::startWindow({simulator.portPath()});
    {
        MessageBoxCloser distressWarning;
        QVERIFY(WindowDriver::requestData(road.get()));
    }
    setField(road.get(), "lineEdit_2", QStringLiteral("ACME"));
    setField(road.get(), "lineEdit_7", QStringLiteral("EB-5"));
    setField(road.get(), "lineEdit_5", QStringLiteral("77"));
    setField(road.get(), "lineEdit_6", QStringLiteral("NordSafe"));
    setField(road.get(), "lineEdit_11", QStringLiteral("Kari Holm"));

    UrlCatcher viewer;
    QCOMPARE(pressMakeReport(road.get()), QStringList());
    QCOMPARE(viewer.urls.size(), 1);
    const QString pdf = viewer.urls[0].toLocalFile();
    QCOMPARE(pdf, expectedFolder() + QStringLiteral("/ACME EB-5 77.pdf"));
    QVERIFY(pdfInfo(pdf).contains(
        QRegularExpression(QStringLiteral("^Pages: +1$"), QRegularExpression::MultilineOption)));
    const QString text = layoutText(pdf);
    const QStringList rows[] = {
        {"Beacon Manufacturer:", "ACME"},
        {"Frequency: (MHz) (406.031 +/-0.0050)", "406.0339"},
        {"RF level (dB):", "35"},
        {"Status:", "Message from EPIRB received OK"},
        {"", "***Distress message***"},
        {"Hex message:", distress},
        {"Company:NordSafe", "Tested by: Kari Holm"},
        {"Serial no:", "12345-67890"},
        {"Calibration due:", "06-27"},
        {"PC software version:", VESTRA_VERSION},
    };
    for (const QStringList &row : rows)
        QVERIFY2(hasRow(text, row[0], row[1]), qPrintable(row.join(u' ')));
    const QStringList listing = road->decodedLines();
    QCOMPARE(listing.size(), 11);
    for (const QString &line : listing) {
        const int colon = line.indexOf(u':');
        QVERIFY2(hasRow(text, line.left(colon + 1), line.mid(colon + 2)), qPrintable(line));
    }
}

QTEST_MAIN(MakeReportTest)
#include "tst_makereport.moc"
