#pragma once
// Which pictures stand for the current weather: the first weather keyword found in the weather
// text chooses the weather picture, the window background and the notification icon.

#include <span>

#include "toolkit/Types.h"
#include "windows/Pictures.h"

namespace windows {

struct WeatherLook {
    const char* keyword; // code page 936
    PictureId picture;
    PictureId background;
    PictureId trayIcon;
};

// The looks in the order their keywords are searched.
std::span<const WeatherLook> WeatherLooks();

// The look of the first keyword of WeatherLooks() that occurs in weatherText, matched only at
// character starts; null when none occurs.
const WeatherLook* FindWeatherLook(const GbkText& weatherText);

} // namespace windows
