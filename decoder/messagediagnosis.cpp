#include "messagediagnosis.h"

#include "beaconmessage.h"
#include "messagelisting.h"

#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace {

constexpr int bch1FirstBit = 25;
constexpr int bch1LastBit = 106;
constexpr int bch1MaxFlips = 3;
constexpr int bch2FirstBit = 107;
constexpr int bch2LastBit = 144;
constexpr int bch2MaxFlips = 2;
constexpr unsigned int bch2AllOnes = 0xFFF;

unsigned int bch1Syndrome(const BeaconMessage &message)
{
    return message.computedBch1() ^ message.receivedBch1();
}

unsigned int bch2Syndrome(const BeaconMessage &message)
{
    return message.computedBch2() ^ message.receivedBch2();
}

// The syndromes of every pattern of up to maxFlips flipped bits in one
// protected field, check bits included, sorted by syndrome: a failed check
// looks its flips up instead of trying ninety thousand combinations. The codes
// are linear, so a pattern's syndrome is the XOR of its single-bit syndromes.
class SyndromeTable
{
public:
    SyndromeTable(int firstBit, int lastBit, int maxFlips,
                  unsigned int (*syndromeOf)(const BeaconMessage &))
        : m_firstBit(firstBit)
    {
        std::vector<unsigned int> single;
        for (int bit = firstBit; bit <= lastBit; ++bit) {
            BeaconMessage alone;
            alone.setBits(bit - 1, 1, 1);
            single.push_back(syndromeOf(alone));
        }
        const int n = int(single.size());
        for (int a = 0; a < n; ++a) {
            add(single[a], {a});
            for (int b = a + 1; maxFlips >= 2 && b < n; ++b) {
                add(single[a] ^ single[b], {a, b});
                for (int c = b + 1; maxFlips >= 3 && c < n; ++c)
                    add(single[a] ^ single[b] ^ single[c], {a, b, c});
            }
        }
        std::sort(m_entries.begin(), m_entries.end());
    }

    // Message bit numbers, ascending; empty when no pattern within reach has
    // this syndrome. The codes' distances make a pattern within reach unique.
    QList<int> locate(unsigned int syndrome) const
    {
        const std::uint64_t key = std::uint64_t(syndrome) << 32;
        const auto found = std::lower_bound(m_entries.begin(), m_entries.end(), key);
        QList<int> bits;
        if (found == m_entries.end() || (*found >> 32) != syndrome)
            return bits;
        for (auto offsets = std::uint32_t(*found); offsets != 0; offsets >>= 8)
            bits.append(m_firstBit + int(offsets & 0xFF) - 1);
        return bits;
    }

private:
    // Offsets are stored plus one, a byte each, lowest first: 0 ends the list.
    void add(unsigned int syndrome, std::initializer_list<int> offsets)
    {
        std::uint32_t packed = 0;
        int shift = 0;
        for (const int offset : offsets) {
            packed |= std::uint32_t(offset + 1) << shift;
            shift += 8;
        }
        m_entries.push_back((std::uint64_t(syndrome) << 32) | packed);
    }

    int m_firstBit;
    std::vector<std::uint64_t> m_entries;
};

const SyndromeTable &bch1Table()
{
    static const SyndromeTable table(bch1FirstBit, bch1LastBit, bch1MaxFlips, bch1Syndrome);
    return table;
}

const SyndromeTable &bch2Table()
{
    static const SyndromeTable table(bch2FirstBit, bch2LastBit, bch2MaxFlips, bch2Syndrome);
    return table;
}

// The received BCH-2 bits that differ from a self-test filler: flipping them
// also makes the message pass.
QList<int> fillerFlips(unsigned int received, unsigned int filler)
{
    QList<int> bits;
    for (int bit = bch2LastBit - 11; bit <= bch2LastBit; ++bit) {
        const unsigned int mask = 1u << (bch2LastBit - bit);
        if ((received & mask) != (filler & mask))
            bits.append(bit);
    }
    return bits;
}

