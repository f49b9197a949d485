#include "beaconhistory.h"

#include "testregister.h"

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

const TestRecord *latestTest(const QList<TestRecord> &tests, const QString &beaconId,
                             const QDate &date)
{
    const TestRecord *latest = nullptr;
    for (const TestRecord &test : tests) {
        if (date.isValid() && test.time.date() != date)
            continue;
        // The later line wins a tie: the register is written in the order of the tests.
        if ((!latest || test.time >= latest->time) &&
            test.beaconId().compare(beaconId, Qt::CaseInsensitive) == 0)
            latest = &test;
    }
    return latest;
}

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

QString recallBeacon(const QString &registerPath, const QString &hexMessage, BeaconFields &form)
{
    TestRecord received;
    received.hexMessage = hexMessage;
    const QString beaconId = received.beaconId();
    if (beaconId.isEmpty() || !QFile::exists(registerPath))
        return QString();
    QList<TestRecord> tests;
    QString error;
    if (!TestRegister::read(registerPath, tests, error))
        return QString();
    const TestRecord *earlier = latestTest(tests, beaconId);
    if (!earlier || !fillEmptyFields(form, earlier->beacon))
        return QString();
    return QStringLiteral(
               "Beacon known from the test of %1: fields filled in, check the expiry dates")
        .arg(earlier->time.date().toString(Qt::ISODate));
}
