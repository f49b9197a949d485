#ifndef BEACONIDENTITY_H
#define BEACONIDENTITY_H

#include <QString>

#include <optional>

// Who a beacon says it is, from the bits the listing prints, for holding
// against a ship's papers and the beacon's label.
struct BeaconIdentity
{
    int countryCode = 0;
    // The 15 Hex ID, by the one rule of every protocol code.
    QString beaconId;
    // The last six digits of the ship's MMSI, where the protocol carries them:
    // maritime user (when its six characters are digits), standard location
    // EPIRB-MMSI, ship security and RLS with MMSI. Empty for the others.
    QString mmsiDigits;
    // A call sign, blanks left out, where the protocol carries one: radio call
    // sign user, and maritime user when its six characters are not digits.
    QString callSign;

    // The nine digits: the country code, then the six; empty without them.
    QString mmsi() const;
};

// None for a message that fails its checks.
std::optional<BeaconIdentity> identityOfMessage(const QString &messageText);

// The country code of a 15 Hex ID (bits 27-36 of the message, after the
// format flag); none for a text that is no ID.
std::optional<int> countryCodeOfBeaconId(QStringView beaconId);

#endif // BEACONIDENTITY_H
