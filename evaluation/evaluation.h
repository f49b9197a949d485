#ifndef EVALUATION_H
#define EVALUATION_H

#include "measurement.h"

#include <QString>

// What the window shows for a measurement: the readings as shown and the
// verdict, worked out from the measurement and the selected target alone.
struct Evaluation
{
    // Empty for a reading the instrument's page lacked.
    QString hexMessage;
    QString frequency;
    QString rfLevel;
    QString calibrationDue; // with its dash
    QString serialNo;       // with its dash
    // The readings the page lacked, one bit per Reading: shown as missing.
    unsigned missing = 0;
    QString statusText; // the verdict that replaces the status reading
    bool statusGood = false;
    QString distressText;
    // False when the frequency is out of band: the distress label then keeps
    // its visibility and colour from before, only its text changes.
    bool restyleDistress = false;
    bool distressVisible = false;

    bool isMissing(Reading reading) const { return missing & (1u << reading); }
};

Evaluation evaluate(const Measurement &measurement, int targetIndex);

// The verdict of an exchange that never completed: the time-out on red, the
// distress marker hidden, the readings shown as they were.
Evaluation receiveTimedOut(const Evaluation &before);

#endif // EVALUATION_H
