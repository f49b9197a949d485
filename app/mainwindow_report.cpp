// The window's side of the report: the test as shown, "Make Report", the
// form filled in from a beacon's earlier test, and the history window.

#include "mainwindow.h"

#include "beaconhistory.h"
#include "duedates.h"
#include "historykeeper.h"
#include "historywindow.h"
#include "keptaside.h"
#include "reportfile.h"
#include "savereport.h"
#include "testfields.h"
#include "testrecordwindow.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QDate>
#include <QDesktopServices>
#include <QListWidgetItem>
#include <QMessageBox>
#include <QUrl>

#include <utility>

BeaconFields MainWindow::beaconFields() const
{
    BeaconFields fields;
    for (const TestField &f : TestFields::all()) {
        if (f.kind == TestField::Typed)
            fields.*f.typed = findChild<QLineEdit *>(QLatin1String(f.formEdit))->text();
    }
    return fields;
}

void MainWindow::setBeaconFields(const BeaconFields &fields)
{
    for (const TestField &f : TestFields::all()) {
        if (f.kind != TestField::Typed)
            continue;
        auto *edit = findChild<QLineEdit *>(QLatin1String(f.formEdit));
        if (edit->text() != fields.*f.typed)
            edit->setText(fields.*f.typed);
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
    record.measuredAt = measuredAt;
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
    sayExpiryWarnings();
    const TestRecord record = testRecord();
    const ReportOutcome outcome = saveReport(record, ReportFile::folder());
    for (const QString &line : outcome.statusLines)
        addStatusLine(line);
    if (!outcome.saved()) {
        QMessageBox messageBox;
        messageBox.setText(outcome.refusal);
        messageBox.exec();
        return;
    }
    // The history and the register follow beside the window; their lines
    // come when they are done.
    historyKeeper->store(record);
    QDesktopServices::openUrl(QUrl::fromLocalFile(outcome.path));
}

void MainWindow::recallBeacon()
{
    measuredAt = QDateTime::currentDateTime();
    if (ReportFile::folder().isEmpty())
        return;
    ++lookUpsRunning;
    historyKeeper->lookUp(reportMessage());
}

void MainWindow::onLookedUp(const Result<std::optional<StoredTest>> &found)
{
    --lookUpsRunning;
    // Filled in as the forms stand now: what was typed meanwhile stays.
    TestRecord form;
    form.beacon = beaconFields();
    form.sheet.ship = testRecordWindow->sheet().ship;
    const Recall recall = recallFrom(found, form);
    if (!recall.error.isEmpty()) {
        if (!std::exchange(historyErrorShown, true))
            addStatusLine(recall.error);
    } else {
        historyErrorShown = false;
    }
    if (!recall.statusLine.isEmpty()) {
        setBeaconFields(form.beacon);
        addStatusLine(recall.statusLine);
        testRecordWindow->setShip(form.sheet.ship);
    }
    if (lookUpsRunning == 0 && std::exchange(expiryWarningWaits, false))
        sayExpiryWarnings();
}

void MainWindow::warnOfExpiry()
{
    // The dates as next year's form fills them in.
    if (lookUpsRunning > 0)
        expiryWarningWaits = true;
    else
        sayExpiryWarnings();
}

void MainWindow::sayExpiryWarnings()
{
    for (const QString &line : expiryWarnings(beaconFields(), QDate::currentDate()))
        addStatusLine(line);
}

void MainWindow::openHistoryAtStart()
{
    historyKeeper = new HistoryKeeper({ReportFile::folder(), KeptAside::folder()}, this);
    connect(historyKeeper, &HistoryKeeper::statusLine, this, &MainWindow::addStatusLine);
    connect(historyKeeper, &HistoryKeeper::progress, this, &MainWindow::showProgress);
    connect(historyKeeper, &HistoryKeeper::lookedUp, this, &MainWindow::onLookedUp);
    connect(historyKeeper, &HistoryKeeper::stored, this, [this] {
        if (historyWindow && historyWindow->isVisible())
            historyWindow->load(ReportFile::folder());
    });
    // The window shows at once; the import of a long register runs meanwhile.
    historyKeeper->startUp();
}

void MainWindow::showProgress(const QString &line)
{
    if (line.isEmpty()) {
        delete std::exchange(progressItem, nullptr);
    } else if (progressItem) {
        progressItem->setText(line);
        progressItem->setToolTip(line);
    } else {
        addStatusLine(line);
        progressItem = ui->listWidgetStatus->item(0);
    }
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
