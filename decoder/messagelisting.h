#ifndef MESSAGELISTING_H
#define MESSAGELISTING_H

#include "beaconmessage.h"

#include <QString>
#include <QStringList>

// The message text as the decoder reads it: upper-cased, with "FFFE2F" in
// front when it does not begin with "F".
QString normaliseMessageText(const QString &text);

// Whether the message passes its error-correcting codes, without decoding it.
bool isValidMessageText(const QString &messageText);

// The beacon's 15-hex ID for every protocol code, without building the
// listing: vestra-decode's hexId, the listing's "15 HexID" line where it has
// one, and the key of the test history. Empty for an invalid message.
QString beaconIdOfMessage(const QString &messageText);

// Validates the message and, for a valid one, fills lines with the decoded
// listing (cleared first in every case). Returns false for an invalid message.
bool buildListing(const QString &messageText, QStringList &lines);

// What a listing says in numbers, for programs that read it: the beacon's
// identifier for every protocol code, and the position the listing shows
// (both parts empty when it shows none).
struct ListingFacts
{
    QString beaconId;
    BeaconMessage::Position position;
};
// As above; a valid message also fills facts.
bool buildListing(const QString &messageText, QStringList &lines, ListingFacts &facts);

// Exactly 15 hex digits (either case): the identifier on a beacon's label.
bool isBeaconIdText(const QString &text);
// The identity part of the listing of a beacon ID, read from the short
// message whose bits 26-85 are the ID: "Beacon ID: " and the ID, then the
// lines of the bits the ID carries. False, and no lines, for another text.
bool buildBeaconIdListing(const QString &beaconId, QStringList &lines);

// Labels by which other parts look the listing up.
inline constexpr char HexMessageLabel[] = "Hex message:";
inline constexpr char HexIdLabel[] = "15 HexID:";
inline constexpr char CountryCodeLabel[] = "Country code:";
inline constexpr char BeaconIdLabel[] = "Beacon ID:";

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
// The same split as views into a line that outlives them, without copies.
struct ListingRowView
{
    QStringView label;
    QStringView value;
};
ListingRowView splitListingView(QStringView line);

#endif // MESSAGELISTING_H
