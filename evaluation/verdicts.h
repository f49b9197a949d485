#ifndef VERDICTS_H
#define VERDICTS_H

#include <QString>
#include <QStringList>

// The rules by which a measurement is judged; the window only shows the result.
namespace Verdicts {

inline constexpr char GoodStyle[] = "QLabel { color: white; background-color:green;}";
inline constexpr char BadStyle[] = "QLabel { background-color:red;}";

inline constexpr char ReceivedOkText[] = "Message from EPIRB received OK";
inline constexpr char OutsideLimitsText[] = "Frequency outside limits";
inline constexpr char ReplaceBatteryText[] = "    Replace VESTRA battery";
inline constexpr char ReceiveTimeoutText[] = "    EPIRB receive timeout";
inline constexpr char ReceiveErrorText[] = "    EPIRB receive error";
inline constexpr char DistressText[] = "***Distress message***";

// A target frequency of the target combo box, by its index.
struct TargetFrequency
{
    const char *name; // as the target combo box lists it
    double targetHz;
    double allowedBelowHz;
    double allowedAboveHz;
    const char *limitText;
};

constexpr int TargetCount = 5;
// The target the form starts with: 406.031 MHz.
constexpr int DefaultTargetIndex = 2;

// Null for an index that names no target.
const TargetFrequency *targetFrequency(int index);
// The names of the targets in index order, as the target combo box lists them.
QStringList targetNames();
// The index of the target of that name; -1 for none.
int targetIndex(const QString &name);

// Whether a frequency reading in MHz lies in the target's band, limits
// included. A reading that is no number counts as 0 Hz; an unknown target
// accepts nothing.
bool frequencyInBand(const QString &frequencyMhz, int targetIndex);

// The verdict on an in-band measurement, by the instrument's status word.
QString statusVerdict(const QString &statusReading);
bool statusIsOk(const QString &statusReading);

// A hex message that starts with the distress frame synchronisation.
bool isDistressMessage(const QString &hexMessage);

// The reading as shown: a dash put in before the character at position,
// blanks filling up a reading too short to reach it.
QString withDash(const QString &reading, int position);

} // namespace Verdicts

#endif // VERDICTS_H
