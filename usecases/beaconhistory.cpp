#include "beaconhistory.h"

#include "isotime.h"
#include "testfields.h"

#include <QFileInfo>

bool fillEmptyFields(TestRecord &form, const TestRecord &earlier)
{
    bool filled = false;
    for (const TestField &f : TestFields::all()) {
        if (!f.has(TestField::KeptNextYear))
            continue;
        QString &field = f.text(form);
        if (field.isEmpty() && !f.text(earlier).isEmpty()) {
            field = f.text(earlier);
            filled = true;
        }
    }
    return filled;
}

Result<std::optional<StoredTest>> latestOfBeacon(const QString &historyPath,
                                                 const QString &hexMessage, int busyTimeoutMs)
{
    TestRecord received;
    received.hexMessage = hexMessage;
    const QString beaconId = received.beaconId();
    // A history made at this program's start cannot be empty but for the
    // moment of its making.
    if (beaconId.isEmpty() || QFileInfo(historyPath).size() == 0)
        return std::optional<StoredTest>();
    TestHistory history(historyPath, busyTimeoutMs);
    if (const Done opened = history.open(); !opened)
        return failure(opened.reason());
    return history.latest(beaconId);
}

Recall recallFrom(const Result<std::optional<StoredTest>> &found, TestRecord &form)
{
    if (!found)
        return {QString(), QStringLiteral("Test history cannot be read: ") + found.reason()};
    if (!*found || !fillEmptyFields(form, (*found)->record))
        return {};
    return {
        QStringLiteral("Beacon known from the test of %1: fields filled in, check the expiry dates")
            .arg(isoDate((*found)->record.time.date())),
        QString()};
}

Recall recallBeacon(const QString &historyPath, const QString &hexMessage, TestRecord &form)
{
    return recallFrom(latestOfBeacon(historyPath, hexMessage), form);
}
