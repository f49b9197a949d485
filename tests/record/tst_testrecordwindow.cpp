#include "reportcheck.h"
#include "simulator.h"
#include "windowdriver.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

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

// The technician's road: an exchange, the record filled in by keyboard, the
// ship's MMSI of another flag and then its own, a report after each.
class tst_TestRecordWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir home;
    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<MainWindow> window;
    QWidget *record = nullptr;
    QString pdf;
    QStringList plainPage, firstPage, notPassedPage, passedPage; // as pdftotext reads them
    QString pageCount, resultAfterExchange;
    QStringList logAfterTyping, logAfterExchange, logAfterFix;

    QString page(int number)
    {
        return poppler({"pdftotext", "-f", QString::number(number), "-l", QString::number(number),
                        "-layout", pdf, "-"});
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

public slots:
    void open(const QUrl &) {}

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
        for (const auto &[field, text] : {std::pair{"lineEdit_2", "ACME"},
                                          {"lineEdit_7", "EB-5"},
                                          {"lineEdit_5", "77"},
                                          {"lineEdit_9", "2030-01"},
                                          {"lineEdit_11", "Kari Holm"}})
            window->findChild<QLineEdit *>(field)->setText(text);
        pdf = home.filePath("Documents/VESTRA_Reports/ACME EB-5 77.pdf");
        makeReport();
        plainPage = words(page(1));

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
        auto *checks = record->findChild<QTableWidget *>("checksView");
        checks->setFocus();
        for (int i = 0; i < checks->rowCount(); ++i)
            QTest::keyClick(checks, Qt::Key_Y);
        makeReport();
        pageCount = poppler({"pdfinfo", pdf}).section("Pages:", 1).section('\n', 0, 0).trimmed();
        firstPage = words(page(1));
        notPassedPage = words(page(2));

        type("mmsiEdit", "316123456");
        makeReport();
        passedPage = words(page(2));

        type("mmsiEdit", "257123456");
        QVERIFY(requestData(window.get()));
        logAfterExchange = statusLines(window.get());
        const auto *reasons = record->findChild<QListWidget *>("reasonsList");
        for (int row = 0; row < reasons->count(); ++row)
            resultAfterExchange += reasons->item(row)->text() + '\n';
    }

    void differenceSaidOnce()
    {
        QCOMPARE(logAfterTyping.value(0), Differs);
        QCOMPARE(logAfterTyping.count(Differs), 1);
    }

    // The first page stays as it was; the second says why the test failed.
    void secondPage()
    {
        QCOMPARE(pageCount, "2");
        plainPage.removeLast(); // the date line
        firstPage.removeLast();
        QCOMPARE(firstPage, plainPage);
        QVERIFY(notPassedPage.contains("Annual test (MSC.1/Circ.1040)"));
        QVERIFY(notPassedPage.contains("Not passed"));
        QVERIFY(notPassedPage.contains(Differs));
        QVERIFY(notPassedPage
                    .filter(QRegularExpression("^6 Identity decoded .* No program "
                                               "\\(technician: Yes\\)$"))
                    .size() == 1);
        QVERIFY(passedPage.contains("Passed"));
        QVERIFY(!passedPage.contains("Not passed"));
    }

    // Said again after the exchange; the answers start empty, the ship stays.
    void newExchange()
    {
        QCOMPARE(logAfterExchange.count(Differs), 3);
        QVERIFY(resultAfterExchange.contains("Checks not answered: 1, 2, 3"));
        QCOMPARE(record->findChild<QLineEdit *>("mmsiEdit")->text(), "257123456");
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("file"); }
};

QTEST_MAIN(tst_TestRecordWindow)
#include "tst_testrecordwindow.moc"
