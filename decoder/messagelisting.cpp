#include "messagelisting.h"

#include "beaconmessage.h"
#include "decoderlogging.h"
#include "preamble.h"

namespace {

using Family = BeaconMessage::LocationFamily;

// Digits beyond a short message are cut from the shown text of a truncated
// self-test message.
constexpr int shortMessageDigits = 28;

bool isHexText(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'A' && u <= 'F')))
            return false;
    }
    return true;
}

// The message of a normalised text; false when it fails its codes. Anything
// but hex digits would be turned into arbitrary bits that could still pass
// the check by chance.
bool readMessage(const QString &text, BeaconMessage &message)
{
    if (!isHexText(text))
        return false;
    message = BeaconMessage(text.toLatin1());
    return message.isValid();
}

// Orbitography (location codes 0 and 1) and ship security (12) have no
// decoder of their own; every other listing ends with the beacon's ID.
bool hasDecoder(const BeaconMessage &message)
{
    const int code = message.protocolCode();
    return message.isUserProtocol() || (code != 0 && code != 1 && code != 12);
}

class ListingWriter
{
public:
    ListingWriter(const BeaconMessage &message, QStringList &lines,
                  BeaconMessage::Position *position)
        : m(message), m_lines(lines), m_position(position)
    {
    }

    void add(const char *label, const QByteArray &value)
    {
        const QLatin1String labelText(label);
        QString line;
        line.reserve(labelText.size() + value.size());
        line.append(labelText);
        line.append(QLatin1String(value));
        m_lines.append(line);
    }

    // The user-location form without a family.
    void addPosition(const char *label, std::optional<Family> family = std::nullopt)
    {
        add(label, family ? m.positionText(*family) : m.positionText());
        if (m_position)
            *m_position = family ? m.position(*family) : m.position();
    }

    void addHexId(const QByteArray &id)
    {
        m_lines.append(QLatin1String(HexIdLabel) + u' ' + QLatin1String(id));
    }

    void addUserLines()
    {
        add("User Type: ", m.protocolTypeText());
        switch (m.protocolCode()) {
        case 0:
        case 4:
        case 7:
            add("46 bit data : ", m.userDataText());
            break;
        case 1:
            add("Aircraft reg. marking : ", m.aircraftRegistrationText());
            break;
        case 2:
            add("Maritime MMSI (6 digits): ", m.maritimeMmsiText());
            add("Spesific beacon number: ", QByteArray(1, m.specificBeaconNumber()));
            break;
        case 6:
            add("Radio Call Sign Ident.: ", m.radioCallSignText());
            add("Spesific beacon number: ", QByteArray(1, m.specificBeaconNumber()));
            break;
        case 3:
            addSerialLines();
            break;
        default:
            break;
        }
        add("Aux radio device: ", m.auxDeviceText());
        addHexId(m.beaconId());
        if (!m.isShortFormat())
            addPosition("Position : ");
    }

    void addSerialLines()
    {
        add("Beacon type: ", m.serialBeaconTypeText());
        switch (m.serialLayout()) {
        case BeaconMessage::SerialLayout::Manufacturer:
            add("Generic Serial no : ", m.serialNumberText());
            add("Manufact. ID: ", m.manufacturerIdText());
            add("Model no: ", m.modelNumberText());
            add("Production run: ", m.productionRunText());
            add("Sequence no: ", m.manufacturerSequenceText());
            break;
        case BeaconMessage::SerialLayout::ApprovalSequence:
            add("Generic Serial no : ", m.serialNumberText());
            add("Approval no : ", m.genericApprovalText());
            add("Sequence no: ", m.genericSequenceText());
            break;
        case BeaconMessage::SerialLayout::Plain:
            add("Serial no : ", m.serialNumberText());
            add("Approval no : ", m.approvalNumberText());
            break;
        }
    }

    void addLocationLines()
    {
        add("Location Type: ", m.protocolTypeText());
        if (!hasDecoder(m)) {
            m_lines.append(QStringLiteral("Protocol not Implemented"));
            return;
        }
        // Every decoded location protocol has a family; the message says which.
        switch (*m.locationFamily()) {
        case Family::National:
            add("Serial number : ", m.nationalSerialText());
            addPosition("Position : ", Family::National);
            add("Position Data source : ", m.dataSourceText(Family::National));
            add("Aux device : ", m.homerText(Family::National));
            addHexId(m.beaconId());
            break;
        case Family::Rls:
            addRlsLines();
            break;
        case Family::Standard:
            addStandardIdentity();
            addStandardTail();
            break;
        }
    }

    // What identifies a beacon of the standard family, by its protocol.
    void addStandardIdentity()
    {
        switch (m.protocolCode()) {
        case 2:
            add("MMSI : ", m.mmsiText());
            add("Buoy No : ", m.mmsiBeaconNumberText());
            break;
        case 3:
            add("24 bit AircraftId : ", m.aircraftAddressText());
            break;
        case 4:
        case 6:
        case 7:
            add("Serial ID : ", m.locationSerialText());
            add("Cospas/Sarsat appr : ", m.typeApprovalText());
            break;
        case 5:
            add("ELT Operator: ", m.operatorDesignatorText());
            add("ELT number: ", m.operatorSerialText());
            break;
        default:
            break;
        }
    }

