#include "diagnosticlog.h"

#include "isotime.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

namespace {

// The log that messages go to, and the handler before it; one at a time.
QBasicMutex installed;
DiagnosticLog *current = nullptr;
QtMessageHandler previous = nullptr;

// A message about writing the log itself goes to standard error only.
thread_local bool writing = false;

} // namespace

QString DiagnosticLog::folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

DiagnosticLog::DiagnosticLog(const QString &folder, qint64 maxBytes)
    : m_folder(folder), m_maxBytes(maxBytes), m_file(QDir(folder).filePath(QLatin1String(FileName)))
{
}

DiagnosticLog::~DiagnosticLog()
{
    const QMutexLocker lock(&installed);
    if (current == this) {
        qInstallMessageHandler(previous);
        current = nullptr;
    }
}

Done DiagnosticLog::install()
{
    {
        const QMutexLocker lock(&m_mutex);
        if (!QDir().mkpath(m_folder))
            return failure(QDir::toNativeSeparators(m_folder) + QStringLiteral(": cannot be made"));
        if (m_file.size() >= m_maxBytes)
            rotate();
        else
            m_file.open(QIODevice::Append | QIODevice::Text);
        if (!m_file.isOpen())
            return failure(QDir::toNativeSeparators(filePath()) + QStringLiteral(": ") +
                           m_file.errorString());
    }
    const QMutexLocker lock(&installed);
    current = this;
    previous = qInstallMessageHandler(handle);
    return {};
}

QString DiagnosticLog::filePath() const
{
    return m_file.fileName();
}

void DiagnosticLog::write(const QString &line)
{
    const QMutexLocker lock(&m_mutex);
    if (!m_file.isOpen() && !m_file.open(QIODevice::Append | QIODevice::Text))
        return;
    writing = true;
    m_file.write((isoTime(QDateTime::currentDateTime()) + u' ' + line + u'\n').toUtf8());
    // On the disk at once: the line before a crash is the one wanted.
    m_file.flush();
    if (m_file.size() >= m_maxBytes)
        rotate();
    writing = false;
}

void DiagnosticLog::handle(QtMsgType type, const QMessageLogContext &context,
                           const QString &message)
{
    if (!writing) {
        const QMutexLocker lock(&installed);
        // Before the handler there was, which ends the program on a fatal message.
        if (current)
            current->write(qFormatLogMessage(type, context, message));
    }
    if (previous)
        previous(type, context, message);
}

QString DiagnosticLog::olderPath(int age) const
{
    // vestra.1.log
    return QDir(m_folder).filePath(
        QString::fromLatin1(FileName).replace(u'.', QStringLiteral(".%1.")).arg(age));
}

void DiagnosticLog::rotate()
{
    m_file.close();
    QFile::remove(olderPath(OlderFiles));
    for (int age = OlderFiles - 1; age > 0; --age)
        QFile::rename(olderPath(age), olderPath(age + 1));
    // Where another running copy of the program holds it open, Windows keeps
    // it in place; the lines go on into it and the next line tries again.
    QFile::rename(m_file.fileName(), olderPath(1));
    m_file.open(QIODevice::Append | QIODevice::Text);
}
