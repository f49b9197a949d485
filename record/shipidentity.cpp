#include "shipidentity.h"

#include "beaconidentity.h"
#include "countrycodes.h"
#include "messagelisting.h"

namespace {

QString withoutBlanks(const QString &typed)
{
    QString text = typed.toUpper();
    text.removeIf([](QChar c) { return c.isSpace(); });
    return text;
}

bool isAsciiDigits(QStringView text)
{
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

bool isAsciiAlphanumeric(QStringView text)
{
    for (const QChar c : text)
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z')))
            return false;
    return true;
}

QString countryText(int code)
{
    const QString name = countryName(code);
    return name.isNull() ? QStringLiteral("unallocated") : name;
}

// The MMSI and its country: "316123456 (Canada)".
QString mmsiText(const QString &mmsi)
{
    return mmsi + QStringLiteral(" (") + countryText(mmsi.left(3).toInt()) + u')';
}

using What = IdentityCheck::What;
using Outcome = IdentityCheck::Outcome;

IdentityCheck compared(What what, const QString &beacon, const QString &ship, bool same)
{
    return {what, same ? Outcome::Same : Outcome::Differs, beacon, ship, QString()};
}

IdentityCheck notCompared(What what, const QString &beacon, const QString &ship,
                          const QString &note)
{
    return {what, Outcome::NotCompared, beacon, ship, note};
}

} // namespace

QString countryCodeText(int code)
{
    return QString::number(code) + QStringLiteral(" (") + countryText(code) + u')';
}

Result<QString> readMmsi(const QString &typed)
{
    const QString text = withoutBlanks(typed);
    if (text.isEmpty())
        return text;
    if (text.size() != 9 || !isAsciiDigits(text))
        return failure(QStringLiteral("an MMSI has 9 digits"));
    if (text.front() < u'2' || text.front() > u'7')
        return failure(QStringLiteral("a ship's MMSI begins with its flag's MID, 2 to 7"));
    return text;
}

Result<QString> readCallSign(const QString &typed)
{
    const QString text = withoutBlanks(typed);
    if (!isAsciiAlphanumeric(text))
        return failure(QStringLiteral("a call sign is the letters A to Z and digits"));
    if (text.size() > 7)
        return failure(QStringLiteral("a call sign has at most 7 characters"));
    return text;
}

Result<QString> readImoNumber(const QString &typed)
{
    QString text = withoutBlanks(typed);
    if (text.startsWith(QLatin1String("IMO")))
        text.remove(0, 3);
    if (text.isEmpty() && typed.trimmed().isEmpty())
        return text;
    if (text.size() != 7 || !isAsciiDigits(text))
        return failure(QStringLiteral("an IMO number has 7 digits"));
    // The six digits weighted 7 down to 2; the sum's last digit is the seventh.
    int sum = 0;
    for (int i = 0; i < 6; ++i)
        sum += (text[i].unicode() - u'0') * (7 - i);
    if (sum % 10 != text[6].unicode() - u'0')
        return failure(QStringLiteral("the last digit does not check the six before it"));
    return text;
}

Result<QString> readLabelId(const QString &typed)
{
    const QString text = withoutBlanks(typed);
    if (!text.isEmpty() && !isBeaconIdText(text))
        return failure(QStringLiteral("a 15 Hex ID has 15 hex digits"));
    return text;
}

QStringList fieldProblems(const ShipIdentity &ship)
{
    const struct
    {
        const char *name;
        const QString &typed;
        Result<QString> read;
    } fields[] = {
        {"MMSI", ship.mmsi, readMmsi(ship.mmsi)},
        {"Call sign", ship.callSign, readCallSign(ship.callSign)},
        {"IMO number", ship.imoNumber, readImoNumber(ship.imoNumber)},
        {"Label's 15 Hex ID", ship.labelId, readLabelId(ship.labelId)},
    };
    QStringList problems;
    for (const auto &field : fields)
        if (!field.read)
            problems << QLatin1String(field.name) + u' ' + field.typed.trimmed() +
                            QStringLiteral(": ") + field.read.reason();
    return problems;
}

QString IdentityCheck::whatText() const
{
    switch (what) {
    case What::Mmsi:
        return QStringLiteral("MMSI");
    case What::CallSign:
        return QStringLiteral("Call sign");
    case What::Flag:
        return QStringLiteral("Flag");
    case What::HexId:
        break;
    }
    return QStringLiteral("15 Hex ID");
}

QString IdentityCheck::differenceLine() const
{
    if (outcome != Outcome::Differs)
        return QString();
    QString pattern;
    switch (what) {
    case What::HexId:
        pattern = QStringLiteral("the beacon carries 15 Hex ID %1, the label's is %2");
        break;
    case What::Mmsi:
        pattern = QStringLiteral("the beacon carries MMSI %1, the ship's is %2");
        break;
    case What::CallSign:
        pattern = QStringLiteral("the beacon carries call sign %1, the ship's is %2");
        break;
    case What::Flag:
        pattern = QStringLiteral("the beacon carries country code %1, the ship's flag is %2");
        break;
    }
    return QStringLiteral("Identity differs: ") + pattern.arg(beacon, ship);
}

QList<IdentityCheck> compareIdentity(const QString &messageText, const ShipIdentity &ship)
{
    const std::optional<BeaconIdentity> beacon = identityOfMessage(messageText);
    const Result<QString> labelId = readLabelId(ship.labelId);
    const Result<QString> mmsi = readMmsi(ship.mmsi);
    const Result<QString> callSign = readCallSign(ship.callSign);
    const QString shipLabel = labelId ? *labelId : ship.labelId.trimmed();
    const QString shipMmsi = mmsi && !mmsi->isEmpty() ? mmsiText(*mmsi) : ship.mmsi.trimmed();
    const QString shipFlag =
        mmsi && !mmsi->isEmpty() ? countryCodeText(mmsi->left(3).toInt()) : QString();
    const QString shipCallSign = callSign ? *callSign : ship.callSign.trimmed();

    QList<IdentityCheck> checks;
    if (!beacon) {
        const QString none = QStringLiteral("no valid message");
        checks << notCompared(What::HexId, QString(), shipLabel, none)
               << notCompared(What::Mmsi, QString(), shipMmsi, none)
               << notCompared(What::CallSign, QString(), shipCallSign, none)
               << notCompared(What::Flag, QString(), shipFlag, none);
        return checks;
    }

    // What the ship's side lacks: nothing typed, or a text that is not one.
    auto missing = [](const Result<QString> &field) {
        return field ? QStringLiteral("none typed") : QStringLiteral("typed wrong");
    };
    const QString notCarried = QStringLiteral("not in this protocol");
    const bool hasLabel = labelId && !labelId->isEmpty();
    const bool hasMmsi = mmsi && !mmsi->isEmpty();
    const bool hasCallSign = callSign && !callSign->isEmpty();

    checks << (hasLabel ? compared(What::HexId, beacon->beaconId, shipLabel,
                                   beacon->beaconId == *labelId)
                        : notCompared(What::HexId, beacon->beaconId, shipLabel, missing(labelId)));

    const QString beaconMmsi = beacon->mmsi();
    if (beaconMmsi.isEmpty())
        checks << notCompared(What::Mmsi, QString(), shipMmsi, notCarried);
    else if (!hasMmsi)
        checks << notCompared(What::Mmsi, mmsiText(beaconMmsi), shipMmsi, missing(mmsi));
    else
        checks << compared(What::Mmsi, mmsiText(beaconMmsi), shipMmsi, beaconMmsi == *mmsi);

    if (beacon->callSign.isEmpty())
        checks << notCompared(What::CallSign, QString(), shipCallSign, notCarried);
    else if (!hasCallSign)
        checks << notCompared(What::CallSign, beacon->callSign, shipCallSign, missing(callSign));
    else
        checks << compared(What::CallSign, beacon->callSign, shipCallSign,
                           beacon->callSign == *callSign);

    const QString beaconFlag = countryCodeText(beacon->countryCode);
    if (!beaconMmsi.isEmpty()) {
        checks << notCompared(What::Flag, beaconFlag, shipFlag, QStringLiteral("in the MMSI"));
    } else if (!hasMmsi) {
        checks << notCompared(What::Flag, beaconFlag, shipFlag, missing(mmsi));
    } else {
        // Any of a country's MIDs is its flag; an unallocated code is only itself.
        const int shipCode = mmsi->left(3).toInt();
        const QString beaconCountry = countryName(beacon->countryCode);
        const bool same = beacon->countryCode == shipCode ||
                          (!beaconCountry.isNull() && beaconCountry == countryName(shipCode));
        checks << compared(What::Flag, beaconFlag, shipFlag, same);
    }
    return checks;
}

QStringList identityDifferences(const QList<IdentityCheck> &checks)
{
    QStringList lines;
    for (const IdentityCheck &check : checks)
        if (check.outcome == Outcome::Differs)
            lines << check.differenceLine();
    return lines;
}
