#ifndef TESTRECORD_H
#define TESTRECORD_H

#include "testrecordsheet.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// What the operator typed into the form, in the report's order.
struct BeaconFields
{
    QString vesselName;
    QString manufacturer;
    QString model;
    QString beaconSerialNo;
    QString bracketType;
    QString bracketSerialNo;
    QString batteryExpiry;
    QString hydrostaticReleaseExpiry;
    QString sbmDueDate;
    QString companyName;
    QString testedBy;
};

// One finished test, as the report prints it and the register keeps it. Only
// what was measured, typed or chosen is held here; verdicts, the listing and
// the beacon ID are worked out from it by their owners on every call.
struct TestRecord
{
    // One moment for the report's date line and the register's time.
    QDateTime time;
    BeaconFields beacon;
    int targetIndex = 0;
    // The readings as the window showed them; the hex message is the one the
    // report decodes, which only debug mode lets the operator change.
    QString hexMessage;
    QString frequency;
    QString rfLevel;
    QString calibrationDue;
    QString statusReading;
    QString instrumentSerialNo;
    // What the status label showed, leading blanks kept.
    QString statusVerdict;
    QString programVersion;
    // When the exchange that measured the test completed. With the hex
    // message it is the test's identity, to the second: a report made again
    // from the same measurement is the same test. Unset, the report's moment
    // stands for it.
    QDateTime measuredAt{};
    // What the technician filled in beside the measurement: the kind of test,
    // the ship, the answers to the checks, remarks. Initialised here, so that
    // a brace list of the fields above need not name it.
    TestRecordSheet sheet{};

    QString targetFrequencyText() const;
    QString frequencyLimitText() const;
    QString frequencyVerdictText() const;
    QString distressText() const;
    // Whether the message passes its error-correcting codes; its decoded
    // listing, false and no lines for one that fails them.
    bool messageValid() const;
    bool listing(QStringList &lines) const;
    // The 15-hex beacon ID, for every protocol code; empty for an invalid message.
    QString beaconId() const;
    // The report's date line: date in Qt's text form, blank, hh:mm:ss.
    QString dateLine() const;
    // The moment of the test's identity: measuredAt, or the report's moment.
    QDateTime identityTime() const;
};

// The date line's form, for any moment (a reprint prints its own).
QString reportDateText(const QDateTime &time);

// A test as the history holds it. The number is the history's own, handed
// out once and never again, so that "test 17" stays test 17 for good.
struct StoredTest
{
    qint64 number = 0;
    TestRecord record;
    // The index's key, as worked out from the message when the test was
    // stored; lists read it instead of decoding every message again.
    QString beaconId;
    // The test record's result ("Passed", "Not passed", empty for no kind),
    // as worked out when the test was stored; lists read it instead of
    // judging every test again.
    QString result;
};

#endif // TESTRECORD_H
