#include "vestraversion.h"
#include "simulator.h"
#include "windowdriver.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

using namespace WindowDriver;

namespace {

const char GreenStyle[] = "QLabel { color: white; background-color:green;}";
const char RedStyle[] = "QLabel { background-color:red;}";
const char SelfTestHex[] = "FFFED0D5A1B2C3D4E5F60718293A4B";
const char DistressHex[] = "FFFE2FD5A1B2C3D4E5F60718293A4B";

// The simulator's readings: an in-band self-test with status "OK" unless said otherwise.
QStringList readings(const QString &frequency = QStringLiteral("406.0312"),
                     const QString &status = QStringLiteral("OK"),
                     const QString &hex = QLatin1String(SelfTestHex))
{
    return {QStringLiteral("--hex"),         hex,
            QStringLiteral("--frequency"),   frequency,
            QStringLiteral("--rf-level"),    QStringLiteral("37"),
            QStringLiteral("--calibration"), QStringLiteral("0627"),
            QStringLiteral("--status"),      status,
            QStringLiteral("--serial"),      QStringLiteral("1234567890")};
}

QString text(const MainWindow *window, const char *label)
{
    return widget<QLabel>(window, label)->text();
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

// The window as a technician meets it, driven over a real pseudo-terminal
// against the instrument simulator. One window serves most cases: its port is
// a link that each case points at a simulator of its own.
class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void startsWithoutPorts();
    void findsInstrumentOnThirdPort();
    void exchangeFillsReadings();
    void secondRequestKeepsOldReadingsUntilDone();
    void verdicts_data();
    void verdicts();
    void distressMessage();
    void escapedAndZeroBytes();
    void missingMarkerKeepsReading();
    void tcpHeaderWithOptions();
    void frameInPiecesOrWithNoise_data();
    void frameInPiecesOrWithNoise();
    void silentInstrumentTimesOut();
    void portVanishesMidExchange();
    void aboutFromHelpMenu();

private:
    // Points the window's port at a fresh simulator with these options.
    bool serve(const QStringList &options);

    QTemporaryDir scratch;
    QString linkPath;
    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<MainWindow> window;
};

void tst_MainWindow::initTestCase()
{
    QVERIFY(scratch.isValid());
    linkPath = scratch.filePath(QStringLiteral("vestra-port"));
    QVERIFY(serve(readings()));
    window = startWindow({linkPath});
    QCOMPARE(statusLines(window.get()).first(),
             QStringLiteral("VESTRA found at port: ") + linkPath);
}

void tst_MainWindow::cleanupTestCase()
{
    window.reset();
    simulator.reset();
}

bool tst_MainWindow::serve(const QStringList &options)
{
    simulator.reset();
    simulator =
        std::make_unique<Simulator>(options + QStringList{QStringLiteral("--link"), linkPath});
    return simulator->start();
}

void tst_MainWindow::startsWithoutPorts()
{
    // A list of nothing but separators names no port at all.
    auto lonely = startWindow({QStringLiteral(","), QString()});
    QCOMPARE(statusLines(lonely.get()), QStringList{"VESTRA Not found - Check com port"});
    QVERIFY(!widget<QPushButton>(lonely.get(), "pbRequestData")->isEnabled());
    QVERIFY(!widget<QPushButton>(lonely.get(), "pbDecodeData")->isEnabled());

    // What the technician sees before any measurement.
    QCOMPARE(lonely->windowTitle(), QStringLiteral("VESTRA " VESTRA_VERSION));
    QCOMPARE(lonely->minimumSize(), QSize(490, 660));
    QCOMPARE(lonely->maximumSize(), QSize(490, 660));
    QCOMPARE(widget<QComboBox>(lonely.get(), "comboBox")->currentText(),
             QStringLiteral("406.031 MHz"));
    QVERIFY(widget<QFrame>(lonely.get(), "Infoframe")->isHidden());
    QVERIFY(!widget<QLabel>(lonely.get(), "TxtLabelHexMsg")->isHidden());
    QVERIFY(widget<QLineEdit>(lonely.get(), "lineEditHexMsg")->isHidden());
    QCOMPARE(text(lonely.get(), "TxtLabelFreq"), QStringLiteral("-------------"));
    QCOMPARE(text(lonely.get(), "TxtLabelDistressStatus"), QString());

    // The report folder is made at start-up under the Documents folder.
    const QString documents =
        QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation).value(0);
    QVERIFY(documents.startsWith(qEnvironmentVariable("HOME")));
    QVERIFY(QDir(documents).exists(QStringLiteral("VESTRA_Reports")));
}

