#ifndef DUEDATES_H
#define DUEDATES_H

#include "testrecord.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

// What falls due: a service station phones its customers before a beacon's
// annual test, battery, hydrostatic release or SBM falls due. No window here.

// How far ahead, in days, a date stands out unless the technician says.
inline constexpr int DueHorizonDays = 60;
// The next annual test is due this many months after the latest.
inline constexpr int AnnualTestMonths = 12;
// The Administration's interval between shore-based maintenances: five years
// with most flags (MSC/Circ.1039 leaves it to them). A maintenance recorded
// without an SBM due date typed has its next one this long after it; a typed
// date wins.
inline constexpr int ShoreBasedMaintenanceYears = 5;

// A date typed as YYYY-MM-DD, YYYY-MM, MM/YYYY, MM.YYYY or DD.MM.YYYY (a
// month alone means its last day); for anything else an invalid QDate, and
// the text is shown as typed and judged by nobody.
QDate dueDate(const QString &typed);

// The status-log lines for a form's battery and hydrostatic release expiry
// on the day of a test: "Battery expiry 2025-05 has passed", or that it falls
// before the next annual test. Empty when neither does.
QStringList expiryWarnings(const BeaconFields &form, const QDate &today);

// The first thing due of one beacon, from its latest test.
struct DueItem
{
    enum What { AnnualTest, Battery, HydrostaticRelease, Sbm };
    QDate due;
    What what = AnnualTest;
    StoredTest latest;

    // "Annual test", "Battery", "Hydrostatic release" or "SBM".
    QString whatText() const;
};

// The earliest of a beacon's dates, from its latest test: the next annual
// test, each expiry that reads as a date, and the next SBM: the SBM due date
// as typed, or with none typed the interval after lastMaintenance, the day of
// the beacon's last shore-based maintenance (the latest test, maybe) where it
// was recorded without an SBM due date. The annual test wins a tie, then the
// order above.
DueItem dueItem(const StoredTest &latest, const QDate &lastMaintenance = {});

// Past, or no more than horizonDays after today.
bool standsOut(const QDate &due, const QDate &today, int horizonDays);

#endif // DUEDATES_H
