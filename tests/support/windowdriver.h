#ifndef WINDOWDRIVER_H
#define WINDOWDRIVER_H

#include "mainwindow.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>

// Drives the real window as a technician would, for end-to-end tests.
namespace WindowDriver {

// Waits short enough for a pseudo-terminal to make each exchange quick.
LinkTimings quickTimings();

// Builds a window with quickTimings() whose port search tries exactly these
// ports (VESTRA_PORTS) and waits until the search has ended, found or not.
std::unique_ptr<MainWindow> startWindow(const QStringList &ports,
                                        const LinkTimings &timings = quickTimings());

// Presses "Request Data" and waits until the exchange has completed ("Make
// Report" enabled). False when it did not within the time.
bool requestData(MainWindow *window, int timeoutMs = 20000);

// The status log, newest line first.
QStringList statusLines(const MainWindow *window);

template <typename T> T *widget(const MainWindow *window, const char *objectName)
{
    return window->findChild<T *>(QLatin1String(objectName));
}

} // namespace WindowDriver

// Closes every modal message box that comes up while it lives, keeping their
// titles and texts, so that a test can run code that asks the operator.
struct MessageBoxCloser
{
    MessageBoxCloser();
    QStringList titles, texts;
    QTimer timer;
};

#endif // WINDOWDRIVER_H
