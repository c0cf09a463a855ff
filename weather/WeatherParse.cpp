#include "weather/WeatherParse.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <vector>

#include "toolkit/TextBetween.h"

namespace weather {
namespace {

enum class Search { FromEnd, Forward };

struct FieldCut {
    GbkText WeatherRecord::*text; // null for a number field
    int32_t WeatherRecord::*number;
    const char* left;
    const char* right;
    Search search;
};

// In the order they are cut; the tips come last. Chinese markers in code page 936:
// 空调开启, 穿衣, 雨伞.
const FieldCut kFieldCuts[] = {
    {&WeatherRecord::WeatherText, nullptr, "\",\"weather\":\"", "\",\"weather_code\":\"",
     Search::FromEnd},
    {nullptr, &WeatherRecord::Degree, "{\"degree\":\"", "\",\"humidity\":\"", Search::FromEnd},
    {nullptr, &WeatherRecord::Humidity, "\",\"humidity\":\"", "\",\"precipitation\":\"",
     Search::FromEnd},
    {nullptr, &WeatherRecord::Pressure, "\",\"pressure\":\"", "\",\"update_time\":\"",
     Search::FromEnd},
    {&WeatherRecord::UpdateTime, nullptr, "\",\"update_time\":\"", "\",\"weather\":\"",
     Search::FromEnd},
    {&WeatherRecord::AlarmDetail, nullptr, "\",\"county\":\"\",\"detail\":\"", "\",\"info\"",
     Search::Forward},
    {&WeatherRecord::AirconDetail, nullptr, "{\"airconditioner\":{\"detail\":\"",
     "\"name\":\"\xBF\xD5\xB5\xF7\xBF\xAA\xC6\xF4\"", Search::FromEnd},
    {&WeatherRecord::AirconInfo, nullptr, "\",\"info\":\"",
     "\",\"name\":\"\xBF\xD5\xB5\xF7\xBF\xAA\xC6\xF4\"", Search::FromEnd},
    {&WeatherRecord::ClothesDetail, nullptr, "\"clothes\":{\"detail\":\"",
     "\"name\":\"\xB4\xA9\xD2\xC2\"", Search::FromEnd},
    {&WeatherRecord::ClothesInfo, nullptr, "\",\"info\":\"", "\",\"name\":\"\xB4\xA9\xD2\xC2\"",
     Search::FromEnd},
    {&WeatherRecord::UmbrellaDetail, nullptr, "\"umbrella\":{\"detail\":\"", "\",\"info\":\"",
     Search::FromEnd},
    {&WeatherRecord::UmbrellaInfo, nullptr, "\",\"info\":\"", "\",\"name\":\"\xD3\xEA\xC9\xA1\"",
     Search::FromEnd},
    {&WeatherRecord::TipsText, nullptr, "\"tips\"", "\"}}},\"", Search::FromEnd},
};

constexpr char kTipSeparator[] = "~";
constexpr char kFullStop[] = "\xA1\xA3"; // 。

// The answer with its character starts marked once, so that the twelve searches from the end
// can use a fast byte search and only confirm that a hit begins a character. The answer is
// tens of kilobytes and every search runs over nearly all of it; stepping character by
// character for each one costs several times the whole budget of a refresh. It finds what
// toolkit::TextBetweenFromEnd finds: the last occurrence that begins a character, counting
// characters from the start (a byte of 0x80 or above takes the next byte with it), in the
// text up to its first zero byte.
class AnswerIndex {
public:
    explicit AnswerIndex(const GbkText& answer)
        : m_text(answer.c_str()), m_characterStart(m_text.size() + 1, 0)
    {
        for (std::size_t i = 0; i < m_text.size();) {
            m_characterStart[i] = 1;
            i += static_cast<unsigned char>(m_text[i]) >= 0x80 ? 2 : 1;
        }
    }

    GbkText CutFromEnd(std::string_view left, std::string_view right) const
    {
        const std::size_t rightAt = FindLast(right, m_text.size());
        if (rightAt == kNone) {
            return GbkText();
        }
        const std::size_t leftAt = FindLast(left, rightAt);
        if (leftAt == kNone) {
            return GbkText();
        }
        const std::size_t begin = leftAt + left.size();
        return GbkText(m_text.substr(begin, rightAt - begin));
    }

