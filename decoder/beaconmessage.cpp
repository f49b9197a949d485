#include "beaconmessage.h"

#include "decoderlogging.h"

#include <QString>

#include <cstdarg>
#include <cstdio>

namespace {

constexpr int byteCount = 100;
constexpr int bitCount = byteCount * 8;
constexpr char degreeMark = char(0xBA);

constexpr unsigned int bch1Generator = 0x26D9E3;
constexpr unsigned int bch2Generator = 0x1539;

constexpr char baudot[] = " 5 9      4 80  3    6 /-2  71   T O HNM LRGIPCVEZDBSYFXAWJ UQK ";
static_assert(sizeof(baudot) == 65, "one character per 6-bit code");

const char *const userProtocolNames[8] = {
    "Orbitography",  "Aviation user", "Maritim user",         "Serial user",
    "National user", "Not defined",   "Radio call sign user", "Test user",
};

const char *const locationProtocolNames[16] = {
    "Reserved (orbitography)",
    "Reserved (orbitography",
    "Standard Location - EPIRB-MMSI",
    "Standard Location ELT-24bit Address",
    "Standard Location ELT-Serial",
    "Standard Location ELT-Aircraft",
    "Standard Location EPIRB-serial",
    "Standard Location PLB-serial",
    "National Location ELT",
    "National Location Spare",
    "National Location EPIRB",
    "National Location PLB",
    "Ship Security",
    "RLS location",
    "Standard test Location",
    "National test Location",
};

const char *const rlsSuffixes[4] = {" (ELT)", " (EPIRB)", " (PLB)", " (Test)"};

const char *const serialBeaconTypes[8] = {
    "Aviation",         "Aircraft Operator",         "Maritime (float free)",
    "Aircraft Address", "Maritime (non float free)", "Not Defined(101)",
    "Personal",         "Not Defined(111)",
};

const char *const auxDevices[4] = {"No Device", "121.5 MHz", "9 GHz Sart", "Other Dev."};
const char *const rlsProviders[4] = {"Unknown (0)", "Galileo", "Unknown (2)", "Unknown (3)"};

QByteArray format(const char *pattern, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);

QByteArray format(const char *pattern, ...)
{
    char buffer[128];
    va_list args;
    va_start(args, pattern);
    const int length = std::vsnprintf(buffer, sizeof buffer, pattern, args);
    va_end(args);
    if (length < 0)
        return QByteArray();
    return QByteArray(buffer, qMin(length, int(sizeof buffer) - 1));
}

// Remainder of data * x^degree modulo the generator (degree + 1 bits wide),
// a byte at a time; data holds dataBits bits, right-aligned, and the zero bits
// that pad it to whole bytes at the top do not change the remainder.
template <unsigned int Generator, int Degree> class BchDivider
{
public:
    constexpr BchDivider()
    {
        for (unsigned int byte = 0; byte < 256; ++byte) {
            unsigned int r = byte << (Degree - 8);
            for (int i = 0; i < 8; ++i)
                r = ((r << 1) & mask) ^ ((r >> (Degree - 1)) & 1u ? Generator & mask : 0u);
            m_table[byte] = r;
        }
    }

    unsigned int remainder(unsigned long long data, int dataBits) const
    {
        unsigned int r = 0;
        for (int shift = (dataBits + 7) / 8 * 8 - 8; shift >= 0; shift -= 8) {
            const unsigned int index = ((r >> (Degree - 8)) ^ unsigned(data >> shift)) & 0xFFu;
            r = ((r << 8) & mask) ^ m_table[index];
        }
        return r;
    }

private:
    static constexpr unsigned int mask = (1u << Degree) - 1;
    unsigned int m_table[256] = {};
};

constexpr BchDivider<bch1Generator, 21> bch1Divider;
constexpr BchDivider<bch2Generator, 12> bch2Divider;

// One coordinate of a position field: the coarse part at flagBit..lastBit
// (flag, degrees, minutes in steps), the fine offset from signBit on (sign,
// minutes, four bits of seconds in 4-second steps).
struct Axis
{
    const char *label;
    const char *debugName;
    char positive;
    char negative;
    int flagBit;
    int lastBit;
    int degreeWidth;
    int minuteStep;
    unsigned int defaultPattern;
    int signBit;
    int offsetMinuteWidth;
};

struct Family
{
    Axis latitude;
    Axis longitude;
    const char *debugPrefix;
};

const Family standardFamily = {
    {"Lat: ", "LAT", 'N', 'S', 65, 74, 7, 15, 511, 113, 5},
    {"Lon: ", "LON", 'E', 'W', 75, 85, 8, 15, 1023, 123, 5},
    "Long Standard location ",
};
const Family nationalFamily = {
    {"Lat: ", "LAT", 'N', 'S', 59, 71, 7, 2, 4064, 113, 2},
    {"Lon: ", "LON", 'E', 'W', 72, 85, 8, 2, 8160, 120, 2},
    "Long National location ",
};
const Family rlsFamily = {
    {"Lat: ", "LAT", 'N', 'S', 67, 75, 7, 30, 255, 115, 4},
    {"Lon: ", "LON", 'E', 'W', 76, 85, 8, 30, 511, 124, 4},
    "Long Standard location ",
};
const Family userFamily = {
    {"Lat: ", "LAT", 'N', 'S', 108, 119, 7, 4, 2032, 0, 0},
    {"Lon: ", "LON", 'E', 'W', 120, 132, 8, 4, 4080, 0, 0},
    "",
};

const Family &familyLayout(BeaconMessage::LocationFamily family)
{
    switch (family) {
    case BeaconMessage::LocationFamily::National:
        return nationalFamily;
    case BeaconMessage::LocationFamily::Rls:
        return rlsFamily;
    case BeaconMessage::LocationFamily::Standard:
        break;
    }
    return standardFamily;
}

} // namespace

