#ifndef BEACONMESSAGE_H
#define BEACONMESSAGE_H

#include <QByteArray>

#include <array>
#include <optional>

// One 406 MHz beacon message as a bit buffer. Bits are addressed by 0-based
// position (position p is message bit p + 1, bit 1 being the first bit of the
// bit synchronisation); every field reads most significant bit first. Field
// texts come back as Latin-1 bytes.
class BeaconMessage
{
public:
    enum class LocationFamily { Standard, National, Rls };
    enum class SerialLayout { Manufacturer, ApprovalSequence, Plain };

    // A position as its text prints it, in decimal degrees with north and east
    // positive; a part that holds its default pattern is empty.
    struct Position
    {
        std::optional<double> latitude;
        std::optional<double> longitude;
    };

    BeaconMessage() = default;
    // Two hex digits per byte, first digit in the high nibble; at most 200
    // digits are kept. Characters are not checked.
    explicit BeaconMessage(const QByteArray &hexDigits);

    unsigned int bits(int start, int count) const;
    void setBits(int start, int count, unsigned int value);

    bool isValid() const;
    // The check codes as received and as computed from the bits they protect.
    unsigned int receivedBch1() const;
    unsigned int computedBch1() const;
    unsigned int receivedBch2() const;
    unsigned int computedBch2() const;
    bool isShortFormat() const;
    bool isTruncatedTest() const;
    // Bits 133-144 all zeros or all ones: the self-test filler that isValid
    // accepts without checking the second protected field.
    bool hasTestBch2() const;

    QByteArray formatText() const;
    QByteArray protocolText() const;
    QByteArray protocolTypeText() const;
    int countryCode() const;
    bool isUserProtocol() const;
    int protocolCode() const;
    bool isApprovalFlagSet() const;
    bool isRlsMmsi() const;

    // User protocols
    QByteArray userDataText() const;
    QByteArray aircraftRegistrationText() const;
    QByteArray maritimeMmsiText() const;
    QByteArray radioCallSignText() const;
    char specificBeaconNumber() const;
    QByteArray auxDeviceText() const;
    QByteArray serialBeaconTypeText() const;
    QByteArray serialNumberText() const;
    SerialLayout serialLayout() const;
    QByteArray manufacturerIdText() const;
    QByteArray modelNumberText() const;
    QByteArray productionRunText() const;
    QByteArray manufacturerSequenceText() const;
    QByteArray genericApprovalText() const;
    QByteArray genericSequenceText() const;
    QByteArray approvalNumberText() const;

    // Location protocols
    QByteArray mmsiText() const;
    QByteArray mmsiBeaconNumberText() const;
    QByteArray aircraftAddressText() const;
    QByteArray locationSerialText() const;
    QByteArray typeApprovalText() const;
    QByteArray operatorDesignatorText() const;
    QByteArray operatorSerialText() const;
    QByteArray nationalSerialText() const;
    QByteArray rlsMmsiText() const;
    QByteArray rlsBeaconText() const;
    QByteArray rlsSerialText() const;
    QByteArray rlsTypeApprovalText() const;
    QByteArray returnLinkType1Text() const;
    QByteArray returnLinkType2Text() const;
    QByteArray rlsProviderText() const;

    // The family of a location protocol's position fields, the one owner of
    // that mapping: national 8-11 and 15, RLS 13, standard for the others and
    // for ship security (12). None for user protocols and for orbitography
    // (0, 1), which carry no position to default.
    std::optional<LocationFamily> locationFamily() const;

    // Bits 26-85 as 15 hex digits; the location forms first put the family's
    // default position into the bits (on a copy, the message stays as it is).
    QByteArray hexId() const;
    QByteArray hexId(LocationFamily family) const;
    // The identifier for every protocol code: bits 26-85 with the position of
    // the message's own family defaulted.
    QByteArray beaconId() const;

    // The user-location form (second protected field, always coarse).
    QByteArray positionText() const;
    // Fine offsets are added only for a long message whose second protected
    // field was really checked by BCH-2 (not the self-test filler).
    QByteArray positionText(LocationFamily family) const;
    // The numbers of the texts above, from the same bits.
    Position position() const;
    Position position(LocationFamily family) const;
    QByteArray dataSourceText(LocationFamily family) const;
    QByteArray homerText(LocationFamily family) const;

private:
    // Message bits firstBit..lastBit, 1-based and inclusive.
    unsigned int field(int firstBit, int lastBit) const
    {
        return bits(firstBit - 1, lastBit - firstBit + 1);
    }
    bool bit(int messageBit) const { return bits(messageBit - 1, 1) != 0; }
    bool usesFineOffsets() const { return !isShortFormat() && !hasTestBch2(); }
    unsigned long long wideField(int firstBit, int lastBit) const;

    std::array<unsigned char, 100> m_bytes{};
};

#endif // BEACONMESSAGE_H
