// libFuzzer target over the weather parse: any bytes as an answer must parse without a fault,
// and the fast cut must agree with the toolkit's search for markers taken from the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "toolkit/TextBetween.h"
#include "weather/WeatherParse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const weather::ParsedAnswer parsed = weather::ParseWeatherAnswer(input);
    if (parsed.record.TipsText.size() > input.size()) {
        std::abort();
    }
    weather::WeatherNumber(input);

    if (size >= 2) {
        const std::size_t leftLength = 1 + data[0] % 4;
        const std::size_t rightLength = 1 + data[1] % 4;
        if (size >= 2 + leftLength + rightLength) {
            const std::string left = input.substr(2, leftLength);
            const std::string right = input.substr(2 + leftLength, rightLength);
            const std::string answer = input.substr(2 + leftLength + rightLength);
            if (left.find('\0') == std::string::npos && right.find('\0') == std::string::npos &&
                weather::CutFromEnd(answer, left, right) !=
                    toolkit::TextBetweenFromEnd(answer, right, left)) {
                std::abort();
            }
        }
    }
    return 0;
}
