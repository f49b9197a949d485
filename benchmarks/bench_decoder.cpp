#include "beaconmessage.h"
#include "messagediagnosis.h"
#include "messageencoder.h"
#include "messagelisting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryFile>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// One message of each kind the decoder meets: user and location families,
// short and long, a self-test and an invalid one.
std::vector<QString> messageMix()
{
    using E = MessageEncoder;
    auto user = [](E::Length length, unsigned code) {
        E m(length);
        return m.set(26, 26, 1).set(27, 36, 257).set(37, 39, code).set(40, 83, 0x2468ACE1357ull);
    };
    auto location = [](E::Length length, unsigned code) {
        E m(length);
        m.set(26, 26, 0).set(27, 36, 257).set(37, 40, code).set(41, 64, 0x123456);
        return m.set(65, 85, 0x0ABCDE).set(107, 112, 0b110111).set(113, 132, 0x5A5A5);
    };
    std::vector<QString> texts = {
        QStringLiteral("FFFE2F53CE91A2B3C4D5E3A1AF80"),
        QStringLiteral("FFFE2F93C21E24012D814A62ECF7B1412A02"),
        user(E::Short, 1).sealed().hex(),
        user(E::Long, 3).set(27, 36, 366).sealed().hex(),
        user(E::Short, 6).sealed().hex(),
        location(E::Long, 6).sealed().hex(),
        location(E::Long, 10).sealed().hex(),
        location(E::Long, 13).sealed().hex(),
        location(E::Short, 3).sealed().hex(),
        location(E::Long, 7).set(16, 24, 0b011010000).sealed().set(133, 144, 0).hex(),
        QStringLiteral("FFFE2F93C21E24012D814A62ECF7B1412A03"),
    };
    return texts;
}

void isValid(benchmark::State &state)
{
    std::vector<BeaconMessage> messages;
    for (const QString &text : messageMix())
        messages.emplace_back(text.toLatin1());
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(messages[i].isValid());
        i = (i + 1) % messages.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(isValid);

void wholeListing(benchmark::State &state)
{
    const std::vector<QString> texts = messageMix();
    QStringList lines;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(buildListing(texts[i], lines));
        i = (i + 1) % texts.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(wholeListing);

// Failed checks of every kind: one to four flipped bits in the first
// protected field, one and two in the second.
void diagnosis(benchmark::State &state)
{
    const char *sent = "long l2 41-85=0x123456789ABC 107-132=0x2C0FFEE seal";
    std::vector<QString> texts;
    for (const auto &flips : std::vector<std::vector<int>>{
             {30}, {30, 90}, {25, 60, 106}, {25, 26, 105, 106}, {120}, {107, 144}}) {
        MessageEncoder m = MessageEncoder::parse(sent);
        for (const int bit : flips)
            m.flip(bit);
        texts.push_back(m.hex());
    }
    // The first diagnosis of a run builds the syndrome tables, off the clock.
    static const double firstMs = [&texts] {
        QElapsedTimer timer;
        timer.start();
        diagnoseMessage(texts.front());
        return double(timer.nsecsElapsed()) / 1e6;
    }();
    state.counters["first_call_ms"] = firstMs;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(diagnoseMessage(texts[i]));
        i = (i + 1) % texts.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(diagnosis);

// vestra-decode itself, one process per iteration, on a batch of the mix on
// standard input; its output goes to the null device. VESTRA_DECODE names
// another build of it to compare with. For one core, start the benchmark
// under "taskset -c 0"; the program inherits it.
void program(benchmark::State &state, const QStringList &arguments)
{
    constexpr int batch = 200000;
    static QTemporaryFile input;
    if (!input.isOpen()) {
        const std::vector<QString> texts = messageMix();
        if (!input.open()) {
            state.SkipWithError("no temporary file for the batch");
            return;
        }
        for (int i = 0; i < batch; ++i)
            input.write(texts[std::size_t(i) % texts.size()].toLatin1() + '\n');
        input.flush();
    }
    const QString path = qEnvironmentVariable("VESTRA_DECODE", QStringLiteral(VESTRA_DECODE_PATH));
    for (auto _ : state) {
        QProcess decoder;
        decoder.setStandardInputFile(input.fileName());
        decoder.setStandardOutputFile(QProcess::nullDevice());
        decoder.start(path, arguments);
        if (!decoder.waitForFinished(-1) || decoder.exitStatus() != QProcess::NormalExit) {
            state.SkipWithError("vestra-decode did not run to its end");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK_CAPTURE(program, plain, QStringList())->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(program, json, QStringList{QStringLiteral("--json")})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The debug lines are meant for a person; off here, they cost nothing.
    QLoggingCategory::setFilterRules(QStringLiteral("vestra.decoder.debug=false"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
