#include "windows/WeatherKeywords.h"

#include <string_view>

namespace windows {

namespace {

// "晴" comes before "多云" so that a text such as "多云转晴" counts as clear, and "多云" before
// "雨" so that "多云转小雨" still shows clouds.
constexpr WeatherLook kLooks[] = {
    {"\xC7\xE7", PictureId::SunnyPicture, PictureId::SunnyBackground, PictureId::SunnyTrayIcon},
    {"\xB6\xE0\xD4\xC6", PictureId::CloudyPicture, PictureId::SunnyBackground,
     PictureId::CloudyTrayIcon},
    {"\xD2\xF5", PictureId::OvercastPicture, PictureId::OvercastBackground,
     PictureId::CloudyTrayIcon},
    {"\xD3\xEA", PictureId::RainPicture, PictureId::RainBackground, PictureId::RainTrayIcon},
    {"\xD1\xA9", PictureId::SnowPicture, PictureId::SnowBackground, PictureId::SnowTrayIcon},
    {"\xCB\xAA", PictureId::FrostPicture, PictureId::SnowBackground, PictureId::SnowTrayIcon},
    {"\xC9\xB3", PictureId::SandPicture, PictureId::OvercastBackground, PictureId::CloudyTrayIcon},
    {"\xCE\xED", PictureId::FogPicture, PictureId::OvercastBackground, PictureId::CloudyTrayIcon},
};

// Steps character by character, so that the trail byte of one character and the lead byte of
// the next are never taken for a keyword.
bool ContainsAtCharacterStart(std::string_view text, std::string_view keyword)
{
    for (size_t i = 0; i < text.size(); i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1) {
        if (text.compare(i, keyword.size(), keyword) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

std::span<const WeatherLook> WeatherLooks()
{
    return kLooks;
}

const WeatherLook* FindWeatherLook(const GbkText& weatherText)
{
    std::string_view text(weatherText.c_str());
    for (const WeatherLook& look : kLooks) {
        if (ContainsAtCharacterStart(text, look.keyword)) {
            return &look;
        }
    }
    return nullptr;
}

} // namespace windows
