#include "historykeeper.h"

#include "beaconhistory.h"
#include "historyatstart.h"
#include "keptaside.h"

#include <memory>

const QString HistoryKeeper::WaitingLine = QStringLiteral("waiting for the test history…");

HistoryKeeper::HistoryKeeper(const TestStore &store, QObject *parent)
    : HistoryKeeper(store, Timings(), parent)
{
}

HistoryKeeper::HistoryKeeper(const TestStore &store, const Timings &timings, QObject *parent)
    : QObject(parent), m_store(store), m_worker(new QObject)
{
    m_store.busyTimeoutMs = timings.busyTimeoutMs;
    m_thread.setObjectName(QStringLiteral("test history"));
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
    m_retryTimer.setInterval(timings.retryMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &HistoryKeeper::retry);
    m_waitTimer.setSingleShot(true);
    m_waitTimer.setInterval(timings.waitSaidAfterMs);
    connect(&m_waitTimer, &QTimer::timeout, this, [this] { emit statusLine(WaitingLine); });
}

HistoryKeeper::~HistoryKeeper()
{
    m_leaving.storeRelaxed(1);
    // After the jobs handed over before it.
    QMetaObject::invokeMethod(m_worker, [thread = &m_thread] { thread->quit(); });
    m_thread.wait();
}

void HistoryKeeper::post(bool watched, std::function<QStringList()> job, std::function<void()> done)
{
    ++m_jobs;
    if (watched && m_watched++ == 0)
        m_waitTimer.start();
    QMetaObject::invokeMethod(m_worker, [this, watched, job, done, kept = m_store.keptAsideFolder] {
        const QStringList lines = job();
        const bool keptWaiting = !KeptAside::waiting(kept).isEmpty();
        QMetaObject::invokeMethod(this, [this, watched, lines, keptWaiting, done] {
            if (done)
                done();
            jobDone(watched, lines, keptWaiting);
        });
    });
}

void HistoryKeeper::jobDone(bool watched, const QStringList &lines, bool keptWaiting)
{
    if (watched && --m_watched == 0)
        m_waitTimer.stop();
    for (const QString &line : lines)
        emit statusLine(line);
    if (keptWaiting && !m_retryTimer.isActive())
        m_retryTimer.start();
    else if (!keptWaiting)
        m_retryTimer.stop();
    if (--m_jobs == 0)
        emit idle();
}

void HistoryKeeper::startUp()
{
    if (m_store.reportFolder.isEmpty())
        return;
    post(false, [this] {
        int said = -1;
        // A few steps of the import shown, each in place of the one before;
        // and stopped when the window closes.
        const auto tell = [this, &said](qint64 done, qint64 total) {
            const int percent = total > 0 ? int(done * 100 / total) : 100;
            if (percent / 5 != said / 5) {
                said = percent;
                QMetaObject::invokeMethod(this, [this, percent] {
                    emit this->progress(QStringLiteral("Test register being imported into the test "
                                                       "history: %1 %")
                                            .arg(percent));
                });
            }
            return m_leaving.loadRelaxed() == 0;
        };
        QStringList lines = openHistoryAtStart(m_store.reportFolder, tell);
        if (said >= 0)
            QMetaObject::invokeMethod(this, [this] { emit this->progress(QString()); });
        return lines + landKeptAside(m_store);
    });
}

void HistoryKeeper::lookUp(const QString &hexMessage)
{
    auto found = std::make_shared<std::optional<Result<std::optional<StoredTest>>>>();
    post(
        true,
        [this, hexMessage, found] {
            found->emplace(latestOfBeacon(TestHistory::path(m_store.reportFolder), hexMessage,
                                          m_store.busyTimeoutMs));
            return QStringList();
        },
        [this, found] { emit lookedUp(**found); });
}

void HistoryKeeper::store(const TestRecord &record)
{
    post(
        true, [this, record] { return storeTest(record, m_store); }, [this] { emit stored(); });
}

void HistoryKeeper::retry()
{
    if (m_retryQueued)
        return;
    m_retryQueued = true;
    post(
        false, [this] { return landKeptAside(m_store); }, [this] { m_retryQueued = false; });
}
