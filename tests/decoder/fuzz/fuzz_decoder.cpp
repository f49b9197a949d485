#include "messagelisting.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

// Checks that hold for any input; a breach aborts so the fuzzer keeps the case.
void decode(const QString &text)
{
    const QString normalised = normaliseMessageText(text);
    if (!normalised.startsWith(QLatin1Char('F')))
        std::abort();

    QStringList lines{QStringLiteral("stale")};
    const bool valid = buildListing(text, lines);
    if (!valid) {
        if (!lines.isEmpty())
            std::abort();
        return;
    }
    if (lines.size() < 6 || lines.size() > 14)
        std::abort();
    for (const QString &line : lines) {
        if (line != QLatin1String("Protocol not Implemented") &&
            !line.contains(QLatin1String(": ")))
            std::abort();
    }
    QStringList again;
    if (!buildListing(text, again) || again != lines)
        std::abort();
}

// Random text almost never passes the BCH check, so the input bytes are also
// taken as the bits from 25 on of a message sealed here, which must decode.
// The remainder is that of the bits times x^degree.
unsigned int remainder(const std::uint8_t *bits, int count, unsigned int generator, int degree)
{
    unsigned int r = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned int top = ((r >> (degree - 1)) ^ bits[i]) & 1u;
        r = (r << 1) & ((1u << degree) - 1);
        if (top)
            r ^= generator & ((1u << degree) - 1);
    }
    return r;
}

void decodeSealed(const std::uint8_t *data, std::size_t size)
{
    std::uint8_t bits[145] = {};
    for (int b = 1; b <= 15; ++b)
        bits[b] = 1;
    for (int b = 16; b <= 24; ++b)
        bits[b] = (0x2F >> (24 - b)) & 1;
    for (int b = 25; b <= 144; ++b) {
        const std::size_t i = std::size_t(b - 25) / 8;
        bits[b] = i < size ? (data[i] >> (7 - (b - 25) % 8)) & 1 : 0;
    }
    if (size > 15 && (data[15] & 1))
        bits[20] ^= 1; // a self-test frame synchronisation
    const unsigned int bch1 = remainder(bits + 25, 61, 0x26D9E3, 21);
    for (int b = 86; b <= 106; ++b)
        bits[b] = (bch1 >> (106 - b)) & 1;
    const bool isLong = bits[25] != 0;
    const bool selfTestFiller = size > 15 && (data[15] & 2);
    const unsigned int bch2 =
        selfTestFiller ? ((data[15] & 4) ? 0xFFFu : 0u) : remainder(bits + 107, 26, 0x1539, 12);
    for (int b = 133; b <= 144; ++b)
        bits[b] = (bch2 >> (144 - b)) & 1;
    QString text;
    const int last = isLong ? 144 : 112;
    for (int b = 1; b <= last; b += 4) {
        const int digit = bits[b] << 3 | bits[b + 1] << 2 | bits[b + 2] << 1 | bits[b + 3];
        text += QLatin1Char("0123456789ABCDEF"[digit]);
    }
    QStringList lines;
    if (!buildListing(text, lines))
        std::abort();
    decode(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool quiet = (qInstallMessageHandler(discardMessages), true);
    (void)quiet;
    const char *bytes = reinterpret_cast<const char *>(data);
    decode(QString::fromUtf8(bytes, qsizetype(size)));
    decode(QString::fromLatin1(bytes, qsizetype(size)));
    decodeSealed(data, size);
    return 0;
}
