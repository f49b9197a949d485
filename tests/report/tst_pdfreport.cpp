#include "mainwindow.h"
#include "pdfreport.h"
#include "reportcheck.h"
#include "vestraversion.h"

#include <QDate>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTest>

using namespace ReportCheck;

namespace {

// Section (0-based), row, the window field the value comes from, label, value.
const struct
{
    int section, row;
    const char *field, *label, *value;
} Rows[] = {
    {1, 0, "lineEdit", "Vessel Name:", "MS Fjordlys"},
    {1, 1, "lineEdit_2", "Beacon Manufacturer:", "ACME"},
    {1, 2, "lineEdit_7", "Model:", "EB-5"},
    {1, 3, "lineEdit_5", "Beacon serial number:", "12/345"},
    {1, 4, "lineEdit_8", "Bracket type:", "FB-2"},
    {1, 5, "lineEdit_4", "Bracket serial number:", "B-778"},
    {1, 6, "lineEdit_9", "Battery expiry:", "2029-03"},
    {1, 7, "lineEdit_3", "Hydrostatic release expiry date:", "2026-11"},
    {1, 8, "lineEdit_DD", "SBM due date:", "2027-01"},
    {2, 0, "TxtLabelFreq", "Frequency: (MHz) (406.031 +/-0.0050)", "406.0312"},
    {2, 1, "TxtLabelRfLevel", "RF level (dB):", "37"},
    {2, 2, nullptr, "Status:", "Message from EPIRB received OK"},
    {3, 0, "lineEditHexMsg", "Hex message:", "FFFED093C21E24012D814A62ECF7B1412A02"},
    {3, 10, nullptr, "15 HexID:", "27843C4802FFBFF"},
    {4, 0, nullptr, "IMO MSC.1/Circ. 1040/Rev.2 and SOLAS IV/15.9.1 (Annual test)", ""},
    {4, 1, nullptr,
     "IMO MSC /Circ. 1039 (All revisions) and SOLAS IV/15.9.2 (Shore-based "
     "maintainance)",
     ""},
    {4, 3, nullptr, "Company:NordSafe", "Tested by: Kari Holm"},
    {5, 0, "TxtLabelSerialNo", "Serial no:", "12345-67890"},
    {5, 1, "TxtLabelCalibration", "Calibration due:", "06-27"},
    {5, 2, nullptr, "PC software version:", VESTRA_VERSION},
};

} // namespace

class tst_PdfReport : public QObject
{
    Q_OBJECT

    QTemporaryDir home;
    QString pdf, text, boxes;
    QPoint margin;
    QList<QRect> sections; // in dots at 300 dpi, as the layout rules put them

    // Whether the word begins at x with its baseline at y.
    bool wordAt(const QString &word, int x, int y) const
    {
        static const QRegularExpression box(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)<)re");
        for (const auto &m : box.globalMatch(boxes)) {
            // Boxes span ascent and descent; Arial and its stand-in Liberation
            // Sans descend 0.212 em of their 1.117 em.
            const double top = m.captured(2).toDouble(), bottom = m.captured(3).toDouble();
            if (m.captured(4) == word.section(u' ', 0, 0) &&
                qAbs(m.captured(1).toDouble() - (margin.x() + x) * 0.24) < 0.5 &&
                qAbs(bottom - (bottom - top) * 0.212 / 1.117 - (margin.y() + y) * 0.24) < 0.5)
                return true;
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        useHome(home);
        qputenv("VESTRA_PORTS", ",");
        QCoreApplication::setApplicationVersion(VESTRA_VERSION);
        MainWindow window;
        for (const auto &r : Rows) {
            if (r.field)
                window.findChild<QWidget *>(r.field)->setProperty("text",
                                                                  QString::fromUtf8(r.value));
        }
        // The status row prints the frequency verdict, not what the status label shows.
        window.findChild<QWidget *>("TxtLabelStatus")->setProperty("text", "LoBat");
        window.findChild<QWidget *>("lineEdit_6")->setProperty("text", "NordSafe");
        window.findChild<QWidget *>("lineEdit_11")->setProperty("text", "Kari Holm");
        QVERIFY(window.decodeMessage());
        pdf = home.filePath("r.pdf");
        QVERIFY(pdfReport(&window).createReport(pdf, &window));
        text = poppler({"pdftotext", "-layout", pdf, "-"});
        boxes = poppler({"pdftotext", "-bbox", pdf, "-"});

        QPdfWriter writer(home.filePath("unused.pdf"));
        writer.setResolution(300);
        margin = writer.pageLayout().paintRectPixels(300).topLeft();
        for (int share : {15, 18, 10, 27, 11, 14}) {
            const int top = sections.isEmpty() ? 50 : sections.last().bottom() + 1;
            sections.append(QRect(50, top, writer.width() - 100, share * writer.height() / 100));
        }
    }

    void document()
    {
        const QString info = poppler({"pdfinfo", pdf});
        for (const char *line : {"^Pages: +1$", "^Title: +Beacon report$", "^Creator: +Halvik$"})
            QVERIFY2(info.contains(QRegularExpression(line, QRegularExpression::MultilineOption)),
                     line);
        // The logo once, at its pixel size.
        const QRegularExpression logo(R"(\n +1 +\d+ image +476 +177 )");
        QCOMPARE(poppler({"pdfimages", "-list", pdf}).count(logo), 1);
        for (const char *title : {"Test report", "Beacon Information", "Measurements",
                                  "Message decoding", "Reference", "Kova VESTRA info"})
            QVERIFY2(hasRow(text, "", title), title);
        QVERIFY(wordAt("Kova", sections[0].x() + 40, sections[0].y() + 220));
        const QString today = QDate::currentDate().toString(Qt::TextDate);
        QVERIFY(wordAt(today, sections[5].x() + 100, sections[5].bottom() + 1));
    }

    void rows_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(Rows)); ++i)
            QTest::newRow(Rows[i].label) << i;
    }
    void rows()
    {
        QFETCH(int, index);
        const auto &r = Rows[index];
        const QString label = r.label, value = r.value;
        QVERIFY2(value.isEmpty() ? hasRow(text, "", label) : hasRow(text, label, value),
                 qPrintable(text));
        const int baseline = sections[r.section].y() + 150 + 50 * r.row;
        QVERIFY(wordAt(label, sections[r.section].x() + 550, baseline));
        // The value column counts from the page's edge, not the section's.
        const int valueX = sections[0].width() / 2 + (r.section == 2 ? 350 : 200);
        QVERIFY(value.isEmpty() || wordAt(value, valueX, baseline));
    }
};

QTEST_MAIN(tst_PdfReport)
#include "tst_pdfreport.moc"