void tst_MainWindow::findsInstrumentOnThirdPort()
{
    Simulator first({QStringLiteral("--silent")});
    Simulator second({QStringLiteral("--no-connect")});
    Simulator third;
    QVERIFY(first.start());
    QVERIFY(second.start());
    QVERIFY(third.start());

    auto found = startWindow({first.portPath(), second.portPath(), third.portPath()});
    const QStringList expected{
        QStringLiteral("VESTRA found at port: ") + third.portPath(),
        QStringLiteral("No VESTRA found at port: ") + second.portPath(),
        QStringLiteral("No VESTRA found at port: ") + first.portPath(),
    };
    QCOMPARE(statusLines(found.get()), expected);
    QVERIFY(widget<QPushButton>(found.get(), "pbRequestData")->isEnabled());
    QVERIFY(!widget<QPushButton>(found.get(), "pbDecodeData")->isEnabled());
}

void tst_MainWindow::exchangeFillsReadings()
{
    QVERIFY(serve(readings()));
    QVERIFY(requestData(window.get()));

    const QStringList log = statusLines(window.get());
    QCOMPARE(log.at(0), QStringLiteral("VESTRA Connect ok"));
    QCOMPARE(log.at(1), QStringLiteral("Receiving data"));

    QCOMPARE(text(window.get(), "TxtLabelHexMsg"), QLatin1String(SelfTestHex));
    QCOMPARE(widget<QLineEdit>(window.get(), "lineEditHexMsg")->text(), QLatin1String(SelfTestHex));
    QCOMPARE(text(window.get(), "TxtLabelFreq"), QStringLiteral("406.0312"));
    QCOMPARE(text(window.get(), "TxtLabelRfLevel"), QStringLiteral("37"));
    QCOMPARE(text(window.get(), "TxtLabelCalibration"), QStringLiteral("06-27"));
    QCOMPARE(text(window.get(), "TxtLabelSerialNo"), QStringLiteral("12345-67890"));
    QCOMPARE(text(window.get(), "TxtLabelStatus"),
             QStringLiteral("Message from EPIRB received OK"));
    QCOMPARE(widget<QLabel>(window.get(), "TxtLabelStatus")->styleSheet(),
             QLatin1String(GreenStyle));
    QCOMPARE(text(window.get(), "TxtLabelDistressStatus"), QString());
    QVERIFY(widget<QLabel>(window.get(), "TxtLabelDistressStatus")->isHidden());

    QVERIFY(widget<QPushButton>(window.get(), "pbDecodeData")->isEnabled());
    QVERIFY(widget<QGroupBox>(window.get(), "groupBox")->isVisible());
    QVERIFY(widget<QFrame>(window.get(), "Infoframe")->isHidden());
}

void tst_MainWindow::secondRequestKeepsOldReadingsUntilDone()
{
    QVERIFY(serve(readings()));
    QVERIFY(requestData(window.get()));
    QVERIFY(serve(readings(QStringLiteral("406.0333"))));

    auto *report = widget<QPushButton>(window.get(), "pbDecodeData");
    widget<QPushButton>(window.get(), "pbRequestData")->click();
    // The request has gone out; the answer has not been handled yet.
    QVERIFY(!report->isEnabled());
    QVERIFY(widget<QGroupBox>(window.get(), "groupBox")->isHidden());
    QCOMPARE(widget<QFrame>(window.get(), "Infoframe")->pos(), QPoint(50, 10));
    QVERIFY(widget<QFrame>(window.get(), "Infoframe")->isVisible());
    QCOMPARE(text(window.get(), "TxtLabelFreq"), QStringLiteral("406.0312"));

    QTRY_VERIFY_WITH_TIMEOUT(report->isEnabled(), 20000);
    QCOMPARE(text(window.get(), "TxtLabelFreq"), QStringLiteral("406.0333"));
}

void tst_MainWindow::verdicts_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<bool>("good");

    QTest::newRow("OK in band") << 2 << "406.0312"
                                << "OK"
                                << "Message from EPIRB received OK" << true;
    QTest::newRow("LoBat") << 2 << "406.0312"
                           << "LoBat"
                           << "    Replace VESTRA battery" << false;
    QTest::newRow("NoMsg") << 2 << "406.0312"
                           << "NoMsg"
                           << "    EPIRB receive timeout" << false;
    QTest::newRow("other word") << 2 << "406.0312"
                                << "Err7"
                                << "    EPIRB receive error" << false;
    QTest::newRow("outside band beats OK") << 2 << "406.0361"
                                           << "OK"
                                           << "Frequency outside limits" << false;
    QTest::newRow("index 1 upper edge") << 1 << "406.030"
                                        << "OK"
                                        << "Message from EPIRB received OK" << true;
    QTest::newRow("index 1 above +2000") << 1 << "406.0301"
                                         << "OK"
                                         << "Frequency outside limits" << false;
}