BeaconMessage::BeaconMessage(const QByteArray &hexDigits)
{
    const int digits = qMin(int(hexDigits.size()), byteCount * 2);
    for (int i = 0; i < digits; ++i) {
        const unsigned int code = static_cast<unsigned char>(hexDigits.at(i));
        const unsigned int value = code <= '9' ? code - 48u : code - 55u;
        unsigned char &byte = m_bytes[std::size_t(i / 2)];
        if (i % 2 == 0)
            byte = static_cast<unsigned char>(value << 4);
        else
            byte |= static_cast<unsigned char>(value);
    }
}

unsigned int BeaconMessage::bits(int start, int count) const
{
    if (count <= 0)
        return 0;
    // Wider requests keep their last 32 bits.
    long long from = start;
    if (count > 32) {
        from += count - 32;
        count = 32;
    }
    if (from < 0 || from > bitCount) {
        unsigned int value = 0;
        for (int i = 0; i < count; ++i) {
            const long long position = from + i;
            const bool set = position >= 0 && position < bitCount &&
                             ((m_bytes[std::size_t(position / 8)] << (position % 8)) & 0x80);
            value = (value << 1) | unsigned(set);
        }
        return value;
    }
    // Up to 32 bits at any bit offset fit into five consecutive bytes.
    const int first = int(from / 8);
    unsigned long long window = 0;
    for (int i = 0; i < 5; ++i) {
        const int index = first + i;
        window = (window << 8) | (index < byteCount ? m_bytes[std::size_t(index)] : 0u);
    }
    const int shift = 40 - int(from % 8) - count;
    return unsigned((window >> shift) & ((1ull << count) - 1));
}

void BeaconMessage::setBits(int start, int count, unsigned int value)
{
    const long long end = qMin<long long>((long long)start + count, bitCount);
    for (long long position = qMax(start, 0); position < end; ++position) {
        const long long shift = (long long)start + count - 1 - position;
        const bool set = shift < 32 && ((value >> shift) & 1u);
        const unsigned char mask = static_cast<unsigned char>(0x80u >> (position % 8));
        unsigned char &byte = m_bytes[std::size_t(position / 8)];
        byte = set ? (byte | mask) : (byte & ~mask);
    }
}

unsigned long long BeaconMessage::wideField(int firstBit, int lastBit) const
{
    unsigned long long value = 0;
    for (int from = firstBit; from <= lastBit; from += 32) {
        const int to = qMin(from + 31, lastBit);
        value = (value << (to - from + 1)) | field(from, to);
    }
    return value;
}

// The check codes are left out of the division instead of being zeroed in the
// buffer, so the message is never touched.
unsigned int BeaconMessage::receivedBch1() const
{
    return field(86, 106);
}

unsigned int BeaconMessage::computedBch1() const
{
    return bch1Divider.remainder(wideField(25, 85), 61);
}

unsigned int BeaconMessage::receivedBch2() const
{
    return field(133, 144);
}

unsigned int BeaconMessage::computedBch2() const
{
    return bch2Divider.remainder(field(107, 132), 26);
}

