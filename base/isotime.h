#ifndef ISOTIME_H
#define ISOTIME_H

#include <QDate>
#include <QDateTime>
#include <QString>

// The program's one way of writing a day and a moment as text: ISO 8601, the
// way the register, the history, the listings and the file names show them.

// 2026-03-01
QString isoDate(const QDate &date);
// 2026-03-01T14:05:09+01:00: local time with its offset from UTC.
QString isoTime(const QDateTime &time);
// The moment's offset from UTC, +01:00; a file name takes another separator
// than the colon, which Windows refuses there.
QString utcOffsetText(const QDateTime &time, QChar separator = u':');

#endif // ISOTIME_H
