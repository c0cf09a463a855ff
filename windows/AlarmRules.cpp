#include "windows/AlarmRules.h"

#include <string_view>
#include <vector>

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

constexpr std::string_view kSpace = " ";
constexpr std::string_view kUnknown = "?";

bool IsLeadByte(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}

bool IsTrailByte(unsigned char byte)
{
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

// The text as the characters the file will hold: whole two-byte characters, single bytes, and
// the one-byte replacements of control bytes and stray bytes, up to maxBytes in all.
std::vector<std::string_view> StorableCharacters(const GbkText& text, size_t maxBytes)
{
    std::vector<std::string_view> characters;
    size_t bytes = 0;
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        std::string_view character(&text[i], 1);
        if (IsLeadByte(byte) && i + 1 < text.size() &&
            IsTrailByte(static_cast<unsigned char>(text[i + 1]))) {
            character = std::string_view(&text[i], 2);
        } else if (byte < 0x20 || byte == 0x7F) {
            // A line break would end the value's line and start lines of its own in the file.
            character = kSpace;
        } else if (byte >= 0x80) {
            // A byte that begins no whole character does not come through the code page
            // conversions of the file's writer and reader as it stands.
            character = kUnknown;
        }
        if (bytes + character.size() > maxBytes) {
            break;
        }
        bytes += character.size();
        i += character.size(); // every replacement stands for one byte
        characters.push_back(character);
    }
    return characters;
}

bool IsQuote(std::string_view character)
{
    return character == "\"" || character == "'";
}

} // namespace

GbkText RememberedAlarmText(const GbkText& text, size_t maxBytes)
{
    const std::vector<std::string_view> characters = StorableCharacters(text, maxBytes);
    size_t first = 0;
    size_t last = characters.size();
    // The reader trims blanks off the value, then takes off one pair of enclosing quotes; the
    // text stays the same through that only when neither is left at its ends.
    for (bool changed = true; changed;) {
        changed = false;
        while (first < last && characters[first] == kSpace) {
            ++first;
            changed = true;
        }
        while (first < last && characters[last - 1] == kSpace) {
            --last;
            changed = true;
        }
        if (last - first >= 2 && IsQuote(characters[first]) &&
            characters[last - 1] == characters[first]) {
            ++first;
            --last;
            changed = true;
        }
    }
    GbkText result;
    for (size_t i = first; i < last; ++i) {
        result += characters[i];
    }
    return result;
}

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
