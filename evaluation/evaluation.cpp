#include "evaluation.h"

#include "verdicts.h"

namespace {

// Where the dash goes into the calibration date and the serial number.
constexpr int CalibrationDashAt = 2;
constexpr int SerialDashAt = 5;

} // namespace

Evaluation evaluate(const Measurement &measurement, int targetIndex)
{
    const Readings &readings = measurement.readings;
    const auto dashed = [&](Reading reading, int position) {
        // A missing reading gets no dash out of nothing.
        return measurement.has(reading) ? Verdicts::withDash(readings[reading], position)
                                        : QString();
    };
    Evaluation shown;
    shown.hexMessage = readings[HexMessageReading];
    shown.frequency = readings[FrequencyReading];
    shown.rfLevel = readings[RfLevelReading];
    shown.calibrationDue = dashed(CalibrationDueReading, CalibrationDashAt);
    shown.serialNo = dashed(SerialNoReading, SerialDashAt);
    shown.missing = ~measurement.found & ((1u << ReadingCount) - 1);
    if (Verdicts::isDistressMessage(shown.hexMessage))
        shown.distressText = QLatin1String(Verdicts::DistressText);

    if (!Verdicts::frequencyInBand(shown.frequency, targetIndex)) {
        shown.statusText = QLatin1String(Verdicts::OutsideLimitsText);
        return shown;
    }
    const QString &status = readings[StatusReading];
    shown.statusGood = Verdicts::statusIsOk(status);
    shown.statusText = Verdicts::statusVerdict(status);
    shown.restyleDistress = true;
    shown.distressVisible = !shown.distressText.isEmpty();
    return shown;
}

Evaluation receiveTimedOut(const Evaluation &before)
{
    Evaluation shown = before;
    shown.statusText = QLatin1String(Verdicts::ReceiveTimeoutText);
    shown.statusGood = false;
    shown.restyleDistress = true;
    shown.distressVisible = false;
    return shown;
}
