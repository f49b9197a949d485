#include "savereport.h"

#include "pdfreport.h"
#include "reportfile.h"
#include "reportlog.h"
#include "testhistory.h"
#include "testregister.h"

#include <QDir>
#include <QFile>

namespace {

ReportOutcome refused(const char *text)
{
    ReportOutcome outcome;
    outcome.refusal = QLatin1String(text);
    return outcome;
}

// One box for every cause; the status log says which it was.
ReportOutcome cannotWrite(const QString &reason)
{
    ReportOutcome outcome = refused("The report cannot be written.\nIf the report is open in "
                                    "another\napplication please close it");
    outcome.statusLines.append(QStringLiteral("Report not saved: ") + reason);
    return outcome;
}

} // namespace

ReportOutcome saveReport(const TestRecord &record, const QString &folder)
{
    // Nothing to judge or decode without them, and no earlier beacon's stands in.
    if (record.hexMessage.isEmpty() || record.frequency.isEmpty()) {
        QStringList lacking;
        if (record.hexMessage.isEmpty())
            lacking.append(QStringLiteral("hex message"));
        if (record.frequency.isEmpty())
            lacking.append(QStringLiteral("frequency"));
        const QString what = lacking.join(QStringLiteral(" and no "));
        ReportOutcome outcome;
        outcome.refusal =
            QStringLiteral("The instrument sent no %1.\nRequest Data again.").arg(what);
        outcome.statusLines.append(QStringLiteral("Report not saved: the instrument sent no ") +
                                   what);
        return outcome;
    }
    if (!record.messageValid())
        return refused("Message received incorrect\nTry again.");
    const BeaconFields &beacon = record.beacon;
    // A field of blanks counts as filled.
    if (beacon.manufacturer.isEmpty() || beacon.model.isEmpty() || beacon.beaconSerialNo.isEmpty())
        return refused("Please enter at least\nManufacturer\nModel and Serial");
    if (folder.isEmpty())
        return cannotWrite(QStringLiteral("the system names no Documents folder"));

    ReportOutcome outcome;
    outcome.path =
        ReportFile::path(folder, beacon.manufacturer, beacon.model, beacon.beaconSerialNo);
    // Fails while a viewer holds the report locked or the folder is gone.
    const bool existedBefore = QFile::exists(outcome.path);
    if (const Done writable = ReportFile::canWrite(outcome.path); !writable)
        return cannotWrite(writable.reason());
    if (const Done written = pdfReport().createReport(outcome.path, record); !written) {
        // Leave no empty file behind that only the write test made.
        if (!existedBefore)
            QFile::remove(outcome.path);
        return cannotWrite(written.reason());
    }
    if (existedBefore)
        qCDebug(lcReport) << "Replaced old file";
    // The technician's own way of writing the path: backslashes on Windows.
    outcome.statusLines.append(QStringLiteral("Saving: ") + QDir::toNativeSeparators(outcome.path));
    // The report counts as saved whatever happens to its history and register
    // lines; the history first, as it is the one read back.
    TestHistory history(TestHistory::path(folder));
    const std::optional<qint64> number = history.add(record);
    outcome.statusLines.append(
        number ? QStringLiteral("Test history: saved as test %1").arg(*number)
               : QStringLiteral("Test history not updated: ") + history.errorString());
    const QString notRecorded = TestRegister::append(folder, record);
    outcome.statusLines.append(notRecorded.isEmpty()
                                   ? QStringLiteral("Test register: line added")
                                   : QStringLiteral("Test register not updated: ") + notRecorded);
    return outcome;
}