    const std::string_view& Text() const { return m_text; }

private:
    static constexpr std::size_t kNone = std::string_view::npos;

    // The last character-aligned occurrence of a non-empty marker lying wholly in the first
    // `area` bytes, by a backward Sunday search: on a mismatch the byte just before the window
    // tells how far the window may move.
    std::size_t FindLast(std::string_view marker, std::size_t area) const
    {
        const std::size_t m = marker.size();
        if (m == 0 || m > area) {
            return kNone;
        }
        std::size_t shift[256];
        for (std::size_t& s : shift) {
            s = m + 1;
        }
        for (std::size_t j = m; j-- > 0;) {
            shift[static_cast<unsigned char>(marker[j])] = j + 1;
        }
        std::size_t p = area - m;
        for (;;) {
            if (m_text.compare(p, m, marker) == 0 && m_characterStart[p]) {
                return p;
            }
            if (p == 0) {
                return kNone;
            }
            const std::size_t step = shift[static_cast<unsigned char>(m_text[p - 1])];
            if (step > p) {
                return kNone;
            }
            p -= step;
        }
    }

    std::string_view m_text;
    std::vector<unsigned char> m_characterStart;
};

GbkText Cut(const AnswerIndex& index, const GbkText& answer, const FieldCut& cut)
{
    if (cut.search == Search::Forward) {
        return toolkit::TextBetween(answer, cut.left, cut.right);
    }
    return index.CutFromEnd(cut.left, cut.right);
}

} // namespace

GbkText CutFromEnd(const GbkText& answer, const GbkText& leftMarker, const GbkText& rightMarker)
{
    return AnswerIndex(answer).CutFromEnd(leftMarker.c_str(), rightMarker.c_str());
}

int32_t WeatherNumber(const GbkText& text)
{
    // Only the leading number matters, so the folding stops at the first double-byte
    // character that has no ASCII form.
    std::string ascii;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == 0) {
            break;
        }
        if (byte >= 0x81 && byte <= 0xFE && i + 1 < text.size()) {
            const unsigned char trail = static_cast<unsigned char>(text[i + 1]);
            if (byte == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
                ascii.push_back(static_cast<char>(trail - 0x80));
            } else if (byte == 0xA1 && trail == 0xA1) {
                ascii.push_back(' ');
            } else {
                break;
            }
            i += 2;
            continue;
        }
        ascii.push_back(static_cast<char>(byte));
        ++i;
    }
    const double value = std::strtod(ascii.c_str(), nullptr);
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double kLowest = std::numeric_limits<int32_t>::min();
    constexpr double kHighest = std::numeric_limits<int32_t>::max();
    if (value <= kLowest) {
        return std::numeric_limits<int32_t>::min();
    }
    if (value >= kHighest) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(value);
}

WeatherRecord ParseWeatherRecord(const GbkText& answer)
{
    WeatherRecord record;
    const AnswerIndex index(answer);
    for (const FieldCut& cut : kFieldCuts) {
        GbkText value = Cut(index, answer, cut);
        if (cut.number != nullptr) {
            record.*cut.number = WeatherNumber(value);
        } else {
            record.*cut.text = std::move(value);
        }
    }
    return record;
}

TextArray SplitTips(const GbkText& tipsText)
{
    TextArray tips;
    toolkit::SplitText(tipsText, tips, kTipSeparator);
    return tips;
}

AdviceExtras SplitAdvice(const GbkText& clothesDetail, const GbkText& airconDetail)
{
    TextArray clothes;
    TextArray aircon;
    toolkit::SplitText(clothesDetail, clothes, kFullStop);
    toolkit::SplitText(airconDetail, aircon, kFullStop);
    AdviceExtras extras;
    if (clothes.size() < 2) {
        return extras;
    }
    extras.clothes = clothes.front();
    if (!aircon.empty()) {
        extras.aircon = aircon.front();
    }
    return extras;
}

ParsedAnswer ParseWeatherAnswer(const GbkText& answer)
{
    ParsedAnswer parsed;
    parsed.record = ParseWeatherRecord(answer);
    parsed.tips = SplitTips(parsed.record.TipsText);
    parsed.advice = SplitAdvice(parsed.record.ClothesDetail, parsed.record.AirconDetail);
    return parsed;
}

} // namespace weather