bool BeaconMessage::isValid() const
{
    if (computedBch1() != receivedBch1())
        return false;
    if (isShortFormat())
        return true;
    if (hasTestBch2()) {
        qCDebug(lcDecoder).noquote() << "MOLM2: Testmessage detected";
        return true;
    }
    const unsigned int received2 = receivedBch2();
    const unsigned int remainder2 = computedBch2();
    qCDebug(lcDecoder).noquote() << QString::asprintf("Value: %x akkum: %x", received2, remainder2);
    return remainder2 == received2;
}

bool BeaconMessage::isShortFormat() const
{
    return !bit(25);
}

bool BeaconMessage::hasTestBch2() const
{
    const unsigned int bch2 = field(133, 144);
    return bch2 == 0 || bch2 == 4095;
}

bool BeaconMessage::isTruncatedTest() const
{
    return bit(25) && field(16, 24) != 47 && hasTestBch2();
}

QByteArray BeaconMessage::formatText() const
{
    if (isShortFormat())
        return "short format";
    return isTruncatedTest() ? "long format (truncated)" : "long format";
}

QByteArray BeaconMessage::protocolText() const
{
    return isUserProtocol() ? "User" : "Location";
}

QByteArray BeaconMessage::protocolTypeText() const
{
    if (isUserProtocol())
        return userProtocolNames[protocolCode()];
    const int code = protocolCode();
    if (code != 13)
        return locationProtocolNames[code];
    QByteArray text = locationProtocolNames[13];
    text += isRlsMmsi() ? rlsSuffixes[1] : rlsSuffixes[field(41, 42)];
    return text;
}

int BeaconMessage::countryCode() const
{
    return int(field(27, 36));
}

bool BeaconMessage::isUserProtocol() const
{
    return bit(26);
}

int BeaconMessage::protocolCode() const
{
    return int(isUserProtocol() ? field(37, 39) : field(37, 40));
}

bool BeaconMessage::isApprovalFlagSet() const
{
    return bit(43);
}

bool BeaconMessage::isRlsMmsi() const
{
    return field(43, 46) == 15;
}

QByteArray BeaconMessage::userDataText() const
{
    return format("%04x%04x%04x", field(40, 53), field(54, 69), field(70, 85));
}

namespace {

QByteArray baudotText(const BeaconMessage &message, int firstBit, int characters)
{
    QByteArray text(characters, ' ');
    for (int i = 0; i < characters; ++i)
        text[i] = baudot[message.bits(firstBit - 1 + 6 * i, 6)];
    return text;
}

} // namespace

QByteArray BeaconMessage::aircraftRegistrationText() const
{
    return baudotText(*this, 40, 7);
}

QByteArray BeaconMessage::maritimeMmsiText() const
{
    return baudotText(*this, 40, 6);
}

QByteArray BeaconMessage::radioCallSignText() const
{
    QByteArray text = baudotText(*this, 40, 4);
    for (int firstBit = 64; firstBit <= 72; firstBit += 4)
        text += char('0' + field(firstBit, firstBit + 3));
    return text;
}

char BeaconMessage::specificBeaconNumber() const
{
    return baudot[field(76, 81)];
}

QByteArray BeaconMessage::auxDeviceText() const
{
    return auxDevices[field(84, 85)];
}

QByteArray BeaconMessage::serialBeaconTypeText() const
{
    return serialBeaconTypes[field(40, 42)];
}

QByteArray BeaconMessage::serialNumberText() const
{
    switch (field(40, 42)) {
    case 1:
        return format("%u/%u", field(44, 61), field(62, 73));
    case 3:
        return format("%u/%u", field(44, 67), field(68, 73));
    case 5:
    case 7:
        return QByteArray();
    default:
        return format("%u", field(44, 63));
    }
}

BeaconMessage::SerialLayout BeaconMessage::serialLayout() const
{
    const int country = countryCode();
    if (country >= 366 && country <= 368)
        return SerialLayout::Manufacturer;
    if ((country >= 232 && country <= 235 && !isApprovalFlagSet()) || country == 265)
        return SerialLayout::ApprovalSequence;
    return SerialLayout::Plain;
}

QByteArray BeaconMessage::manufacturerIdText() const
{
    return format("%02u", field(44, 51));
}

QByteArray BeaconMessage::modelNumberText() const
{
    return format("%02u", field(64, 67));
}

QByteArray BeaconMessage::productionRunText() const
{
    return format("%02u", field(68, 75));
}

