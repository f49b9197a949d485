#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "evaluation.h"
#include "linktimings.h"
#include "measurement.h"
#include "result.h"
#include "testrecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

QT_BEGIN_NAMESPACE
class Ui_MainWindow;
class QListWidgetItem;
class QShortcut;
class QToolButton;
QT_END_NAMESPACE

class DialogAbout;
class HistoryKeeper;
class HistoryWindow;
class SessionThread;
class TestRecordWindow;

// The main window: the form, the status log, the search's and the exchange's
// progress, the measurement and its verdict as the instrument session and the
// evaluation hand them over, and "Make Report". The instrument session runs in
// a thread of its own. The operations are spread over files by subsystem:
// mainwindow_exchange.cpp (the data request and what the session hands back),
// mainwindow_evaluation.cpp (what a measurement shows), mainwindow_report.cpp
// ("Make Report", the beacon history).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    // Tests only: the instrument session with shorter waits.
    explicit MainWindow(const LinkTimings &timings, QWidget *parent = nullptr);
    ~MainWindow() override;

    // What the operator typed into the form, and fills the form with.
    BeaconFields beaconFields() const;
    void setBeaconFields(const BeaconFields &fields);

    // The test as the window shows it now, at this moment, for its report.
    TestRecord testRecord() const;

protected:
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;
#endif

private slots:
    void onConnectOk();
    void onVestraFailed();
    void onVestraFound(QString strPort);
    void onVestraNotFound(QString strPort);
    void onProgress(int value);
    void onMeasurement(const Measurement &measurement);
    void onReceiveTimedOut();
    void onPortLost(const QString &reason);
    void searchAgain();
    void on_pbRequestData_clicked();
    void on_pbDecodeData_clicked();

private:
    void addStatusLine(const QString &line);
    // "Search again" and its key, offered while no instrument answers.
    void offerSearchAgain(bool offered);
    // The readings and the verdict of shown.
    void showReadings();
    void showVerdict();
    void showDistressWarning();
    // The exchange completed: its moment noted, and its beacon looked up in
    // the history for next year's form.
    void recallBeacon();
    void onLookedUp(const Result<std::optional<StoredTest>> &found);
    // Status-log lines for the form's expiry dates that have passed or fall
    // before the next annual test; after the form is filled from the history.
    void warnOfExpiry();
    void sayExpiryWarnings();
    void openHistoryAtStart();
    // The import's one line, in place of the one before; none once done.
    void showProgress(const QString &line);
    void showHistory();
    // The message the report decodes: as received, or as typed in debug mode.
    QString reportMessage() const;

    Ui_MainWindow *ui;
    std::unique_ptr<SessionThread> link;
    QToolButton *searchAgainButton = nullptr;
    QShortcut *searchAgainKey = nullptr;
    // The finished measurement, the window's one copy of it: the readings as
    // received and what the evaluation made of them. The report's record and
    // the distress warning are built from it, never read back from labels.
    Readings measured;
    Evaluation shown;
    bool debugMode = false;
    DialogAbout *aboutDialog = nullptr;
    // Made when first asked for.
    HistoryWindow *historyWindow = nullptr;
    // Made at the start, so that it follows every measurement.
    TestRecordWindow *testRecordWindow = nullptr;
    // The history, through a thread of its own.
    HistoryKeeper *historyKeeper = nullptr;
    QListWidgetItem *progressItem = nullptr;
    // When the last exchange completed: with its message, the test's identity.
    QDateTime measuredAt;
    int lookUpsRunning = 0;
    bool expiryWarningWaits = false;
    // A history that cannot be read is said once, not after every exchange,
    // until it has been read again.
    bool historyErrorShown = false;
};

#endif // MAINWINDOW_H
