#include "keptaside.h"

#include "filesync.h"
#include "programnames.h"
#include "testregister.h"

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

#include <optional>

namespace KeptAside {

namespace {

const char Suffix[] = ".csv";

// Named after the test's identity, so that a name sorts by its moment and
// the same test kept twice has one file.
QString fileName(const TestRecord &record)
{
    const QDateTime identity = record.identityTime();
    return QStringLiteral("%1%2%3-%4")
               .arg(identity.toSecsSinceEpoch(), 12, 10, QLatin1Char('0'))
               .arg(identity.offsetFromUtc() < 0 ? QLatin1String("-") : QLatin1String("+"))
               .arg(qAbs(identity.offsetFromUtc()), 5, 10, QLatin1Char('0'))
               .arg(record.hexMessage.toUpper()) +
           QLatin1String(Suffix);
}

} // namespace

QString folder()
{
    // The window program's names: another program (vestra-report) finds the
    // same folder under its own.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty()
               ? QString()
               : QStringLiteral("%1/%2/%3/kept-aside")
                     .arg(data, QLatin1String(OrganisationName), QLatin1String(ApplicationName));
}

Done keep(const QString &folder, const TestRecord &record)
{
    if (folder.isEmpty())
        return failure(QStringLiteral("the system names no folder for the program's data"));
    if (!QDir().mkpath(folder))
        return failure(QDir::toNativeSeparators(folder) + QStringLiteral(" cannot be made"));
    const QString path = folder + u'/' + fileName(record);
    QSaveFile file(path);
    // QSaveFile has the file on the disk before it takes the final name.
    if (file.open(QIODevice::WriteOnly) &&
        file.write(TestRegister::start() + TestRegister::csvLine(TestRegister::fields(record))) >=
            0 &&
        file.commit() && FileSync::syncFolder(folder))
        return {};
    return failure(QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.errorString());
}

QStringList waiting(const QString &folder)
{
    if (folder.isEmpty())
        return {};
    const QDir dir(folder);
    QStringList files;
    for (const QString &name :
         dir.entryList({QLatin1Char('*') + QLatin1String(Suffix)}, QDir::Files, QDir::Name))
        files.append(dir.filePath(name));
    return files;
}

Result<qint64> land(const QString &file, TestHistory &history)
{
    std::optional<TestRecord> kept;
    TestRegister::Reading reading;
    const Done read = TestRegister::read(
        file,
        [&](const TestRecord &record) {
            kept = record;
            return true;
        },
        reading);
    if (!read || !kept) {
        QFile::rename(file, file + QStringLiteral(".unreadable"));
        return failure(!read ? read.reason() : reading.skipped.value(0, file));
    }
    const Result<qint64> number = history.add(*kept);
    if (number)
        QFile::remove(file);
    return number;
}

} // namespace KeptAside
