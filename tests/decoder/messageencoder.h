#pragma once

#include <QString>

#include <initializer_list>
#include <vector>

// Builds beacon messages for the tests without the decoder's help: fields are
// set by message bit number (1-based, inclusive) and the two BCH codes come
// from long division by the generator polynomials, given by their exponents.
class MessageEncoder
{
public:
    enum Length { Short = 112, Long = 144 };

    // Bits up to 144 can be set either way; a short message just leaves out
    // the ones past 112 when written.
    explicit MessageEncoder(Length length) : m_bits(std::size_t(Long) + 1, 0), m_length(length)
    {
        set(1, 15, 0x7FFF);
        set(16, 24, 0x2F);
        set(25, 25, length == Long ? 1 : 0);
    }

    MessageEncoder &set(int firstBit, int lastBit, unsigned long long value)
    {
        for (int b = lastBit; b >= firstBit; --b, value >>= 1)
            m_bits.at(std::size_t(b)) = int(value & 1);
        return *this;
    }

    unsigned long long get(int firstBit, int lastBit) const
    {
        unsigned long long value = 0;
        for (int b = firstBit; b <= lastBit; ++b)
            value = (value << 1) | unsigned(m_bits.at(std::size_t(b)));
        return value;
    }

    // A copy with BCH-1 and, for a long message, BCH-2 filled in.
    MessageEncoder sealed() const
    {
        MessageEncoder m(*this);
        m.set(86, 106, m.remainder(25, 85, {21, 18, 17, 15, 14, 12, 11, 8, 7, 6, 5, 1, 0}));
        if (m_length == Long)
            m.set(133, 144, m.remainder(107, 132, {12, 10, 8, 5, 4, 3, 0}));
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
    unsigned long long remainder(int firstBit, int lastBit,
                                 std::initializer_list<int> exponents) const
    {
        const int degree = *exponents.begin();
        std::vector<int> work(m_bits.begin() + firstBit, m_bits.begin() + lastBit + 1);
        work.resize(work.size() + std::size_t(degree), 0);
        for (std::size_t i = 0; i + std::size_t(degree) < work.size(); ++i) {
            if (work[i]) {
                for (const int e : exponents)
                    work[i + std::size_t(degree - e)] ^= 1;
            }
        }
        return MessageEncoder::fromBits(work.end() - degree, work.end());
    }

    static unsigned long long fromBits(std::vector<int>::const_iterator from,
                                       std::vector<int>::const_iterator to)
    {
        unsigned long long value = 0;
        for (; from != to; ++from)
            value = (value << 1) | unsigned(*from);
        return value;
    }

    std::vector<int> m_bits;
    Length m_length;
};
