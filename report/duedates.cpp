#include "duedates.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

QDate monthEnd(int year, int month)
{
    const QDate first(year, month, 1);
    return first.isValid() ? first.addMonths(1).addDays(-1) : QDate();
}

// The forms a technician types from a label or a certificate; the digits'
// groups name year, month and day by their position in the form.
const struct
{
    const char *pattern;
    int year, month, day; // capture numbers, day 0 for a month alone
} Forms[] = {
    {"(\\d{4})-(\\d{2})-(\\d{2})", 1, 2, 3},
    {"(\\d{4})-(\\d{2})", 1, 2, 0},
    {"(\\d{2})/(\\d{4})", 2, 1, 0},
    {"(\\d{2})\\.(\\d{4})", 2, 1, 0},
    {"(\\d{2})\\.(\\d{2})\\.(\\d{4})", 3, 2, 1},
};

QString expiryLine(const char *what, const QString &typed, const QDate &due, const QDate &today)
{
    if (!due.isValid())
        return QString();
    if (due < today)
        return QStringLiteral("%1 %2 has passed").arg(QLatin1String(what), typed.trimmed());
    if (due < today.addMonths(AnnualTestMonths))
        return QStringLiteral("%1 %2 falls before the next annual test")
            .arg(QLatin1String(what), typed.trimmed());
    return QString();
}

} // namespace

QDate dueDate(const QString &typed)
{
    static const QList<QRegularExpression> expressions = [] {
        QList<QRegularExpression> list;
        for (const auto &form : Forms)
            list.append(
                QRegularExpression(QStringLiteral("\\A%1\\z").arg(QLatin1String(form.pattern))));
        return list;
    }();
    const QString text = typed.trimmed();
    for (qsizetype i = 0; i < expressions.size(); ++i) {
        const QRegularExpressionMatch match = expressions[i].match(text);
        if (!match.hasMatch())
            continue;
        const auto &form = Forms[i];
        const int year = match.captured(form.year).toInt();
        const int month = match.captured(form.month).toInt();
        return form.day ? QDate(year, month, match.captured(form.day).toInt())
                        : monthEnd(year, month);
    }
    return QDate();
}

QStringList expiryWarnings(const BeaconFields &form, const QDate &today)
{
    QStringList lines;
    for (const QString &line :
         {expiryLine("Battery expiry", form.batteryExpiry, dueDate(form.batteryExpiry), today),
          expiryLine("Hydrostatic release expiry", form.hydrostaticReleaseExpiry,
                     dueDate(form.hydrostaticReleaseExpiry), today)}) {
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

QString DueItem::whatText() const
{
    switch (what) {
    case Battery:
        return QStringLiteral("Battery");
    case HydrostaticRelease:
        return QStringLiteral("Hydrostatic release");
    case Sbm:
        return QStringLiteral("SBM");
    case AnnualTest:
        break;
    }
    return QStringLiteral("Annual test");
}

DueItem dueItem(const StoredTest &latest)
{
    const BeaconFields &b = latest.record.beacon;
    DueItem item{latest.record.time.date().addMonths(AnnualTestMonths), DueItem::AnnualTest,
                 latest};
    const std::pair<DueItem::What, const QString *> dates[] = {
        {DueItem::Battery, &b.batteryExpiry},
        {DueItem::HydrostaticRelease, &b.hydrostaticReleaseExpiry},
        {DueItem::Sbm, &b.sbmDueDate},
    };
    for (const auto &[what, typed] : dates) {
        const QDate due = dueDate(*typed);
        if (due.isValid() && due < item.due) {
            item.due = due;
            item.what = what;
        }
    }
    return item;
}

bool dueItems(const TestHistory &history, QList<DueItem> &items)
{
    items.clear();
    if (!history.forEachLatest([&](const StoredTest &test) {
            items.append(dueItem(test));
            return true;
        }))
        return false;
    std::stable_sort(items.begin(), items.end(),
                     [](const DueItem &a, const DueItem &b) { return a.due < b.due; });
    return true;
}

bool standsOut(const QDate &due, const QDate &today, int horizonDays)
{
    return due <= today.addDays(horizonDays);
}
