#include "reportfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cstdio>
#endif

namespace ReportFile {

namespace {

const char InvalidFileChars[] = "\"*/:<>?\\|";

// QSaveFile writes beside the report under the report's name and seven more
// bytes; most file systems allow 255 bytes to a name.
constexpr int NameMax = 255;
constexpr int TemporaryNameExtra = 7;

bool failed(QString *reason, const QString &why)
{
    if (reason)
        *reason = why;
    return false;
}

bool replaceFile(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    return MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(from).utf16()),
                       reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(to).utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

bool writeInPlace(const QString &path, const QByteArray &data, QString *reason)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && writeAll(file, data))
        return true;
    return failed(reason, file.errorString());
}

// For a name too long to have QSaveFile's temporary name beside it: the same
// way round, under a short temporary name.
bool saveUnderShortName(const QString &path, const QByteArray &data, QString *reason)
{
    const QString folderPath = QFileInfo(path).path();
    QFile temporary(folderPath + QStringLiteral("/.vestra-") +
                    QString::number(QRandomGenerator::global()->generate(), 36) +
                    QStringLiteral(".tmp"));
    if (!temporary.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        // As QSaveFile's fallback: a folder that takes no new file may still
        // hold a report that can be written.
        if (QFileInfo(folderPath).isWritable())
            return failed(reason, temporary.errorString());
        return writeInPlace(path, data, reason);
    }
    const bool written = writeAll(temporary, data);
    const QString why = temporary.errorString();
    temporary.close();
    if (written && replaceFile(temporary.fileName(), path))
        return true;
    temporary.remove();
    return failed(reason, written ? QStringLiteral("Cannot replace the earlier file") : why);
}

} // namespace

bool writeAll(QFileDevice &file, const QByteArray &data)
{
    for (qint64 written = 0; written < data.size();) {
        const qint64 chunk = file.write(data.constData() + written, data.size() - written);
        if (chunk <= 0)
            return false;
        written += chunk;
    }
    return true;
}

QString folder()
{
    const QStringList documents =
        QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        return QString();
    return documents.first() + u'/' + QLatin1String(FolderName);
}

void makeFolder()
{
    // mkpath, not mkdir: a fresh Linux account may have no Documents folder yet,
    // and without it no report could ever be saved.
    const QString reportFolder = folder();
    if (!reportFolder.isEmpty())
        QDir().mkpath(reportFolder);
}

QString removeInvalidFileChars(QString text)
{
    const QString invalid = QLatin1String(InvalidFileChars);
    QString cleaned;
    cleaned.reserve(text.size());
    for (const QChar c : text) {
        if (!invalid.contains(c))
            cleaned.append(c);
    }
    return cleaned;
}

QString fileName(const QString &manufacturer, const QString &model, const QString &serialNo,
                 const QString &suffix)
{
    return removeInvalidFileChars(manufacturer) + u' ' + removeInvalidFileChars(model) + u' ' +
           removeInvalidFileChars(serialNo) + suffix + QStringLiteral(".pdf");
}

QString path(const QString &folder, const QString &manufacturer, const QString &model,
             const QString &serialNo)
{
    return folder + u'/' + fileName(manufacturer, model, serialNo);
}

bool canWrite(const QString &path, QString *reason)
{
    QFile writeTest(path);
    if (!writeTest.open(QIODevice::ReadWrite))
        return failed(reason, writeTest.errorString());
    writeTest.close();
    return true;
}

bool save(const QString &path, const QByteArray &data, QString *reason)
{
    if (QFile::encodeName(QFileInfo(path).fileName()).size() > NameMax - TemporaryNameExtra)
        return saveUnderShortName(path, data, reason);
    QSaveFile file(path);
    // A read-only folder may hold a writable report: that one is written in place.
    file.setDirectWriteFallback(true);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && writeAll(file, data) &&
        file.commit())
        return true;
    return failed(reason, file.errorString());
}

} // namespace ReportFile
