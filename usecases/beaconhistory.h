#ifndef BEACONHISTORY_H
#define BEACONHISTORY_H

#include "testrecord.h"

#include <QString>

// Next year's form: a beacon's earlier test, found in the test history by its
// 15-hex ID through the database's index.

// Fills the empty fields of form that stay with a beacon from year to year
// (never company or tester) from an earlier test's. True when any was filled.
bool fillEmptyFields(BeaconFields &form, const BeaconFields &earlier);

struct Recall
{
    // "Beacon known from the test of ..." when fields were filled in.
    QString statusLine;
    // "Test history cannot be read: " and why; the form is then as it was.
    QString error;
};

// When the history at historyPath holds a test of the message's beacon,
// fills form's empty beacon fields from the latest one. Nothing to say, and
// form as it was, for a message without an ID, a history not made yet or a
// beacon never tested.
Recall recallBeacon(const QString &historyPath, const QString &hexMessage, BeaconFields &form);

#endif // BEACONHISTORY_H
