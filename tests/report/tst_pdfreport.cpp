#include "vestraversion.h"
#include "mainwindow.h"
#include "pdfreport.h"
#include "reportcheck.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QImage>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QResource>
#include <QTemporaryDir>
#include <QTest>

using namespace ReportCheck;

namespace {

const QString SelfTestMessage = QStringLiteral("FFFED093C21E24012D814A62ECF7B1412A02");
const QString DistressMessage = QStringLiteral("FFFE2F93C21E24012D814A62ECF7B1412A02");

// Where the layout rules put things, worked out from an untouched writer of the
// same settings; in dots at 300 dpi from the paintable area's corner.
struct Page
{
    Page()
    {
        QPdfWriter writer(QDir::tempPath() + QStringLiteral("/unused.pdf"));
        writer.setResolution(300);
        margin = writer.pageLayout().paintRectPixels(300).topLeft();
        const int width = writer.width();
        const int height = writer.height();
        int top = 50;
        for (int share : {15, 18, 10, 27, 11, 14}) {
            sections.append(QRect(50, top, width - 100, share * height / 100));
            top += sections.last().height();
        }
    }
    QPoint margin;
    QList<QRect> sections;

    int labelX() const { return 50 + 550; }
    // Value columns count from the page's edge: half the frame width and 200
    // dots, 350 for the measurements.
    int valueX(int section) const { return (sections[0].width() / 2) + (section == 2 ? 350 : 200); }
    int row(int section, int row) const { return sections[section].y() + 150 + 50 * row; }
};

bool wordAt(const QList<Word> &words, const QString &text, const Page &page, int x, int baseline)
{
    const double left = (page.margin.x() + x) * 72.0 / 300;
    const double base = (page.margin.y() + baseline) * 72.0 / 300;
    for (const Word &word : words) {
        // pdftotext boxes span ascent and descent; Arial and its stand-in
        // Liberation Sans descend 0.212 em of their 1.117 em.
        const double wordBase = word.box.bottom() - word.box.height() * 0.212 / 1.117;
        if (word.text == text && qAbs(word.box.left() - left) < 0.5 && qAbs(wordBase - base) < 0.5)
            return true;
    }
    return false;
}

} // namespace

class PdfReportTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { delete window; }
    void compiledInImages_data();
    void compiledInImages();
    void documentProperties();
    void rows_data();
    void rows();
    void measurementRows_data();
    void measurementRows();
    void positions_data();
    void positions();
    void listingLineWithoutColon();

private:
    QString writeReport(const QString &name);

    QTemporaryDir home;
    MainWindow *window = nullptr;
    QString typicalReport;
};

void PdfReportTest::initTestCase()
{
    QVERIFY(home.isValid());
    useHome(home);
    qputenv("VESTRA_PORTS", ",");
    QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));
    window = new MainWindow;
    fillTypicalTest(window, SelfTestMessage);
    QVERIFY(window->decodeMessage());
    typicalReport = writeReport(QStringLiteral("typical"));
    QVERIFY(!typicalReport.isEmpty());
}

QString PdfReportTest::writeReport(const QString &name)
{
    const QString path = home.filePath(name + QStringLiteral(".pdf"));
    pdfReport report(window);
    return report.createReport(path, window) ? path : QString();
}

void PdfReportTest::compiledInImages_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("report logo") << ":Halvik_logo.png" << QSize(476, 177);
    QTest::newRow("window icon") << ":/vestra-icon.png" << QSize(32, 32);
}

void PdfReportTest::compiledInImages()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image(path);
    QCOMPARE(image.size(), size);
    QVERIFY(image.hasAlphaChannel());
    QCOMPARE(QResource(path).compressionAlgorithm(), QResource::NoCompression);
}

void PdfReportTest::documentProperties()
{
    const QString info = pdfInfo(typicalReport);
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("^Pages: +1$"),
                                              QRegularExpression::MultilineOption)),
             qPrintable(info));
    QVERIFY(info.contains(QRegularExpression(QStringLiteral("^Title: +Beacon report$"),
                                             QRegularExpression::MultilineOption)));
    QVERIFY(info.contains(QRegularExpression(QStringLiteral("^Creator: +Halvik$"),
                                             QRegularExpression::MultilineOption)));
    // pdfimages -list: one line per image, the logo at its pixel size.
    QVERIFY2(imageList(typicalReport)
                 .contains(QRegularExpression(QStringLiteral(R"(image +476 +177 )"))),
             qPrintable(imageList(typicalReport)));
}

void PdfReportTest::rows_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("value");
    const char *rows[][2] = {
        {"", "Kova VESTRA EPIRB Tester"},
        {"", "Test report"},
        {"", "Beacon Information"},
        {"Vessel Name:", "MS Fjordlys"},
        {"Beacon Manufacturer:", "ACME"},
        {"Model:", "EB-5"},
        {"Beacon serial number:", "12/345"},
        {"Bracket type:", "FB-2"},
        {"Bracket serial number:", "B-778"},
        {"Battery expiry:", "2029-03"},
        {"Hydrostatic release expiry date:", "2026-11"},
        {"SBM due date:", "2027-01"},
        {"", "Measurements"},
        {"Frequency: (MHz) (406.031 +/-0.0050)", "406.0312"},
        {"RF level (dB):", "37"},
        {"Status:", "Message from EPIRB received OK"},
        {"", "Message decoding"},
        {"Hex message:", "FFFED093C21E24012D814A62ECF7B1412A02"},
        {"Message format:", "long format"},
        {"Protocol:", "Location"},
        {"Country code:", "316"},
        {"Location Type:", "Standard Location - EPIRB-MMSI"},
        {"MMSI :", "123456"},
        {"Buoy No :", "1"},
        {"Position Data source:", "Internal"},
        {"Aux device:", "121.5 MHz homer"},
        {"15 HexID:", "27843C4802FFBFF"},
        {"", "Reference"},
        {"", "IMO MSC.1/Circ. 1040/Rev.2 and SOLAS IV/15.9.1 (Annual test)"},
        {"", "IMO MSC /Circ. 1039 (All revisions) and SOLAS IV/15.9.2 (Shore-based "
             "maintainance)"},
        {"Company:NordSafe", "Tested by: Kari Holm"},
        {"", "Kova VESTRA info"},
        {"Serial no:", "12345-67890"},
        {"Calibration due:", "06-27"},
        {"PC software version:", VESTRA_VERSION},
    };
    for (const auto &row : rows) {
        QTest::newRow(*row[0] ? row[0] : row[1])
            << QString::fromUtf8(row[0]) << QString::fromUtf8(row[1]);
    }
}

