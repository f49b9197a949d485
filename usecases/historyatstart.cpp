#include "historyatstart.h"

#include "testregister.h"

#include <QFile>

QStringList importStatusLines(const Result<RegisterImport> &import)
{
    if (!import)
        return {QStringLiteral("Test register not imported: ") + import.reason()};
    const int skipped = int(import->skipped.size());
    QStringList lines{
        QStringLiteral("Test register imported into the test history: %1 %2, %3 "
                       "damaged %4 skipped")
            .arg(import->imported)
            .arg(import->imported == 1 ? QStringLiteral("test") : QStringLiteral("tests"))
            .arg(skipped)
            .arg(skipped == 1 ? QStringLiteral("line") : QStringLiteral("lines"))};
    for (const QString &line : import->skipped)
        lines.append(QStringLiteral("Skipped: ") + line);
    return lines;
}

QStringList openHistoryAtStart(const QString &folder)
{
    if (folder.isEmpty())
        return {QStringLiteral("Test history cannot be opened: no Documents folder")};
    TestHistory history(TestHistory::path(folder));
    if (!history.open())
        return {QStringLiteral("Test history cannot be opened: ") + history.errorString()};
    const QString csv = TestRegister::path(folder);
    if (!history.isNew() || !QFile::exists(csv))
        return {};
    return importStatusLines(importRegister(history, csv));
}
