#include "simulator.h"
#include "systemmenu.h"
#include "verdicts.h"
#include "vestraversion.h"
#include "windowdriver.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include <cstring>

using namespace WindowDriver;

namespace {

const char SelfTestHex[] = "FFFED0D5A1B2C3D4E5F60718293A4B";
const char DistressHex[] = "FFFE2FD5A1B2C3D4E5F60718293A4B";
// Passes both BCH checks, so that nothing but the missing frequency stops a report.
const char ValidHex[] = "FFFED090121E24003C40AAB3D13794C2A4D6";

// The program's own command line: the window reads the argument list when it
// is built, so a case writes its word here first.
char programName[] = "vestra";
char commandWord[16] = "";
char *programArgv[] = {programName, commandWord, nullptr};
int programArgc = 2;

QStringList readings(const QString &frequency, const QString &hex = QLatin1String(SelfTestHex))
{
    return {"--hex",         hex,    "--frequency", frequency, "--rf-level", "37",
            "--calibration", "0627", "--status",    "OK",      "--serial",   "1234567890"};
}

QString text(const MainWindow *window, const char *label)
{
    return widget<QLabel>(window, label)->text();
}

} // namespace

// The real window: without an instrument, and over a real pseudo-terminal
// against the instrument simulator.
class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The window as a technician first meets it: a list of nothing but
        // separators names no port at all.
        lonely = startWindow({QStringLiteral(","), QString()});
    }

    void startsWithoutPorts()
    {
        QCOMPARE(statusLines(lonely.get()), QStringList{"VESTRA Not found - Check com port"});
        QVERIFY(!widget<QPushButton>(lonely.get(), "pbRequestData")->isEnabled());
        QVERIFY(!widget<QPushButton>(lonely.get(), "pbDecodeData")->isEnabled());
        QVERIFY(widget<QToolButton>(lonely.get(), "searchAgainButton")->isVisible());
        QCOMPARE(lonely->windowTitle(), QStringLiteral("VESTRA " VESTRA_VERSION));
        auto *target = widget<QComboBox>(lonely.get(), "comboBox");
        QCOMPARE(target->currentText(), QStringLiteral("406.031 MHz"));
        // The register names the target as the form lists it.
        for (int i = 0; i < target->count(); ++i)
            QCOMPARE(Verdicts::targetIndex(target->itemText(i)), i);

        // Start-up makes the report folder under the Documents folder.
        const QString documents =
            QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation).value(0);
        QVERIFY(QDir(documents).exists(QStringLiteral("VESTRA_Reports")));
    }

    // F5 searches again as the button does.
    void searchAgainByKey()
    {
        lonely->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(lonely.get()));
        QTest::keyClick(lonely.get(), Qt::Key_F5);
        QTRY_COMPARE(statusLines(lonely.get()),
                     QStringList(2, "VESTRA Not found - Check com port"));
        QVERIFY(widget<QToolButton>(lonely.get(), "searchAgainButton")->isVisible());
    }

    void aboutReachable()
    {
        auto *dialog = lonely->findChild<QDialog *>(QStringLiteral("DialogAbout"));
        QVERIFY(dialog && dialog->isHidden());
        lonely->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(lonely.get()));
        QTest::keyClick(lonely.get(), Qt::Key_F1);
        QTRY_VERIFY(dialog->isVisible());
        QCOMPARE(dialog->findChild<QLabel *>("lblVersion")->text(),
                 QStringLiteral("Version: " VESTRA_VERSION));
        const auto *notice = dialog->findChild<QTextEdit *>("textEdit");
        QVERIFY(notice->isReadOnly());
        QVERIFY(notice->toPlainText().contains("GNU LESSER GENERAL PUBLIC LICENSE"));
        dialog->hide();
#ifndef Q_OS_WIN
        QTest::mouseClick(widget<QToolButton>(lonely.get(), "aboutButton"), Qt::LeftButton);
        QTRY_VERIFY(dialog->isVisible());
        dialog->hide();
