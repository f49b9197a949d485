// The window's side of a data request: the exchange runs in the instrument
// session; the window shows its progress and then what it hands back.

#include "mainwindow.h"

#include "instrumentsession.h"
#include "testrecordwindow.h"
#include "ui_mainwindow.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcWindow, "vestra.window")

void MainWindow::on_pbRequestData_clicked()
{
    addStatusLine(QStringLiteral("Receiving data"));
    qCDebug(lcWindow) << "Request Data";
    ui->pbDecodeData->setEnabled(false);
    ui->groupBox->hide();
    ui->Infoframe->move(50, 10); // where the group box stands
    ui->Infoframe->show();
    testRecordWindow->clearAnswers();
    link->requestData(!debugMode);
}

void MainWindow::onProgress(int value)
{
    ui->progressBar->setValue(value);
}

void MainWindow::onMeasurement(const Measurement &measurement)
{
    ui->groupBox->show();
    ui->Infoframe->hide();
    ui->pbDecodeData->setEnabled(true);

    measured = measurement.readings;
    shown = evaluate(measurement, ui->comboBox->currentIndex());
    showReadings();
    showVerdict();
    for (const QString &name : measurement.missingNames())
        addStatusLine(QStringLiteral("Reading missing from the instrument's page: ") + name);
    recallBeacon();
    warnOfExpiry();
    testRecordWindow->takeMeasurement(testRecord());
    if (!shown.distressText.isEmpty())
        showDistressWarning();
}

void MainWindow::onReceiveTimedOut()
{
    ui->groupBox->show();
    ui->Infoframe->hide();
    shown = receiveTimedOut(shown);
    showVerdict();
    testRecordWindow->showTest(testRecord());
}

void MainWindow::onPortLost(const QString &reason)
{
    addStatusLine(QStringLiteral("Serial port lost: ") + reason);
    offerSearchAgain(true);
}
