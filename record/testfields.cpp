#include "testfields.h"

#include <iterator>

namespace {

constexpr TestField typed(const char *title, const char *column, QString BeaconFields::*field,
                          int uses, const char *formEdit)
{
    return {TestField::Typed, title, column, field, nullptr, uses, formEdit};
}

constexpr TestField measured(const char *title, const char *column, QString TestRecord::*field,
                             int uses = 0)
{
    return {TestField::Measured, title, column, nullptr, field, uses, nullptr};
}

constexpr int Listed = TestField::Listed, Kept = TestField::KeptNextYear;

const TestField Fields[] = {
    {TestField::Time, "Date and time"},
    typed("Vessel name", "vessel", &BeaconFields::vesselName, Listed | Kept, "lineEdit"),
    typed("Manufacturer", "manufacturer", &BeaconFields::manufacturer, Listed | Kept, "lineEdit_2"),
    typed("Model", "model", &BeaconFields::model, Listed | Kept, "lineEdit_7"),
    typed("Beacon serial number", "serial", &BeaconFields::beaconSerialNo, Listed | Kept,
          "lineEdit_5"),
    typed("Bracket type", "bracket_type", &BeaconFields::bracketType, Kept, "lineEdit_8"),
    typed("Bracket serial number", "bracket_serial", &BeaconFields::bracketSerialNo, Kept,
          "lineEdit_4"),
    typed("Battery expiry", "battery_expiry", &BeaconFields::batteryExpiry, Listed | Kept,
          "lineEdit_9"),
    typed("Hydrostatic release expiry date", "hydrostatic_expiry",
          &BeaconFields::hydrostaticReleaseExpiry, Listed | Kept, "lineEdit_3"),
    typed("SBM due date", "sbm_due", &BeaconFields::sbmDueDate, Listed | Kept, "lineEdit_DD"),
    {TestField::BeaconId, "Beacon ID (15 hex)"},
    measured("Hex message", "hex_message", &TestRecord::hexMessage),
    {TestField::Target, "Target frequency"},
    measured("Measured frequency (MHz)", "frequency", &TestRecord::frequency, Listed),
    {TestField::FrequencyVerdict, "Frequency verdict"},
    {TestField::Distress, "Distress"},
    measured("RF level (dB)", "rf_level", &TestRecord::rfLevel),
    measured("Status reading", "status_reading", &TestRecord::statusReading),
    measured("Status verdict", "status_verdict", &TestRecord::statusVerdict, Listed),
    measured("Instrument serial number", "instrument_serial", &TestRecord::instrumentSerialNo),
    measured("Calibration due", "calibration_due", &TestRecord::calibrationDue),
    typed("Company", "company", &BeaconFields::companyName, 0, "lineEdit_6"),
    typed("Tested by", "tested_by", &BeaconFields::testedBy, 0, "lineEdit_11"),
    measured("Program version", "program_version", &TestRecord::programVersion),
    {TestField::ReportFile, "Report file"},
    {TestField::MeasuredAt, "Measured at"},
};

} // namespace

QString &TestField::text(TestRecord &record) const
{
    return measured ? record.*measured : record.beacon.*typed;
}

const QString &TestField::text(const TestRecord &record) const
{
    return measured ? record.*measured : record.beacon.*typed;
}

namespace TestFields {

Range all()
{
    return {std::begin(Fields), std::end(Fields)};
}

} // namespace TestFields
