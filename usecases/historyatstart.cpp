#include "historyatstart.h"

#include <QFile>

namespace {

QString counted(int n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

} // namespace

QStringList importStatusLines(const Result<RegisterImport> &import)
{
    if (!import)
        return {QStringLiteral("Test register not imported: ") + import.reason()};
    QString counts = counted(import->imported, "test", "tests");
    if (import->already > 0)
        counts += QStringLiteral(", ") + counted(import->already, "test", "tests") +
                  QStringLiteral(" already in the history");
    QStringList lines{
        QStringLiteral("Test register imported into the test history: %1, %2 "
                       "skipped")
            .arg(counts, counted(int(import->skipped.size()), "damaged line", "damaged lines"))};
    if (!import->spreadsheetSigns.isEmpty())
        lines.append(QStringLiteral("Test register saved by a spreadsheet: %1 (%2): check the "
                                    "serial numbers, long numbers and dates of the tests it "
                                    "brought in%3")
                         .arg(import->file, import->spreadsheetSigns.join(QStringLiteral("; ")),
                              import->already > 0
                                  ? QStringLiteral("; for the tests the history held already, "
                                                   "its own values stand")
                                  : QString()));
    for (const QString &line : import->skipped)
        lines.append(QStringLiteral("Skipped: ") + line);
    return lines;
}

TestHistory::Seed registerSeed(const QString &folder, std::optional<Result<RegisterImport>> &import,
                               const TestRegister::Progress &progress)
{
    return [csv = TestRegister::path(folder), &import, progress](TestHistory &history) -> Done {
        if (!QFile::exists(csv))
            return {};
        if (const Done readable = TestRegister::check(csv); !readable) {
            import.emplace(failure(readable.reason()));
            return {};
        }
        import.emplace(importRegister(history, csv, progress));
        return *import ? Done() : Done(failure(import->reason()));
    };
}

QStringList openHistoryAtStart(const QString &folder, const TestRegister::Progress &progress)
{
    if (folder.isEmpty())
        return {QStringLiteral("Test history cannot be opened: no Documents folder")};
    std::optional<Result<RegisterImport>> import;
    TestHistory history(TestHistory::path(folder));
    if (const Done opened = history.openOrMake(registerSeed(folder, import, progress)); !opened)
        return {QStringLiteral("Test history cannot be opened: ") + opened.reason()};
    return import ? importStatusLines(*import) : QStringList();
}
