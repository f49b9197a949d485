#ifndef MESSAGEENCODER_H
#define MESSAGEENCODER_H

#include <QStringList>

#include <bitset>
#include <initializer_list>

// Beacon messages built without the decoder's help: fields set by message bit
// number (1-based, inclusive), the BCH codes by bit-by-bit long division by
// the generators, given by their exponents.
class MessageEncoder
{
public:
    enum Length { Short = 112, Long = 144 };

    explicit MessageEncoder(Length length) : m_length(length)
    {
        set(1, 15, 0x7FFF).set(16, 24, 0x2F).set(25, 25, length == Long).set(27, 36, 257);
    }

    // From a description: "short" or "long", then "uN" or "lN" (user or location protocol N),
    // "A-B=V" or "A=V" (bits A to B set to V, decimal or 0x hex) and "seal" (the check codes
    // of what is set so far), in order. The country is 257 unless set.
    static MessageEncoder parse(const QString &description)
    {
        const QStringList words = description.split(' ');
        MessageEncoder m(words.first() == "long" ? Long : Short);
        for (const QString &word : words.mid(1)) {
            const QStringList bits = word.section('=', 0, 0).split('-');
            if (word == "seal")
                m = m.sealed();
            else if (word[0] == 'u' || word[0] == 'l')
                m.set(26, 26, word[0] == 'u').set(37, 40 - (word[0] == 'u'), word.mid(1).toUInt());
            else
                m.set(bits[0].toInt(), bits.last().toInt(), word.section('=', 1).toULongLong(0, 0));
        }
        return m;
    }

    MessageEncoder &set(int firstBit, int lastBit, unsigned long long value)
    {
        for (int b = lastBit; b >= firstBit; --b, value >>= 1)
            m_bits[std::size_t(b)] = value & 1;
        return *this;
    }
    MessageEncoder &flip(int bit) { return set(bit, bit, !get(bit, bit)); }
    unsigned long long get(int firstBit, int lastBit) const
    {
        unsigned long long value = 0;
        for (int b = firstBit; b <= lastBit; ++b)
            value = value << 1 | m_bits[std::size_t(b)];
        return value;
    }

    MessageEncoder sealed() const
    {
        MessageEncoder m(*this);
        m.set(86, 106, remainder(25, 85, {21, 18, 17, 15, 14, 12, 11, 8, 7, 6, 5, 1, 0}));
        return m_length == Short ? m
                                 : m.set(133, 144, remainder(107, 132, {12, 10, 8, 5, 4, 3, 0}));
    }

    QString hex() const
    {
        QString text;
        for (int b = 1; b < m_length; b += 4)
            text += QString::number(get(b, b + 3), 16).toUpper();
        return text;
    }

private:
    // The protected bits followed by degree zeros, divided by the generator.
    unsigned long long remainder(int firstBit, int lastBit,
                                 std::initializer_list<int> exponents) const
    {
        unsigned long long generator = 0, r = 0;
        for (const int e : exponents)
            generator |= 1ull << e;
        for (int b = firstBit; b <= lastBit + *exponents.begin(); ++b)
            if ((r = r << 1 | (b <= lastBit && m_bits[std::size_t(b)])) >> *exponents.begin() & 1)
                r ^= generator;
        return r;
    }

    std::bitset<Long + 1> m_bits;
    Length m_length;
};

#endif // MESSAGEENCODER_H
