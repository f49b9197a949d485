#include "testrecord.h"

#include "messagelisting.h"
#include "verdicts.h"

QString TestRecord::targetFrequencyText() const
{
    const Verdicts::TargetFrequency *target = Verdicts::targetFrequency(targetIndex);
    return target ? QLatin1String(target->name) : QString();
}

QString TestRecord::frequencyLimitText() const
{
    const Verdicts::TargetFrequency *target = Verdicts::targetFrequency(targetIndex);
    return target ? QLatin1String(target->limitText) : QString();
}

QString TestRecord::frequencyVerdictText() const
{
    return Verdicts::frequencyInBand(frequency, targetIndex)
               ? QLatin1String(Verdicts::ReceivedOkText)
               : QLatin1String(Verdicts::OutsideLimitsText);
}

QString TestRecord::distressText() const
{
    return Verdicts::isDistressMessage(hexMessage) ? QLatin1String(Verdicts::DistressText)
                                                   : QString();
}

bool TestRecord::messageValid() const
{
    return isValidMessageText(hexMessage);
}

bool TestRecord::listing(QStringList &lines) const
{
    return buildListing(hexMessage, lines);
}

QString TestRecord::beaconId() const
{
    return beaconIdOfMessage(hexMessage);
}

QString TestRecord::dateLine() const
{
    return reportDateText(time);
}

QDateTime TestRecord::identityTime() const
{
    return measuredAt.isValid() ? measuredAt : time;
}

QString reportDateText(const QDateTime &time)
{
    // Date and time from one reading, so that they agree across midnight.
    return time.date().toString(Qt::TextDate) + u' ' +
           time.time().toString(QStringLiteral("hh:mm:ss"));
}
