#ifndef MEASUREMENT_H
#define MEASUREMENT_H

#include <QByteArray>
#include <QString>

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

// Finds the first occurrence of the reading's marker in page and returns the
// text after it up to the next double quote (or the end of the page), each byte
// taken as a Latin-1 character. Returns false, leaving value alone, when the
// marker is missing.
bool findReading(const QByteArray &page, Reading reading, QString &value);

#endif // MEASUREMENT_H
