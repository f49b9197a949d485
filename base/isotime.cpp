#include "isotime.h"

QString isoDate(const QDate &date)
{
    // QDate's own ISO text goes through a printf, which a long list feels.
    const int y = date.year(), m = date.month(), d = date.day();
    if (!date.isValid() || y < 1000 || y > 9999)
        return date.toString(Qt::ISODate);
    const char16_t text[] = {char16_t(u'0' + y / 1000),
                             char16_t(u'0' + y / 100 % 10),
                             char16_t(u'0' + y / 10 % 10),
                             char16_t(u'0' + y % 10),
                             u'-',
                             char16_t(u'0' + m / 10),
                             char16_t(u'0' + m % 10),
                             u'-',
                             char16_t(u'0' + d / 10),
                             char16_t(u'0' + d % 10)};
    return QString(reinterpret_cast<const QChar *>(text), 10);
}

QString isoTime(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")) + utcOffsetText(time);
}

QString utcOffsetText(const QDateTime &time, QChar separator)
{
    const int seconds = time.offsetFromUtc();
    const int minutes = qAbs(seconds) / 60;
    return QString::asprintf("%c%02d%c%02d", seconds < 0 ? '-' : '+', minutes / 60,
                             separator.toLatin1(), minutes % 60);
}
