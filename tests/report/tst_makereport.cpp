#include "historykeeper.h"
#include "reportcheck.h"
#include "simulator.h"
#include "vestraversion.h"
#include "windowdriver.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPdfWriter>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

using namespace ReportCheck;

namespace {

// 0.9 kHz below 406.031 MHz, in its band; 2.1 kHz above 406.028 MHz, whose
// band reaches only 2 kHz upwards.
const char Frequency[] = "406.0301";

// Section (0-based), row, the field typed in, label, value; the rest is measured.
const struct
{
    int section, row;
    const char *field, *label, *value;
} Rows[] = {
    {1, 0, "lineEdit", "Vessel Name:", "Sjøbris 2"},
    {1, 1, "lineEdit_2", "Beacon Manufacturer:", "ACME"},
    {1, 2, "lineEdit_7", "Model:", "EB-5"},
    {1, 3, "lineEdit_5", "Beacon serial number:", "7/7"},
    {1, 4, "lineEdit_8", "Bracket type:", "FB-2"},
    {1, 5, "lineEdit_4", "Bracket serial number:", "B-778"},
    {1, 6, "lineEdit_9", "Battery expiry:", "2039-03"},
    {1, 7, "lineEdit_3", "Hydrostatic release expiry date:", "2026-11"},
    {1, 8, "lineEdit_DD", "SBM due date:", "2027-01"},
    {2, 0, nullptr, "Frequency: (MHz) (406.028 +0.0020 -0.0050)", Frequency},
    {2, 1, nullptr, "RF level (dB):", "-3.5"},
    {2, 2, nullptr, "Status:", "Frequency outside limits"},
    {2, 3, nullptr, "", "***Distress message***"},
    {3, 0, nullptr, "Hex message:", Hex},
    {3, 10, nullptr, "15 HexID:", "27843C4802FFBFF"},
    {4, 0, nullptr, "IMO MSC.1/Circ. 1040/Rev.2 and SOLAS IV/15.9.1 (Annual test)", ""},
    {4, 1, nullptr,
     "IMO MSC /Circ. 1039 (All revisions) and SOLAS IV/15.9.2 (Shore-based maintainance)", ""},
    {4, 3, nullptr, "Company:Nord, Safe", "Tested by: =Kari Holm"},
    {5, 0, nullptr, "Serial no:", "12345-67890"},
    {5, 1, nullptr, "Calibration due:", "06-27"},
    {5, 2, nullptr, "PC software version:", VESTRA_VERSION},
};

// Past for good; the battery (2039-03) falls due long after the next annual test.
const char Passed[] = "Hydrostatic release expiry 2026-11 has passed";
// The line a reprint adds below its date.
const QRegularExpression
    ReprintLine(R"(^Reprinted from the test history on \w{3} \w{3} \d+ \d{4} \d\d:\d\d:\d\d$)");

// A page line by line, without the blanks that lay it out.
QStringList words(const QString &page)
{
    QStringList simplified;
    for (const QString &line : page.split('\n', Qt::SkipEmptyParts))
        simplified << line.simplified();
    simplified.removeAll(QString());
    return simplified;
}

const char *Titles[] = {"Test report",      "Beacon Information", "Measurements",
                        "Message decoding", "Reference",          "Kova VESTRA info"};

} // namespace

// A technician's road through the real window and the simulator: two reports
// of one beacon, their register lines, a reprint, and next year's form.
class tst_MakeReport : public QObject
{
    Q_OBJECT

    QTemporaryDir home;
    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<MainWindow> window;
    QList<QUrl> opened; // by the desktop's PDF viewer
    QStringList boxTexts, log;
    QString pdf, registerPath, reprint;
    QList<QStringList> rows; // of the register
    QString text, boxes;     // of the report, as poppler reads it
    QString reprintText, reprintBoxes;
    QPoint margin;
    QDate reportDay;       // of the last report, as the register has it
    QList<QRect> sections; // in dots at 300 dpi, as the layout rules put them

