#ifndef BEACONHISTORY_H
#define BEACONHISTORY_H

#include "result.h"
#include "testhistory.h"
#include "testrecord.h"

#include <QString>

#include <optional>

// Next year's form: a beacon's earlier test, found in the test history by its
// 15-hex ID through the database's index.

// Fills the empty fields of form that stay with a beacon from year to year
// (never company or tester; the ship's identity and the label's ID, never the
// kind, the answers or the remarks) from an earlier test's. True when any was
// filled.
bool fillEmptyFields(TestRecord &form, const TestRecord &earlier);

// The latest test of the message's beacon in the history at historyPath;
// none for a message without an ID, a history not made yet or a beacon
// never tested. The look-up, which may wait busyTimeoutMs for another
// program's lock.
Result<std::optional<StoredTest>> latestOfBeacon(const QString &historyPath,
                                                 const QString &hexMessage,
                                                 int busyTimeoutMs = TestHistory::BusyTimeoutMs);

struct Recall
{
    // "Beacon known from the test of ..." when fields were filled in.
    QString statusLine;
    // "Test history cannot be read: " and why; the form is then as it was.
    QString error;
};

// Fills form's empty beacon and ship fields from what the look-up found, and
// says so. Nothing to say, and form as it was, when it found none or filled
// nothing.
Recall recallFrom(const Result<std::optional<StoredTest>> &found, TestRecord &form);

// Both in a row.
Recall recallBeacon(const QString &historyPath, const QString &hexMessage, TestRecord &form);

#endif // BEACONHISTORY_H
