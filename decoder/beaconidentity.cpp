#include "beaconidentity.h"

#include "beaconmessage.h"
#include "messagelisting.h"

namespace {

bool allDigits(const QString &text)
{
    for (const QChar c : text)
        if (!c.isDigit())
            return false;
    return !text.isEmpty();
}

// The radio call sign's last three characters are 4-bit digits, 1010 the
// blank that pads a shorter call sign; the listing prints the bits as they
// come, 1010 as ':'.
QString callSignOf(const BeaconMessage &message)
{
    QString sign = QString::fromLatin1(message.radioCallSignText());
    sign.remove(QLatin1Char(':'));
    sign.remove(QLatin1Char(' '));
    return sign;
}

} // namespace

QString BeaconIdentity::mmsi() const
{
    if (mmsiDigits.isEmpty())
        return QString();
    return QStringLiteral("%1").arg(countryCode, 3, 10, QLatin1Char('0')) + mmsiDigits;
}

std::optional<BeaconIdentity> identityOfMessage(const QString &messageText)
{
    const QString text = normaliseMessageText(messageText);
    if (!isValidMessageText(text))
        return std::nullopt;
    const BeaconMessage message(text.toLatin1());
    BeaconIdentity identity;
    identity.countryCode = message.countryCode();
    identity.beaconId = QString::fromLatin1(message.beaconId());
    if (message.isUserProtocol()) {
        if (message.protocolCode() == 2) {
            // Six characters of the modified Baudot code: an MMSI's last six
            // digits, or a call sign padded with blanks. Digits are an MMSI's
            // even when fewer than six: no call sign is digits alone.
            QString six = QString::fromLatin1(message.maritimeMmsiText());
            six.remove(QLatin1Char(' '));
            if (allDigits(six))
                identity.mmsiDigits = six;
            else
                identity.callSign = six;
        } else if (message.protocolCode() == 6) {
            identity.callSign = callSignOf(message);
        }
        return identity;
    }
    switch (message.protocolCode()) {
    case 2:
    case 12: // ship security carries the MMSI where the standard location has it
        identity.mmsiDigits = QString::fromLatin1(message.mmsiText());
        break;
    case 13:
        if (message.isRlsMmsi())
            identity.mmsiDigits = QString::fromLatin1(message.rlsMmsiText());
        break;
    default:
        break;
    }
    return identity;
}

std::optional<int> countryCodeOfBeaconId(QStringView beaconId)
{
    bool isHex = false;
    // Bits 26-37 of the message, the flag first and the country code's ten after it.
    const int first = beaconId.left(3).toInt(&isHex, 16);
    if (beaconId.size() != 15 || !isHex)
        return std::nullopt;
    return (first >> 1) & 0x3FF;
}
