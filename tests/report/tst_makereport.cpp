#include "reportcheck.h"
#include "simulator.h"
#include "vestraversion.h"
#include "windowdriver.h"

#include <QDesktopServices>
#include <QDir>
#include <QPushButton>
#include <QTest>

using namespace ReportCheck;

class tst_MakeReport : public QObject
{
    Q_OBJECT

    QTemporaryDir home;
    std::unique_ptr<MainWindow> window;
    QList<QUrl> opened; // by the desktop's PDF viewer

    void set(const char *field, const QString &text)
    {
        window->findChild<QWidget *>(field)->setProperty("text", text);
    }
    // Presses "Make Report"; the texts of the message boxes that came up.
    QStringList makeReport()
    {
        MessageBoxCloser closer;
        WindowDriver::widget<QPushButton>(window.get(), "pbDecodeData")->click();
        return closer.texts;
    }

public slots:
    void open(const QUrl &url) { opened.append(url); }

private slots:
    void technicianRoad()
    {
        useHome(home);
        QCoreApplication::setApplicationVersion(VESTRA_VERSION);
        QDesktopServices::setUrlHandler("file", this, "open");
        const QString hex = "FFFE2F93C21E24012D814A62ECF7B1412A02";
        Simulator simulator({"--hex", hex, "--frequency", "406.0339", "--rf-level", "35",
                             "--calibration", "0627", "--serial", "1234567890", "--status",
                             "LoBat"});
        QVERIFY(simulator.start());
        window = WindowDriver::startWindow({simulator.portPath()});
        {
            MessageBoxCloser distressWarning;
            QVERIFY(WindowDriver::requestData(window.get()));
        }
        set("lineEdit_2", "ACME");
        set("lineEdit_7", "EB-5");
        set("lineEdit_6", "Nord, Safe");
        set("lineEdit_11", "=Kari Holm");
        QCOMPARE(makeReport(),
                 QStringList("Please enter at least\nManufacturer\nModel and Serial"));
        set("lineEdit_5", "7/7");
        set("lineEdit", "Sjøbris 1");
        QCOMPARE(makeReport(), QStringList());
        set("lineEdit", "Sjøbris 2");
        QCOMPARE(makeReport(), QStringList());
        const QString folder = home.filePath("Documents/VESTRA_Reports"),
                      pdf = folder + "/ACME EB-5 77.pdf";
        QCOMPARE(opened, QList<QUrl>(2, QUrl::fromLocalFile(pdf)));
        QCOMPARE(WindowDriver::statusLines(window.get()).mid(0, 2),
                 QStringList(2, "Saving: " + pdf));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"ACME EB-5 77.pdf", "test-register.csv"}));

        // The second report replaced the first, with the readings of the exchange.
        const QString text = poppler({"pdftotext", "-layout", pdf, "-"});
        QVERIFY2(!text.contains("Sjøbris 1") && hasRow(text, "Vessel Name:", "Sjøbris 2"),
                 qPrintable(text));
        QVERIFY(hasRow(text, "Frequency: (MHz) (406.031 +/-0.0050)", "406.0339"));
        QVERIFY(hasRow(text, "", "***Distress message***"));
        QVERIFY(hasRow(text, "Calibration due:", "06-27"));
        for (const QString &line : window->decodedLines()) {
            const int colon = line.indexOf(u':');
            QVERIFY2(hasRow(text, line.left(colon + 1), line.mid(colon + 2)), qPrintable(line));
        }

        // Both tests are on record, each value as the report printed it.
        const QString registerPath = folder + "/test-register.csv";
        const QByteArray bytes = contents(registerPath);
        const QList<QStringList> lines = readCsv(bytes.mid(3));
        QCOMPARE(lines.size(), 3);
        for (int i : {1, 2}) {
            QVERIFY(
                lines[i].value(0).startsWith(QDate::currentDate().toString(Qt::ISODate) + u'T'));
            QCOMPARE(
                lines[i].mid(1),
                QStringList({QString("Sjøbris %1").arg(i), "ACME", "EB-5", "7/7", "27843C4802FFBFF",
                             hex, "406.031 MHz", "406.0339", "Message from EPIRB received OK",
                             "***Distress message***", "35", "LoBat", "    Replace VESTRA battery",
                             "12345-67890", "06-27", "Nord, Safe", "'=Kari Holm", VESTRA_VERSION,
                             "ACME EB-5 77.pdf"}));
        }

        // A register that cannot be written costs the report nothing.
        QFile::setPermissions(registerPath, QFile::ReadOwner);
        QCOMPARE(makeReport(), QStringList());
        QCOMPARE(opened.size(), 3);
        QCOMPARE(WindowDriver::statusLines(window.get()).mid(0, 2),
                 QStringList({"Test register not updated: Permission denied", "Saving: " + pdf}));
        QCOMPARE(contents(registerPath), bytes);

        // Refused before anything is written or logged.
        const QStringList log = WindowDriver::statusLines(window.get());
        set("lineEditHexMsg", "FFFED093C31E24012D814A62ECF7B1412A02");
        set("lineEdit_5", "");
        QCOMPARE(makeReport(), QStringList("Message received incorrect\nTry again."));
        set("lineEditHexMsg", hex);
        set("lineEdit_5", "8");
        QDir(folder).removeRecursively();
        QCOMPARE(makeReport(),
                 QStringList("The report cannot be written.\nIf the report is open in "
                             "another\napplication please close it"));
        QCOMPARE(WindowDriver::statusLines(window.get()), log);
        QCOMPARE(opened.size(), 3);
    }
};

QTEST_MAIN(tst_MakeReport)
#include "tst_makereport.moc"
