#ifndef HISTORYATSTART_H
#define HISTORYATSTART_H

#include "registertransfer.h"

#include <QString>
#include <QStringList>

#include <optional>

// The status-log lines that tell an import: how many tests were taken in,
// how many the history held already and how many damaged lines were
// skipped; what a spreadsheet did to the file, when it did; then each
// skipped line named. Or why nothing was imported.
QStringList importStatusLines(const Result<RegisterImport> &import);

// What a history made in folder is first filled with: the register beside
// it, when there is one. import receives how that went. A register that
// cannot be read is left out (the history is made empty, and the lines say
// why); only the history's own refusal undoes the history.
TestHistory::Seed registerSeed(const QString &folder, std::optional<Result<RegisterImport>> &import,
                               const TestRegister::Progress &progress = {});

// At program start: opens the history in the report folder and, when it is
// not there yet, makes it with the register beside it imported, in one
// step. The status-log lines to show: the import's, or why the history
// cannot be opened. Empty when there is nothing to say.
QStringList openHistoryAtStart(const QString &folder, const TestRegister::Progress &progress = {});

#endif // HISTORYATSTART_H
