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
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
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
        QCOMPARE(lonely->windowTitle(), QStringLiteral("VESTRA " VESTRA_VERSION));
        QCOMPARE(lonely->minimumSize(), QSize(490, 660));
        QCOMPARE(lonely->maximumSize(), QSize(490, 660));
        auto *target = widget<QComboBox>(lonely.get(), "comboBox");
        QCOMPARE(target->currentText(), QStringLiteral("406.031 MHz"));
        QVERIFY(widget<QWidget>(lonely.get(), "Infoframe")->isHidden());

        const QStringList tabOrder{"pbRequestData", "comboBox",     "lineEdit",        "lineEdit_2",
                                   "lineEdit_7",    "lineEdit_5",   "lineEdit_8",      "lineEdit_4",
                                   "lineEdit_9",    "lineEdit_3",   "lineEdit_DD",     "lineEdit_6",
                                   "lineEdit_11",   "pbDecodeData", "listWidgetStatus"};
        for (int i = 0; i + 1 < tabOrder.size(); ++i) {
            QWidget *next =
                widget<QWidget>(lonely.get(), qPrintable(tabOrder[i]))->nextInFocusChain();
            QCOMPARE(next->objectName(), tabOrder[i + 1]);
        }

        // Start-up makes the report folder under the Documents folder.
        const QString documents =
            QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation).value(0);
        QVERIFY(QDir(documents).exists(QStringLiteral("VESTRA_Reports")));
    }

    void textsOnScreen()
    {
        const QWidget *form = lonely->centralWidget();
        QStringList texts;
        for (const QLabel *label : form->findChildren<QLabel *>())
            texts << label->text();
        for (const QGroupBox *group : form->findChildren<QGroupBox *>())
            texts << group->title();
        for (const QPushButton *button : form->findChildren<QPushButton *>())
            texts << button->text();
        const auto *target = widget<QComboBox>(lonely.get(), "comboBox");
        for (int i = 0; i < target->count(); ++i) {
            texts << target->itemText(i);
            // The register names the target as the form lists it.
            QCOMPARE(Verdicts::targetIndex(target->itemText(i)), i);
        }
        texts.removeIf([](const QString &text) { return text.isEmpty() || text.startsWith('-'); });
        texts.sort();
        QStringList expected =
            QString(
                "Hex message:|Frequency:|Rf Level:|Status|Calibration due:|Serial No:|MHz|dB|"
                "Vessel name:|Beacon Manufacturer:|Beacon Serialno:|Bracket Serialno:|"
                "Company Name:|Hydrostatic release expiry:|Model:|Bracket Type:|"
                "Battery Expiry:|Target Frequency:|Tested by:|SBM due date:|"
                "Awaiting transmission from EPIRB.|Start EPIRB \"Self-test\" within time limit.|"
                "EPIRB/VESTRA Data|Input Information data|Status|Request Data|Make Report|"
                "406.025 MHz|406.028 MHz|406.031 MHz|406.037 MHz|406.040 MHz")
                .split('|');
        expected.sort();
        QCOMPARE(texts, expected);
    }

    void formFitsTheWindow()
    {
        // Every widget of the form lies wholly inside what the menu and status
        // bars leave free, and inside its parent.
        const QWidget *central = lonely->centralWidget();
        QRect free = central->geometry();
        if (lonely->menuBar()->isVisible())
            QVERIFY(!free.intersects(lonely->menuBar()->geometry()));
        QVERIFY(!free.intersects(lonely->statusBar()->geometry()));
        const auto children = central->findChildren<QWidget *>();
        QVERIFY(children.size() > 40);
        for (const QWidget *child : children) {
            if (child->objectName().isEmpty() || child->objectName().startsWith("qt_") ||
                child->parentWidget()->inherits("QComboBox") || !child->isVisibleTo(lonely.get()))
                continue;
            const QRect inWindow(child->mapTo(lonely.get(), QPoint(0, 0)), child->size());
            QVERIFY2(free.contains(inWindow), qPrintable(child->objectName()));
            QVERIFY2(child->parentWidget()->rect().contains(child->geometry()),
                     qPrintable(child->objectName()));
        }
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

    void programTimings()
    {
        // The program's own waits: the instrument needs 2 s to settle after an
        // open, 4 s to answer the search, and the time-out is 100 ticks of 800 ms.
        const LinkTimings defaults;
        QCOMPARE(defaults.settleRounds * defaults.settleSleepMs, 2000);
        QCOMPARE(defaults.settleRounds, 100);
        QCOMPARE(defaults.searchIntervalMs, 4000);
        QCOMPARE(defaults.requestWaitRounds * defaults.requestWaitSleepMs, 100);
        MainWindow plain;
        QVERIFY(QMetaObject::invokeMethod(&plain, "on_pbRequestData_clicked"));
        const QTimer *tick = plain.findChild<QTimer *>("receiveTimer");
        QVERIFY(tick->isActive());
        QCOMPARE(tick->interval(), 800);
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
        MainWindow *w = readyWindow();
        MessageBoxCloser closer;
        QVERIFY(requestData(w));
        QVERIFY(serve(readings("406.0399") + QStringList{"--stop-after", "5"}));
        const QString before = text(w, "TxtLabelFreq");
        auto *bar = widget<QProgressBar>(w, "progressBar");
        auto *group = widget<QGroupBox>(w, "groupBox");
        widget<QPushButton>(w, "pbRequestData")->click();
        QCOMPARE(bar->value(), 0);

        // The receive timer's ticks, driven instead of waited for.
        int ticks = 0;
        while (group->isHidden() && ticks < 120) {
            QVERIFY(QMetaObject::invokeMethod(w, "onTimeout"));
            ++ticks;
            if (group->isHidden())
                QCOMPARE(bar->value(), ticks);
        }
        QCOMPARE(bar->value(), 100);
        QCOMPARE(ticks, 100);
        QCOMPARE(text(w, "TxtLabelStatus"), QStringLiteral("    EPIRB receive timeout"));
        QCOMPARE(widget<QLabel>(w, "TxtLabelStatus")->styleSheet(),
                 QStringLiteral("QLabel { background-color:red;}"));
        QVERIFY(widget<QLabel>(w, "TxtLabelDistressStatus")->isHidden());
        QVERIFY(!widget<QPushButton>(w, "pbDecodeData")->isEnabled());
        QVERIFY(!w->findChild<QTimer *>("receiveTimer")->isActive());
        QCOMPARE(text(w, "TxtLabelFreq"), before);
    }

    void portVanishesMidExchange()
    {
        QVERIFY(serve(readings("406.0312") + QStringList{"--stop-after", "8"}));
        MainWindow *w = readyWindow();
        widget<QPushButton>(w, "pbRequestData")->click();
        QTRY_COMPARE(statusLines(w).value(0), QStringLiteral("VESTRA Connect ok"));
        simulator.reset(); // the adapter is pulled
        for (int tick = 0; tick < 100; ++tick)
            QMetaObject::invokeMethod(w, "onTimeout");
        QCOMPARE(text(w, "TxtLabelStatus"), QStringLiteral("    EPIRB receive timeout"));

        // Plugged in again, the next request works.
        QVERIFY(serve(readings("406.0345")));
        QVERIFY(requestData(w));
        QCOMPARE(text(w, "TxtLabelFreq"), QStringLiteral("406.0345"));
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