QByteArray BeaconMessage::manufacturerSequenceText() const
{
    return format("%02u", field(52, 63));
}

QByteArray BeaconMessage::genericApprovalText() const
{
    return format("%02u", field(44, 50));
}

QByteArray BeaconMessage::genericSequenceText() const
{
    return format("%02u", field(51, 63));
}

QByteArray BeaconMessage::approvalNumberText() const
{
    if (!isApprovalFlagSet())
        return "No approval no present";
    return format("%u", field(74, 83));
}

QByteArray BeaconMessage::mmsiText() const
{
    return format("%06u", field(41, 60));
}

QByteArray BeaconMessage::mmsiBeaconNumberText() const
{
    return format("%u", field(61, 64));
}

QByteArray BeaconMessage::aircraftAddressText() const
{
    return format("%u", field(41, 64));
}

QByteArray BeaconMessage::locationSerialText() const
{
    return format("%05u", field(51, 64));
}

QByteArray BeaconMessage::typeApprovalText() const
{
    return format("%04u", field(41, 50));
}

QByteArray BeaconMessage::operatorDesignatorText() const
{
    return format("%u", field(41, 55));
}

QByteArray BeaconMessage::operatorSerialText() const
{
    return format("%u", field(56, 64));
}

QByteArray BeaconMessage::nationalSerialText() const
{
    return format("%u", field(41, 58));
}

QByteArray BeaconMessage::rlsMmsiText() const
{
    return format("%06u", field(47, 66));
}

QByteArray BeaconMessage::rlsBeaconText() const
{
    return bit(42) ? "Second EPIRB" : "First EPIRB";
}

QByteArray BeaconMessage::rlsSerialText() const
{
    return format("%u", field(53, 66));
}

QByteArray BeaconMessage::rlsTypeApprovalText() const
{
    static const char prefixes[4] = {'T', '1', '3', 'T'};
    return format("%c%u", prefixes[field(41, 42)], field(43, 52));
}

QByteArray BeaconMessage::returnLinkType1Text() const
{
    return bit(109) ? "Available" : "Not available";
}

QByteArray BeaconMessage::returnLinkType2Text() const
{
    return bit(110) ? "Available" : "Not available";
}

QByteArray BeaconMessage::rlsProviderText() const
{
    return rlsProviders[field(113, 114)];
}

QByteArray BeaconMessage::hexId() const
{
    static const char digits[] = "0123456789ABCDEF";
    const unsigned long long identity = wideField(26, 85);
    QByteArray text(15, '0');
    for (int i = 0; i < 15; ++i)
        text[i] = digits[(identity >> (4 * (14 - i))) & 0xF];
    return text;
}

std::optional<BeaconMessage::LocationFamily> BeaconMessage::locationFamily() const
{
    if (isUserProtocol())
        return std::nullopt;
    switch (protocolCode()) {
    case 0:
    case 1:
        return std::nullopt;
    case 8:
    case 9:
    case 10:
    case 11:
    case 15:
        return LocationFamily::National;
    case 13:
        return LocationFamily::Rls;
    default:
        return LocationFamily::Standard;
    }
}

QByteArray BeaconMessage::beaconId() const
{
    const std::optional<LocationFamily> family = locationFamily();
    return family ? hexId(*family) : hexId();
}

QByteArray BeaconMessage::hexId(LocationFamily family) const
{
    BeaconMessage defaults(*this);
    const Family &layout = familyLayout(family);
    for (const Axis *axis : {&layout.latitude, &layout.longitude})
        defaults.setBits(axis->flagBit - 1, axis->lastBit - axis->flagBit + 1,
                         axis->defaultPattern);
    return defaults.hexId();
}

