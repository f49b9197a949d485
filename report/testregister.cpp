#include "testregister.h"

#include <QFile>
#include <QLockFile>

namespace TestRegister {

namespace {

// Longer than one append takes, short enough not to hold up the technician.
constexpr int LockWaitMs = 2000;

const char Utf8Bom[] = "\xEF\xBB\xBF";

QString offsetText(int seconds)
{
    const int minutes = qAbs(seconds) / 60;
    return QString::asprintf("%c%02d:%02d", seconds < 0 ? '-' : '+', minutes / 60, minutes % 60);
}

} // namespace

QStringList header()
{
    return {
        QStringLiteral("Date and time"),
        QStringLiteral("Vessel name"),
        QStringLiteral("Manufacturer"),
        QStringLiteral("Model"),
        QStringLiteral("Beacon serial number"),
        QStringLiteral("Beacon ID (15 hex)"),
        QStringLiteral("Hex message"),
        QStringLiteral("Target frequency"),
        QStringLiteral("Measured frequency (MHz)"),
        QStringLiteral("Frequency verdict"),
        QStringLiteral("Distress"),
        QStringLiteral("RF level (dB)"),
        QStringLiteral("Status reading"),
        QStringLiteral("Status verdict"),
        QStringLiteral("Instrument serial number"),
        QStringLiteral("Calibration due"),
        QStringLiteral("Company"),
        QStringLiteral("Tested by"),
        QStringLiteral("Program version"),
        QStringLiteral("Report file"),
    };
}

QStringList fields(const Entry &e)
{
    return {isoTime(e.time),     e.vesselName,       e.manufacturer,       e.model,
            e.beaconSerialNo,    e.beaconId,         e.hexMessage,         e.targetFrequency,
            e.measuredFrequency, e.frequencyVerdict, e.distressText,       e.rfLevel,
            e.statusReading,     e.statusVerdict,    e.instrumentSerialNo, e.calibrationDue,
            e.companyName,       e.testedBy,         e.programVersion,     e.reportFileName};
}

QString isoTime(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")) +
           offsetText(time.offsetFromUtc());
}

QString csvField(const QString &value)
{
    QString field = value;
    if (!field.isEmpty() && QStringLiteral("=+-@").contains(field.front()))
        field.prepend(u'\'');
    if (field.contains(u',') || field.contains(u'"') || field.contains(u'\n') ||
        field.contains(u'\r')) {
        field.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        field = u'"' + field + u'"';
    }
    return field;
}

QByteArray csvLine(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &value : fields)
        quoted.append(csvField(value));
    return quoted.join(u',').toUtf8() + "\r\n";
}

QString append(const QString &folder, const Entry &entry)
{
    return append(folder, fields(entry));
}

QString append(const QString &folder, const QStringList &fields)
{
    const QString path = folder + u'/' + QLatin1String(FileName);
    // Two program instances append one after the other, and only one of them
    // finds the register new. The lock, not the file's append mode, keeps them
    // apart: Qt on Windows appends by seeking to the end first.
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(LockWaitMs)) {
        if (lock.error() == QLockFile::LockFailedError)
            return QStringLiteral("another VESTRA program is writing it");
        // A folder that takes no lock file may still hold a writable register;
        // then there is nobody to keep apart from but another such program.
        if (lock.error() != QLockFile::PermissionError)
            return QStringLiteral("its lock file cannot be made");
    }

    QFile file(path);
    if (!file.open(QIODevice::Append | QIODevice::Unbuffered))
        return file.errorString();
    const qint64 sizeBefore = file.size();
    QByteArray line = csvLine(fields);
    if (sizeBefore == 0)
        line.prepend(QByteArray(Utf8Bom) + csvLine(header()));
    if (file.write(line) != line.size() || !file.flush()) {
        const QString why = file.errorString();
        // Cut off what did get in, and nothing before it.
        file.resize(sizeBefore);
        return why;
    }
    return QString();
}

} // namespace TestRegister
