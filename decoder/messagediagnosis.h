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

// The message text is normalised as for buildListing.
MessageDiagnosis diagnoseMessage(const QString &messageText);

#endif // MESSAGEDIAGNOSIS_H
