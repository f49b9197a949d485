#include "savereport.h"

#include "historyatstart.h"
#include "keptaside.h"
#include "pdfreport.h"
#include "reportfile.h"
#include "reportlog.h"
#include "testregister.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

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

// Opens the history for a test to be stored, making it anew, with the
// register imported, when it has vanished; lines receives what there is to say.
Done openToStore(TestHistory &history, const TestStore &store, QStringList &lines)
{
    // A register with no history beside it has lost its history.
    const bool gone = !QFileInfo::exists(history.filePath()) &&
                      QFileInfo::exists(TestRegister::path(store.reportFolder));
    std::optional<Result<RegisterImport>> import;
    const Done opened = history.openOrMake(registerSeed(store.reportFolder, import));
    if (opened && gone)
        lines.append(QStringLiteral("Test history not found at %1: a new one is made")
                         .arg(QDir::toNativeSeparators(history.filePath())));
    if (opened && import)
        lines.append(importStatusLines(*import));
    return opened;
}

// The kept tests that the open history takes, oldest first, until it takes none.
void land(const TestStore &store, TestHistory &history, QStringList &lines)
{
    for (const QString &file : KeptAside::waiting(store.keptAsideFolder)) {
        const Result<qint64> number = KeptAside::land(file, history);
        if (number) {
            lines.append(QStringLiteral("Test history: saved as test %1").arg(*number));
        } else if (!QFile::exists(file)) {
            lines.append(QStringLiteral("Test kept aside cannot be read, put out of the way: ") +
                         number.reason());
        } else {
            break;
        }
    }
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
    return outcome;
}

QStringList storeTest(const TestRecord &record, const TestStore &store)
{
    QStringList lines;
    // The report counts as saved whatever happens to its history and register
    // lines; the history first, as it is the one read back.
    TestHistory history(TestHistory::path(store.reportFolder), store.busyTimeoutMs);
    const Done opened = openToStore(history, store, lines);
    if (opened)
        land(store, history, lines);
    const Result<qint64> number =
        opened ? history.add(record) : Result<qint64>(failure(opened.reason()));
    if (number) {
        lines.append(QStringLiteral("Test history: saved as test %1").arg(*number));
    } else if (const Done kept = KeptAside::keep(store.keptAsideFolder, record); kept) {
        lines.append(QStringLiteral("Test history not updated: %1; the test is kept aside and "
                                    "added as soon as the history takes it")
                         .arg(number.reason()));
    } else {
        lines.append(QStringLiteral("Test history not updated: %1; nor could the test be kept "
                                    "aside: %2")
                         .arg(number.reason(), kept.reason()));
    }
    const Done appended = TestRegister::append(store.reportFolder, record);
    lines.append(appended ? QStringLiteral("Test register: line added")
                          : QStringLiteral("Test register not updated: ") + appended.reason());
    return lines;
}

QStringList landKeptAside(const TestStore &store)
{
    QStringList lines;
    if (KeptAside::waiting(store.keptAsideFolder).isEmpty())
        return lines;
    TestHistory history(TestHistory::path(store.reportFolder), store.busyTimeoutMs);
    if (openToStore(history, store, lines))
        land(store, history, lines);
    return lines;
}
