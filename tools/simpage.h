#ifndef SIMPAGE_H
#define SIMPAGE_H

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// The instrument's HTTP answer: status line, headers and the result page,
// padded to the size the recorded request scripts expect.
namespace SimPage {

constexpr int PieceSize = 128;
constexpr int PieceCount = 14;
constexpr int AnswerSize = PieceSize * PieceCount;

enum Field { Hex, Frequency, RfLevel, Calibration, Status, Serial, FieldCount };

// Long self-test message, standard location EPIRB-MMSI, country 257,
// MMSI ...123456, N 60 15' / E 5 15' with fine offsets; both BCH codes valid.
inline constexpr char DefaultHex[] = "FFFED090121E24003C40AAB3D13794C2A4D6";

struct Options
{
    std::array<QByteArray, FieldCount> values{
        DefaultHex, "406.0312", "37", "0627", "OK", "1234567890",
    };
    std::array<bool, FieldCount> zeroIn{};
    std::array<bool, FieldCount> omitMarker{};
    bool escapeBytes = false;
};

std::optional<Field> fieldFromName(const QString &name);
QList<QString> fieldNames();

// Exactly AnswerSize bytes, or an empty array with *error set when the
// values do not fit.
QByteArray buildAnswer(const Options &options, QString *error);

} // namespace SimPage

#endif // SIMPAGE_H