void tst_MainWindow::verdicts()
{
    QFETCH(int, target);
    QFETCH(QString, frequency);
    QFETCH(QString, status);
    QFETCH(QString, verdict);
    QFETCH(bool, good);

    QVERIFY(serve(readings(frequency, status)));
    auto *combo = widget<QComboBox>(window.get(), "comboBox");
    combo->setCurrentIndex(target);
    QVERIFY(requestData(window.get()));
    combo->setCurrentIndex(2);

    auto *label = widget<QLabel>(window.get(), "TxtLabelStatus");
    QCOMPARE(label->text(), verdict);
    QCOMPARE(label->styleSheet(), QLatin1String(good ? GreenStyle : RedStyle));
    // Whatever the verdict, the technician may make a report.
    QVERIFY(widget<QPushButton>(window.get(), "pbDecodeData")->isEnabled());
}

void tst_MainWindow::distressMessage()
{
    QVERIFY(serve(
        readings(QStringLiteral("406.0312"), QStringLiteral("OK"), QLatin1String(DistressHex))));
    MessageBoxCloser closer;
    QVERIFY(requestData(window.get()));
    QTRY_COMPARE(closer.titles, QStringList{"DISTRESS ALARM!"});
    QCOMPARE(closer.texts.first(), QStringLiteral("The message received from EPIRB was\n"
                                                  "decoded as a distress message.\n"
                                                  "Please save report as a reference."));
    auto *distress = widget<QLabel>(window.get(), "TxtLabelDistressStatus");
    QCOMPARE(distress->text(), QStringLiteral("***Distress message***"));
    QVERIFY(distress->isVisible());
    QCOMPARE(distress->styleSheet(), QLatin1String(GreenStyle));
    QCOMPARE(window->distressText(), QStringLiteral("***Distress message***"));

    // The next, ordinary message clears the marker and raises no box.
    QVERIFY(serve(readings()));
    QVERIFY(requestData(window.get()));
    QTest::qWait(200);
    QCOMPARE(closer.titles.size(), 1);
    QCOMPARE(distress->text(), QString());
    QVERIFY(distress->isHidden());
}

void tst_MainWindow::escapedAndZeroBytes()
{
    QVERIFY(serve(readings() + QStringList{"--escape-payload", "--zero-in", "serial"}));
    QVERIFY(requestData(window.get()));
    // The escaped bytes decode without disturbing the readings ...
    QCOMPARE(text(window.get(), "TxtLabelHexMsg"), QLatin1String(SelfTestHex));
    QCOMPARE(text(window.get(), "TxtLabelStatus"),
             QStringLiteral("Message from EPIRB received OK"));
    // ... and a zero byte ends the serial number where it stands: the
    // simulator puts it after "12345".
    QCOMPARE(text(window.get(), "TxtLabelSerialNo"), QStringLiteral("12345-"));
}

void tst_MainWindow::missingMarkerKeepsReading()
{
    QVERIFY(serve(readings()));
    QVERIFY(requestData(window.get()));
    QCOMPARE(text(window.get(), "TxtLabelCalibration"), QStringLiteral("06-27"));

    QStringList options = readings(QStringLiteral("406.0333"));
    options << "--omit-marker"
            << "calibration"
            << "--omit-marker"
            << "rf-level";
    options[options.indexOf("--calibration") + 1] = QStringLiteral("1130");
    options[options.indexOf("--rf-level") + 1] = QStringLiteral("12");
    QVERIFY(serve(options));
    QVERIFY(requestData(window.get()));
    // Kept readings are shown as before: dashed once, not twice.
    QCOMPARE(text(window.get(), "TxtLabelCalibration"), QStringLiteral("06-27"));
    QCOMPARE(text(window.get(), "TxtLabelRfLevel"), QStringLiteral("37"));
    QCOMPARE(text(window.get(), "TxtLabelFreq"), QStringLiteral("406.0333"));
}

void tst_MainWindow::tcpHeaderWithOptions()
{
    QVERIFY(serve(readings() + QStringList{"--tcp-options"}));
    // Longer headers are payload to us; the exchange still completes in lock-step.
    QVERIFY(requestData(window.get()));
    QVERIFY(widget<QPushButton>(window.get(), "pbDecodeData")->isEnabled());
}

