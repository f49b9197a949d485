// The window's display of a completed measurement and its verdict accessors.

#include "mainwindow.h"

#include "ui_mainwindow.h"
#include "verdicts.h"

#include <QMessageBox>

namespace {

// Where the dash goes into the calibration date and the serial number.
constexpr int CalibrationDashAt = 2;
constexpr int SerialDashAt = 5;

} // namespace

void MainWindow::evaluateReadings()
{
    ui->TxtLabelHexMsg->setText(readings[HexMessageReading]);
    ui->lineEditHexMsg->setText(readings[HexMessageReading]);
    ui->TxtLabelFreq->setText(readings[FrequencyReading]);
    ui->TxtLabelRfLevel->setText(readings[RfLevelReading]);
    // The dashes go into the shown copy only: a reading that the next exchange
    // does not replace must not be dashed twice.
    ui->TxtLabelCalibration->setText(
        Verdicts::withDash(readings[CalibrationDueReading], CalibrationDashAt));
    ui->TxtLabelStatus->setText(readings[StatusReading]);
    ui->TxtLabelSerialNo->setText(Verdicts::withDash(readings[SerialNoReading], SerialDashAt));
    ui->TxtLabelDistressStatus->setText(distressText());

    QString limitText;
    if (!checkFrequency(limitText)) {
        // The distress label keeps its look; only its text changed above.
        ui->TxtLabelStatus->setStyleSheet(QLatin1String(Verdicts::BadStyle));
        ui->TxtLabelStatus->setText(QLatin1String(Verdicts::OutsideLimitsText));
        return;
    }

    ui->TxtLabelDistressStatus->setVisible(!ui->TxtLabelDistressStatus->text().isEmpty());
    const QString status = ui->TxtLabelStatus->text();
    const QLatin1String style(Verdicts::statusIsOk(status) ? Verdicts::GoodStyle
                                                           : Verdicts::BadStyle);
    ui->TxtLabelStatus->setStyleSheet(style);
    ui->TxtLabelDistressStatus->setStyleSheet(style);
    ui->TxtLabelStatus->setText(Verdicts::statusVerdict(status));
}

bool MainWindow::checkFrequency(QString &limitText) const
{
    const int target = ui->comboBox->currentIndex();
    const Verdicts::TargetFrequency *limits = Verdicts::targetFrequency(target);
    limitText = limits ? QLatin1String(limits->limitText) : QString();
    return Verdicts::frequencyInBand(ui->TxtLabelFreq->text(), target);
}

void MainWindow::showDistressWarning()
{
    QMessageBox::warning(this, QStringLiteral("DISTRESS ALARM!"),
                         QStringLiteral("The message received from EPIRB was\n"
                                        "decoded as a distress message.\n"
                                        "Please save report as a reference."),
                         QMessageBox::Ok, QMessageBox::NoButton);
}

QString MainWindow::distressText() const
{
    return Verdicts::isDistressMessage(ui->TxtLabelHexMsg->text())
               ? QLatin1String(Verdicts::DistressText)
               : QString();
}

QString MainWindow::frequencyLimitText() const
{
    QString limitText;
    checkFrequency(limitText);
    return limitText;
}

QString MainWindow::frequencyVerdictText() const
{
    QString limitText;
    return checkFrequency(limitText) ? QLatin1String(Verdicts::ReceivedOkText)
                                     : QLatin1String(Verdicts::OutsideLimitsText);
}
