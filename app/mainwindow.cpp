#include "mainwindow.h"

#include "dialogabout.h"
#include "reportfile.h"
#include "serialcomm.h"
#include "ui_mainwindow.h"
#include "verdicts.h"
#include "vestracomm.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QIcon>
#include <QLoggingCategory>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include "systemmenu.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

Q_LOGGING_CATEGORY(lcWindow, "vestra.window")

namespace {

// The tick that shows 100 on the bar ends an exchange that never completed.
constexpr int TimeoutTicks = 100;

} // namespace

MainWindow::MainWindow(QWidget *parent) : MainWindow(LinkTimings(), parent) {}

MainWindow::MainWindow(const LinkTimings &linkTimings, QWidget *parent)
    : QMainWindow(parent), ui(new Ui_MainWindow), timings(linkTimings)
{
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/vestra-icon.png")));

    aboutDialog = new DialogAbout(this);
    aboutDialog->setVersion(QCoreApplication::applicationVersion());
#ifdef Q_OS_WIN
    addAboutToSystemMenu(reinterpret_cast<HWND>(winId()));
#else
    // No window system menu here. A menu bar would push the form's bottom
    // under the status bar, so the entry sits in the status bar instead.
    auto *aboutButton = new QToolButton(ui->statusbar);
    aboutButton->setObjectName(QStringLiteral("aboutButton"));
    aboutButton->setText(tr("About..."));
    aboutButton->setAutoRaise(true);
    aboutButton->setToolTip(tr("About this program (F1)"));
    connect(aboutButton, &QToolButton::clicked, aboutDialog, &QWidget::show);
    ui->statusbar->addPermanentWidget(aboutButton);
#endif
    auto *help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, aboutDialog, &QWidget::show);

    debugMode = QCoreApplication::arguments().contains(QStringLiteral("debug"));
    ui->TxtLabelHexMsg->setVisible(!debugMode);
    ui->lineEditHexMsg->setVisible(debugMode);

    setWindowTitle(QStringLiteral("VESTRA ") + QCoreApplication::applicationVersion());
    ui->pbDecodeData->setEnabled(false);
    ui->pbRequestData->setEnabled(false);

    serialComm = new SerialComm(timings);
    vestra = new vestraComm;
    connect(serialComm, SIGNAL(connectOk()), this, SLOT(onConnectOk()));
    connect(serialComm, SIGNAL(searchVestraFailed()), this, SLOT(onVestraNotFound()));
    connect(serialComm, SIGNAL(searchVestraSuccess(QString)), this, SLOT(onVestraFound(QString)));
    connect(serialComm, SIGNAL(vestraNotFound(QString)), this, SLOT(onVestraFailed(QString)));
    serialComm->searchVestra();

    receiveTimer = new QTimer(this);
    receiveTimer->setObjectName(QStringLiteral("receiveTimer"));
    connect(serialComm, SIGNAL(slipFrame(QByteArray)), this, SLOT(onSlipFrame(QByteArray)));
    connect(receiveTimer, SIGNAL(timeout()), this, SLOT(onTimeout()));

    ui->Infoframe->hide();
    progressTicks = 0;
    makeReportFolder();
}

MainWindow::~MainWindow()
{
    // The link goes with the window, so no port stays open and no search runs on
    // after it; in the program that is the end of the run anyway.
    delete serialComm;
    delete vestra;
    delete ui;
}

void MainWindow::addStatusLine(const QString &line)
{
    ui->listWidgetStatus->insertItem(0, line);
}

void MainWindow::makeReportFolder()
{
    ReportFile::makeFolder();
}

void MainWindow::onConnectOk()
{
    addStatusLine(QStringLiteral("VESTRA Connect ok"));
}

void MainWindow::onVestraNotFound()
{
    addStatusLine(QStringLiteral("VESTRA Not found - Check com port"));
}

void MainWindow::onVestraFound(QString strPort)
{
    addStatusLine(QStringLiteral("VESTRA found at port: ") + strPort);
    ui->pbRequestData->setEnabled(true);
    portName = strPort;
}