void tst_MainWindow::frameInPiecesOrWithNoise_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("byte by byte") << QStringList{"--byte-by-byte"};
    QTest::newRow("garbage before frames") << QStringList{"--garbage"};
    QTest::newRow("CONNECT split") << QStringList{"--split-connect"};
}

void tst_MainWindow::frameInPiecesOrWithNoise()
{
    QFETCH(QStringList, options);
    QVERIFY(serve(readings(QStringLiteral("406.0334")) + options));
    QVERIFY(requestData(window.get()));
    QCOMPARE(text(window.get(), "TxtLabelFreq"), QStringLiteral("406.0334"));
    QCOMPARE(text(window.get(), "TxtLabelSerialNo"), QStringLiteral("12345-67890"));
}

void tst_MainWindow::silentInstrumentTimesOut()
{
    // Readings of a completed exchange stay on screen through a time-out.
    QVERIFY(serve(readings()));
    QVERIFY(requestData(window.get()));

    QVERIFY(serve(readings(QStringLiteral("406.0399")) + QStringList{"--stop-after", "5"}));
    auto *bar = widget<QProgressBar>(window.get(), "progressBar");
    auto *group = widget<QGroupBox>(window.get(), "groupBox");
    widget<QPushButton>(window.get(), "pbRequestData")->click();
    QTest::qWait(300);
    QVERIFY(group->isHidden());

    // Drive the receive timer's ticks instead of waiting 80 s.
    int before = -1;
    for (int tick = 0; tick < 120 && group->isHidden(); ++tick) {
        before = bar->value();
        QVERIFY(QMetaObject::invokeMethod(window.get(), "onTimeout"));
    }
    QVERIFY(group->isVisible());
    QCOMPARE(bar->value(), 100);
    QCOMPARE(before, 99);

    auto *status = widget<QLabel>(window.get(), "TxtLabelStatus");
    QCOMPARE(status->text(), QStringLiteral("    EPIRB receive timeout"));
    QCOMPARE(status->styleSheet(), QLatin1String(RedStyle));
    QVERIFY(widget<QLabel>(window.get(), "TxtLabelDistressStatus")->isHidden());
    QVERIFY(widget<QFrame>(window.get(), "Infoframe")->isHidden());
    QVERIFY(!widget<QPushButton>(window.get(), "pbDecodeData")->isEnabled());
    QCOMPARE(text(window.get(), "TxtLabelFreq"), QStringLiteral("406.0312"));

    // The timer stopped: no further tick moves the bar.
    QTest::qWait(1000);
    QCOMPARE(bar->value(), 100);
}

void tst_MainWindow::portVanishesMidExchange()
{
    QVERIFY(serve(readings() + QStringList{"--stop-after", "8"}));
    widget<QPushButton>(window.get(), "pbRequestData")->click();
    QTest::qWait(300);
    simulator.reset(); // the adapter is pulled: the device under the port is gone

    // No crash and no busy loop on the dead port.
    const double cpuBefore = cpuSeconds();
    QTest::qWait(1500);
    const double cpuUsed = cpuSeconds() - cpuBefore;
    QVERIFY2(cpuUsed < 0.5, qPrintable(QStringLiteral("%1 s of CPU in 1.5 s").arg(cpuUsed)));

    for (int tick = 0; tick < 120; ++tick)
        QMetaObject::invokeMethod(window.get(), "onTimeout");
    QCOMPARE(text(window.get(), "TxtLabelStatus"), QStringLiteral("    EPIRB receive timeout"));

    // Plugged in again, the next request works.
    QVERIFY(serve(readings(QStringLiteral("406.0345"))));
    QVERIFY(requestData(window.get()));
    QCOMPARE(text(window.get(), "TxtLabelFreq"), QStringLiteral("406.0345"));
}

void tst_MainWindow::aboutFromHelpMenu()
{
    auto *bar = window->menuBar();
    QAction *about = nullptr;
    for (QAction *menu : bar->actions()) {
        if (menu->text() != QLatin1String("Help"))
            continue;
        for (QAction *action : menu->menu()->actions()) {
            if (action->text() == QLatin1String("About..."))
                about = action;
        }
    }
    QVERIFY(about);
    auto *dialog = window->findChild<QDialog *>(QStringLiteral("DialogAbout"));
    QVERIFY(dialog);
    QVERIFY(dialog->isHidden());
    about->trigger();
    QVERIFY(dialog->isVisible());
    about->trigger();
    QCOMPARE(window->findChildren<QDialog *>(QStringLiteral("DialogAbout")).size(), 1);
    dialog->hide();
}

int main(int argc, char *argv[])
{
    // A home of our own, so start-up makes its report folder there.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DOCUMENTS_DIR");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));
    tst_MainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
