#ifndef BEACONHISTORY_H
#define BEACONHISTORY_H

#include "testrecord.h"

#include <QDate>
#include <QList>
#include <QString>

// A beacon's earlier tests, found in the register by its 15-hex ID.

// The beacon's latest test, or its latest on date; null when there is none.
const TestRecord *latestTest(const QList<TestRecord> &tests, const QString &beaconId,
                             const QDate &date = QDate());

// Fills the empty fields of form that stay with a beacon from year to year
// (never company or tester) from an earlier test's. True when any was filled.
bool fillEmptyFields(BeaconFields &form, const BeaconFields &earlier);

// Next year's form: when the register holds a test of the message's beacon,
// fills form's empty beacon fields from the latest one and returns the status
// line that says so. Empty, and form as it was, when nothing was filled.
QString recallBeacon(const QString &registerPath, const QString &hexMessage, BeaconFields &form);

#endif // BEACONHISTORY_H
