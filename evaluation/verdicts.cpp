#include "verdicts.h"

#include "preamble.h"

#include <algorithm>
#include <iterator>

namespace Verdicts {

namespace {

const TargetFrequency targets[TargetCount] = {
    {"406.025 MHz", 406025000.0, 5000.0, 5000.0, " (406.025 +/-0.0050)"},
    {"406.028 MHz", 406028000.0, 5000.0, 2000.0, " (406.028 +0.0020 -0.0050)"},
    {"406.031 MHz", 406031000.0, 5000.0, 5000.0, " (406.031 +/-0.0050)"},
    {"406.037 MHz", 406037000.0, 5000.0, 5000.0, " (406.037 +/-0.0050)"},
    {"406.040 MHz", 406040000.0, 5000.0, 5000.0, " (406.040 +/-0.0050)"},
};

} // namespace

const TargetFrequency *targetFrequency(int index)
{
    if (index < 0 || index >= TargetCount)
        return nullptr;
    return &targets[index];
}

QStringList targetNames()
{
    QStringList names(TargetCount);
    std::transform(std::begin(targets), std::end(targets), names.begin(),
                   [](const TargetFrequency &target) { return QLatin1String(target.name); });
    return names;
}

int targetIndex(const QString &name)
{
    for (int index = 0; index < TargetCount; ++index) {
        if (name == QLatin1String(targets[index].name))
            return index;
    }
    return -1;
}

bool frequencyInBand(const QString &frequencyMhz, int targetIndex)
{
    const TargetFrequency *target = targetFrequency(targetIndex);
    if (!target)
        return false;
    // toDouble gives 0 for a text that is no number, which fails every band.
    const double measuredHz = frequencyMhz.toDouble() * 1000000.0;
    if (measuredHz > target->targetHz)
        return measuredHz - target->targetHz <= target->allowedAboveHz;
    return target->targetHz - measuredHz <= target->allowedBelowHz;
}

bool statusIsOk(const QString &statusReading)
{
    return statusReading.contains(QLatin1String("OK"));
}

QString statusVerdict(const QString &statusReading)
{
    if (statusIsOk(statusReading))
        return QLatin1String(ReceivedOkText);
    if (statusReading.contains(QLatin1String("LoBat")))
        return QLatin1String(ReplaceBatteryText);
    if (statusReading.contains(QLatin1String("NoMsg")))
        return QLatin1String(ReceiveTimeoutText);
    return QLatin1String(ReceiveErrorText);
}

bool isDistressMessage(const QString &hexMessage)
{
    return hexMessage.startsWith(QLatin1String(DistressPreamble));
}

QString withDash(const QString &reading, int position)
{
    QString shown = reading;
    // QString::insert pads a too-short string with blanks up to position.
    shown.insert(position, QLatin1Char('-'));
    return shown;
}

} // namespace Verdicts
