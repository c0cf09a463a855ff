#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (plus AddressSanitizer and UBSan) and runs each
# for a bounded time: tools/fuzz.sh [seconds per target, default 30].
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-30}
out=build/fuzz
mkdir -p "$out/corpus-weather"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I. tests/fuzz/WeatherParseFuzz.cpp weather/WeatherParse.cpp toolkit/TextBetween.cpp \
    -o "$out/WeatherParseFuzz"
cp tests/fixtures/demo/weather.json "$out/corpus-weather/demo.json"
"$out/WeatherParseFuzz" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
    -print_final_stats=0 "$out/corpus-weather" 2>&1 | tail -3
