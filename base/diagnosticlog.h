#ifndef DIAGNOSTICLOG_H
#define DIAGNOSTICLOG_H

#include "result.h"

#include <QFile>
#include <QMutex>
#include <QString>
#include <QtGlobal>

// The window program's diagnostic lines kept in files as well as written to
// standard error, which a Windows program shows nobody: when a technician
// phones for help, the lines say what happened. A few files of a bounded
// size: at maxBytes vestra.log becomes vestra.1.log, the one before that
// vestra.2.log, and so on; the oldest is dropped. No window in here.
class DiagnosticLog
{
public:
    static constexpr char FileName[] = "vestra.log";
    static constexpr qint64 MaxBytes = 1024 * 1024;
    // Besides vestra.log.
    static constexpr int OlderFiles = 3;

    // The program's data folder, where the window program keeps its log.
    static QString folder();

    explicit DiagnosticLog(const QString &folder, qint64 maxBytes = MaxBytes);
    // Gives the messages back to the handler there was before.
    ~DiagnosticLog();
    DiagnosticLog(const DiagnosticLog &) = delete;
    DiagnosticLog &operator=(const DiagnosticLog &) = delete;

    // From now on every message of the process (qDebug, qCWarning, ...) goes
    // to the handler there was before (standard error) and into the log, as
    // that handler writes it; from any thread. Refused, and nothing
    // installed, when the folder or the file cannot be made.
    Done install();
    // One line into the log, after the moment it was written in ISO 8601.
    void write(const QString &line);
    QString filePath() const;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);
    QString olderPath(int age) const;
    void rotate();

    QString m_folder;
    qint64 m_maxBytes;
    QMutex m_mutex;
    QFile m_file;
};

#endif // DIAGNOSTICLOG_H