namespace {

// One coordinate as its bits give it; the text and the number are both made
// from this, so they cannot disagree.
struct AxisReading
{
    bool isDefault = false;
    bool fine = false;
    bool negative = false; // south or west
    int degrees = 0;
    int minutes = 0;
    int seconds = 0;
};

AxisReading readAxis(const BeaconMessage &message, const Axis &axis, bool fine)
{
    auto field = [&message](int firstBit, int lastBit) {
        return int(message.bits(firstBit - 1, lastBit - firstBit + 1));
    };
    AxisReading reading;
    if (unsigned(field(axis.flagBit, axis.lastBit)) == axis.defaultPattern) {
        reading.isDefault = true;
        return reading;
    }
    reading.fine = fine;
    reading.negative = field(axis.flagBit, axis.flagBit) != 0;
    const int degreeEnd = axis.flagBit + axis.degreeWidth;
    reading.degrees = field(axis.flagBit + 1, degreeEnd);
    reading.minutes = field(degreeEnd + 1, axis.lastBit) * axis.minuteStep;
    if (!fine)
        return reading;

    const int minuteEnd = axis.signBit + axis.offsetMinuteWidth;
    const bool add = field(axis.signBit, axis.signBit) != 0;
    const int offsetMinutes = field(axis.signBit + 1, minuteEnd);
    const int offsetSeconds = field(minuteEnd + 1, minuteEnd + 4) * 4;
    const int total =
        add ? (reading.degrees * 60 + reading.minutes + offsetMinutes) * 60 + offsetSeconds
            : (reading.degrees * 60 + reading.minutes - offsetMinutes) * 60 - offsetSeconds;
    reading.degrees = total / 3600;
    const int rest = total - reading.degrees * 3600;
    reading.minutes = rest / 60;
    reading.seconds = rest - reading.minutes * 60;
    return reading;
}

QByteArray axisText(const AxisReading &reading, const Axis &axis, const char *debugPrefix)
{
    if (reading.isDefault)
        return QByteArray(axis.label) + "Default ";
    const char letter = reading.negative ? axis.negative : axis.positive;
    if (!reading.fine)
        return format("%s%c %02d%c%02d'", axis.label, letter, reading.degrees, degreeMark,
                      reading.minutes);
    qCDebug(lcDecoder).noquote() << QString::fromLatin1(debugPrefix) +
                                        QLatin1String(axis.debugName);
    return format("%s%c %02d%c%02d'%02d\"", axis.label, letter, reading.degrees, degreeMark,
                  reading.minutes, reading.seconds);
}

// Whole seconds are signed before the division, so south of the equator on
// it gives 0, not -0.
std::optional<double> axisDegrees(const AxisReading &reading)
{
    if (reading.isDefault)
        return std::nullopt;
    const int seconds = (reading.degrees * 60 + reading.minutes) * 60 + reading.seconds;
    return (reading.negative ? -seconds : seconds) / 3600.0;
}

} // namespace

QByteArray BeaconMessage::positionText() const
{
    const QByteArray latitude =
        axisText(readAxis(*this, userFamily.latitude, false), userFamily.latitude, "");
    const QByteArray longitude =
        axisText(readAxis(*this, userFamily.longitude, false), userFamily.longitude, "");
    if (field(120, 132) != userFamily.longitude.defaultPattern)
        qCDebug(lcDecoder).noquote() << QString::fromLatin1(longitude);
    const char *source = bit(107) ? "(Internal source)" : "(external source)";
    return latitude + ' ' + longitude + ' ' + source;
}

QByteArray BeaconMessage::positionText(LocationFamily family) const
{
    const Family &layout = familyLayout(family);
    const bool fine = usesFineOffsets();
    const QByteArray latitude =
        axisText(readAxis(*this, layout.latitude, fine), layout.latitude, layout.debugPrefix);
    const QByteArray text =
        latitude + ' ' +
        axisText(readAxis(*this, layout.longitude, fine), layout.longitude, layout.debugPrefix);
    if (family != LocationFamily::National)
        qCDebug(lcDecoder).noquote() << QString::fromLatin1(text);
    return text;
}

BeaconMessage::Position BeaconMessage::position() const
{
    return {axisDegrees(readAxis(*this, userFamily.latitude, false)),
            axisDegrees(readAxis(*this, userFamily.longitude, false))};
}

BeaconMessage::Position BeaconMessage::position(LocationFamily family) const
{
    const Family &layout = familyLayout(family);
    return {axisDegrees(readAxis(*this, layout.latitude, usesFineOffsets())),
            axisDegrees(readAxis(*this, layout.longitude, usesFineOffsets()))};
}

QByteArray BeaconMessage::dataSourceText(LocationFamily family) const
{
    if (family == LocationFamily::Rls)
        return bit(107) ? "Internal" : "External";
    if (field(107, 110) != 13)
        return "Error in fixed bits 107-110";
    return bit(111) ? "Internal" : "External";
}

QByteArray BeaconMessage::homerText(LocationFamily family) const
{
    if (family == LocationFamily::Rls)
        return bit(108) ? "121.5 MHz homer" : "No 121.5 MHz homer";
    if (field(107, 110) != 13)
        return "Error in fixed bits 107-110";
    return bit(112) ? "121.5 MHz homer" : "No 121.5 MHz homer";
}
