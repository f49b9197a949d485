// The window's side of the lock-step exchange: one script packet out, one
// frame back, until the script is used up; then the page is cut into readings.

#include "mainwindow.h"

#include "linklog.h"
#include "serialcomm.h"
#include "ui_mainwindow.h"

#include <QTimer>

void MainWindow::onSlipFrame(const QByteArray &frame)
{
    QByteArray next;
    switch (exchange.frameIn(frame, next)) {
    case Exchange::Outcome::SendNext:
        serialComm->sendData(next);
        break;
    case Exchange::Outcome::PageComplete:
        pageComplete();
        break;
    case Exchange::Outcome::CountMismatch:
        // Left to the receive time-out.
        break;
    }
}

void MainWindow::pageComplete()
{
    ui->groupBox->show();
    ui->Infoframe->hide();
    receiveTimer->stop();
    ui->pbDecodeData->setEnabled(true);
    serialComm->closePort();
    qCDebug(lcLink) << "Done All messages received";

    exchange.cutReadings();
    evaluateReadings();
    recallBeacon();
    warnOfExpiry();
    if (!shown.distressText.isEmpty())
        showDistressWarning();
}
