#ifndef EVALUATION_H
#define EVALUATION_H

#include <QString>

// What the window shows for a completed measurement: the readings as shown and
// the verdict, worked out from the readings and the selected target alone.
struct Evaluation
{
    QString hexMessage;
    QString frequency;
    QString rfLevel;
    QString calibrationDue; // with its dash
    QString serialNo;       // with its dash
    QString statusText;     // the verdict that replaces the status reading
    bool statusGood = false;
    QString distressText;
    // False when the frequency is out of band: the distress label then keeps
    // its visibility and colour from before, only its text changes.
    bool restyleDistress = false;
    bool distressVisible = false;
};

// The readings in the measurement record's order: hex message, frequency, RF
// level, calibration due, status, serial number.
Evaluation evaluate(const QString &hexMessage, const QString &frequency, const QString &rfLevel,
                    const QString &calibrationDue, const QString &status, const QString &serialNo,
                    int targetIndex);

#endif // EVALUATION_H