// The fewest BCH-2 flips; self-test fillers win only with fewer flips than
// the code's own solution.
QList<int> locateBch2(const BeaconMessage &message)
{
    QList<int> best = bch2Table().locate(bch2Syndrome(message));
    for (const unsigned int filler : {0u, bch2AllOnes}) {
        const QList<int> flips = fillerFlips(message.receivedBch2(), filler);
        if (flips.size() <= bch2MaxFlips && (best.isEmpty() || flips.size() < best.size()))
            best = flips;
    }
    return best;
}

bool isHexDigit(char32_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The text is normalised hex; a flip past its end first pads it with zeros,
// which is what the bits there read as.
QString flipped(QString text, const QList<int> &bits)
{
    static const char digits[] = "0123456789ABCDEF";
    for (const int bit : bits) {
        const int index = (bit - 1) / 4;
        if (text.size() <= index)
            text.append(QString(index + 1 - text.size(), QLatin1Char('0')));
        const char16_t digit = text.at(index).unicode();
        const int value = digit <= '9' ? digit - '0' : digit - 'A' + 10;
        text[index] = QLatin1Char(digits[value ^ (8 >> ((bit - 1) % 4))]);
    }
    return text;
}

} // namespace

MessageDiagnosis diagnoseMessage(const QString &messageText)
{
    MessageDiagnosis diagnosis;
    // Positions count characters as a person does, not UTF-16 units.
    const QList<uint> characters = messageText.toUcs4();
    for (int i = 0; i < characters.size(); ++i) {
        const char32_t c = characters.at(i);
        if (!isHexDigit(c)) {
            diagnosis.reason = QStringLiteral("not hexadecimal: \"%1\" at position %2")
                                   .arg(QString::fromUcs4(&c, 1))
                                   .arg(i + 1);
            return diagnosis;
        }
    }

    switch (secondGeneration(messageText)) {
    case SecondGeneration::Message:
        diagnosis.reason =
            QStringLiteral("second-generation beacon message: not decoded by this program");
        return diagnosis;
    case SecondGeneration::BeaconId:
        diagnosis.reason =
            QStringLiteral("second-generation beacon ID: not decoded by this program");
        return diagnosis;
    case SecondGeneration::No:
        break;
    }

    const QString text = normaliseMessageText(messageText);
    const BeaconMessage message(text.toLatin1());
    QStringList failures;
    bool located = true;
    BeaconMessage corrected = message;
    if (bch1Syndrome(message) != 0) {
        failures.append(QString::asprintf("BCH-1 fails: received %06X, computed %06X",
                                          message.receivedBch1(), message.computedBch1()));
        const QList<int> bits = bch1Table().locate(bch1Syndrome(message));
        located = !bits.isEmpty();
        diagnosis.errorBits += bits;
        for (const int bit : bits)
            corrected.setBits(bit - 1, 1, corrected.bits(bit - 1, 1) ^ 1u);
    }
    // A short message has no BCH-2, a self-test filler is not checked; a
    // located error in bit 25 may change the length.
    const BeaconMessage &checked = located ? corrected : message;
    if (!checked.isShortFormat() && !checked.hasTestBch2() && bch2Syndrome(checked) != 0) {
        failures.append(QString::asprintf("BCH-2 fails: received %03X, computed %03X",
                                          checked.receivedBch2(), checked.computedBch2()));
        const QList<int> bits = locateBch2(checked);
        located = located && !bits.isEmpty();
        diagnosis.errorBits += bits;
    }
    if (failures.isEmpty()) {
        diagnosis.valid = true;
        return diagnosis;
    }
    diagnosis.reason = failures.join(QLatin1String("; "));
    if (!located) {
        diagnosis.errors = MessageDiagnosis::Errors::TooMany;
        diagnosis.errorBits.clear();
        return diagnosis;
    }
    diagnosis.errors = MessageDiagnosis::Errors::Located;
    diagnosis.corrected = flipped(text, diagnosis.errorBits);
    return diagnosis;
}

SecondGeneration secondGeneration(const QString &text)
{
    const qsizetype length = text.size();
    const SecondGeneration kind = length == 51 || length == 63 ? SecondGeneration::Message
                                  : length == 23               ? SecondGeneration::BeaconId
                                                               : SecondGeneration::No;
    if (kind == SecondGeneration::No)
        return kind;
    for (const QChar c : text)
        if (!isHexDigit(c.unicode()))
            return SecondGeneration::No;
    return kind;
}