    void addStandardTail()
    {
        addPosition("Position: ", Family::Standard);
        add("Position Data source: ", m.dataSourceText(Family::Standard));
        add("Aux device: ", m.homerText(Family::Standard));
        addHexId(m.beaconId());
    }

    void addRlsLines()
    {
        if (m.isRlsMmsi()) {
            add("MMSI : ", m.rlsMmsiText());
            add("Buoy No : ", m.rlsBeaconText());
        } else {
            add("Serial ID : ", m.rlsSerialText());
            add("Cospas/Sarsat appr : ", m.rlsTypeApprovalText());
        }
        addPosition("Position: ", Family::Rls);
        add("Position Data source: ", m.dataSourceText(Family::Rls));
        add("Aux device: ", m.homerText(Family::Rls));
        add("RLM type 1: ", m.returnLinkType1Text());
        add("RLM type 2: ", m.returnLinkType2Text());
        add("RLS provider: ", m.rlsProviderText());
        addHexId(m.beaconId());
    }

private:
    const BeaconMessage &m;
    QStringList &m_lines;
    BeaconMessage::Position *m_position;
};

// The message's frame and the bits after 85, which a beacon ID does not carry.
const char *const linesOutsideId[] = {
    HexMessageLabel, "Message format:",       "Position:",
    "Position :",    "Position Data source:", "Position Data source :",
    "Aux device:",   "Aux device :",          "RLM type 1:",
    "RLM type 2:",   "RLS provider:",
};

bool isOutsideId(QStringView label)
{
    for (const char *outside : linesOutsideId)
        if (label == QLatin1String(outside))
            return true;
    return false;
}

bool fillListing(const QString &messageText, QStringList &lines, ListingFacts *facts)
{
    lines.clear();
    const QString text = normaliseMessageText(messageText);
    BeaconMessage message;
    if (!readMessage(text, message)) {
        qCDebug(lcDecoder).noquote() << "MOLM: Validity fail";
        return false;
    }
    qCDebug(lcDecoder).noquote() << "MOLM: Validity ok";

    ListingWriter writer(message, lines, facts ? &facts->position : nullptr);
    lines.append(QLatin1String(HexMessageLabel) + u' ' +
                 (message.isTruncatedTest() ? text.left(shortMessageDigits) : text));
    writer.add("Message format: ", message.formatText());
    writer.add("Protocol: ", message.protocolText());
    lines.append(QStringLiteral("Country code: ") + QString::number(message.countryCode()));
    if (facts)
        *facts = {QString::fromLatin1(message.beaconId()), {}};
    if (message.isUserProtocol())
        writer.addUserLines();
    else
        writer.addLocationLines();
    return true;
}

} // namespace

QString normaliseMessageText(const QString &text)
{
    QString normalised = text.toUpper();
    if (!normalised.startsWith(QLatin1Char('F')))
        normalised.prepend(QLatin1String(DistressPreamble));
    return normalised;
}

bool isValidMessageText(const QString &messageText)
{
    BeaconMessage message;
    return readMessage(normaliseMessageText(messageText), message);
}

QString beaconIdOfMessage(const QString &messageText)
{
    BeaconMessage message;
    if (!readMessage(normaliseMessageText(messageText), message))
        return QString();
    return QString::fromLatin1(message.beaconId());
}

bool buildListing(const QString &messageText, QStringList &lines)
{
    return fillListing(messageText, lines, nullptr);
}

bool buildListing(const QString &messageText, QStringList &lines, ListingFacts &facts)
{
    return fillListing(messageText, lines, &facts);
}

bool isBeaconIdText(const QString &text)
{
    return text.size() == 15 && isHexText(text.toUpper());
}

bool buildBeaconIdListing(const QString &beaconId, QStringList &lines)
{
    lines.clear();
    if (!isBeaconIdText(beaconId))
        return false;
    const QString id = beaconId.toUpper();
    // Preamble and a zero format flag, the ID in bits 26-85, then its BCH-1.
    BeaconMessage message{QByteArray(DistressPreamble)};
    const unsigned long long bits = id.toULongLong(nullptr, 16);
    message.setBits(25, 28, unsigned(bits >> 32));
    message.setBits(53, 32, unsigned(bits));
    message.setBits(85, 21, message.computedBch1());
    QString text;
    for (int position = 0; position < 4 * shortMessageDigits; position += 4)
        text += QLatin1Char("0123456789ABCDEF"[message.bits(position, 4)]);

    QStringList full;
    if (!buildListing(text, full))
        return false;
    lines.append(QLatin1String(BeaconIdLabel) + u' ' + id);
    for (const QString &line : std::as_const(full))
        if (!isOutsideId(splitListingView(line).label))
            lines.append(line);
    return true;
}

ListingRowView splitListingView(QStringView line)
{
    const qsizetype colon = line.indexOf(u':');
    if (colon < 0)
        return {QStringView(), line};
    return {line.left(colon + 1), line.mid(colon + 2)};
}

ListingRow splitListingLine(const QString &line)
{
    const ListingRowView row = splitListingView(line);
    return {row.label.toString(), row.value.toString()};
}

QString listingValue(const QStringList &lines, QLatin1String label)
{
    for (const QString &line : lines) {
        const ListingRowView row = splitListingView(line);
        if (row.label == label)
            return row.value.toString();
    }
    return QString();
}
