#ifndef MESSAGELISTING_H
#define MESSAGELISTING_H

#include <QString>
#include <QStringList>

// The message text as the decoder reads it: upper-cased, with "FFFE2F" in
// front when it does not begin with "F".
QString normaliseMessageText(const QString &text);

// Whether the message passes its error-correcting codes, without decoding it.
bool isValidMessageText(const QString &messageText);

// Validates the message and, for a valid one, fills lines with the decoded
// listing (cleared first in every case). Returns false for an invalid message.
bool buildListing(const QString &messageText, QStringList &lines);

// Labels by which other parts look the listing up.
inline constexpr char HexMessageLabel[] = "Hex message:";
inline constexpr char HexIdLabel[] = "15 HexID:";

// The value of the first line with this label; empty when no line has it.
QString listingValue(const QStringList &lines, QLatin1String label);

// A line of the listing as the report prints it: the label up to and
// including the first colon, the value after the colon and one blank; a line
// without a colon is all value.
struct ListingRow
{
    QString label;
    QString value;
};
ListingRow splitListingLine(const QString &line);

#endif // MESSAGELISTING_H