    void setText(const char *name, const QString &value)
    {
        window->findChild<QLineEdit *>(name)->setText(value);
    }
    void typeRows(bool empty = false)
    {
        for (const auto &r : Rows) {
            if (r.field)
                setText(r.field, empty ? QString() : QString::fromUtf8(r.value));
        }
    }
    // Presses "Make Report"; the texts of the message boxes. A saved report's
    // test is waited for into the history and the register.
    QStringList makeReport()
    {
        MessageBoxCloser closer;
        QSignalSpy stored(window->findChild<HistoryKeeper *>(), &HistoryKeeper::stored);
        WindowDriver::widget<QPushButton>(window.get(), "pbDecodeData")->click();
        if (closer.texts.isEmpty() && !stored.wait(20000))
            return {"not stored"};
        return closer.texts;
    }
    bool exchange()
    {
        simulator.reset();
        simulator = std::make_unique<Simulator>(QStringList{
            "--hex", Hex, "--frequency", Frequency, "--rf-level", "-3.5", "--calibration", "0627",
            "--serial", "1234567890", "--status", "LoBat", "--link", home.filePath("port")});
        if (!simulator->start())
            return false;
        if (!window)
            window = WindowDriver::startWindow({home.filePath("port")});
        MessageBoxCloser distressWarning;
        return WindowDriver::requestData(window.get());
    }
    bool wordAt(const QString &bbox, const QString &word, int x, int y) const
    {
        static const QRegularExpression box(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)<)re");
        for (const auto &m : box.globalMatch(bbox)) {
            // Liberation Sans, Arial's stand-in, descends 0.212 em of its 1.117 em.
            const double top = m.captured(2).toDouble(), bottom = m.captured(3).toDouble();
            if (m.captured(4) == word.section(u' ', 0, 0).toHtmlEscaped() &&
                qAbs(m.captured(1).toDouble() - (margin.x() + x) * 0.24) < 0.5 &&
                qAbs(bottom - (bottom - top) * 0.212 / 1.117 - (margin.y() + y) * 0.24) < 0.5)
                return true;
        }
        return false;
    }

public slots:
    void open(const QUrl &url) { opened.append(url); }

