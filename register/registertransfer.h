#ifndef REGISTERTRANSFER_H
#define REGISTERTRANSFER_H

#include "result.h"
#include "testhistory.h"
#include "testregister.h"

#include <QString>
#include <QStringList>

// The CSV register into and out of the test history.

struct RegisterImport
{
    // The register as the technician names it.
    QString file;
    // Tests new to the history; a line that repeats an earlier line's test
    // (a report made again) corrects it and counts once.
    int imported = 0;
    // Tests the history held before, whose records stand as they were.
    int already = 0;
    // Each damaged line that was left out: file, line, what is wrong.
    QStringList skipped;
    // What a spreadsheet's save did to the file, in words; empty when none.
    QStringList spreadsheetSigns;
};

// Imports the register at csvPath in one transaction: lines that hold a test
// new to the history become tests, damaged ones are skipped and named.
// Nothing is imported when the file cannot be read or is no register, or the
// history cannot take it.
Result<RegisterImport> importRegister(TestHistory &history, const QString &csvPath,
                                      const TestRegister::Progress &progress = {});

// Writes a fresh register of every test, oldest first, to csvPath.
Done exportRegister(const TestHistory &history, const QString &csvPath);

#endif // REGISTERTRANSFER_H
