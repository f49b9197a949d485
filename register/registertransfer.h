#ifndef REGISTERTRANSFER_H
#define REGISTERTRANSFER_H

#include "result.h"
#include "testhistory.h"

#include <QString>
#include <QStringList>

// The CSV register into and out of the test history.

struct RegisterImport
{
    int imported = 0;
    // Each damaged line that was left out: file, line, what is wrong.
    QStringList skipped;
};

// Imports the register at csvPath in one transaction: lines that hold a test
// become tests, damaged ones are skipped and named. Nothing is imported when
// the file cannot be read or is no register, or the history cannot take it.
Result<RegisterImport> importRegister(TestHistory &history, const QString &csvPath);

// Writes a fresh register of every test, oldest first, to csvPath.
Done exportRegister(const TestHistory &history, const QString &csvPath);

#endif // REGISTERTRANSFER_H
