#include "messagediagnosis.h"
#include "messageencoder.h"
#include "messagelisting.h"

#include <cstdint>
#include <cstdlib>
#include <set>

namespace {

void discard(QtMsgType, const QMessageLogContext &, const QString &) {}

void require(bool holds)
{
    if (!holds)
        std::abort(); // the fuzzer keeps the input
}

// What holds for any text: a listing of 6 to 14 label lines exactly when the
// diagnosis finds nothing wrong, the same listing twice, a corrected text
// that passes.
void decode(const QString &text)
{
    QStringList lines{QStringLiteral("stale")}, again;
    const bool valid = buildListing(text, lines);
    const MessageDiagnosis diagnosis = diagnoseMessage(text);
    require(diagnosis.valid == valid && diagnosis.reason.isEmpty() == valid);
    require(valid ? lines.size() >= 6 && lines.size() <= 14 : lines.isEmpty());
    for (const QString &line : std::as_const(lines))
        require(line == QLatin1String("Protocol not Implemented") || line.contains(": "));
    require(buildListing(text, again) == valid && again == lines);
    if (diagnosis.errors == MessageDiagnosis::Errors::Located)
        require(diagnosis.errorBits.size() <= 5 && buildListing(diagnosis.corrected, again));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool quiet = (qInstallMessageHandler(discard), true);
    (void)quiet;
    const char *bytes = reinterpret_cast<const char *>(data);
    decode(QString::fromUtf8(bytes, qsizetype(size)));
    decode(QString::fromLatin1(bytes, qsizetype(size)));

    // Random text hardly ever passes the check, so bytes 0-14 also fill bits
    // 25-144 of a message sealed here, byte 15 picks a self-test frame
    // synchronisation and filler, and up to four more bytes name bits to flip.
    MessageEncoder m(MessageEncoder::Long);
    for (int b = 25; b <= 144; ++b) {
        const std::size_t i = std::size_t(b - 25) / 8;
        m.set(b, b, i < size ? (data[i] >> (7 - (b - 25) % 8)) & 1 : 0);
    }
    const unsigned options = size > 15 ? data[15] : 0;
    m = m.set(16, 24, options & 1 ? 0xD0 : 0x2F).sealed();
    if (options & 2)
        m.set(133, 144, options & 4 ? 0xFFF : 0);
    QStringList lines;
    require(buildListing(m.hex(), lines));
    std::set<int> flips;
    for (std::size_t i = 16; i < size && i < 20; ++i)
        flips.insert(25 + data[i] % 120);
    for (const int bit : flips)
        m.flip(bit);
    decode(m.hex());
    // Within reach, the fewest flips are never more than were made.
    const auto inBch1 = std::count_if(flips.begin(), flips.end(), [](int b) { return b <= 106; });
    const MessageDiagnosis diagnosis = diagnoseMessage(m.hex());
    if (!diagnosis.valid && inBch1 <= 3 && qsizetype(flips.size()) - inBch1 <= 2)
        require(diagnosis.errorBits.size() > 0 &&
                diagnosis.errorBits.size() <= qsizetype(flips.size()));
    return 0;
}
