#include "mainwindow.h"

#include "messagelisting.h"
#include "pdfreport.h"
#include "reportfile.h"
#include "testregister.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace {

// The register line of a saved report, from the accessors the report reads.
TestRegister::Entry registerEntry(const MainWindow &window, const QString &reportPath)
{
    const QStringList listing = window.decodedLines();
    TestRegister::Entry entry;
    entry.time = QDateTime::currentDateTime();
    entry.vesselName = window.vesselName();
    entry.manufacturer = window.beaconManufacturer();
    entry.model = window.beaconModel();
    entry.beaconSerialNo = window.beaconSerialNo();
    entry.beaconId = listingValue(listing, QLatin1String(HexIdLabel));
    entry.hexMessage = listingValue(listing, QLatin1String(HexMessageLabel));
    entry.targetFrequency = window.targetFrequencyText();
    entry.measuredFrequency = window.frequencyText();
    entry.frequencyVerdict = window.frequencyVerdictText();
    entry.distressText = window.distressText();
    entry.rfLevel = window.rfLevelText();
    entry.statusReading = window.statusReading();
    entry.statusVerdict = window.statusVerdictText();
    entry.instrumentSerialNo = window.instrumentSerialNo();
    entry.calibrationDue = window.calibrationDue();
    entry.companyName = window.companyName();
    entry.testedBy = window.testedBy();
    entry.programVersion = QCoreApplication::applicationVersion();
    entry.reportFileName = QFileInfo(reportPath).fileName();
    return entry;
}

} // namespace

QString MainWindow::removeInvalidFileChars(QString text)
{
    return ReportFile::removeInvalidFileChars(text);
}

void MainWindow::on_pbDecodeData_clicked()
{
    QMessageBox messageBox;
    const QString cannotWrite = QStringLiteral("The report cannot be written.\nIf the report is "
                                               "open in another\napplication please close it");

    if (!decodeMessage()) {
        messageBox.setText(QStringLiteral("Message received incorrect\nTry again."));
        messageBox.exec();
        return;
    }

    if (beaconManufacturer().isEmpty() || beaconModel().isEmpty() || beaconSerialNo().isEmpty()) {
        messageBox.setText(QStringLiteral("Please enter at least\nManufacturer\nModel and Serial"));
        messageBox.exec();
        return;
    }

    const QString folder = ReportFile::folder();
    if (folder.isEmpty()) {
        messageBox.setText(cannotWrite);
        messageBox.exec();
        return;
    }
    const QString fileName =
        ReportFile::path(folder, beaconManufacturer(), beaconModel(), beaconSerialNo());

    // Fails while a viewer holds the report locked or the folder is gone.
    const bool existedBefore = QFile::exists(fileName);
    if (!ReportFile::canWrite(fileName)) {
        messageBox.setText(cannotWrite);
        messageBox.exec();
        return;
    }

    pdfReport report(this);
    if (!report.createReport(fileName, this)) {
        // Leave no empty file behind that only the write test made.
        if (!existedBefore)
            QFile::remove(fileName);
        messageBox.setText(cannotWrite);
        messageBox.exec();
        return;
    }
    addStatusLine(QStringLiteral("Saving: ") + fileName);

    // The report counts as saved whatever happens to its register line.
    const QString notRecorded = TestRegister::append(folder, registerEntry(*this, fileName));
    if (!notRecorded.isEmpty())
        addStatusLine(QStringLiteral("Test register not updated: ") + notRecorded);

    QDesktopServices::openUrl(QUrl::fromLocalFile(fileName));
}
