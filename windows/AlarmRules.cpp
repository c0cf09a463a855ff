#include "windows/AlarmRules.h"

#include "windows/TextPositions.h"

namespace windows {
namespace {

struct ColourWord {
    const char* word;
    uint32_t argb;
};

// The order is the order of the test: a title naming two colours takes the earlier row.
constexpr ColourWord kColourWords[] = {
    {"\xBB\xC6\xC9\xAB", 0xFFFFFE0C}, // 黄色
    {"\xB3\xC8\xC9\xAB", 0xFFFFC950}, // 橙色
    {"\xBA\xEC\xC9\xAB", 0xFFFF0001}, // 红色
    {"\xC0\xB6\xC9\xAB", 0xFFB2ECEE}, // 蓝色
};

} // namespace

bool IsNewAlarm(const GbkText& rememberedDetail, const GbkText& rememberedTitle,
                const GbkText& detail, const GbkText& title)
{
    if (detail.empty()) {
        return false;
    }
    if (rememberedDetail.empty() && rememberedTitle.empty()) {
        return true;
    }
    return rememberedDetail != detail && rememberedTitle != title;
}

std::optional<int32_t> AlarmTitleColour(const GbkText& title)
{
    for (const ColourWord& row : kColourWords) {
        if (FindTextNoCase(title, row.word) != -1) {
            return static_cast<int32_t>(row.argb);
        }
    }
    return std::nullopt;
}

} // namespace windows
