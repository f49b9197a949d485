#include "listing.h"

#include "beaconidentity.h"
#include "isotime.h"
#include "shipidentity.h"
#include "verdicts.h"

#include <QHash>

#include <algorithm>
#include <iterator>
#include <numeric>

namespace Listing {

namespace {

// A long list holds few distinct readings, and judging one means reading its
// text as a number: each is judged once a thread, for each target.
QString frequencyVerdict(const TestRecord &r)
{
    constexpr qsizetype Kept = 4096;
    thread_local QHash<QString, QString> judged[Verdicts::TargetCount];
    if (r.targetIndex < 0 || r.targetIndex >= int(std::size(judged)))
        return r.frequencyVerdictText();
    QHash<QString, QString> &verdicts = judged[r.targetIndex];
    // Either verdict is a text; none judged yet is a null one.
    if (const QString known = verdicts.value(r.frequency); !known.isNull())
        return known;
    if (verdicts.size() >= Kept)
        verdicts.clear();
    const QString verdict = r.frequencyVerdictText();
    verdicts.insert(r.frequency, verdict);
    return verdict;
}

// "316 (Canada)": made once a code and thread, as a long list holds few codes.
QString country(const QString &beaconId)
{
    thread_local QHash<int, QString> texts;
    const std::optional<int> code = countryCodeOfBeaconId(beaconId);
    if (!code)
        return QString();
    auto found = texts.constFind(*code);
    if (found == texts.cend())
        found = texts.insert(*code, countryCodeText(*code));
    return *found;
}

// The columns of a test's row: its header and its text.
const struct TestField
{
    const char *header;
    QString (*text)(const StoredTest &);
} TestFields[] = {
    {"No.", [](const StoredTest &t) { return QString::number(t.number); }},
    {"Date", [](const StoredTest &t) { return isoDate(t.record.time.date()); }},
    {"15 Hex ID", [](const StoredTest &t) { return t.beaconId; }},
    {"Manufacturer", [](const StoredTest &t) { return t.record.beacon.manufacturer; }},
    {"Model", [](const StoredTest &t) { return t.record.beacon.model; }},
    {"Serial number", [](const StoredTest &t) { return t.record.beacon.beaconSerialNo; }},
    {"Vessel", [](const StoredTest &t) { return t.record.beacon.vesselName; }},
    {"Frequency verdict", [](const StoredTest &t) { return frequencyVerdict(t.record); }},
    {"Status verdict", [](const StoredTest &t) { return t.record.statusVerdict; }},
    {"Battery expiry", [](const StoredTest &t) { return t.record.beacon.batteryExpiry; }},
    {"Hydrostatic release expiry",
     [](const StoredTest &t) { return t.record.beacon.hydrostaticReleaseExpiry; }},
    {"Kind of test", [](const StoredTest &t) { return testKindText(t.record.sheet.kind); }},
    {"Result", [](const StoredTest &t) { return t.result; }},
    // Last, where a long name widens no other column.
    {"Country", [](const StoredTest &t) { return country(t.beaconId); }},
};
static_assert(std::size(TestFields) == TestColumnCount);

} // namespace

QStringList testHeader()
{
    QStringList header;
    for (const TestField &c : TestFields)
        header.append(QLatin1String(c.header));
    return header;
}

QStringList testRow(const StoredTest &test)
{
    QStringList row;
    row.reserve(TestColumnCount);
    for (const TestField &c : TestFields)
        row.append(c.text(test));
    return row;
}

QStringList dueHeader()
{
    return {QStringLiteral("Due"),       QStringLiteral("What"),
            QStringLiteral("15 Hex ID"), QStringLiteral("Manufacturer"),
            QStringLiteral("Model"),     QStringLiteral("Serial number"),
            QStringLiteral("Vessel"),    QStringLiteral("Last test")};
}

QStringList dueRow(const DueItem &item)
{
    const TestRecord &t = item.latest.record;
    return {isoDate(item.due),     item.whatText(),       item.latest.beaconId,
            t.beacon.manufacturer, t.beacon.model,        t.beacon.beaconSerialNo,
            t.beacon.vesselName,   isoDate(t.time.date())};
}

bool matchesFilter(const QStringList &row, const QString &text)
{
    if (text.isEmpty())
        return true;
    for (const int column :
         {BeaconIdColumn, SerialColumn, VesselColumn, ManufacturerColumn, ModelColumn}) {
        if (row.value(column).contains(text, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

Result<QList<DueItem>> dueItems(const TestHistory &history)
{
    const Result<QHash<QString, TestHistory::Maintenance>> maintained =
        history.latestMaintenances();
    if (!maintained)
        return failure(maintained.reason());
    QList<DueItem> items;
    const Done read = history.forEachLatest(TestHistory::Part::Due, [&](const StoredTest &test) {
        // The next SBM counts from a maintenance recorded without its date.
        const TestHistory::Maintenance last = maintained->value(test.beaconId);
        items.append(dueItem(test, last.sbmDueDate.trimmed().isEmpty() ? last.day : QDate()));
        return true;
    });
    if (!read)
        return failure(read.reason());
    // Each item, which carries its whole test, moved once.
    QList<qsizetype> order(items.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return items.at(a).due < items.at(b).due; });
    QList<DueItem> sorted;
    sorted.reserve(items.size());
    for (const qsizetype i : std::as_const(order))
        sorted.append(std::move(items[i]));
    return sorted;
}

} // namespace Listing
