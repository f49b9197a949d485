#ifndef SHEETRESULT_H
#define SHEETRESULT_H

#include "shipidentity.h"
#include "testrecord.h"
#include "testrecordsheet.h"

#include <QList>
#include <QString>
#include <QStringList>

enum class AnsweredBy { Nobody, Technician, Program };

// One check as it counts for the result.
struct CheckResult
{
    const Check *check = nullptr;
    Answer answer = Answer::None;
    AnsweredBy by = AnsweredBy::Nobody;
    // The technician's own answer, also where the program's "No" overrules it.
    Answer technician = Answer::None;
    // Why the program answered as it did, where it did.
    QStringList why;

    // "technician", "program"; empty for nobody.
    QString byText() const;
    // The technician answered otherwise than the program's "No" that counts.
    bool overruled() const;
};

// The checks of the sheet's kind answered, the identity held against the
// ship, and the result: "Passed", or "Not passed" with the reasons.
struct SheetResult
{
    bool filledIn = false;
    QList<IdentityCheck> identity;
    QList<CheckResult> checks;
    QStringList reasons;

    bool passed() const { return filledIn && reasons.isEmpty(); }
    // "Passed" or "Not passed"; empty for a sheet of no kind.
    QString resultText() const;
};

// What the program judges of a test with its sheet (record.sheet), on the
// test's day: the self-test and the 406 MHz emission from the verdicts, the
// identity from the message against the ship and the label, the battery,
// release and maintenance dates from the typed fields. A technician's answer
// stands unless the program's is "No", a hard failure: a technician's "Yes"
// never passes a beacon whose measurement failed. The program's "Yes" fills
// only what the technician left open.
//
// Not passed for a failed verdict, an identity that differs, a date passed,
// a check answered "No", a check not answered, or a ship's field that cannot
// be what it stands for. For a sheet of no kind only the identity.
SheetResult assessSheet(const TestRecord &record);

// assessSheet(record).resultText(), at no cost for a sheet of no kind.
QString sheetResultText(const TestRecord &record);

#endif // SHEETRESULT_H
