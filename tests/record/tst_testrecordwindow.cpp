#include "listing.h"
#include "reportcheck.h"
#include "simulator.h"
#include "windowdriver.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

using namespace ReportCheck;
using namespace WindowDriver;

namespace {

// The self-test of a beacon coded for MMSI 316123456, 15 Hex ID 27843C4802FFBFF.
const char SelfTestHex[] = "FFFED093C21E24012D814A62ECF7B1412A02";
const QString Differs = "Identity differs: the beacon carries MMSI 316123456 (Canada), the "
                        "ship's is 257123456 (Norway)";

QStringList words(const QString &page)
{
    QStringList lines;
    for (const QString &line : page.split('\n'))
        if (!line.simplified().isEmpty())
            lines << line.simplified();
    return lines;
}

} // namespace

// The technician's road: an exchange, the record filled in by keyboard with
// the ship's MMSI of another flag, a report; the next exchange with the ship's
// own, a report; then both tests in the history window, and their reprints.
class tst_TestRecordWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir home;
    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<MainWindow> window;
    QWidget *record = nullptr;
    QString pdf;
    QList<QUrl> opened;
    // As pdftotext reads them: the first page without the record, both pages
    // of each test's report and of its reprint, the newest test first.
    QStringList plainPage;
    QList<QStringList> reports, reprints;
    QString resultAfterExchange;
    QStringList logAfterTyping, logAfterExchange, results;

    QStringList pages(const QString &file)
    {
        return words(poppler({"pdftotext", "-layout", file, "-"}));
    }
    void makeReport()
    {
        MessageBoxCloser closer;
        widget<QPushButton>(window.get(), "pbDecodeData")->click();
    }
    void type(const char *field, const QString &text)
    {
        auto *edit = record->findChild<QLineEdit *>(field);
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    void answerAll()
    {
        auto *checks = record->findChild<QTableWidget *>("checksView");
        checks->setFocus();
        checks->setCurrentCell(0, 0);
        for (int i = 0; i < checks->rowCount(); ++i)
            QTest::keyClick(checks, Qt::Key_Y);
    }

public slots:
    void open(const QUrl &url) { opened << url; }

private slots:
    void initTestCase()
    {
        useHome(home);
        QDesktopServices::setUrlHandler("file", this, "open");
        simulator = std::make_unique<Simulator>(QStringList{"--hex", SelfTestHex, "--frequency",
                                                            "406.0301", "--status", "OK", "--link",
                                                            home.filePath("port")});
        QVERIFY(simulator->start());
        window = startWindow({home.filePath("port")});
        QVERIFY(requestData(window.get()));
        // A measurement is known by its second: the next one comes a second later.
        const qint64 measured = QDateTime::currentSecsSinceEpoch();
        for (const auto &[field, text] : {std::pair{"lineEdit_2", "ACME"},
                                          {"lineEdit_7", "EB-5"},
                                          {"lineEdit_5", "77"},
                                          {"lineEdit_9", "2030-01"},
                                          {"lineEdit_11", "Kari Holm"}})
            window->findChild<QLineEdit *>(field)->setText(text);
        pdf = home.filePath("Documents/VESTRA_Reports/ACME EB-5 77.pdf");
        makeReport();
        plainPage = pages(pdf);

        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
        record = window->findChild<QWidget *>("TestRecordWindow");
        QVERIFY(record && QTest::qWaitForWindowActive(record));
        QTRY_COMPARE(QApplication::focusWidget()->objectName(), "kindCombo");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // the annual test
        type("mmsiEdit", "257123456");
        type("labelIdEdit", "27843C4802FFBFF");
        type("imoEdit", "9074729");
        logAfterTyping = statusLines(window.get());
        answerAll();
        makeReport();
        reports.prepend(pages(pdf));

        QTRY_VERIFY(QDateTime::currentSecsSinceEpoch() > measured);
        QVERIFY(requestData(window.get()));
        logAfterExchange = statusLines(window.get());
        const auto *reasons = record->findChild<QListWidget *>("reasonsList");
        for (int row = 0; row < reasons->count(); ++row)
            resultAfterExchange += reasons->item(row)->text() + '\n';
        type("mmsiEdit", "316123456");
        answerAll();
        makeReport();
        reports.prepend(pages(pdf));

        QTRY_VERIFY(statusLines(window.get()).contains("Test history: saved as test 2"));
        QTest::mouseClick(widget<QToolButton>(window.get(), "historyButton"), Qt::LeftButton);
        auto *view = window->findChild<QTableView *>("testsView");
        QTRY_COMPARE(view->model()->rowCount(), 2);
        for (int row = 0; row < 2; ++row) {
            results << view->model()->index(row, Listing::ResultColumn).data().toString();
            view->setCurrentIndex(view->model()->index(row, 0));
            const qsizetype before = opened.size();
            QTest::keyClick(view, Qt::Key_Return);
            QTRY_COMPARE(opened.size(), before + 1);
            reprints << pages(opened.last().toLocalFile());
            reprints.last().removeIf(
                [](const QString &line) { return line.startsWith("Reprinted"); });
        }
    }

    void differenceSaidOnce()
    {
        QCOMPARE(logAfterTyping.value(0), Differs);
        QCOMPARE(logAfterTyping.count(Differs), 1);
    }

    // The first page stays as it was; the second says why the test failed.
    void secondPage()
    {
        const QStringList firstPage = reports.last().mid(0, plainPage.size() - 1);
        QCOMPARE(firstPage, plainPage.mid(0, plainPage.size() - 1)); // the date line aside
        const QStringList notPassed = reports.last(), passed = reports.first();
        QVERIFY(notPassed.contains("Annual test (MSC.1/Circ.1040)"));
        QVERIFY(notPassed.contains("Not passed"));
        QVERIFY(notPassed.contains(Differs));
        QCOMPARE(notPassed
                     .filter(QRegularExpression("^6 Identity decoded .* No program "
                                                "\\(technician: Yes\\)$"))
                     .size(),
                 1);
        QVERIFY(passed.contains("Passed"));
        QVERIFY(!passed.contains("Not passed"));
    }

    // Said again after the exchange, the ship as it was; the answers start empty.
    void newExchange()
    {
        QCOMPARE(logAfterExchange.count(Differs), 2);
        QVERIFY(resultAfterExchange.contains("Checks not answered: 1, 2, 3"));
    }

    // The history keeps each test's record: its result listed, its reprint
    // the report it made, the reprint's line aside.
    void history()
    {
        QCOMPARE(results, QStringList({"Passed", "Not passed"}));
        QCOMPARE(reprints, reports);
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("file"); }
};

QTEST_MAIN(tst_TestRecordWindow)
#include "tst_testrecordwindow.moc"
