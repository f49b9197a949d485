#ifndef SAVEREPORT_H
#define SAVEREPORT_H

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

// Checks the message and the three fields that name the report, writes the
// report into folder (empty: no Documents location), then the test into the
// history beside it, durably, and its line into the CSV register.
ReportOutcome saveReport(const TestRecord &record, const QString &folder);

#endif // SAVEREPORT_H
