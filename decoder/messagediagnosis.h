#ifndef MESSAGEDIAGNOSIS_H
#define MESSAGEDIAGNOSIS_H

#include <QList>
#include <QString>

// Why a message text fails the validity check and, for a failed BCH check,
// which bits were most likely flipped on the way. The corrected text is a
// hint for the person reading it; nothing decodes it.
struct MessageDiagnosis
{
    enum class Errors {
        NotLocated, // not a check failure: no bit errors to look for
        Located,
        TooMany, // more errors than the code can locate
    };

    bool valid = false;
    // Empty for a valid message, otherwise for example
    // "BCH-1 fails: received 0D7F00, computed 0DFF00".
    QString reason;
    Errors errors = Errors::NotLocated;
    QList<int> errorBits; // message bit numbers, ascending
    QString corrected;    // the normalised text with errorBits flipped
};

// The message text is normalised as for buildListing. A text of a
// second-generation beacon is invalid by its length alone, with no bit errors.
MessageDiagnosis diagnoseMessage(const QString &messageText);

// Hex texts as long as a second-generation beacon's: the 202-bit information
// field or the 250-bit message padded to whole digits (51 or 63), or the
// 23-digit ID. This program decodes neither.
enum class SecondGeneration { No, Message, BeaconId };
SecondGeneration secondGeneration(const QString &text);

#endif // MESSAGEDIAGNOSIS_H
