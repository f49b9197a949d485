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

// Names Windows keeps for its devices, whatever extension follows; "COM¹"
// and the like are among them.
bool isDeviceName(QStringView stem)
{
    static const QStringList plain{QStringLiteral("CON"), QStringLiteral("PRN"),
                                   QStringLiteral("AUX"), QStringLiteral("NUL")};
    if (stem.size() == 3)
        return plain.contains(stem, Qt::CaseInsensitive);
    if (stem.size() != 4 || !(stem.startsWith(u"COM", Qt::CaseInsensitive) ||
                              stem.startsWith(u"LPT", Qt::CaseInsensitive)))
        return false;
    const QChar n = stem.at(3);
    return (n >= u'0' && n <= u'9') || n == u'\u00B9' || n == u'\u00B2' || n == u'\u00B3';
}

// QSaveFile writes beside the report under the report's name and seven more bytes.
constexpr int TemporaryNameExtra = 7;

#ifdef Q_OS_WIN
// MoveFileExW takes no more than MAX_PATH characters unless the path is
// absolute and marked \\?\; Qt's own file calls mark theirs already.
std::wstring longPath(const QString &path)
{
    QString native = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (native.startsWith(QLatin1String("\\\\")))
        native = QStringLiteral("\\\\?\\UNC\\") + native.mid(2);
    else
        native.prepend(QLatin1String("\\\\?\\"));
    return native.toStdWString();
}
#endif

bool replaceFile(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    return MoveFileExW(longPath(from).c_str(), longPath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

Done writeInPlace(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && writeAll(file, data))
        return {};
    return failure(file.errorString());
}

// For a name too long to have QSaveFile's temporary name beside it: the same
// way round, under a short temporary name.
Done saveUnderShortName(const QString &path, const QByteArray &data)
{
    const QString folderPath = QFileInfo(path).path();
    QFile temporary(folderPath + QStringLiteral("/.vestra-") +
                    QString::number(QRandomGenerator::global()->generate(), 36) +
                    QStringLiteral(".tmp"));
    if (!temporary.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        // As QSaveFile's fallback: a folder that takes no new file may still
        // hold a report that can be written.
        if (QFileInfo(folderPath).isWritable())
            return failure(temporary.errorString());
        return writeInPlace(path, data);
    }
    const bool written = writeAll(temporary, data);
    const QString why = temporary.errorString();
    temporary.close();
    if (written && replaceFile(temporary.fileName(), path))
        return {};
    temporary.remove();
    return failure(written ? QStringLiteral("Cannot replace the earlier file") : why);
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
        // Control characters (a tab, a line break from a spreadsheet's cell)
        // are refused by Windows and trouble everywhere else.
        if (c.category() != QChar::Other_Control && !invalid.contains(c))
            cleaned.append(c);
    }
    return cleaned;
}

bool nameFits(const QString &name, int extra)
{
    constexpr int NameMax = 255;
#ifdef Q_OS_WIN
    return name.size() + extra <= NameMax;
#else
    return QFile::encodeName(name).size() + extra <= NameMax;
#endif
}

QString fileName(const QString &manufacturer, const QString &model, const QString &serialNo,
                 const QString &suffix)
{
    QString name = removeInvalidFileChars(manufacturer) + u' ' + removeInvalidFileChars(model) +
                   u' ' + removeInvalidFileChars(serialNo) + suffix + QStringLiteral(".pdf");
    // "NUL.x EB-5 7.pdf" would open the device NUL on Windows; the report
    // made here goes there too, so the rule holds everywhere. Windows also
    // drops the blanks at the end of such a stem.
    const qsizetype dot = name.indexOf(u'.');
    QStringView stem = QStringView(name).left(dot);
    while (stem.endsWith(u' '))
        stem.chop(1);
    if (isDeviceName(stem))
        name.prepend(u'_');
    return name;
}

QString path(const QString &folder, const QString &manufacturer, const QString &model,
             const QString &serialNo)
{
    return folder + u'/' + fileName(manufacturer, model, serialNo);
}

Done canWrite(const QString &path)
{
    QFile writeTest(path);
    if (!writeTest.open(QIODevice::ReadWrite))
        return failure(writeTest.errorString());
    writeTest.close();
    return {};
}

Done save(const QString &path, const QByteArray &data)
{
    if (!nameFits(QFileInfo(path).fileName(), TemporaryNameExtra))
        return saveUnderShortName(path, data);
    QSaveFile file(path);
    // A read-only folder may hold a writable report: that one is written in place.
    file.setDirectWriteFallback(true);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && writeAll(file, data) &&
        file.commit())
        return {};
    return failure(file.errorString());
}

} // namespace ReportFile
