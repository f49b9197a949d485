#ifndef TESTRECORDSHEET_H
#define TESTRECORDSHEET_H

#include "shipidentity.h"

#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// The kind of test, which chooses the checks.
enum class TestKind { None, AnnualTest, ShoreBasedMaintenance, Other };

// "Annual test (MSC.1/Circ.1040)", "Shore-based maintenance (MSC/Circ.1039)",
// "Other"; empty for none. The texts are also the kinds' names in storage:
// none for a text that names no kind.
QString testKindText(TestKind kind);
std::optional<TestKind> testKindFromText(const QString &text);
inline constexpr TestKind TestKinds[] = {TestKind::AnnualTest, TestKind::ShoreBasedMaintenance,
                                         TestKind::Other};

enum class Answer { None, Yes, No, NotApplicable };

// "Yes", "No", "N/A"; empty for none.
QString answerText(Answer answer);
Answer answerFromText(const QString &text);

// One check of the list a technician works through at the bench. The key
// names it in storage and never changes; the number is its place in the list.
struct Check
{
    const char *key;
    const char *text;
    bool annualTest;  // in the annual test's list, and in every other
    bool maintenance; // added by the shore-based maintenance
};

// The checks of a kind in their order: the annual test's, the maintenance's
// additions after them; "Other" takes the annual test's. None for no kind.
QList<const Check *> checksOf(TestKind kind);
const Check *checkOfKey(const QString &key);
// The number of a check in the list of every check, from 1.
int checkNumber(const Check *check);
// Its key as a text, made once: the answers are looked up by it.
const QString &checkKey(const Check *check);

// Keys of the checks the program judges as well.
namespace CheckKey {
inline constexpr char SelfTest[] = "selfTest";
inline constexpr char Identity[] = "identity";
inline constexpr char Battery[] = "battery";
inline constexpr char Release[] = "release";
inline constexpr char Emission[] = "emission";
inline constexpr char Maintenance[] = "maintenance";
} // namespace CheckKey

// Remarks up to what the report's second page holds.
inline constexpr int MaxRemarksLength = 500;

// What the technician fills in beside the measurement: the kind, the ship,
// their own answers by check key, remarks. The program's answers and the
// result are worked out from it and the test on every call, as the verdicts
// are, so this is all a store keeps.
struct TestRecordSheet
{
    TestKind kind = TestKind::None;
    ShipIdentity ship;
    QMap<QString, Answer> answers;
    QString remarks;

    // A kind chosen: the report then gets its second page.
    bool isFilledIn() const { return kind != TestKind::None; }
    Answer answer(const QString &key) const { return answers.value(key, Answer::None); }
    void setAnswer(const QString &key, Answer answer);

    bool operator==(const TestRecordSheet &other) const
    {
        return kind == other.kind && ship == other.ship && answers == other.answers &&
               remarks == other.remarks;
    }
    bool operator!=(const TestRecordSheet &other) const { return !(*this == other); }
};

#endif // TESTRECORDSHEET_H
