#include "measurement.h"

namespace {

// In the record's order.
const struct
{
    const char *marker;
    const char *name;
} ReadingTable[ReadingCount] = {
    {"Hex message: <INPUT size=36 value=\"", "Hex message"},
    {"Frequency: </TD><TD><INPUT size=11 value=\"", "Frequency"},
    {"RF Level: </TD><TD><INPUT size=11 value=\"", "RF level"},
    {"Calibration due: </TD><TD><INPUT size=11 value=\"", "Calibration due"},
    {"Status: </TD><TD><INPUT size=11 value=\"", "Status"},
    {"Serial No: </TD><TD><INPUT size=11 value=\"", "Serial number"},
};

} // namespace

QByteArray readingMarker(Reading reading)
{
    return QByteArray(ReadingTable[reading].marker);
}

QString readingName(Reading reading)
{
    return QLatin1String(ReadingTable[reading].name);
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

QStringList Measurement::missingNames() const
{
    QStringList names;
    for (int index = 0; index < ReadingCount; ++index) {
        if (!has(Reading(index)))
            names.append(readingName(Reading(index)));
    }
    return names;
}
