#include "messagelisting.h"

#include "beaconmessage.h"
#include "decoderlogging.h"

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

class ListingWriter
{
public:
    ListingWriter(const BeaconMessage &message, QStringList &lines) : m(message), m_lines(lines) {}

    void add(const char *label, const QByteArray &value)
    {
        const QLatin1String labelText(label);
        QString line;
        line.reserve(labelText.size() + value.size());
        line.append(labelText);
        line.append(QLatin1String(value));
        m_lines.append(line);
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
        addHexId(m.hexId());
        if (!m.isShortFormat())
            add("Position : ", m.positionText());
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
        switch (m.protocolCode()) {
        case 2:
            add("MMSI : ", m.mmsiText());
            add("Buoy No : ", m.mmsiBeaconNumberText());
            addStandardTail();
            break;
        case 3:
            add("24 bit AircraftId : ", m.aircraftAddressText());
            addStandardTail();
            break;
        case 4:
        case 6:
        case 7:
            add("Serial ID : ", m.locationSerialText());
            add("Cospas/Sarsat appr : ", m.typeApprovalText());
            addStandardTail();
            break;
        case 5:
            add("ELT Operator: ", m.operatorDesignatorText());
            add("ELT number: ", m.operatorSerialText());
            addStandardTail();
            break;
        case 14:
            addStandardTail();
            break;
        case 8:
        case 9:
        case 10:
        case 11:
        case 15:
            add("Serial number : ", m.nationalSerialText());
            add("Position : ", m.positionText(Family::National));
            add("Position Data source : ", m.dataSourceText(Family::National));
            add("Aux device : ", m.homerText(Family::National));
            addHexId(m.hexId(Family::National));
            break;
        case 13:
            addRlsLines();
            break;
        default:
            m_lines.append(QStringLiteral("Protocol not Implemented"));
            break;
        }
    }

    void addStandardTail()
    {
        add("Position: ", m.positionText(Family::Standard));
        add("Position Data source: ", m.dataSourceText(Family::Standard));
        add("Aux device: ", m.homerText(Family::Standard));
        addHexId(m.hexId(Family::Standard));
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
        add("Position: ", m.positionText(Family::Rls));
        add("Position Data source: ", m.dataSourceText(Family::Rls));
        add("Aux device: ", m.homerText(Family::Rls));
        add("RLM type 1: ", m.returnLinkType1Text());
        add("RLM type 2: ", m.returnLinkType2Text());
        add("RLS provider: ", m.rlsProviderText());
        addHexId(m.hexId(Family::Rls));
    }

private:
    const BeaconMessage &m;
    QStringList &m_lines;
};

} // namespace

QString normaliseMessageText(const QString &text)
{
    QString normalised = text.toUpper();
    if (!normalised.startsWith(QLatin1Char('F')))
        normalised.prepend(QLatin1String("FFFE2F"));
    return normalised;
}

bool isValidMessageText(const QString &messageText)
{
    BeaconMessage message;
    return readMessage(normaliseMessageText(messageText), message);
}

bool buildListing(const QString &messageText, QStringList &lines)
{
    lines.clear();
    const QString text = normaliseMessageText(messageText);
    BeaconMessage message;
    if (!readMessage(text, message)) {
        qCDebug(lcDecoder).noquote() << "MOLM: Validity fail";
        return false;
    }
    qCDebug(lcDecoder).noquote() << "MOLM: Validity ok";

    ListingWriter writer(message, lines);
    lines.append(QLatin1String(HexMessageLabel) + u' ' +
                 (message.isTruncatedTest() ? text.left(shortMessageDigits) : text));
    writer.add("Message format: ", message.formatText());
    writer.add("Protocol: ", message.protocolText());
    lines.append(QStringLiteral("Country code: ") + QString::number(message.countryCode()));
    if (message.isUserProtocol())
        writer.addUserLines();
    else
        writer.addLocationLines();
    return true;
}

ListingRow splitListingLine(const QString &line)
{
    const qsizetype colon = line.indexOf(u':');
    if (colon < 0)
        return {QString(), line};
    return {line.left(colon + 1), line.mid(colon + 2)};
}

QString listingValue(const QStringList &lines, QLatin1String label)
{
    for (const QString &line : lines) {
        const ListingRow row = splitListingLine(line);
        if (row.label == label)
            return row.value;
    }
    return QString();
}
