#include "weather/Globals.h"

namespace weather {

Guarded<GbkText> ConfigPath;
Guarded<GbkText> Province;
Guarded<GbkText> City;
Guarded<GbkText> WeatherUrl;
Guarded<GbkText> RunAtStartup;
Guarded<GbkText> HideAtStart;
Guarded<GbkText> PushAlarms;
Guarded<GbkText> CheckUpdateAtStart;
Guarded<GbkText> ShowTrayIcon;
Guarded<GbkText> TrayFollowsWeather;
Guarded<GbkText> RefreshInterval;
Guarded<GbkText> SavedWeatherUrl;
Guarded<GbkText> CustomLocationOn;
Guarded<WeatherRecord> CurrentWeather;
Guarded<TextArray> TipList;
Guarded<GbkText> ShareNoteText;
Guarded<TextArray> HeaderNames;
Guarded<TextArray> HeaderValues;
Guarded<GbkText> ClothesExtra;
Guarded<GbkText> AirconExtra;
Guarded<GbkText> AlarmTitle;
Guarded<ByteSet> WeatherImage;

void InitGlobals()
{
    CurrentWeather.Set(WeatherRecord{});
    TipList.Clear();
    HeaderNames.Clear();
    HeaderValues.Clear();
}

void FreeGlobals()
{
    ConfigPath.Clear();
    Province.Clear();
    City.Clear();
    WeatherUrl.Clear();
    RunAtStartup.Clear();
    HideAtStart.Clear();
    PushAlarms.Clear();
    CheckUpdateAtStart.Clear();
    ShowTrayIcon.Clear();
    TrayFollowsWeather.Clear();
    RefreshInterval.Clear();
    SavedWeatherUrl.Clear();
    CustomLocationOn.Clear();
    CurrentWeather.Clear();
    TipList.Clear();
    ShareNoteText.Clear();
    HeaderNames.Clear();
    HeaderValues.Clear();
    ClothesExtra.Clear();
    AirconExtra.Clear();
    AlarmTitle.Clear();
    WeatherImage.Clear();
}

} // namespace weather
