#include "windows/SettingsRules.h"

#include <iterator>

#include "windows/TextPositions.h"

namespace windows {
namespace {

// The combo box's items in order: 1小时, 30分钟, 10分钟, 5分钟.
constexpr const char* kIntervals[] = {"3600000", "1800000", "600000", "300000"};

constexpr char kCitySuffix[] = "\xCA\xD0"; // 市

} // namespace

std::optional<GbkText> IntervalToStore(bool autoRefreshTicked, int32_t selection)
{
    if (!autoRefreshTicked) {
        return GbkText("0");
    }
    if (selection == -1) {
        selection = 0;
    }
    if (selection < 0 || selection >= static_cast<int32_t>(std::size(kIntervals))) {
        return std::nullopt;
    }
    return GbkText(kIntervals[selection]);
}

std::optional<int32_t> SelectionForInterval(const GbkText& interval)
{
    if (interval == "0") {
        return -1;
    }
    for (std::size_t i = 0; i < std::size(kIntervals); ++i) {
        if (interval == kIntervals[i]) {
            return static_cast<int32_t>(i);
        }
    }
    return std::nullopt;
}

GbkText RemoveSpaces(const GbkText& text)
{
    GbkText kept;
    kept.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        bool twoBytes = byte >= 0x81 && i + 1 < text.size();
        if (twoBytes) {
            if (!(byte == 0xA1 && static_cast<unsigned char>(text[i + 1]) == 0xA1)) {
                kept.append(text, i, 2);
            }
            i += 2;
            continue;
        }
        if (byte != ' ') {
            kept += text[i];
        }
        ++i;
    }
    return kept;
}

GbkText CityToStore(const GbkText& city)
{
    if (FindTextNoCase(city, kCitySuffix) != -1) {
        return city;
    }
    return city + kCitySuffix;
}

} // namespace windows
