// The window's display of a measurement and its verdict.

#include "mainwindow.h"

#include "ui_mainwindow.h"
#include "verdicts.h"

#include <QMessageBox>

void MainWindow::showReadings()
{
    ui->lineEditHexMsg->setText(shown.hexMessage);
    const struct
    {
        QLabel *label;
        Reading reading;
        const QString &text;
    } labels[] = {
        {ui->TxtLabelHexMsg, HexMessageReading, shown.hexMessage},
        {ui->TxtLabelFreq, FrequencyReading, shown.frequency},
        {ui->TxtLabelRfLevel, RfLevelReading, shown.rfLevel},
        {ui->TxtLabelCalibration, CalibrationDueReading, shown.calibrationDue},
        {ui->TxtLabelSerialNo, SerialNoReading, shown.serialNo},
    };
    for (const auto &l : labels) {
        const bool missing = shown.isMissing(l.reading);
        l.label->setText(l.text);
        l.label->setStyleSheet(missing ? QLatin1String(Verdicts::BadStyle) : QLatin1String());
        l.label->setToolTip(missing ? tr("Missing from the instrument's page") : QString());
    }
}

void MainWindow::showVerdict()
{
    const QLatin1String style(shown.statusGood ? Verdicts::GoodStyle : Verdicts::BadStyle);
    ui->TxtLabelStatus->setStyleSheet(style);
    ui->TxtLabelStatus->setText(shown.statusText);
    ui->TxtLabelDistressStatus->setText(shown.distressText);
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
