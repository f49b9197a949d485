#ifndef WINEDRIVER_H
#define WINEDRIVER_H

#include <QFile>
#include <QObject>
#include <QTimer>

class QWidget;

// Drives vestra.exe through the road tools/windows/test.sh checks: the port
// search, "Request Data", the readings, "Make Report", then "About..." taken
// from the window's system menu. Each step writes one line to the log; before
// "Make Report" and after the About dialog opens it waits for the script's
// screenshot (a file named as the log with ".go" or ".go2" added).
class WineDriver : public QObject
{
public:
    explicit WineDriver(const QString &logPath);

private:
    void step();
    void say(const QString &line);
    QString text(const char *objectName) const;
    bool timedOut(int seconds);

    QFile m_log;
    QString m_logPath;
    QTimer m_timer;
    QWidget *m_window = nullptr;
    int m_state = 0;
    int m_ticks = 0;
};

#endif // WINEDRIVER_H
