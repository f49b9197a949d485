#include "sheetresult.h"

#include "duedates.h"
#include "verdicts.h"

#include <QDate>

namespace {

struct Judgement
{
    Answer answer = Answer::None;
    QStringList why;
};

Judgement yes(const QString &why)
{
    return {Answer::Yes, {why}};
}

Judgement no(const QStringList &why)
{
    return {Answer::No, why};
}

// What the verdicts say of a test's measurement, the message checked once.
struct Measurement
{
    explicit Measurement(const TestRecord &record)
        : shown(!record.statusVerdict.isEmpty()),
          // A timeout brings nothing new; the readings are those of before.
          timedOut(record.statusVerdict == QLatin1String(Verdicts::ReceiveTimeoutText)),
          valid(record.messageValid()), distress(!record.distressText().isEmpty())
    {
    }
    bool shown;
    bool timedOut;
    bool valid;
    bool distress;
};

Judgement judgeSelfTest(const Measurement &measurement)
{
    if (!measurement.shown || measurement.timedOut || !measurement.valid)
        return {};
    if (measurement.distress)
        return no({QStringLiteral("Self-test: the beacon sent a distress message")});
    return yes(QStringLiteral("its self-test message came in"));
}

Judgement judgeEmission(const Measurement &measurement, const TestRecord &record)
{
    if (!measurement.shown)
        return {};
    QStringList failed;
    if (measurement.timedOut) {
        failed << record.statusVerdict.trimmed();
    } else {
        if (record.frequencyVerdictText() == QLatin1String(Verdicts::OutsideLimitsText))
            failed << record.frequencyVerdictText();
        if (!Verdicts::statusIsOk(record.statusReading))
            failed << Verdicts::statusVerdict(record.statusReading).trimmed();
        if (!measurement.valid)
            failed << QStringLiteral("Message received incorrect");
        if (measurement.distress)
            failed << QStringLiteral("Distress message");
    }
    if (failed.isEmpty())
        return yes(QStringLiteral("received OK, in its band"));
    return no({QStringLiteral("406 MHz emission: ") + failed.join(QLatin1String(", "))});
}

Judgement judgeIdentity(const QList<IdentityCheck> &identity)
{
    const QStringList differences = identityDifferences(identity);
    if (!differences.isEmpty())
        return no(differences);
    QStringList same;
    for (const IdentityCheck &check : identity)
        if (check.outcome == IdentityCheck::Outcome::Same &&
            check.what != IdentityCheck::What::Flag)
            same << check.whatText();
    if (same.isEmpty())
        return {};
    return yes(QStringLiteral("the same: ") + same.join(QLatin1String(", ")));
}

// A typed date against the test's day; nothing for a text that is no date.
Judgement judgeDate(const char *what, const QString &typed, const QDate &day)
{
    const QDate due = dueDate(typed);
    if (!due.isValid())
        return {};
    const QString text = QLatin1String(what) + u' ' + typed.trimmed();
    if (due < day)
        return no({text + QStringLiteral(" has passed")});
    return yes(text);
}

Judgement judge(const Check &check, const TestRecord &record, const Measurement &measurement,
                const QList<IdentityCheck> &identity)
{
    const QLatin1String key(check.key);
    const QDate day = record.time.date();
    if (key == QLatin1String(CheckKey::SelfTest))
        return judgeSelfTest(measurement);
    if (key == QLatin1String(CheckKey::Emission))
        return judgeEmission(measurement, record);
    if (key == QLatin1String(CheckKey::Identity))
        return judgeIdentity(identity);
    if (key == QLatin1String(CheckKey::Battery))
        return judgeDate("Battery expiry", record.beacon.batteryExpiry, day);
    if (key == QLatin1String(CheckKey::Release))
        return judgeDate("Hydrostatic release expiry", record.beacon.hydrostaticReleaseExpiry, day);
    if (key == QLatin1String(CheckKey::Maintenance))
        return judgeDate("SBM due date", record.beacon.sbmDueDate, day);
    return {};
}

// "Checks not answered: 1, 5, 7", "Check not answered: 5".
QString checksLine(const char *what, const QList<int> &numbers)
{
    QStringList texts;
    for (const int number : numbers)
        texts << QString::number(number);
    return QLatin1String(numbers.size() == 1 ? "Check " : "Checks ") + QLatin1String(what) +
           QStringLiteral(": ") + texts.join(QLatin1String(", "));
}

} // namespace

QString CheckResult::byText() const
{
    switch (by) {
    case AnsweredBy::Technician:
        return QStringLiteral("technician");
    case AnsweredBy::Program:
        return QStringLiteral("program");
    case AnsweredBy::Nobody:
        break;
    }
    return QString();
}

bool CheckResult::overruled() const
{
    return by == AnsweredBy::Program && technician != Answer::None && technician != answer;
}

QString SheetResult::resultText() const
{
    if (!filledIn)
        return QString();
    return passed() ? QStringLiteral("Passed") : QStringLiteral("Not passed");
}

SheetResult assessSheet(const TestRecord &record)
{
    const TestRecordSheet &sheet = record.sheet;
    SheetResult result;
    result.identity = compareIdentity(record.hexMessage, sheet.ship);
    result.filledIn = sheet.isFilledIn();
    if (!result.filledIn)
        return result;

    const Measurement measurement(record);
    QStringList programNo;
    QList<int> answeredNo, open;
    for (const Check *check : checksOf(sheet.kind)) {
        const Judgement program = judge(*check, record, measurement, result.identity);
        CheckResult checked{check, Answer::None, AnsweredBy::Nobody, sheet.answer(checkKey(check)),
                            program.why};
        if (program.answer == Answer::No) {
            checked.answer = Answer::No;
            checked.by = AnsweredBy::Program;
            programNo << program.why;
        } else if (checked.technician != Answer::None) {
            checked.answer = checked.technician;
            checked.by = AnsweredBy::Technician;
            checked.why.clear();
            if (checked.answer == Answer::No)
                answeredNo << checkNumber(check);
        } else if (program.answer == Answer::Yes) {
            checked.answer = Answer::Yes;
            checked.by = AnsweredBy::Program;
        } else {
            open << checkNumber(check);
        }
        result.checks << checked;
    }

    result.reasons << programNo;
    if (!answeredNo.isEmpty())
        result.reasons << checksLine("answered No", answeredNo);
    result.reasons << fieldProblems(sheet.ship);
    if (!open.isEmpty())
        result.reasons << checksLine("not answered", open);
    return result;
}

QString sheetResultText(const TestRecord &record)
{
    return record.sheet.isFilledIn() ? assessSheet(record).resultText() : QString();
}
