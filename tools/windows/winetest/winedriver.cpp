#include "winedriver.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>

#include <qt_windows.h>

WineDriver::WineDriver(const QString &logPath) : m_log(logPath), m_logPath(logPath)
{
    m_log.open(QIODevice::WriteOnly | QIODevice::Truncate); // LF alone, for grep
    connect(&m_timer, &QTimer::timeout, this, &WineDriver::step);
    m_timer.start(100);
}

void WineDriver::say(const QString &line)
{
    m_log.write(line.toUtf8() + '\n');
    m_log.flush();
}

QString WineDriver::text(const char *objectName) const
{
    const auto *label = m_window->findChild<QLabel *>(QLatin1String(objectName));
    return label ? label->text() : QStringLiteral("(no %1)").arg(QLatin1String(objectName));
}

bool WineDriver::timedOut(int seconds)
{
    if (++m_ticks < seconds * 10)
        return false;
    say(QStringLiteral("FAIL: step %1 timed out after %2 s").arg(m_state).arg(seconds));
    QApplication::exit(3);
    return true;
}

void WineDriver::step()
{
    // A message box on the road is a finding: logged and closed.
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
        say(QStringLiteral("message box: ") + box->windowTitle() + QStringLiteral(" | ") +
            QString(box->text()).replace(u'\n', u' '));
        box->done(QMessageBox::Ok);
    }
    const int state = m_state;
    auto next = [this] {
        ++m_state;
        m_ticks = 0;
    };
    switch (state) {
    case 0: { // the window, once its port search has ended
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("MainWindow") && w->isVisible())
                m_window = w;
        }
        const auto *log =
            m_window ? m_window->findChild<QListWidget *>("listWidgetStatus") : nullptr;
        const QString newest = log && log->count() ? log->item(0)->text() : QString();
        if (newest.startsWith(QLatin1String("VESTRA "))) {
            say(QStringLiteral("search: ") + newest);
            next();
        } else {
            timedOut(60);
        }
        break;
    }
    case 1: { // the form a technician fills in, then "Request Data"
        const char *fields[][2] = {{"lineEdit", "Sjøbris 2"},   {"lineEdit_2", "ACME"},
                                   {"lineEdit_7", "EB-5"},      {"lineEdit_5", "7/7"},
                                   {"lineEdit_6", "Nord Safe"}, {"lineEdit_11", "Kari Holm"}};
        for (const auto &f : fields) {
            if (auto *edit = m_window->findChild<QLineEdit *>(QLatin1String(f[0])))
                edit->setText(QString::fromUtf8(f[1]));
        }
        auto *request = m_window->findChild<QPushButton *>("pbRequestData");
        if (!request || !request->isEnabled()) {
            say(QStringLiteral("FAIL: Request Data is not enabled"));
            QApplication::exit(3);
            return;
        }
        request->click();
        say(QStringLiteral("clicked: Request Data"));
        next();
        break;
    }
    case 2: { // the exchange done: "Make Report" enabled
        const auto *report = m_window->findChild<QPushButton *>("pbDecodeData");
        if (report && report->isEnabled()) {
            for (const char *reading :
                 {"TxtLabelHexMsg", "TxtLabelFreq", "TxtLabelRfLevel", "TxtLabelCalibration",
                  "TxtLabelStatus", "TxtLabelSerialNo"})
                say(QStringLiteral("reading %1: %2").arg(QLatin1String(reading), text(reading)));
            say(QStringLiteral("screenshot: window"));
            next();
        } else {
            timedOut(60);
        }
        break;
    }
    case 3: // the script's screenshot taken
        if (QFile::exists(m_logPath + QStringLiteral(".go"))) {
            m_window->findChild<QPushButton *>("pbDecodeData")->click();
            say(QStringLiteral("clicked: Make Report"));
            next();
        } else {
            timedOut(60);
        }
        break;
    case 4: { // the history's answer in, which comes from a thread of its own
        const auto *log = m_window->findChild<QListWidget *>("listWidgetStatus");
        if (!log->findItems(QStringLiteral("Test history"), Qt::MatchStartsWith).isEmpty()) {
            for (int row = log->count() - 1; row >= 0; --row)
                say(QStringLiteral("status: ") + log->item(row)->text());
            next();
        } else {
            timedOut(30);
        }
        break;
    }
    case 5: { // "About..." from the system menu, as a technician picks it
        const auto window = reinterpret_cast<HWND>(m_window->winId());
        HMENU menu = GetSystemMenu(window, FALSE);
        UINT command = 0;
        for (int i = 0, n = menu ? GetMenuItemCount(menu) : 0; i < n; ++i) {
            wchar_t item[64] = {};
            GetMenuStringW(menu, UINT(i), item, 63, MF_BYPOSITION);
            if (QString::fromWCharArray(item) == QLatin1String("About..."))
                command = GetMenuItemID(menu, i);
        }
        if (!command) {
            say(QStringLiteral("FAIL: no About... in the system menu"));
            QApplication::exit(3);
            return;
        }
        say(QStringLiteral("system menu: About... is command %1").arg(command));
        PostMessageW(window, WM_SYSCOMMAND, command, 0);
        next();
        break;
    }
    case 6: { // the dialog open
        auto *dialog = m_window->findChild<QDialog *>("DialogAbout");
        if (dialog && dialog->isVisible()) {
            const auto *version = dialog->findChild<QLabel *>("lblVersion");
            say(QStringLiteral("about: open, ") + (version ? version->text() : QString()));
            say(QStringLiteral("screenshot: about"));
            next();
        } else {
            timedOut(20);
        }
        break;
    }
    case 7:
        if (QFile::exists(m_logPath + QStringLiteral(".go2"))) {
            say(QStringLiteral("done"));
            m_timer.stop();
            QApplication::exit(0);
        } else {
            timedOut(60);
        }
        break;
    }
}
