#include "testrecordsheet.h"

#include <iterator>

namespace {

// The annual test's examination, then what the shore-based maintenance adds.
const Check Checks[] = {
    {"floatFree", "Mounted where it can float free", true, false},
    {"lanyard", "Lanyard sound, neatly stowed, tied to neither ship nor bracket", true, false},
    {"defects", "No visible defects", true, false},
    {CheckKey::SelfTest, "Self-test runs", true, false},
    {"marking", "15 Hex ID and other identification clearly marked on it", true, false},
    {CheckKey::Identity, "Identity decoded from its signal is the one marked on it", true, false},
    {"registration", "Registration checked, in documents or with its country", true, false},
    {CheckKey::Battery, "Battery within its expiry date", true, false},
    {CheckKey::Release, "Hydrostatic release within its expiry date, where fitted", true, false},
    {CheckKey::Emission, "406 MHz emission in self-test mode", true, false},
    {"homing", "121.5 MHz homing signal, where fitted", true, false},
    {"ais", "AIS locating signal, where fitted", true, false},
    {CheckKey::Maintenance, "Shore-based maintenance done at the required interval", true, false},
    {"remounted", "Back in its bracket after the test, no transmission started", true, false},
    {"instructions", "Operating instructions present", true, false},
    {"batteryReplaced", "Battery replaced, new expiry date marked", false, true},
    {"releaseReplaced", "Hydrostatic release replaced, new expiry date marked", false, true},
    {"housing", "Seals and housing checked", false, true},
    {"output", "Output measured", false, true},
    {"gnss", "GNSS position checked, where it has a receiver", false, true},
    {"nextMaintenance", "Next maintenance date marked on the beacon", false, true},
};

const char *const KindTexts[] = {"", "Annual test (MSC.1/Circ.1040)",
                                 "Shore-based maintenance (MSC/Circ.1039)", "Other"};
const char *const AnswerTexts[] = {"", "Yes", "No", "N/A"};

} // namespace

QString testKindText(TestKind kind)
{
    // Made once: a listing of the history names a kind on every row.
    static const QString texts[] = {QLatin1String(KindTexts[0]), QLatin1String(KindTexts[1]),
                                    QLatin1String(KindTexts[2]), QLatin1String(KindTexts[3])};
    return texts[int(kind)];
}

std::optional<TestKind> testKindFromText(const QString &text)
{
    for (const TestKind kind :
         {TestKind::None, TestKind::AnnualTest, TestKind::ShoreBasedMaintenance, TestKind::Other})
        if (text == testKindText(kind))
            return kind;
    return std::nullopt;
}

QString answerText(Answer answer)
{
    return QLatin1String(AnswerTexts[int(answer)]);
}

Answer answerFromText(const QString &text)
{
    for (const Answer answer : {Answer::Yes, Answer::No, Answer::NotApplicable})
        if (text == answerText(answer))
            return answer;
    return Answer::None;
}

QList<const Check *> checksOf(TestKind kind)
{
    QList<const Check *> checks;
    for (const Check &check : Checks) {
        const bool taken = kind == TestKind::ShoreBasedMaintenance
                               ? check.annualTest || check.maintenance
                               : kind != TestKind::None && check.annualTest;
        if (taken)
            checks << &check;
    }
    return checks;
}

const Check *checkOfKey(const QString &key)
{
    for (const Check &check : Checks)
        if (key == QLatin1String(check.key))
            return &check;
    return nullptr;
}

int checkNumber(const Check *check)
{
    return int(check - std::begin(Checks)) + 1;
}

const QString &checkKey(const Check *check)
{
    static const QList<QString> keys = [] {
        QList<QString> list;
        for (const Check &c : Checks)
            list << QLatin1String(c.key);
        return list;
    }();
    return keys[checkNumber(check) - 1];
}

void TestRecordSheet::setAnswer(const QString &key, Answer answer)
{
    if (answer == Answer::None)
        answers.remove(key);
    else
        answers.insert(key, answer);
}
