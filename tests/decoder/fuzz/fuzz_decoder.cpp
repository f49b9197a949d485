#include "inputdecoding.h"
#include "messagediagnosis.h"
#include "messageencoder.h"
#include "messagelisting.h"

#include <cstdlib>

namespace {

void require(bool holds)
{
    if (!holds)
        std::abort(); // the fuzzer keeps the input
}

// For any text: a listing of 6 to 14 label lines exactly when the diagnosis finds nothing
// wrong (a second-generation length aside), a corrected text that passes, any 15 digits an ID.
MessageDiagnosis decode(const QString &text)
{
    QStringList lines{"stale"}, again;
    const bool valid = buildListing(text, lines);
    const MessageDiagnosis diagnosis = diagnoseMessage(text);
    require(diagnosis.valid == (valid && secondGeneration(text) == SecondGeneration::No));
    require(diagnosis.reason.isEmpty() == diagnosis.valid);
    require(decodeInput(text).valid == (isBeaconIdText(text) || diagnosis.valid));
    require(valid ? lines.size() >= 6 && lines.size() <= 14 : lines.isEmpty());
    for (const QString &line : std::as_const(lines))
        require(line == "Protocol not Implemented" || line.contains(": "));
    if (diagnosis.errors == MessageDiagnosis::Errors::Located)
        require(diagnosis.errorBits.size() <= 5 && buildListing(diagnosis.corrected, again));
    return diagnosis;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, std::size_t size)
{
    [[maybe_unused]] static const auto previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    decode(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    // Random text hardly ever passes the check, so bytes 0-14 also fill bits
    // 25-144 of a message sealed here, and up to four more name bits to flip.
    MessageEncoder m(MessageEncoder::Long);
    for (int i = 0; i < 15 && std::size_t(i) < size; ++i)
        m.set(25 + 8 * i, 32 + 8 * i, data[i]);
    m = m.sealed();
    require(decode(m.hex()).valid);
    for (std::size_t i = 15; i < size && i < 19; ++i)
        m.flip(25 + data[i] % 120);
    decode(m.hex());
    return 0;
}