void MainWindow::onVestraFailed(QString strPort)
{
    addStatusLine(QStringLiteral("No VESTRA found at port: ") + strPort);
}

void MainWindow::on_pbRequestData_clicked()
{
    addStatusLine(QStringLiteral("Receiving data"));
    qCDebug(lcWindow) << "Request Data";
    exchange.begin(!debugMode);
    progressTicks = 0;
    receiveTimer->start(timings.receiveTickMs);
    ui->progressBar->setValue(progressTicks++);
    ui->pbDecodeData->setEnabled(false);

    ui->groupBox->hide();
    ui->Infoframe->move(50, 10); // where the group box stands
    ui->Infoframe->show();

    serialComm->openPort(portName);
    for (int round = 0; round < timings.requestWaitRounds; ++round) {
        QCoreApplication::processEvents();
        QThread::msleep(timings.requestWaitSleepMs);
    }

    const QByteArray packet = exchange.nextPacket();
    if (!packet.isEmpty())
        serialComm->sendData(packet);
}

void MainWindow::onTimeout()
{
    ui->progressBar->setValue(progressTicks++);
    if (progressTicks <= TimeoutTicks)
        return;
    ui->groupBox->show();
    ui->Infoframe->hide();
    serialComm->closePort();
    ui->TxtLabelStatus->setStyleSheet(QLatin1String(Verdicts::BadStyle));
    ui->TxtLabelStatus->setText(QLatin1String(Verdicts::ReceiveTimeoutText));
    ui->TxtLabelDistressStatus->hide();
    receiveTimer->stop();
}

QString MainWindow::vesselName() const
{
    return ui->lineEdit->text();
}
QString MainWindow::beaconManufacturer() const
{
    return ui->lineEdit_2->text();
}
QString MainWindow::beaconModel() const
{
    return ui->lineEdit_7->text();
}
QString MainWindow::beaconSerialNo() const
{
    return ui->lineEdit_5->text();
}
QString MainWindow::bracketType() const
{
    return ui->lineEdit_8->text();
}
QString MainWindow::bracketSerialNo() const
{
    return ui->lineEdit_4->text();
}
QString MainWindow::batteryExpiry() const
{
    return ui->lineEdit_9->text();
}
QString MainWindow::hydrostaticReleaseExpiry() const
{
    return ui->lineEdit_3->text();
}
QString MainWindow::sbmDueDate() const
{
    return ui->lineEdit_DD->text();
}
QString MainWindow::companyName() const
{
    return ui->lineEdit_6->text();
}
QString MainWindow::testedBy() const
{
    return ui->lineEdit_11->text();
}
QString MainWindow::frequencyText() const
{
    return ui->TxtLabelFreq->text();
}
QString MainWindow::rfLevelText() const
{
    return ui->TxtLabelRfLevel->text();
}
QString MainWindow::instrumentSerialNo() const
{
    return ui->TxtLabelSerialNo->text();
}
QString MainWindow::calibrationDue() const
{
    return ui->TxtLabelCalibration->text();
}
QStringList MainWindow::decodedLines() const
{
    return m_decodedLines;
}
QString MainWindow::targetFrequencyText() const
{
    return ui->comboBox->currentText();
}
QString MainWindow::statusReading() const
{
    return exchange.readings[StatusReading];
}
QString MainWindow::statusVerdictText() const
{
    return ui->TxtLabelStatus->text();
}

QString MainWindow::reportDateTime() const
{
    // One reading of the clock, so date and time agree across midnight.
    const QDateTime now = QDateTime::currentDateTime();
    return now.date().toString(Qt::TextDate) + QLatin1Char(' ') +
           now.time().toString(QStringLiteral("hh:mm:ss"));
}

#ifdef Q_OS_WIN
bool MainWindow::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
    Q_UNUSED(eventType);
    const MSG *msg = static_cast<const MSG *>(message);
    if (SystemMenu::isAboutCommand(msg->message, msg->wParam)) {
        *result = 0;
        aboutDialog->show();
        return true;
    }
    return false;
}
#endif
