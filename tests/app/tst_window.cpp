#include "systemmenu.h"
#include "vestraversion.h"
#include "windowdriver.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

using namespace WindowDriver;

// The window as a technician first meets it: no instrument on any port.
class tst_Window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A list of nothing but separators names no port at all.
        window = startWindow({QStringLiteral(","), QString()});
    }

    void startsWithoutPorts()
    {
        QCOMPARE(statusLines(window.get()), QStringList{"VESTRA Not found - Check com port"});
        QVERIFY(!widget<QPushButton>(window.get(), "pbRequestData")->isEnabled());
        QVERIFY(!widget<QPushButton>(window.get(), "pbDecodeData")->isEnabled());
        QCOMPARE(window->windowTitle(), QStringLiteral("VESTRA " VESTRA_VERSION));
        QVERIFY(window->minimumSize() == QSize(490, 660) &&
                window->maximumSize() == QSize(490, 660));
        auto *target = widget<QComboBox>(window.get(), "comboBox");
        QCOMPARE(target->currentText(), QStringLiteral("406.031 MHz"));
        QVERIFY(widget<QLineEdit>(window.get(), "lineEditHexMsg")->isHidden());
        QVERIFY(widget<QLabel>(window.get(), "TxtLabelHexMsg")->isVisible());
        QVERIFY(widget<QWidget>(window.get(), "Infoframe")->isHidden());

        const QStringList tabOrder{"pbRequestData", "comboBox",     "lineEdit",        "lineEdit_2",
                                   "lineEdit_7",    "lineEdit_5",   "lineEdit_8",      "lineEdit_4",
                                   "lineEdit_9",    "lineEdit_3",   "lineEdit_DD",     "lineEdit_6",
                                   "lineEdit_11",   "pbDecodeData", "listWidgetStatus"};
        for (int i = 0; i + 1 < tabOrder.size(); ++i) {
            QWidget *next =
                widget<QWidget>(window.get(), qPrintable(tabOrder[i]))->nextInFocusChain();
            QCOMPARE(next->objectName(), tabOrder[i + 1]);
        }

        // Start-up makes the report folder under the Documents folder.
        const QString documents =
            QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation).value(0);
        QVERIFY(QDir(documents).exists(QStringLiteral("VESTRA_Reports")));
    }

    void formFitsTheWindow()
    {
        // Every widget of the form lies wholly inside what the menu and status
        // bars leave free, and inside its parent.
        const QWidget *central = window->centralWidget();
        QRect free = central->geometry();
        if (window->menuBar()->isVisible())
            QVERIFY(!free.intersects(window->menuBar()->geometry()));
        QVERIFY(!free.intersects(window->statusBar()->geometry()));
        const auto children = central->findChildren<QWidget *>();
        QVERIFY(children.size() > 40);
        for (const QWidget *child : children) {
            if (child->objectName().isEmpty() || child->objectName().startsWith("qt_") ||
                child->parentWidget()->inherits("QComboBox") || !child->isVisibleTo(window.get()))
                continue;
            const QRect inWindow(child->mapTo(window.get(), QPoint(0, 0)), child->size());
            QVERIFY2(free.contains(inWindow), qPrintable(child->objectName()));
            QVERIFY2(child->parentWidget()->rect().contains(child->geometry()),
                     qPrintable(child->objectName()));
        }
    }

    void aboutReachable()
    {
        auto *dialog = window->findChild<QDialog *>(QStringLiteral("DialogAbout"));
        QVERIFY(dialog && dialog->isHidden());
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_F1);
        QTRY_VERIFY(dialog->isVisible());
        QCOMPARE(dialog->findChild<QLabel *>("lblVersion")->text(),
                 QStringLiteral("Version: " VESTRA_VERSION));
        const auto *notice = dialog->findChild<QTextEdit *>("textEdit");
        QVERIFY(notice->isReadOnly());
        QVERIFY(notice->toPlainText().contains("GNU LESSER GENERAL PUBLIC LICENSE"));
        dialog->hide();
#ifndef Q_OS_WIN
        QTest::mouseClick(widget<QToolButton>(window.get(), "aboutButton"), Qt::LeftButton);
        QTRY_VERIFY(dialog->isVisible());
        dialog->hide();
#endif
        // The system-menu entry: WM_SYSCOMMAND with our id; Windows keeps the low four bits.
        QVERIFY(SystemMenu::isAboutCommand(0x0112, 16 | 0xF));
        QVERIFY(!SystemMenu::isAboutCommand(0x0112, 0xF060)); // SC_CLOSE
        QVERIFY(!SystemMenu::isAboutCommand(0x0111, 16));     // WM_COMMAND
    }

    void programTimings()
    {
        // The program's own waits: the instrument needs 2 s to settle after an
        // open, 4 s to answer the search, and the time-out is 100 ticks of 800 ms.
        const LinkTimings defaults;
        QCOMPARE(defaults.settleRounds * defaults.settleSleepMs, 2000);
        QCOMPARE(defaults.settleRounds, 100);
        QCOMPARE(defaults.searchIntervalMs, 4000);
        QCOMPARE(defaults.requestWaitRounds * defaults.requestWaitSleepMs, 100);
        MainWindow plain;
        QVERIFY(QMetaObject::invokeMethod(&plain, "on_pbRequestData_clicked"));
        const QTimer *tick = plain.findChild<QTimer *>("receiveTimer");
        QVERIFY(tick->isActive());
        QCOMPARE(tick->interval(), 800);
    }

private:
    std::unique_ptr<MainWindow> window;
};

int main(int argc, char *argv[])
{
    // A home of our own, so start-up makes its report folder there.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_DOCUMENTS_DIR");
    qunsetenv("XDG_CONFIG_HOME");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(VESTRA_VERSION));
    tst_Window test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window.moc"
