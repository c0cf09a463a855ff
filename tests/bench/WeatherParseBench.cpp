// One whole parse of a realistic weather answer: the thirteen cuts, the number conversions,
// the tips split and the advice split.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/GbkLiteral.h"
#include "weather/WeatherParse.h"

namespace {

void ParseDemoAnswer(benchmark::State& state)
{
    std::ifstream file(SKYVANE_DEMO_DIR "/weather.json", std::ios::binary);
    const std::string answer =
        testsupport::Gbk(std::string(std::istreambuf_iterator<char>(file), {}));
    if (answer.empty()) {
        state.SkipWithError("demo answer missing");
        return;
    }
    for (auto _ : state) {
        weather::ParsedAnswer parsed = weather::ParseWeatherAnswer(answer);
        benchmark::DoNotOptimize(parsed);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(answer.size()));
}
BENCHMARK(ParseDemoAnswer)->Unit(benchmark::kMicrosecond);

} // namespace
