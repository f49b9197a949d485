#include "duedates.h"

namespace {

QDate monthEnd(int year, int month)
{
    const QDate first(year, month, 1);
    return first.isValid() ? first.addMonths(1).addDays(-1) : QDate();
}

// The forms a technician types from a label or a certificate: y, m and d
// stand for a digit of the year, month and day, anything else for itself.
const char *const Forms[] = {"yyyy-mm-dd", "yyyy-mm", "mm/yyyy", "mm.yyyy", "dd.mm.yyyy"};

// The date text holds in form; day 0 for a month alone. False when the text
// is not in that form.
bool readForm(QStringView text, const char *form, int &year, int &month, int &day)
{
    if (text.size() != qsizetype(qstrlen(form)))
        return false;
    year = month = day = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char f = form[i];
        const char16_t c = text[i].unicode();
        int *part = f == 'y' ? &year : f == 'm' ? &month : f == 'd' ? &day : nullptr;
        if (!part && c != char16_t(f))
            return false;
        if (part && (c < u'0' || c > u'9'))
            return false;
        if (part)
            *part = *part * 10 + (c - u'0');
    }
    return true;
}

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
    const QStringView text = QStringView(typed).trimmed();
    int year, month, day;
    for (const char *form : Forms) {
        if (readForm(text, form, year, month, day))
            return day ? QDate(year, month, day) : monthEnd(year, month);
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

DueItem dueItem(const StoredTest &latest, const QDate &lastMaintenance)
{
    const BeaconFields &b = latest.record.beacon;
    DueItem item{latest.record.time.date().addMonths(AnnualTestMonths), DueItem::AnnualTest,
                 latest};
    QDate sbm = dueDate(b.sbmDueDate);
    if (b.sbmDueDate.trimmed().isEmpty() && lastMaintenance.isValid())
        sbm = lastMaintenance.addYears(ShoreBasedMaintenanceYears);
    const std::pair<DueItem::What, QDate> dates[] = {
        {DueItem::Battery, dueDate(b.batteryExpiry)},
        {DueItem::HydrostaticRelease, dueDate(b.hydrostaticReleaseExpiry)},
        {DueItem::Sbm, sbm},
    };
    for (const auto &[what, due] : dates) {
        if (due.isValid() && due < item.due) {
            item.due = due;
            item.what = what;
        }
    }
    return item;
}

bool standsOut(const QDate &due, const QDate &today, int horizonDays)
{
    return due <= today.addDays(horizonDays);
}
