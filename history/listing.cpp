#include "listing.h"

#include "isotime.h"
#include "verdicts.h"

#include <QHash>

#include <algorithm>
#include <iterator>

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
    QList<DueItem> items;
    const Done read = history.forEachLatest(TestHistory::Part::Listed, [&](const StoredTest &test) {
        items.append(dueItem(test));
        return true;
    });
    if (!read)
        return failure(read.reason());
    std::stable_sort(items.begin(), items.end(),
                     [](const DueItem &a, const DueItem &b) { return a.due < b.due; });
    return items;
}

} // namespace Listing
