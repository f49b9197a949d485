#ifndef INPUTDECODING_H
#define INPUTDECODING_H

#include "beaconmessage.h"
#include "messagediagnosis.h"

#include <QString>
#include <QStringList>

// One input of the batch decoder: a first-generation message, or the
// 15-digit ID of a beacon's label, decoded through the one listing.
struct InputDecoding
{
    // A second-generation ID is a beacon ID too, though not decoded.
    enum class Kind { Message, BeaconId };
    // The identifier and the position are for programs; the plain listing
    // goes without them.
    enum class Detail { Listing, WithNumbers };
    Kind kind = Kind::Message;
    bool valid = false;
    QStringList lines;                // valid: the listing
    QString hexId;                    // valid, with numbers: the beacon's identifier
    BeaconMessage::Position position; // valid, with numbers: the listing's position
    MessageDiagnosis diagnosis;       // invalid: why
};

InputDecoding decodeInput(const QString &text,
                          InputDecoding::Detail detail = InputDecoding::Detail::WithNumbers);

#endif // INPUTDECODING_H
