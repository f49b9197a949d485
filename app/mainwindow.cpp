#include "mainwindow.h"

#include "dialogabout.h"
#include "instrumentsession.h"
#include "reportfile.h"
#include "testrecordwindow.h"
#include "ui_mainwindow.h"
#include "verdicts.h"

#include <QCoreApplication>
#include <QIcon>
#include <QListWidgetItem>
#include <QShortcut>
#include <QStatusBar>
#include <QToolButton>

#include "systemmenu.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

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

MainWindow::MainWindow(const LinkTimings &timings, QWidget *parent)
    : QMainWindow(parent), ui(new Ui_MainWindow)
{
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/vestra-icon.png")));
    ui->comboBox->addItems(Verdicts::targetNames());
    ui->comboBox->setCurrentIndex(Verdicts::DefaultTargetIndex);

    aboutDialog = new DialogAbout(this);
    aboutDialog->setVersion(QCoreApplication::applicationVersion());
    // Left of the others, and only while no instrument answers.
    searchAgainButton =
        statusBarButton(ui->statusbar, "searchAgainButton", tr("Search again"),
                        tr("Search the serial ports for the instrument once more (F5)"));
    connect(searchAgainButton, &QToolButton::clicked, this, &MainWindow::searchAgain);
    searchAgainKey = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(searchAgainKey, &QShortcut::activated, this, &MainWindow::searchAgain);
    offerSearchAgain(false);
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
    ReportFile::makeFolder();
    openHistoryAtStart();

    // Signals from the session's thread arrive queued, in the order sent.
    link = std::make_unique<SessionThread>(new InstrumentSession(timings));
    const InstrumentSession *session = link->session();
    connect(session, SIGNAL(connectOk()), this, SLOT(onConnectOk()));
    connect(session, SIGNAL(searchVestraFailed()), this, SLOT(onVestraFailed()));
    connect(session, SIGNAL(searchVestraSuccess(QString)), this, SLOT(onVestraFound(QString)));
    connect(session, SIGNAL(vestraNotFound(QString)), this, SLOT(onVestraNotFound(QString)));
    connect(session, &InstrumentSession::progress, this, &MainWindow::onProgress);
    connect(session, &InstrumentSession::measurementReceived, this, &MainWindow::onMeasurement);
    connect(session, &InstrumentSession::receiveTimedOut, this, &MainWindow::onReceiveTimedOut);
    connect(session, &InstrumentSession::portLost, this, &MainWindow::onPortLost);
    link->search();

    // The record follows the form as it is typed and the target as chosen.
    const auto showTest = [this] { testRecordWindow->showTest(testRecord()); };
    for (QLineEdit *edit : ui->centralwidget->findChildren<QLineEdit *>())
        connect(edit, &QLineEdit::textChanged, this, showTest);
    connect(ui->comboBox, &QComboBox::currentIndexChanged, this, showTest);

    ui->Infoframe->hide();
}

MainWindow::~MainWindow()
{
    // The session goes with the window, so no port stays open and no search
    // runs on after it; in the program that is the end of the run anyway.
    link.reset();
    delete ui;
}

void MainWindow::addStatusLine(const QString &line)
{
    auto *item = new QListWidgetItem(line);
    // The log is narrower than many a line with a path in it.
    item->setToolTip(line);
    ui->listWidgetStatus->insertItem(0, item);
}

void MainWindow::offerSearchAgain(bool offered)
{
    searchAgainButton->setVisible(offered);
    searchAgainKey->setEnabled(offered);
}

void MainWindow::searchAgain()
{
    offerSearchAgain(false);
    ui->pbRequestData->setEnabled(false);
    // An exchange the lost port left running is given up by the search.
    ui->groupBox->show();
    ui->Infoframe->hide();
    link->search();
}

void MainWindow::onConnectOk()
{
    addStatusLine(QStringLiteral("VESTRA Connect ok"));
    offerSearchAgain(false);
}

void MainWindow::onVestraFailed()
{
    addStatusLine(QStringLiteral("VESTRA Not found - Check com port"));
    offerSearchAgain(true);
}

void MainWindow::onVestraFound(QString strPort)
{
    addStatusLine(QStringLiteral("VESTRA found at port: ") + strPort);
    ui->pbRequestData->setEnabled(true);
}

void MainWindow::onVestraNotFound(QString strPort)
{
    addStatusLine(QStringLiteral("No VESTRA found at port: ") + strPort);
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
