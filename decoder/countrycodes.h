#ifndef COUNTRYCODES_H
#define COUNTRYCODES_H

#include <QString>

// The country or territory of a maritime identification digit (MID), the
// country code a beacon message carries and an MMSI begins with, as the ITU
// allocates them. Null for a code that is not allocated.
//
// The table is country-codes.csv, compiled in and read once: "code,country"
// a line after a header line, a name with a comma in double quotes. A later
// list from the ITU replaces the file as it stands.
QString countryName(int code);

#endif // COUNTRYCODES_H
