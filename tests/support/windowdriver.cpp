#include "windowdriver.h"

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace WindowDriver {

LinkTimings quickTimings()
{
    LinkTimings timings;
    timings.settleMs = 50;
    // Ample for the simulator to answer, even on a loaded machine.
    timings.searchIntervalMs = 1000;
    return timings;
}

std::unique_ptr<MainWindow> startWindow(const QStringList &ports, const LinkTimings &timings)
{
    qputenv("VESTRA_PORTS", ports.join(QLatin1Char(',')).toLocal8Bit());
    auto window = std::make_unique<MainWindow>(timings);
    window->show();
    // The search ends with "VESTRA found at port: ..." or "VESTRA Not found ...".
    (void)QTest::qWaitFor([&] { return statusLines(window.get()).value(0).startsWith("VESTRA "); },
                          30000);
    return window;
}

bool requestData(MainWindow *window, int timeoutMs)
{
    auto *request = widget<QPushButton>(window, "pbRequestData");
    auto *report = widget<QPushButton>(window, "pbDecodeData");
    if (!request || !request->isEnabled())
        return false;
    request->click();
    return QTest::qWaitFor([&] { return report->isEnabled(); }, timeoutMs);
}

QStringList statusLines(const MainWindow *window)
{
    QStringList lines;
    const auto *log = widget<QListWidget>(window, "listWidgetStatus");
    for (int row = 0; row < log->count(); ++row)
        lines.append(log->item(row)->text());
    return lines;
}

} // namespace WindowDriver

MessageBoxCloser::MessageBoxCloser()
{
    QObject::connect(&timer, &QTimer::timeout, [this] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            titles.append(box->windowTitle());
            texts.append(box->text());
            box->done(QMessageBox::Ok);
        }
    });
    timer.start(50);
}
