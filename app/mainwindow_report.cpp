// The window's side of the report: the test as shown, "Make Report", the
// form filled in from a beacon's earlier test, and the history window.

#include "mainwindow.h"

#include "beaconhistory.h"
#include "duedates.h"
#include "historyatstart.h"
#include "historywindow.h"
#include "reportfile.h"
#include "savereport.h"
#include "testhistory.h"
#include "testrecordwindow.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QDate>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include <utility>

namespace {

// The form's line edit of each typed field.
const struct
{
    QString BeaconFields::*field;
    QLineEdit *Ui_MainWindow::*edit;
} FieldEdits[] = {
    {&BeaconFields::vesselName, &Ui_MainWindow::lineEdit},
    {&BeaconFields::manufacturer, &Ui_MainWindow::lineEdit_2},
    {&BeaconFields::model, &Ui_MainWindow::lineEdit_7},
    {&BeaconFields::beaconSerialNo, &Ui_MainWindow::lineEdit_5},
    {&BeaconFields::bracketType, &Ui_MainWindow::lineEdit_8},
    {&BeaconFields::bracketSerialNo, &Ui_MainWindow::lineEdit_4},
    {&BeaconFields::batteryExpiry, &Ui_MainWindow::lineEdit_9},
    {&BeaconFields::hydrostaticReleaseExpiry, &Ui_MainWindow::lineEdit_3},
    {&BeaconFields::sbmDueDate, &Ui_MainWindow::lineEdit_DD},
    {&BeaconFields::companyName, &Ui_MainWindow::lineEdit_6},
    {&BeaconFields::testedBy, &Ui_MainWindow::lineEdit_11},
};

} // namespace

BeaconFields MainWindow::beaconFields() const
{
    BeaconFields fields;
    for (const auto &f : FieldEdits)
        fields.*f.field = (ui->*f.edit)->text();
    return fields;
}

void MainWindow::setBeaconFields(const BeaconFields &fields)
{
    for (const auto &f : FieldEdits) {
        if ((ui->*f.edit)->text() != fields.*f.field)
            (ui->*f.edit)->setText(fields.*f.field);
    }
}

QString MainWindow::reportMessage() const
{
    return debugMode ? ui->lineEditHexMsg->text() : shown.hexMessage;
}

TestRecord MainWindow::testRecord() const
{
    TestRecord record;
    record.time = QDateTime::currentDateTime();
    record.beacon = beaconFields();
    record.targetIndex = ui->comboBox->currentIndex();
    record.hexMessage = reportMessage();
    record.frequency = shown.frequency;
    record.rfLevel = shown.rfLevel;
    record.calibrationDue = shown.calibrationDue;
    record.statusReading = measured[StatusReading];
    record.instrumentSerialNo = shown.serialNo;
    record.statusVerdict = shown.statusText;
    record.programVersion = QCoreApplication::applicationVersion();
    record.sheet = testRecordWindow->sheet();
    return record;
}

void MainWindow::on_pbDecodeData_clicked()
{
    warnOfExpiry();
    const ReportOutcome outcome = saveReport(testRecord(), ReportFile::folder());
    for (const QString &line : outcome.statusLines)
        addStatusLine(line);
    if (!outcome.saved()) {
        QMessageBox messageBox;
        messageBox.setText(outcome.refusal);
        messageBox.exec();
        return;
    }
    if (historyWindow && historyWindow->isVisible())
        historyWindow->load(ReportFile::folder());
    QDesktopServices::openUrl(QUrl::fromLocalFile(outcome.path));
}

void MainWindow::recallBeacon()
{
    const QString folder = ReportFile::folder();
    if (folder.isEmpty())
        return;
    BeaconFields fields = beaconFields();
    const Recall recall = ::recallBeacon(TestHistory::path(folder), reportMessage(), fields);
    if (!recall.error.isEmpty()) {
        if (!std::exchange(historyErrorShown, true))
            addStatusLine(recall.error);
        return;
    }
    if (recall.statusLine.isEmpty())
        return;
    setBeaconFields(fields);
    addStatusLine(recall.statusLine);
}

void MainWindow::warnOfExpiry()
{
    for (const QString &line : expiryWarnings(beaconFields(), QDate::currentDate()))
        addStatusLine(line);
}

void MainWindow::openHistoryAtStart()
{
    const QString folder = ReportFile::folder();
    if (folder.isEmpty())
        return;
    for (const QString &line : ::openHistoryAtStart(folder))
        addStatusLine(line);
}

void MainWindow::showHistory()
{
    if (!historyWindow) {
        historyWindow = new HistoryWindow(this);
        connect(historyWindow, &HistoryWindow::statusLine, this, &MainWindow::addStatusLine);
    }
    historyWindow->load(ReportFile::folder());
    historyWindow->present();
}
