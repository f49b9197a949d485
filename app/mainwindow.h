#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "evaluation.h"
#include "exchange.h"
#include "linktimings.h"
#include "result.h"
#include "testrecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <optional>

QT_BEGIN_NAMESPACE
class Ui_MainWindow;
class QListWidgetItem;
class QTimer;
QT_END_NAMESPACE

class DialogAbout;
class HistoryKeeper;
class HistoryWindow;
class SerialComm;

// The only window, and the controller of the instrument link, the evaluation
// and the report. Its operations are spread over files by subsystem:
// mainwindow_exchange.cpp (frame reception), mainwindow_evaluation.cpp (what a
// measurement shows), mainwindow_report.cpp ("Make Report", the beacon history).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    // Tests only: the link and the exchange with shorter waits.
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
    void onTimeout();
    void onSlipFrame(const QByteArray &frame);
    void on_pbRequestData_clicked();
    void on_pbDecodeData_clicked();

private:
    void addStatusLine(const QString &line);
    void makeReportFolder();
    void pageComplete();
    void evaluateReadings();
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
    SerialComm *serialComm = nullptr;
    QTimer *receiveTimer = nullptr;
    // The counts, the page and the readings of the exchange.
    Exchange exchange;
    // The finished measurement, the window's one copy of it: the readings as
    // received and what the evaluation made of them. The report's record and
    // the distress warning are built from it, never read back from labels.
    Readings measured;
    Evaluation shown;
    LinkTimings timings;
    int progressTicks = 0;
    bool debugMode = false;
    QString portName;
    DialogAbout *aboutDialog = nullptr;
    // Made when first asked for.
    HistoryWindow *historyWindow = nullptr;
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
