#include "reprint.h"

#include "isotime.h"
#include "pdfreport.h"
#include "reportfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString reprintFileName(const StoredTest &test, ReprintNaming naming)
{
    const TestRecord &r = test.record;
    const QDate day = r.time.date();
    QString suffix = u' ' + isoDate(day);
    // Dots in the time, as no system refuses them in a name.
    if (naming != ReprintNaming::Day)
        suffix += u' ' + r.time.toString(QStringLiteral("HH.mm.ss"));
    if (naming == ReprintNaming::Offset || naming == ReprintNaming::Number)
        suffix += utcOffsetText(r.time, u'.');
    if (naming == ReprintNaming::Number)
        suffix += QStringLiteral(" test %1").arg(test.number);
    // A blank typed first would hide the file at the top of a listing.
    const BeaconFields &b = r.beacon;
    return ReportFile::fileName(b.manufacturer, b.model, b.beaconSerialNo, suffix).trimmed();
}

QString writeFailureReason(const QString &path, const QString &fallback)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (file.isDir())
        return QStringLiteral("it is a folder");
    if (!folder.isDir())
        return QStringLiteral("the folder %1 does not exist")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (!ReportFile::nameFits(file.fileName()))
        return QStringLiteral("the file name is too long");
    if (file.exists() && !file.isWritable())
        return QStringLiteral("the file is read-only");
    if (!file.exists() && !folder.isWritable())
        return QStringLiteral("the folder %1 is read-only")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    return fallback;
}

Result<QString> reprintTo(const StoredTest &test, const QString &path, bool replace)
{
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (QFileInfo(path).isDir())
        return failure(shown + QStringLiteral(" cannot be written: it is a folder"));
    if (QFile::exists(path) && !replace)
        return failure(shown + QStringLiteral(" is there already"));
    const Done written = pdfReport().createReport(path, test.record, QDateTime::currentDateTime());
    if (!written)
        return failure(shown + QStringLiteral(" cannot be written: ") +
                       writeFailureReason(path, written.reason()));
    return shown;
}
