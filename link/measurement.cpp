#include "measurement.h"

QByteArray readingMarker(Reading reading)
{
    static const char *const markers[ReadingCount] = {
        "Hex message: <INPUT size=36 value=\"",
        "Frequency: </TD><TD><INPUT size=11 value=\"",
        "RF Level: </TD><TD><INPUT size=11 value=\"",
        "Calibration due: </TD><TD><INPUT size=11 value=\"",
        "Status: </TD><TD><INPUT size=11 value=\"",
        "Serial No: </TD><TD><INPUT size=11 value=\"",
    };
    return QByteArray(markers[reading]);
}

bool findReading(const QByteArray &page, Reading reading, QString &value)
{
    const QByteArray marker = readingMarker(reading);
    const qsizetype at = page.indexOf(marker);
    if (at < 0)
        return false;
    const qsizetype start = at + marker.size();
    const qsizetype end = page.indexOf('"', start);
    value = QString::fromLatin1(page.mid(start, end < 0 ? -1 : end - start));
    return true;
}
