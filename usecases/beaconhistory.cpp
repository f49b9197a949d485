#include "beaconhistory.h"

#include "testhistory.h"

#include <QFile>

namespace {

// What the beacon carries with it; company and tester change with who tests.
QString BeaconFields::*const KeptFields[] = {
    &BeaconFields::vesselName,    &BeaconFields::manufacturer,
    &BeaconFields::model,         &BeaconFields::beaconSerialNo,
    &BeaconFields::bracketType,   &BeaconFields::bracketSerialNo,
    &BeaconFields::batteryExpiry, &BeaconFields::hydrostaticReleaseExpiry,
    &BeaconFields::sbmDueDate,
};

} // namespace

bool fillEmptyFields(BeaconFields &form, const BeaconFields &earlier)
{
    bool filled = false;
    for (QString BeaconFields::*field : KeptFields) {
        if ((form.*field).isEmpty() && !(earlier.*field).isEmpty()) {
            form.*field = earlier.*field;
            filled = true;
        }
    }
    return filled;
}

Recall recallBeacon(const QString &historyPath, const QString &hexMessage, BeaconFields &form)
{
    TestRecord received;
    received.hexMessage = hexMessage;
    const QString beaconId = received.beaconId();
    if (beaconId.isEmpty() || !QFile::exists(historyPath))
        return {};
    TestHistory history(historyPath);
    std::optional<StoredTest> earlier;
    if (history.open())
        earlier = history.latest(beaconId);
    if (!history.errorString().isEmpty())
        return {QString(), QStringLiteral("Test history cannot be read: ") + history.errorString()};
    if (!earlier || !fillEmptyFields(form, earlier->record.beacon))
        return {};
    return {
        QStringLiteral("Beacon known from the test of %1: fields filled in, check the expiry dates")
            .arg(earlier->record.time.date().toString(Qt::ISODate)),
        QString()};
}
