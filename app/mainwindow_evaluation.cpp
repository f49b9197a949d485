// The window's display of a completed measurement.

#include "mainwindow.h"

#include "evaluation.h"
#include "ui_mainwindow.h"
#include "verdicts.h"

#include <QMessageBox>

void MainWindow::evaluateReadings()
{
    measured = exchange.readings;
    shown =
        evaluate(measured[HexMessageReading], measured[FrequencyReading], measured[RfLevelReading],
                 measured[CalibrationDueReading], measured[StatusReading],
                 measured[SerialNoReading], ui->comboBox->currentIndex());

    ui->TxtLabelHexMsg->setText(shown.hexMessage);
    ui->lineEditHexMsg->setText(shown.hexMessage);
    ui->TxtLabelFreq->setText(shown.frequency);
    ui->TxtLabelRfLevel->setText(shown.rfLevel);
    ui->TxtLabelCalibration->setText(shown.calibrationDue);
    ui->TxtLabelSerialNo->setText(shown.serialNo);
    ui->TxtLabelDistressStatus->setText(shown.distressText);

    const QLatin1String style(shown.statusGood ? Verdicts::GoodStyle : Verdicts::BadStyle);
    ui->TxtLabelStatus->setStyleSheet(style);
    ui->TxtLabelStatus->setText(shown.statusText);
    if (shown.restyleDistress) {
        ui->TxtLabelDistressStatus->setVisible(shown.distressVisible);
        ui->TxtLabelDistressStatus->setStyleSheet(style);
    }
}

void MainWindow::showDistressWarning()
{
    QMessageBox::warning(this, QStringLiteral("DISTRESS ALARM!"),
                         QStringLiteral("The message received from EPIRB was\n"
                                        "decoded as a distress message.\n"
                                        "Please save report as a reference."),
                         QMessageBox::Ok, QMessageBox::NoButton);
}
