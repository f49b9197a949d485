#include "reportcheck.h"
#include "simulator.h"
#include "vestraversion.h"
#include "windowdriver.h"

#include <QDesktopServices>
#include <QPdfWriter>
#include <QPushButton>
#include <QTest>

using namespace ReportCheck;

namespace {

const char Hex[] = "FFFE2F93C21E24012D814A62ECF7B1412A02";

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
    {1, 6, "lineEdit_9", "Battery expiry:", "2029-03"},
    {1, 7, "lineEdit_3", "Hydrostatic release expiry date:", "2026-11"},
    {1, 8, "lineEdit_DD", "SBM due date:", "2027-01"},
    {2, 0, nullptr, "Frequency: (MHz) (406.031 +/-0.0050)", "406.0339"},
    {2, 1, nullptr, "RF level (dB):", "35"},
    {2, 2, nullptr, "Status:", "Message from EPIRB received OK"},
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

} // namespace

class tst_MakeReport : public QObject
{
    Q_OBJECT

    QTemporaryDir home;
    std::unique_ptr<MainWindow> window;
    QList<QUrl> opened;  // by the desktop's PDF viewer
    QString text, boxes; // of the report, as poppler reads it
    QPoint margin;
    QList<QRect> sections; // in dots at 300 dpi, as the layout rules put them

    // Types the fields and presses "Make Report"; the texts of the message boxes.
    QStringList makeReport(const QStringList &fields)
    {
        for (int i = 0; i + 1 < fields.size(); i += 2)
            window->findChild<QWidget *>(fields[i])->setProperty("text", fields[i + 1]);
        MessageBoxCloser closer;
        WindowDriver::widget<QPushButton>(window.get(), "pbDecodeData")->click();
        return closer.texts;
    }
    bool wordAt(const QString &word, int x, int y) const
    {
        static const QRegularExpression box(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)<)re");
        for (const auto &m : box.globalMatch(boxes)) {
            // Liberation Sans, Arial's stand-in, descends 0.212 em of its 1.117 em.
            const double top = m.captured(2).toDouble(), bottom = m.captured(3).toDouble();
            if (m.captured(4) == word.section(u' ', 0, 0).toHtmlEscaped() &&
                qAbs(m.captured(1).toDouble() - (margin.x() + x) * 0.24) < 0.5 &&
                qAbs(bottom - (bottom - top) * 0.212 / 1.117 - (margin.y() + y) * 0.24) < 0.5)
                return true;
        }
        return false;
    }

    QStringList log() const { return WindowDriver::statusLines(window.get()); }

public slots:
    void open(const QUrl &url) { opened.append(url); }

private slots:
    void technicianRoad()
    {
        useHome(home);
        QCoreApplication::setApplicationVersion(VESTRA_VERSION);
        QDesktopServices::setUrlHandler("file", this, "open");
        Simulator simulator({"--hex", Hex, "--frequency", "406.0339", "--rf-level", "35",
                             "--calibration", "0627", "--serial", "1234567890", "--status",
                             "LoBat"});
        QVERIFY(simulator.start());
        window = WindowDriver::startWindow({simulator.portPath()});
        auto distressWarning = std::make_unique<MessageBoxCloser>();
        QVERIFY(WindowDriver::requestData(window.get()));
        distressWarning.reset();
        QCOMPARE(makeReport({}), {"Please enter at least\nManufacturer\nModel and Serial"});
        QStringList typed{"lineEdit_6", "Nord, Safe", "lineEdit_11", "=Kari Holm"};
        for (const auto &r : Rows)
            typed << (r.field ? QStringList{r.field, r.value} : QStringList());
        typed.append({"lineEdit", "Sjøbris 1"});
        QCOMPARE(makeReport(typed), QStringList());
        QCOMPARE(makeReport({"lineEdit", "Sjøbris 2"}), QStringList());
        const QString folder = home.filePath("Documents/VESTRA_Reports");
        const QString pdf = folder + "/ACME EB-5 77.pdf";
        QCOMPARE(opened, QList<QUrl>(2, QUrl::fromLocalFile(pdf)));
        QCOMPARE(log().mid(0, 2), QStringList(2, "Saving: " + pdf));

        // One page, the logo on it at its pixel size.
        const QRegularExpression info(
            "Title: +Beacon report\n(.*\n)*Creator: +Halvik\n(.*\n)*Pages: +1\n");
        QVERIFY(poppler({"pdfinfo", pdf}).contains(info));
        const QRegularExpression logo(R"(\n +1 +\d+ image +476 +177 )");
        QCOMPARE(poppler({"pdfimages", "-list", pdf}).count(logo), 1);
        text = poppler({"pdftotext", "-layout", pdf, "-"});
        boxes = poppler({"pdftotext", "-bbox", pdf, "-"});
        // Both tests are on record, each value as the report printed it.
        const QString registerPath = folder + "/test-register.csv";
        const QByteArray bytes = contents(registerPath);
        const QList<QStringList> lines = readCsv(bytes.mid(3));
        QCOMPARE(lines.size(), 3);
        for (int i : {1, 2}) {
            QVERIFY(lines[i][0].startsWith(QDate::currentDate().toString(Qt::ISODate) + 'T'));
            QCOMPARE(
                lines[i].mid(1),
                QStringList({QString("Sjøbris %1").arg(i), "ACME", "EB-5", "7/7", "27843C4802FFBFF",
                             Hex, "406.031 MHz", "406.0339", "Message from EPIRB received OK",
                             "***Distress message***", "35", "LoBat", "    Replace VESTRA battery",
                             "12345-67890", "06-27", "Nord, Safe", "'=Kari Holm", VESTRA_VERSION,
                             "ACME EB-5 77.pdf"}));
        }

        // A register that cannot be written costs the report nothing.
        QFile::setPermissions(registerPath, QFile::ReadOwner);
        QCOMPARE(makeReport({}), QStringList());
        QCOMPARE(log().mid(0, 2),
                 QStringList({"Test register not updated: Permission denied", "Saving: " + pdf}));
        QCOMPARE(contents(registerPath), bytes);

        QPdfWriter writer(home.filePath("unused.pdf")); // for where the layout puts things
        writer.setResolution(300);
        margin = writer.pageLayout().paintRectPixels(300).topLeft();
        for (int share : {15, 18, 10, 27, 11, 14}) {
            const int top = sections.isEmpty() ? 50 : sections.last().bottom() + 1;
            sections.append(QRect(50, top, writer.width() - 100, share * writer.height() / 100));
        }
        QVERIFY(wordAt("Kova", sections[0].x() + 40, sections[0].y() + 220));
        const QString today = QDate::currentDate().toString(Qt::TextDate);
        QVERIFY(wordAt(today, sections[5].x() + 100, sections[5].bottom() + 1));
        QDesktopServices::unsetUrlHandler("file");
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
        const QString label = r.label, value = r.value;
        const char *titles[] = {"Test report",      "Beacon Information", "Measurements",
                                "Message decoding", "Reference",          "Kova VESTRA info"};
        QVERIFY(text.contains(label) && text.contains(value) && text.contains(titles[r.section]));
        const int baseline = sections.value(r.section).y() + 150 + 50 * r.row;
        QVERIFY(label.isEmpty() || wordAt(label, sections.value(r.section).x() + 550, baseline));
        // The value column counts from the page's edge, not the section's.
        const int valueX = sections.value(0).width() / 2 + (r.section == 2 ? 350 : 200);
        QVERIFY(value.isEmpty() || wordAt(value, valueX, baseline));
    }
};

QTEST_MAIN(tst_MakeReport)
#include "tst_makereport.moc"
