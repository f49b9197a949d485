#ifndef TESTFIELDS_H
#define TESTFIELDS_H

#include "testrecord.h"

#include <QString>

// Every part of a test once, in the register's order: its title, the history's
// column for it, where the record holds it, and who reads it. The history, the
// register, the window's forms and next year's form all go by this table.
struct TestField
{
    enum Kind {
        Typed,    // into the form: BeaconFields
        Measured, // a reading, or what the program notes of itself: TestRecord
        Time,     // when the report was made
        Target,   // the target frequency chosen
        // Worked out anew from the others whenever they are read.
        BeaconId,
        FrequencyVerdict,
        Distress,
        ReportFile,
        // When the measurement was taken: with the hex message, the test's identity.
        MeasuredAt,
        // The test record (TestRecordSheet): the kind of test by its name,
        // empty for none;
        KindOfTest,
        // its result, "Passed" or "Not passed", worked out anew like the verdicts;
        Result,
        // the ship's identity and the label's ID, as typed: ShipIdentity;
        Ship,
        // the technician's answer to a check: "Yes", "No", "N/A" or empty;
        CheckAnswer,
        // remarks.
        Remarks,
    };
    enum Use {
        Listed = 1,       // a test's listing row shows it
        Due = 2,          // what falls due reads it
        KeptNextYear = 4, // next year's form fills it in from the beacon's latest test
    };

    Kind kind;
    // The register's column title.
    const char *title;
    // The history's column, for what is kept as typed, measured or chosen.
    const char *column = nullptr;
    QString BeaconFields::*typed = nullptr;
    QString TestRecord::*measured = nullptr;
    int uses = 0;
    // The object name of the line edit it is typed into: the main window's
    // form for Typed, the test record's for Ship.
    const char *formEdit = nullptr;
    QString ShipIdentity::*ship = nullptr;
    const Check *check = nullptr;

    // A text as it was typed or measured.
    bool isText() const
    {
        return kind == Typed || kind == Measured || kind == Ship || kind == Remarks;
    }
    bool has(Use use) const { return (uses & use) != 0; }
    // The text a field that isText() holds in record.
    QString &text(TestRecord &record) const;
    const QString &text(const TestRecord &record) const;
    // What the history and the register keep of a field with a column: its
    // text, the kind's name, the answer's; and the field set from it, false
    // for a text the program never writes there.
    QString value(const TestRecord &record) const;
    bool setValue(TestRecord &record, QString value) const;
};

namespace TestFields {

struct Range
{
    const TestField *first, *last;
    const TestField *begin() const { return first; }
    const TestField *end() const { return last; }
    int size() const { return int(last - first); }
    const TestField &operator[](int i) const { return first[i]; }
};

// The fields in the register's order, a column for each check among them. A
// register written before the measurement's moment was kept ends before it,
// one written before the test record was kept after it.
Range all();

} // namespace TestFields

#endif // TESTFIELDS_H
