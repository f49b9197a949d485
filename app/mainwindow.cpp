#include "mainwindow.h"

#include "dialogabout.h"
#include "reportfile.h"
#include "serialcomm.h"
#include "testrecordwindow.h"
#include "ui_mainwindow.h"
#include "verdicts.h"

#include <QCoreApplication>
#include <QIcon>
#include <QLoggingCategory>
#include <QShortcut>
#include <QStatusBar>
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

// A flat button at the status bar's right end, after those added before it.
QToolButton *statusBarButton(QStatusBar *bar, const char *name, const QString &text,
                             const QString &toolTip)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setText(text);
    button->setAutoRaise(true);
    button->setToolTip(toolTip);
    bar->addPermanentWidget(button);
    return button;
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : MainWindow(LinkTimings(), parent) {}

MainWindow::MainWindow(const LinkTimings &linkTimings, QWidget *parent)
    : QMainWindow(parent), ui(new Ui_MainWindow), timings(linkTimings)
{
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/vestra-icon.png")));

    aboutDialog = new DialogAbout(this);
    aboutDialog->setVersion(QCoreApplication::applicationVersion());
    testRecordWindow = new TestRecordWindow(this);
    connect(testRecordWindow, &TestRecordWindow::statusLine, this, &MainWindow::addStatusLine);
    connect(statusBarButton(ui->statusbar, "testRecordButton", tr("Test record..."),
                            tr("The checks of the test and the ship's identity (Ctrl+T)")),
            &QToolButton::clicked, testRecordWindow, &TestRecordWindow::present);
    auto *record = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
    connect(record, &QShortcut::activated, testRecordWindow, &TestRecordWindow::present);
    // The history's way in, on every platform; on Windows it stands alone.
    connect(statusBarButton(ui->statusbar, "historyButton", tr("History..."),
                            tr("Every test so far, and what falls due (Ctrl+H)")),
            &QToolButton::clicked, this, &MainWindow::showHistory);
    auto *history = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    connect(history, &QShortcut::activated, this, &MainWindow::showHistory);
#ifdef Q_OS_WIN
    addAboutToSystemMenu(reinterpret_cast<HWND>(winId()));
#else
    // No window system menu here. A menu bar would push the form's bottom
    // under the status bar, so the entry sits in the status bar instead.
    connect(statusBarButton(ui->statusbar, "aboutButton", tr("About..."),
                            tr("About this program (F1)")),
            &QToolButton::clicked, aboutDialog, &QWidget::show);
#endif
    auto *help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, aboutDialog, &QWidget::show);

    debugMode = QCoreApplication::arguments().contains(QStringLiteral("debug"));
    ui->TxtLabelHexMsg->setVisible(!debugMode);
    ui->lineEditHexMsg->setVisible(debugMode);

    setWindowTitle(QStringLiteral("VESTRA ") + QCoreApplication::applicationVersion());
    ui->pbDecodeData->setEnabled(false);
    ui->pbRequestData->setEnabled(false);

    // Before the search, whose lines then stand above what the history says.
    makeReportFolder();
    openHistoryAtStart();

    serialComm = new SerialComm(timings);
    connect(serialComm, SIGNAL(connectOk()), this, SLOT(onConnectOk()));
    connect(serialComm, SIGNAL(searchVestraFailed()), this, SLOT(onVestraFailed()));
    connect(serialComm, SIGNAL(searchVestraSuccess(QString)), this, SLOT(onVestraFound(QString)));
    connect(serialComm, SIGNAL(vestraNotFound(QString)), this, SLOT(onVestraNotFound(QString)));
    serialComm->searchVestra();

    receiveTimer = new QTimer(this);
    receiveTimer->setObjectName(QStringLiteral("receiveTimer"));
    connect(serialComm, SIGNAL(slipFrame(QByteArray)), this, SLOT(onSlipFrame(QByteArray)));
    connect(receiveTimer, SIGNAL(timeout()), this, SLOT(onTimeout()));
    // After onSlipFrame, connected before: the frame that completes the page
    // has then been shown and has enabled "Make Report".
    connect(serialComm, &SerialComm::slipFrame, this, [this] {
        if (ui->pbDecodeData->isEnabled())
            testRecordWindow->takeMeasurement(testRecord());
    });
    // The record follows the form as it is typed and the target as chosen.
    const auto showTest = [this] { testRecordWindow->showTest(testRecord()); };
    for (QLineEdit *edit : ui->centralwidget->findChildren<QLineEdit *>())
        connect(edit, &QLineEdit::textChanged, this, showTest);
    connect(ui->comboBox, &QComboBox::currentIndexChanged, this, showTest);

    ui->Infoframe->hide();
    progressTicks = 0;
}

MainWindow::~MainWindow()
{
    // The link goes with the window, so no port stays open and no search runs on
    // after it; in the program that is the end of the run anyway.
    delete serialComm;
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

void MainWindow::onVestraFailed()
{
    addStatusLine(QStringLiteral("VESTRA Not found - Check com port"));
}

void MainWindow::onVestraFound(QString strPort)
{
    addStatusLine(QStringLiteral("VESTRA found at port: ") + strPort);
    ui->pbRequestData->setEnabled(true);
    portName = strPort;
}

void MainWindow::onVestraNotFound(QString strPort)
{
    addStatusLine(QStringLiteral("No VESTRA found at port: ") + strPort);
}

void MainWindow::on_pbRequestData_clicked()
{
    addStatusLine(QStringLiteral("Receiving data"));
    qCDebug(lcWindow) << "Request Data";
    testRecordWindow->clearAnswers();
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
    // The verdict a report made now would print is the one shown.
    shown.statusText = QLatin1String(Verdicts::ReceiveTimeoutText);
    shown.statusGood = false;
    ui->TxtLabelStatus->setStyleSheet(QLatin1String(Verdicts::BadStyle));
    ui->TxtLabelStatus->setText(shown.statusText);
    ui->TxtLabelDistressStatus->hide();
    receiveTimer->stop();
    testRecordWindow->showTest(testRecord());
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