void PdfReportTest::rows()
{
    QFETCH(QString, label);
    QFETCH(QString, value);
    static const QString text = layoutText(typicalReport);
    QVERIFY2(hasRow(text, label, value), qPrintable(text));
}

void PdfReportTest::measurementRows_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("frequency");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("limits");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<bool>("distress");
    const QString ok = QStringLiteral("Message from EPIRB received OK");
    const QString outside = QStringLiteral("Frequency outside limits");
    QTest::newRow("406.028 target, 2 kHz above passes")
        << 1 << "406.030" << SelfTestMessage << " (406.028 +0.0020 -0.0050)" << ok << false;
    QTest::newRow("target changed after the test")
        << 4 << "406.0312" << SelfTestMessage << " (406.040 +/-0.0050)" << outside << false;
    QTest::newRow("distress message")
        << 2 << "406.0312" << DistressMessage << " (406.031 +/-0.0050)" << ok << true;
}

void PdfReportTest::measurementRows()
{
    QFETCH(int, target);
    QFETCH(QString, frequency);
    QFETCH(QString, message);
    QFETCH(QString, limits);
    QFETCH(QString, verdict);
    QFETCH(bool, distress);
    auto *targets = window->findChild<QComboBox *>(QStringLiteral("comboBox"));
    targets->setCurrentIndex(target);
    setField(window, "TxtLabelFreq", frequency);
    setField(window, "TxtLabelHexMsg", message);
    const QString pdf = writeReport(QString::fromUtf8(QTest::currentDataTag()));
    targets->setCurrentIndex(2);
    fillTypicalTest(window, SelfTestMessage);

    const QString text = layoutText(pdf);
    QVERIFY2(hasRow(text, QStringLiteral("Frequency: (MHz)") + limits, frequency),
             qPrintable(text));
    QVERIFY(hasRow(text, QStringLiteral("Status:"), verdict));
    QCOMPARE(text.contains(QStringLiteral("***Distress message***")), distress);
}

void PdfReportTest::positions_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("baseline");
    const Page page;
    const QRect header = page.sections[0];
    const QRect info = page.sections[5];
    QTest::newRow("header title") << "Kova" << header.x() + 40 << header.y() + 220;
    QTest::newRow("first beacon label") << "Vessel" << page.labelX() << page.row(1, 0);
    QTest::newRow("first beacon value") << "MS" << page.valueX(1) << page.row(1, 0);
    QTest::newRow("last beacon value") << "2027-01" << page.valueX(1) << page.row(1, 8);
    QTest::newRow("frequency value") << "406.0312" << page.valueX(2) << page.row(2, 0);
    QTest::newRow("verdict") << "Message" << page.valueX(2) << page.row(2, 2);
    QTest::newRow("first listing label") << "Hex" << page.labelX() << page.row(3, 0);
    QTest::newRow("first listing value") << SelfTestMessage << page.valueX(3) << page.row(3, 0);
    QTest::newRow("last listing value") << "27843C4802FFBFF" << page.valueX(3) << page.row(3, 10);
    QTest::newRow("second reference") << "IMO" << page.labelX() << page.row(4, 1);
    QTest::newRow("company") << "Company:NordSafe" << page.labelX() << page.row(4, 3);
    QTest::newRow("tester") << "Tested" << page.valueX(4) << page.row(4, 3);
    QTest::newRow("version") << VESTRA_VERSION << page.valueX(5) << page.row(5, 2);
    QTest::newRow("report date on the bottom edge")
        << QDate::currentDate().toString(Qt::TextDate).section(u' ', 0, 0) << info.x() + 100
        << info.y() + info.height();
}

void PdfReportTest::positions()
{
    QFETCH(QString, word);
    QFETCH(int, x);
    QFETCH(int, baseline);
    static const QList<Word> found = words(typicalReport);
    QVERIFY(wordAt(found, word, Page(), x, baseline));
}

void PdfReportTest::listingLineWithoutColon()
{
    // An empty message decodes to a listing that ends in "Protocol not Implemented".
    setField(window, "lineEditHexMsg", QString());
    QVERIFY(window->decodeMessage());
    QCOMPARE(window->decodedLines().value(5), QStringLiteral("Protocol not Implemented"));
    const QString pdf = writeReport(QStringLiteral("no-colon"));
    fillTypicalTest(window, SelfTestMessage);
    QVERIFY(window->decodeMessage());

    const Page page;
    const QList<Word> found = words(pdf);
    QVERIFY(wordAt(found, QStringLiteral("Protocol"), page, page.valueX(3), page.row(3, 5)));
}

QTEST_MAIN(PdfReportTest)
#include "tst_pdfreport.moc"
