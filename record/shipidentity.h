#ifndef SHIPIDENTITY_H
#define SHIPIDENTITY_H

#include "result.h"

#include <QList>
#include <QString>

// The ship's identity as the technician types it from its papers, and the
// 15 Hex ID on the beacon's label, typed or read by a barcode scanner.
struct ShipIdentity
{
    QString mmsi;
    QString callSign;
    QString imoNumber;
    QString labelId;

    bool operator==(const ShipIdentity &other) const
    {
        return mmsi == other.mmsi && callSign == other.callSign && imoNumber == other.imoNumber &&
               labelId == other.labelId;
    }
    bool operator!=(const ShipIdentity &other) const { return !(*this == other); }
};

// Each field as it is compared: blanks left out, letters in capitals; an
// empty text for an empty field, or why the text cannot be what it stands for.
// An MMSI is nine digits, the first three its flag's MID (2 to 7 first, as a
// ship station's are); a call sign letters and digits, at most seven; an IMO
// number seven digits, "IMO" in front allowed, the last the check digit of the
// six before it; a label's ID 15 hex digits.
Result<QString> readMmsi(const QString &typed);
Result<QString> readCallSign(const QString &typed);
Result<QString> readImoNumber(const QString &typed);
Result<QString> readLabelId(const QString &typed);
// A line for each field that cannot be what it stands for, such as "MMSI
// 25712345: an MMSI has 9 digits".
QStringList fieldProblems(const ShipIdentity &ship);

// One part of the identity held against the ship or the label.
struct IdentityCheck
{
    enum class What { HexId, Mmsi, CallSign, Flag };
    enum class Outcome { Same, Differs, NotCompared };

    What what = What::HexId;
    Outcome outcome = Outcome::NotCompared;
    // As shown: "316123456 (Canada)"; empty where there is nothing.
    QString beacon;
    QString ship;
    // Not compared: why, such as "not in this protocol" or "none typed".
    QString note;

    // "15 Hex ID", "MMSI", "Call sign", "Flag".
    QString whatText() const;
    // The status-log line of a difference, for example "Identity differs:
    // the beacon carries MMSI 316123456 (Canada), the ship's is 257123456
    // (Norway)"; empty unless it differs.
    QString differenceLine() const;
};

// The identity a message carries, held against the ship and the label, one
// check each, in the order of What. The flag is the MMSI's business where the
// message carries one; elsewhere it is compared by country, so that any of a
// country's MIDs matches. A field missing on either side is not compared.
QList<IdentityCheck> compareIdentity(const QString &messageText, const ShipIdentity &ship);

// The status-log lines of the checks that differ, in order.
QStringList identityDifferences(const QList<IdentityCheck> &checks);

// "316 (Canada)", "999 (unallocated)".
QString countryCodeText(int code);

#endif // SHIPIDENTITY_H