#endif
        // The system-menu entry: WM_SYSCOMMAND with our id; Windows keeps the low four bits.
        QVERIFY(SystemMenu::isAboutCommand(0x0112, 16 | 0xF));
        QVERIFY(!SystemMenu::isAboutCommand(0x0112, 0xF060)); // SC_CLOSE
        QVERIFY(!SystemMenu::isAboutCommand(0x0111, 16));     // WM_COMMAND
    }

    // A history that is no database says why, with its path, in place of the tables.
    void historyUnreadable()
    {
        QVERIFY(spoilHistory());
        QTest::mouseClick(widget<QToolButton>(lonely.get(), "historyButton"), Qt::LeftButton);
        auto *history = lonely->findChild<QWidget *>("HistoryWindow");
        QTRY_VERIFY(history && history->isVisible());
        QTRY_VERIFY(history->findChild<QLabel *>("lblError")->isVisible());
        QVERIFY(history->findChild<QLabel *>("lblError")->text().contains(historyPath()));
        QVERIFY(!history->findChild<QTableView *>("testsView")->isVisible());
        history->close();
    }

    // Next year's form says so once a run, not after every exchange.
    void historyErrorSaidOnce()
    {
        QVERIFY(spoilHistory());
        QVERIFY(serve(readings("406.0312", "FFFED093C21E24012D814A62ECF7B1412A02")));
        MainWindow *w = readyWindow();
        QVERIFY(requestData(w) && requestData(w));
        QCOMPARE(statusLines(w).filter("Test history cannot be read: ").size(), 1);
    }

    // For the next windows.
    void cleanup()
    {
        QFile::remove(historyPath());
    }

    void findsInstrumentOnThirdPort()
    {
        Simulator first({"--silent"}), second({"--no-connect"}), third;
        QVERIFY(first.start() && second.start() && third.start());
        // VESTRA_PORTS entries are trimmed.
        auto found =
            startWindow({first.portPath(), " " + second.portPath() + " ", third.portPath()});
        const QStringList expected{"VESTRA found at port: " + third.portPath(),
                                   "No VESTRA found at port: " + second.portPath(),
                                   "No VESTRA found at port: " + first.portPath()};
        QCOMPARE(statusLines(found.get()), expected);
        QVERIFY(widget<QPushButton>(found.get(), "pbRequestData")->isEnabled());
        QVERIFY(!widget<QPushButton>(found.get(), "pbDecodeData")->isEnabled());
        QVERIFY(widget<QToolButton>(found.get(), "searchAgainButton")->isHidden());
    }

    void exchanges()
    {
        // END and ESC bytes travel escaped, in a reading and around them; a
        // zero byte ends the serial number.
        QVERIFY(serve(
            readings("406.0312", QLatin1String(DistressHex)) +
            QStringList{"--rf-level", "\u00C0x\u00DB", "--escape-payload", "--zero-in", "serial"}));
        MainWindow *w = readyWindow();
        MessageBoxCloser closer;
        QVERIFY(requestData(w));
        QCOMPARE(statusLines(w).mid(0, 2), (QStringList{"VESTRA Connect ok", "Receiving data"}));
        QCOMPARE(text(w, "TxtLabelHexMsg"), QLatin1String(DistressHex));
        QCOMPARE(text(w, "TxtLabelFreq"), QStringLiteral("406.0312"));
        QCOMPARE(text(w, "TxtLabelCalibration"), QStringLiteral("06-27"));
        QCOMPARE(text(w, "TxtLabelRfLevel"), QStringLiteral("\u00C0x\u00DB"));
        QCOMPARE(text(w, "TxtLabelSerialNo"), QStringLiteral("12345-"));
        QCOMPARE(text(w, "TxtLabelStatus"), QStringLiteral("Message from EPIRB received OK"));
        QCOMPARE(widget<QLabel>(w, "TxtLabelStatus")->styleSheet(),
                 QStringLiteral("QLabel { color: white; background-color:green;}"));
        QCOMPARE(text(w, "TxtLabelDistressStatus"), QStringLiteral("***Distress message***"));
        QVERIFY(widget<QLabel>(w, "TxtLabelDistressStatus")->isVisible());
        QTRY_COMPARE(closer.titles, QStringList{"DISTRESS ALARM!"});
        QCOMPARE(closer.texts.first(), QStringLiteral("The message received from EPIRB was\n"
                                                      "decoded as a distress message.\n"
                                                      "Please save report as a reference."));

        // The next request disables "Make Report" and keeps the old readings until
        // the new ones are in; an ordinary message clears the distress marker.
        QVERIFY(serve(readings("406.0333")));
        auto *report = widget<QPushButton>(w, "pbDecodeData");
        widget<QPushButton>(w, "pbRequestData")->click();
        QVERIFY(!report->isEnabled());
        QVERIFY(widget<QGroupBox>(w, "groupBox")->isHidden());
        QCOMPARE(widget<QWidget>(w, "Infoframe")->pos(), QPoint(50, 10));
        QCOMPARE(text(w, "TxtLabelFreq"), QStringLiteral("406.0312"));
        QTRY_VERIFY(report->isEnabled());
        QCOMPARE(text(w, "TxtLabelFreq"), QStringLiteral("406.0333"));
        QVERIFY(widget<QLabel>(w, "TxtLabelDistressStatus")->isHidden());
        QVERIFY(widget<QWidget>(w, "Infoframe")->isHidden());
        QCOMPARE(closer.titles.size(), 1);
    }

    void silentInstrumentTimesOut()
    {
        // After a distress message, whose marker the time-out must hide.
        QVERIFY(serve(readings("406.0312", QLatin1String(DistressHex))));
        LinkTimings timings = quickTimings();
        timings.receiveTickMs = 40;
        auto w = startWindow({scratch.filePath("port")}, timings);
        MessageBoxCloser closer;
        QVERIFY(requestData(w.get()));
        QVERIFY(serve(readings("406.0399") + QStringList{"--stop-after", "5"}));
        auto *group = widget<QGroupBox>(w.get(), "groupBox");
        widget<QPushButton>(w.get(), "pbRequestData")->click();
        QTRY_VERIFY_WITH_TIMEOUT(group->isVisible(), 20000);
        QCOMPARE(widget<QProgressBar>(w.get(), "progressBar")->value(), 100);
        QCOMPARE(text(w.get(), "TxtLabelStatus"), QStringLiteral("    EPIRB receive timeout"));
        QCOMPARE(widget<QLabel>(w.get(), "TxtLabelStatus")->styleSheet(),
                 QStringLiteral("QLabel { background-color:red;}"));
        QVERIFY(widget<QLabel>(w.get(), "TxtLabelDistressStatus")->isHidden());
        QVERIFY(!widget<QPushButton>(w.get(), "pbDecodeData")->isEnabled());
        QCOMPARE(text(w.get(), "TxtLabelFreq"), QStringLiteral("406.0312"));
    }

    // The adapter pulled mid-exchange: "Search again" comes up, and with the
    // instrument plugged in again it finds it and the next request works.
    void portVanishesMidExchange()
    {
        QVERIFY(serve(readings("406.0312") + QStringList{"--stop-after", "8"}));
        MainWindow *w = readyWindow();
        auto *again = widget<QToolButton>(w, "searchAgainButton");
        widget<QPushButton>(w, "pbRequestData")->click();
        QTRY_COMPARE(statusLines(w).value(0), QStringLiteral("VESTRA Connect ok"));
        QVERIFY(again->isHidden());
        simulator.reset();
        QTRY_VERIFY(statusLines(w).value(0).startsWith("Serial port lost: "));
        QVERIFY(again->isVisible());

        QVERIFY(serve(readings("406.0345")));
        QTest::mouseClick(again, Qt::LeftButton);
        QVERIFY(widget<QGroupBox>(w, "groupBox")->isVisible());
        QTRY_COMPARE(statusLines(w).value(0), "VESTRA found at port: " + scratch.filePath("port"));
        QVERIFY(again->isHidden());
        QVERIFY(requestData(w));
        QCOMPARE(text(w, "TxtLabelFreq"), QStringLiteral("406.0345"));
    }

    // A page without the frequency after a complete one: the frequency shown
    // missing and named in the log, and no report made from the first beacon's.
    void frequencyMissing()
    {
        QVERIFY(serve(readings("406.0312", ValidHex)));
        MainWindow *w = readyWindow();
        QVERIFY(requestData(w));
        QVERIFY(serve(readings("406.0333", ValidHex) + QStringList{"--omit-marker", "frequency"}));
        QVERIFY(requestData(w));
        const QLabel *frequency = widget<QLabel>(w, "TxtLabelFreq");
        QCOMPARE(frequency->text(), QString());
        QCOMPARE(frequency->styleSheet(), QStringLiteral("QLabel { background-color:red;}"));
        QVERIFY(!frequency->toolTip().isEmpty());
        QCOMPARE(text(w, "TxtLabelRfLevel"), QStringLiteral("37"));
        QCOMPARE(statusLines(w).filter("Reading missing from the instrument's page: "),
                 QStringList{"Reading missing from the instrument's page: Frequency"});

        for (const auto &[edit, value] :
             {std::pair{"lineEdit_2", "ACME"}, {"lineEdit_7", "EB-5"}, {"lineEdit_5", "42"}})
            widget<QLineEdit>(w, edit)->setText(QLatin1String(value));
        MessageBoxCloser closer;
        widget<QPushButton>(w, "pbDecodeData")->click();
        QCOMPARE(closer.texts,
                 QStringList{"The instrument sent no frequency.\nRequest Data again."});
        QCOMPARE(statusLines(w).value(0),
                 QStringLiteral("Report not saved: the instrument sent no frequency"));
        const QDir reports(
            QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation).value(0) +
            "/VESTRA_Reports");
        QVERIFY(reports.entryList({"*.pdf"}).isEmpty());
    }

    void debugArgument_data()
    {
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<bool>("debug");
        QTest::newRow("debug") << QByteArray("debug") << true;
        QTest::newRow("Debug is not debug") << QByteArray("Debug") << false;
        QTest::newRow("debug2 is not debug") << QByteArray("debug2") << false;
    }

    void debugArgument()
    {
        QFETCH(QByteArray, word);
        QFETCH(bool, debug);
        std::strcpy(commandWord, word.constData());

        // An instrument that answers 19 frames completes only the main-page
        // script of debug mode; the data page then ends by the (quick) time-out.
        Simulator instrument(readings("406.0321") + QStringList{"--stop-after", "19"});
        QVERIFY(instrument.start());
        LinkTimings timings = quickTimings();
        timings.receiveTickMs = 40;
        auto w = startWindow({instrument.portPath()}, timings);
        QCOMPARE(widget<QLineEdit>(w.get(), "lineEditHexMsg")->isVisible(), debug);
        QCOMPARE(widget<QLabel>(w.get(), "TxtLabelHexMsg")->isVisible(), !debug);

        widget<QPushButton>(w.get(), "pbRequestData")->click();
        QTRY_VERIFY_WITH_TIMEOUT(widget<QGroupBox>(w.get(), "groupBox")->isVisible(), 20000);
        QCOMPARE(text(w.get(), "TxtLabelStatus"),
                 debug ? QStringLiteral("Message from EPIRB received OK")
                       : QStringLiteral("    EPIRB receive timeout"));
    }

private:
    static QString historyPath()
    {
        return QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation).value(0) +
               "/VESTRA_Reports/test-history.sqlite";
    }
    // Puts a file that is no database in the history's place.
    static bool spoilHistory()
    {
        QFile file(historyPath());
        return file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) == 4096;
    }

    // A window on one port that each case points at a simulator of its own.
    bool serve(const QStringList &options)
    {
        simulator.reset();
        simulator =
            std::make_unique<Simulator>(options + QStringList{"--link", scratch.filePath("port")});
        return simulator->start();
    }

    MainWindow *readyWindow()
    {
        if (!window) {
            std::strcpy(commandWord, "");
            window = startWindow({scratch.filePath("port")});
        }
        return window.get();
    }

    QTemporaryDir scratch;
    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindow> lonely;
};

int main(int argc, char *argv[])
{
    // A home of our own, so start-up makes its report folder there.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_DOCUMENTS_DIR");
    qunsetenv("XDG_CONFIG_HOME");
    QApplication app(programArgc, programArgv);
    QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));
    tst_MainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
