#ifndef MESSAGEENCODER_H
#define MESSAGEENCODER_H

#include <QStringList>

#include <initializer_list>
#include <vector>

// Builds beacon messages for the tests without the decoder's help: fields are
// set by message bit number (1-based, inclusive) and the two BCH codes come
// from bit-by-bit long division by the generators, given by their exponents.
class MessageEncoder
{
public:
    enum Length { Short = 112, Long = 144 };

    explicit MessageEncoder(Length length) : m_length(length)
    {
        set(1, 15, 0x7FFF).set(16, 24, 0x2F).set(25, 25, length == Long).set(27, 36, 257);
    }

    // From a description for test tables: "short" or "long", then in order
    // "uN" (user protocol N) or "lN" (location protocol N), "A-B=V" or "A=V"
    // (bits A to B set to V, decimal or 0x hex), and "seal" (the check codes
    // of what is set so far). The country is 257 unless set.
    static MessageEncoder parse(const QString &description)
    {
        const QStringList words = description.split(QLatin1Char(' '));
        MessageEncoder m(words.first() == QLatin1String("long") ? Long : Short);
        for (const QString &word : words.mid(1)) {
            const QStringList range = word.section(QLatin1Char('='), 0, 0).split(QLatin1Char('-'));
            if (word == QLatin1String("seal"))
                m = m.sealed();
            else if (word.startsWith(QLatin1Char('u')))
                m.set(26, 26, 1).set(37, 39, word.mid(1).toUInt());
            else if (word.startsWith(QLatin1Char('l')))
                m.set(26, 26, 0).set(37, 40, word.mid(1).toUInt());
            else
                m.set(range.first().toInt(), range.last().toInt(),
                      word.section(QLatin1Char('='), 1).toULongLong(nullptr, 0));
        }
        return m;
    }

    MessageEncoder &set(int firstBit, int lastBit, unsigned long long value)
    {
        for (int b = lastBit; b >= firstBit; --b, value >>= 1)
            m_bits.at(std::size_t(b)) = value & 1;
        return *this;
    }
    MessageEncoder &flip(int bit) { return set(bit, bit, !m_bits.at(std::size_t(bit))); }

    unsigned long long get(int firstBit, int lastBit) const
    {
        unsigned long long value = 0;
        for (int b = firstBit; b <= lastBit; ++b)
            value = (value << 1) | m_bits.at(std::size_t(b));
        return value;
    }

    // A copy with BCH-1 and, for a long message, BCH-2 filled in.
    MessageEncoder sealed() const
    {
        MessageEncoder m(*this);
        m.set(86, 106, remainder(25, 85, {21, 18, 17, 15, 14, 12, 11, 8, 7, 6, 5, 1, 0}));
        if (m_length == Long)
            m.set(133, 144, remainder(107, 132, {12, 10, 8, 5, 4, 3, 0}));
        return m;
    }

    // Bits firstBit..lastBit as upper-case hex digits, four bits a digit.
    QString digits(int firstBit, int lastBit) const
    {
        QString text;
        for (int b = firstBit; b + 3 <= lastBit; b += 4)
            text += QString::number(get(b, b + 3), 16).toUpper();
        return text;
    }
    QString hex() const { return digits(1, m_length); }

private:
    // The protected bits followed by degree zeros, divided by the generator.
    unsigned long long remainder(int firstBit, int lastBit,
                                 std::initializer_list<int> exponents) const
    {
        const int degree = *exponents.begin();
        unsigned long long generator = 0, r = 0;
        for (const int e : exponents)
            generator |= 1ull << e;
        for (int b = firstBit; b <= lastBit + degree; ++b) {
            r = (r << 1) | (b <= lastBit ? get(b, b) : 0);
            if ((r >> degree) & 1)
                r ^= generator;
        }
        return r;
    }

    std::vector<bool> m_bits = std::vector<bool>(std::size_t(Long) + 1);
    Length m_length;
};

#endif // MESSAGEENCODER_H
