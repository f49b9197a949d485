#include "testfields.h"

#include <QByteArray>

#include <iterator>
#include <utility>
#include <vector>

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

constexpr TestField ship(const char *title, const char *column, QString ShipIdentity::*field,
                         const char *formEdit)
{
    return {TestField::Ship,         title,    column, nullptr, nullptr,
            TestField::KeptNextYear, formEdit, field};
}

constexpr int Listed = TestField::Listed, Due = TestField::Due, Kept = TestField::KeptNextYear;
// Read by a test's listing row and by what falls due, and kept next year.
constexpr int Shown = Listed | Due | Kept;

const TestField Fields[] = {
    {TestField::Time, "Date and time"},
    typed("Vessel name", "vessel", &BeaconFields::vesselName, Shown, "lineEdit"),
    typed("Manufacturer", "manufacturer", &BeaconFields::manufacturer, Shown, "lineEdit_2"),
    typed("Model", "model", &BeaconFields::model, Shown, "lineEdit_7"),
    typed("Beacon serial number", "serial", &BeaconFields::beaconSerialNo, Shown, "lineEdit_5"),
    typed("Bracket type", "bracket_type", &BeaconFields::bracketType, Kept, "lineEdit_8"),
    typed("Bracket serial number", "bracket_serial", &BeaconFields::bracketSerialNo, Kept,
          "lineEdit_4"),
    typed("Battery expiry", "battery_expiry", &BeaconFields::batteryExpiry, Shown, "lineEdit_9"),
    typed("Hydrostatic release expiry date", "hydrostatic_expiry",
          &BeaconFields::hydrostaticReleaseExpiry, Shown, "lineEdit_3"),
    typed("SBM due date", "sbm_due", &BeaconFields::sbmDueDate, Due | Kept, "lineEdit_DD"),
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
    {TestField::KindOfTest, "Kind of test", "kind", nullptr, nullptr, Listed},
    {TestField::Result, "Result"},
    ship("Ship's MMSI", "ship_mmsi", &ShipIdentity::mmsi, "mmsiEdit"),
    ship("Ship's call sign", "ship_call_sign", &ShipIdentity::callSign, "callSignEdit"),
    ship("Ship's IMO number", "ship_imo", &ShipIdentity::imoNumber, "imoEdit"),
    ship("Label's 15 Hex ID", "label_id", &ShipIdentity::labelId, "labelIdEdit"),
};

// A column for each check, titled by its number and text, in the list of
// every check's order; the remarks last.
std::vector<TestField> allFields()
{
    static std::vector<QByteArray> names;
    const QList<const Check *> checks = checksOf(TestKind::ShoreBasedMaintenance);
    names.reserve(2 * checks.size());
    std::vector<TestField> fields(std::begin(Fields), std::end(Fields));
    for (const Check *check : checks) {
        names.push_back(QByteArray::number(checkNumber(check)) + ' ' + check->text);
        names.push_back(QByteArray("check_") + check->key);
        TestField field{TestField::CheckAnswer, names[names.size() - 2].constData(),
                        names.back().constData()};
        field.check = check;
        fields.push_back(field);
    }
    fields.push_back({TestField::Remarks, "Remarks", "remarks"});
    return fields;
}

} // namespace

const QString &TestField::text(const TestRecord &record) const
{
    switch (kind) {
    case Typed:
        return record.beacon.*typed;
    case Ship:
        return record.sheet.ship.*ship;
    case Remarks:
        return record.sheet.remarks;
    default:
        return record.*measured;
    }
}

QString &TestField::text(TestRecord &record) const
{
    return const_cast<QString &>(text(std::as_const(record)));
}

QString TestField::value(const TestRecord &record) const
{
    switch (kind) {
    case KindOfTest:
        return testKindText(record.sheet.kind);
    case CheckAnswer:
        return answerText(record.sheet.answer(checkKey(check)));
    default:
        return text(record);
    }
}

bool TestField::setValue(TestRecord &record, QString value) const
{
    switch (kind) {
    case KindOfTest:
        if (const std::optional<TestKind> read = testKindFromText(value)) {
            record.sheet.kind = *read;
            return true;
        }
        return false;
    case CheckAnswer: {
        const Answer answer = answerFromText(value);
        record.sheet.setAnswer(checkKey(check), answer);
        return answer != Answer::None || value.isEmpty();
    }
    default:
        text(record) = std::move(value);
        return true;
    }
}

namespace TestFields {

Range all()
{
    static const std::vector<TestField> fields = allFields();
    return {fields.data(), fields.data() + fields.size()};
}

} // namespace TestFields
