#ifndef MEASUREMENT_H
#define MEASUREMENT_H

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <array>

// The measurement record: six readings cut out of the instrument's page.
enum Reading {
    HexMessageReading,
    FrequencyReading,
    RfLevelReading,
    CalibrationDueReading,
    StatusReading,
    SerialNoReading,
    ReadingCount
};

using Readings = std::array<QString, ReadingCount>;

// The page text that precedes a reading, up to and including its opening double quote.
QByteArray readingMarker(Reading reading);
// The reading's name for the technician, such as "Frequency".
QString readingName(Reading reading);

// Finds the first occurrence of the reading's marker in page and returns the
// text after it up to the next double quote (or the end of the page), each byte
// taken as a Latin-1 character. Returns false, leaving value alone, when the
// marker is missing.
bool findReading(const QByteArray &page, Reading reading, QString &value);

// One exchange's readings, cut from its own page alone: a reading whose marker
// the page lacks is empty, never the one an earlier beacon left.
struct Measurement
{
    Readings readings;
    unsigned found = 0; // one bit per Reading

    bool has(Reading reading) const { return found & (1u << reading); }
    // The names of the readings the page lacked, in the record's order.
    QStringList missingNames() const;
};

Q_DECLARE_METATYPE(Measurement)

#endif // MEASUREMENT_H
