#ifndef HISTORYKEEPER_H
#define HISTORYKEEPER_H

#include "result.h"
#include "savereport.h"
#include "testrecord.h"

#include <QAtomicInt>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <functional>
#include <optional>

// The window's way to the test history, beside its thread: whatever waits
// for the database (another program's lock, an import, a slow disk) waits
// in a thread of its own, with connections of its own, one job after the
// other in the order they were handed over. The window hears back through
// the signals and goes on meanwhile. No window in here.
class HistoryKeeper : public QObject
{
    Q_OBJECT

public:
    struct Timings
    {
        // How long the history's lock is waited for before a test is kept aside.
        int busyTimeoutMs = TestHistory::BusyTimeoutMs;
        // How often the tests kept aside are offered to the history again.
        int retryMs = 60000;
        // How long a test or a look-up may take before the log says it waits.
        int waitSaidAfterMs = 500;
    };

    static const QString WaitingLine;

    explicit HistoryKeeper(const TestStore &store, QObject *parent = nullptr);
    HistoryKeeper(const TestStore &store, const Timings &timings, QObject *parent = nullptr);
    // Waits for the tests handed over to reach the history, or to be kept
    // aside; an import at start still under way is given up, to be done
    // anew at the next start.
    ~HistoryKeeper() override;

    // The history opened, or made with the register imported into it, then
    // the tests kept aside added: statusLine() and progress() tell.
    void startUp();
    // The latest test of the message's beacon: lookedUp() follows.
    void lookUp(const QString &hexMessage);
    // The test of a saved report into the history and the register: its
    // status lines follow, then stored().
    void store(const TestRecord &record);
    // The tests kept aside, offered to the history again; the retry timer's.
    void retry();

signals:
    void statusLine(const QString &line);
    // The one line that tells how far an import has come; empty once done.
    void progress(const QString &line);
    void lookedUp(const Result<std::optional<StoredTest>> &found);
    void stored();
    // Each job handed over is done.
    void idle();

private:
    // Runs job in the keeper's thread; then, in this one, its lines are
    // said and done runs.
    void post(bool watched, std::function<QStringList()> job, std::function<void()> done = {});
    void jobDone(bool watched, const QStringList &lines, bool keptWaiting);

    TestStore m_store;
    QThread m_thread;
    QObject *m_worker;
    QTimer m_retryTimer;
    QTimer m_waitTimer;
    int m_jobs = 0;
    int m_watched = 0;
    bool m_retryQueued = false;
    QAtomicInt m_leaving;
};

#endif // HISTORYKEEPER_H
