#ifndef SAVEREPORT_H
#define SAVEREPORT_H

#include "testhistory.h"
#include "testrecord.h"

#include <QString>
#include <QStringList>

// What "Make Report" came to: a report saved, or the words that refuse it.
struct ReportOutcome
{
    // For the operator's message box; empty when the report was saved.
    QString refusal;
    QString path;
    // For the status log, in the order they happen; a refused report's too,
    // where the box alone does not say why.
    QStringList statusLines;

    bool saved() const { return refusal.isEmpty(); }
};

// Checks the message and the three fields that name the report, and writes
// the report into folder (empty: no Documents location). The test then goes
// to the history and the register: storeTest.
ReportOutcome saveReport(const TestRecord &record, const QString &folder);

// Where a saved test is kept: the history and the register in the report
// folder, and the folder where tests wait that the history could not take.
struct TestStore
{
    QString reportFolder;
    QString keptAsideFolder;
    // How long the history's lock is waited for before a test is kept aside.
    int busyTimeoutMs = TestHistory::BusyTimeoutMs;
};

// After the report: the tests kept aside earlier, then this one, into the
// history, each in one durable transaction; kept aside itself when the
// history cannot take it. Then its line into the register. A history that
// has vanished is made anew with the register imported first. The
// status-log lines, in the order things happen. May wait for the history's
// lock: not for the window's thread.
QStringList storeTest(const TestRecord &record, const TestStore &store);

// The tests kept aside, into the history as far as it takes them: a line
// for each that landed. Nothing is said while the history still takes none.
QStringList landKeptAside(const TestStore &store);

#endif // SAVEREPORT_H