private slots:
    void initTestCase()
    {
        for (const char *tool : {"pdftotext", "pdfinfo", "pdfimages"})
            QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(),
                     qPrintable(QString("poppler-utils is not installed: no %1 to read the "
                                        "reports back")
                                    .arg(tool)));
        useHome(home);
        QCoreApplication::setApplicationVersion(VESTRA_VERSION);
        QDesktopServices::setUrlHandler("file", this, "open");
        QVERIFY(exchange());
        boxTexts << makeReport();
        typeRows();
        setText("lineEdit", "Sjøbris 1");
        setText("lineEdit_6", "Nord, Safe");
        setText("lineEdit_11", "=Kari Holm");
        boxTexts << makeReport();
        // The same measurement once more, corrected, a second or more later:
        // the same test. The target chosen after the measurement is the one
        // the report judges by.
        const qint64 second = QDateTime::currentSecsSinceEpoch();
        QTRY_VERIFY(QDateTime::currentSecsSinceEpoch() > second);
        window->findChild<QComboBox *>("comboBox")->setCurrentIndex(1);
        setText("lineEdit", "Sjøbris 2");
        boxTexts << makeReport();
        log = WindowDriver::statusLines(window.get());
        // Said only when the disk is slow to take a test.
        log.removeAll(HistoryKeeper::WaitingLine);
        const QString folder = home.filePath("Documents/VESTRA_Reports");
        pdf = folder + "/ACME EB-5 77.pdf";
        registerPath = folder + "/test-register.csv";
        rows = readCsv(contents(registerPath).mid(3));
        reportDay = QDateTime::fromString(rows.value(2).value(0), Qt::ISODate).date();
        text = poppler({"pdftotext", "-layout", pdf, "-"});
        boxes = poppler({"pdftotext", "-bbox", pdf, "-"});

        QProcess tool;
        tool.setWorkingDirectory(home.path());
        tool.start(VESTRA_REPORT_PATH, {"reprint", "--test", "1"});
        QVERIFY(tool.waitForFinished(20000));
        reprint = QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
        reprintText = poppler({"pdftotext", "-layout", reprint, "-"});
        reprintBoxes = poppler({"pdftotext", "-bbox", reprint, "-"});

        QPdfWriter writer(home.filePath("unused.pdf")); // for where the layout puts things
        writer.setResolution(300);
        margin = writer.pageLayout().paintRectPixels(300).topLeft();
        for (int share : {15, 18, 10, 27, 11, 14}) {
            const int top = sections.isEmpty() ? 50 : sections.last().bottom() + 1;
            sections.append(QRect(50, top, writer.width() - 100, share * writer.height() / 100));
        }
    }

    void reportsSaved()
    {
        QCOMPARE(boxTexts, {"Please enter at least\nManufacturer\nModel and Serial"});
        QCOMPARE(opened, QList<QUrl>(2, QUrl::fromLocalFile(pdf)));
        // Newest first: the expiry that has passed, as Make Report is pressed;
        // then the test in the history, then in the register; the second
        // report of the measurement is the same test.
        const QStringList saved{"Test register: line added", "Test history: saved as test 1",
                                "Saving: " + pdf, Passed};
        QCOMPARE(log.mid(0, 8), saved + saved);
        // One page, the logo on it at its pixel size.
        const QRegularExpression info(
            "Title: +Beacon report\n(.*\n)*Creator: +Halvik\n(.*\n)*Pages: +1\n");
        QVERIFY(poppler({"pdfinfo", pdf}).contains(info));
        const QRegularExpression logo(R"(\n +1 +\d+ image +476 +177 )");
        QCOMPARE(poppler({"pdfimages", "-list", pdf}).count(logo), 1);
    }

    void registerLines()
    {
        // Each value as the report printed it; the two tests differ in vessel and target.
        const QStringList second =
            QString("Sjøbris 2|ACME|EB-5|7/7|FB-2|B-778|2039-03|2026-11|2027-01|27843C4802FFBFF|%1|"
                    "406.028 MHz|%2|Frequency outside limits|***Distress message***|-3.5|LoBat|"
                    "    Replace VESTRA battery|12345-67890|06-27|Nord, Safe|'=Kari Holm|%3|"
                    "ACME EB-5 77.pdf")
                .arg(Hex, Frequency, VESTRA_VERSION)
                .split('|');
        QStringList first = second;
        first[0] = "Sjøbris 1";
        first[11] = "406.031 MHz";
        first[13] = "Message from EPIRB received OK";
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[1].mid(1, 24), first);
        QCOMPARE(rows[2].mid(1, 24), second);
        // One measurement, whatever the moments of its reports.
        QVERIFY(rows[1].value(0) != rows[2].value(0));
        QCOMPARE(rows[1].value(25), rows[2].value(25));
        // The report's date line and the register's time are one moment.
        const QDateTime time = QDateTime::fromString(rows[2][0], Qt::ISODate);
        QVERIFY(text.contains(time.date().toString(Qt::TextDate) + ' ' +
                              time.time().toString("hh:mm:ss")));
    }

    void layout_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(Rows)); ++i)
            QTest::newRow(*Rows[i].label ? Rows[i].label : Rows[i].value) << i;
    }
    void layout()
    {
        QFETCH(int, index);
        const auto &r = Rows[index];
        const QString label = r.label, value = QString::fromUtf8(r.value);
        QVERIFY(text.contains(Titles[r.section]));
        const int baseline = sections.value(r.section).y() + 150 + 50 * r.row;
        // A row without a label or a value checks the other's place alone.
        if (!label.isEmpty()) {
            QVERIFY(text.contains(label));
            QVERIFY(wordAt(boxes, label, sections.value(r.section).x() + 550, baseline));
        }
        // The value column counts from the page's edge, not the section's.
        const int valueX = sections.value(0).width() / 2 + (r.section == 2 ? 350 : 200);
        if (!value.isEmpty()) {
            QVERIFY(text.contains(value));
            QVERIFY(wordAt(boxes, value, valueX, baseline));
        }
    }

    void pageCorners()
    {
        QVERIFY(wordAt(boxes, "Kova", sections[0].x() + 40, sections[0].y() + 220));
        QVERIFY(wordAt(boxes, reportDay.toString(Qt::TextDate), sections[5].x() + 100,
                       sections[5].bottom() + 1));
    }

    // The reprint is the page of test 1 as last corrected, and one line more
    // below its date.
    void reprinted()
    {
        QStringList added = words(reprintText);
        QCOMPARE(added.filter(ReprintLine).size(), 1);
        added.removeAt(added.indexOf(ReprintLine));
        QCOMPARE(added, words(text));
        QVERIFY(
            wordAt(reprintBoxes, "Reprinted", sections[5].x() + 100, sections[5].bottom() + 51));
    }

    // Ctrl+H, the keyboard in the filter, test 1 found by its vessel typed in
    // capitals, and Enter on it: its reprint, in Reprints (what it holds, the
    // test record's road reads).
    void historyWindow()
    {
        auto openHistory = [this] {
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            QTest::keyClick(window.get(), Qt::Key_H, Qt::ControlModifier);
        };
        openHistory();
        auto *history = window->findChild<QWidget *>("HistoryWindow");
        QVERIFY(history && QTest::qWaitForWindowActive(history));
        auto *filter = history->findChild<QLineEdit *>("filterEdit");
        QTRY_COMPARE(QApplication::focusWidget(), filter);
        QTest::keyClicks(filter, "SJØBRIS 2");
        QTRY_COMPARE(history->findChild<QLabel *>("lblCount")->text(), "1 of 1 tests");
        auto *view = history->findChild<QTableView *>("testsView");
        view->setCurrentIndex(view->model()->index(0, 0));
        opened.clear();
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_COMPARE(opened.size(), 1);
        const QString path = opened[0].toLocalFile();
        QCOMPARE(QFileInfo(path).path(), home.filePath("Documents/VESTRA_Reports/Reprints"));
        QCOMPARE(WindowDriver::statusLines(window.get()).value(0), "Saving reprint: " + path);
        // Opened again, the keyboard is back in the filter, wherever it was left.
        view->setFocus();
        history->close();
        openHistory();
        QVERIFY(QTest::qWaitForWindowActive(history));
        QTRY_COMPARE(QApplication::focusWidget(), filter);
        history->close();
    }

    // The window shows what the register could not take, above the save.
    void registerReadOnly()
    {
        QFile::setPermissions(registerPath, QFile::ReadOwner);
        QCOMPARE(makeReport(), QStringList());
        QCOMPARE(WindowDriver::statusLines(window.get()).mid(0, 3),
                 QStringList({"Test register not updated: Permission denied",
                              "Test history: saved as test 1", "Saving: " + pdf}));
    }

    // Next year, the same beacon: what the technician left empty comes from
    // its latest test, what they typed stays.
    void nextYearsForm()
    {
        typeRows(true);
        setText("lineEdit_7", "EB-6");
        setText("lineEdit_11", "");
        QVERIFY(exchange());
        // The form's expiry as filled in is judged after the prefill.
        QTRY_COMPARE(WindowDriver::statusLines(window.get()).mid(0, 2),
                     QStringList({Passed, "Beacon known from the test of " +
                                              reportDay.toString(Qt::ISODate) +
                                              ": fields filled in, check the expiry dates"}));
        QCOMPARE(window->findChild<QLineEdit *>("lineEdit")->text(), "Sjøbris 2");
        QCOMPARE(window->findChild<QLineEdit *>("lineEdit_7")->text(), "EB-6");
        QCOMPARE(window->findChild<QLineEdit *>("lineEdit_DD")->text(), "2027-01");
        QCOMPARE(window->findChild<QLineEdit *>("lineEdit_11")->text(), "");
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("file"); }
};

QTEST_MAIN(tst_MakeReport)
#include "tst_makereport.moc"
