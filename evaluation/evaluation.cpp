#include "evaluation.h"

#include "verdicts.h"

namespace {

// Where the dash goes into the calibration date and the serial number.
constexpr int CalibrationDashAt = 2;
constexpr int SerialDashAt = 5;

} // namespace

Evaluation evaluate(const QString &hexMessage, const QString &frequency, const QString &rfLevel,
                    const QString &calibrationDue, const QString &status, const QString &serialNo,
                    int targetIndex)
{
    Evaluation shown;
    shown.hexMessage = hexMessage;
    shown.frequency = frequency;
    shown.rfLevel = rfLevel;
    shown.calibrationDue = Verdicts::withDash(calibrationDue, CalibrationDashAt);
    shown.serialNo = Verdicts::withDash(serialNo, SerialDashAt);
    if (Verdicts::isDistressMessage(hexMessage))
        shown.distressText = QLatin1String(Verdicts::DistressText);

    if (!Verdicts::frequencyInBand(frequency, targetIndex)) {
        shown.statusText = QLatin1String(Verdicts::OutsideLimitsText);
        return shown;
    }
    shown.statusGood = Verdicts::statusIsOk(status);
    shown.statusText = Verdicts::statusVerdict(status);
    shown.restyleDistress = true;
    shown.distressVisible = !shown.distressText.isEmpty();
    return shown;
}
