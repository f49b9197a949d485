#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "exchange.h"
#include "linktimings.h"

#include <QByteArray>
#include <QMainWindow>
#include <QString>
#include <QStringList>

QT_BEGIN_NAMESPACE
class Ui_MainWindow;
class QTimer;
QT_END_NAMESPACE

class DialogAbout;
class SerialComm;
class vestraComm;

// The only window, and the controller of the instrument link, the evaluation
// and the report. Its operations are spread over the folder of the subsystem
// they belong to: link/ (frame reception), evaluation/ (verdicts), decoder/
// (the decoding run) and report/ ("Make Report").
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    // Tests only: the link and the exchange with shorter waits.
    explicit MainWindow(const LinkTimings &timings, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Read by the report, all copies of what the window shows now.
    QString vesselName() const;
    QString beaconManufacturer() const;
    QString beaconModel() const;
    QString beaconSerialNo() const;
    QString bracketType() const;
    QString bracketSerialNo() const;
    QString batteryExpiry() const;
    QString hydrostaticReleaseExpiry() const;
    QString sbmDueDate() const;
    QString companyName() const;
    QString testedBy() const;
    QString frequencyText() const;
    QString rfLevelText() const;
    QString instrumentSerialNo() const;
    QString calibrationDue() const;
    QStringList decodedLines() const;
    QString reportDateTime() const;

    QString distressText() const;
    QString frequencyLimitText() const;
    QString frequencyVerdictText() const;

    // Read by the test register besides the report's own.
    QString targetFrequencyText() const;
    QString statusReading() const;
    QString statusVerdictText() const;

    // A copy of text without the characters that no file name may hold.
    static QString removeInvalidFileChars(QString text);

    // Validates the message in the hex-message field and rebuilds the decoded
    // listing; false for a message that fails its error-correcting codes.
    bool decodeMessage();

protected:
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;
#endif

private slots:
    void onConnectOk();
    void onVestraNotFound();
    void onVestraFound(QString strPort);
    void onVestraFailed(QString strPort);
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

    Ui_MainWindow *ui;
    vestraComm *vestra = nullptr;
    SerialComm *serialComm = nullptr;
    QTimer *receiveTimer = nullptr;
    // The counts, the page and the readings of the exchange.
    Exchange exchange;
    LinkTimings timings;
    int progressTicks = 0;
    // Named apart from the accessor decodedLines(), which returns a copy.
    QStringList m_decodedLines;
    bool debugMode = false;
    QString portName;
    DialogAbout *aboutDialog = nullptr;
};

#endif // MAINWINDOW_H
