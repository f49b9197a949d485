#ifndef HISTORYATSTART_H
#define HISTORYATSTART_H

#include "registertransfer.h"

#include <QString>
#include <QStringList>

// The status-log lines that tell an import: how many tests were taken in and
// how many damaged lines skipped, then each skipped line named; or why
// nothing was imported.
QStringList importStatusLines(const Result<RegisterImport> &import);

// At program start: opens the history in the report folder and, when it is
// new and test-register.csv is there, imports the register once. The
// status-log lines to show: the import's, or why the history cannot be
// opened. Empty when there is nothing to say.
QStringList openHistoryAtStart(const QString &folder);

#endif // HISTORYATSTART_H
