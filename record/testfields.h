#ifndef TESTFIELDS_H
#define TESTFIELDS_H

#include "testrecord.h"

#include <QString>

// Every part of a test once, in the register's order: its title, the history's
// column for it, where the record holds it, and who reads it. The history, the
// register, the window's form and next year's form all go by this table.
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
    };
    enum Use {
        Listed = 1,       // a listing row or what falls due shows it
        KeptNextYear = 2, // next year's form fills it in from the beacon's latest test
    };

    Kind kind;
    // The register's column title.
    const char *title;
    // The history's column, for a Typed or Measured text.
    const char *column = nullptr;
    QString BeaconFields::*typed = nullptr;
    QString TestRecord::*measured = nullptr;
    int uses = 0;
    // The object name of the form's line edit it is typed into.
    const char *formEdit = nullptr;

    bool isText() const { return kind == Typed || kind == Measured; }
    bool has(Use use) const { return (uses & use) != 0; }
    // The text a Typed or Measured field holds in record.
    QString &text(TestRecord &record) const;
    const QString &text(const TestRecord &record) const;
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

// The fields in the register's order. A register written before the
// measurement's moment was kept has all but the last.
Range all();

} // namespace TestFields

#endif // TESTFIELDS_H
