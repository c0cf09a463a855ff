#include "weather/Config.h"

#include "framework/SystemServices.h"
#include "toolkit/Types.h"
#include "weather/Globals.h"

namespace weather {
namespace {

struct SettingEntry {
    const char* section;
    const char* key;
    // The value written on the first run; null for the current weather address.
    const char* firstRunValue;
    Guarded<GbkText>& value;
};

// In file order, which is also the order of reading and of writing the defaults.
const SettingEntry kSettings[] = {
    {"PCS", "To", "0", RunAtStartup},
    {"PCS", "H", "0", HideAtStart},
    {"AutoInfo", "To", "0", PushAlarms},
    {"AutoInfo", "Up", "0", CheckUpdateAtStart},
    {"Tray", "To", "0", ShowTrayIcon},
    {"Tray", "W", "0", TrayFollowsWeather},
    {"Auto_Refresh", "To", "1800000", RefreshInterval},
    {"URL", "To", nullptr, SavedWeatherUrl},
    {"URL", "Gh", "0", CustomLocationOn},
};

// What a key that the file lacks reads as.
constexpr char kMissingValue[] = "0";

GbkText FirstRunValue(const SettingEntry& entry)
{
    return entry.firstRunValue != nullptr ? GbkText(entry.firstRunValue) : WeatherUrl.Get();
}

} // namespace

void LoadConfig()
{
    GbkText path = ConfigPath.Get();
    if (!framework::FileExists(path)) {
        // Written here, before the main window exists, rather than on a thread of its own: the
        // first refresh reads "URL" "To" from the file, and a late writer would leave it an empty
        // address. The defaults are held in memory too, so the first run refreshes every 30
        // minutes as every later run does, even when the file cannot be written.
        WriteDefaultConfig();
        for (const SettingEntry& entry : kSettings) {
            entry.value.Set(FirstRunValue(entry));
        }
        return;
    }
    for (const SettingEntry& entry : kSettings) {
        entry.value.Set(framework::ReadConfigValue(path, entry.section, entry.key, kMissingValue));
    }
}

void WriteDefaultConfig()
{
    GbkText path = ConfigPath.Get();
    for (const SettingEntry& entry : kSettings) {
        framework::WriteConfigValue(path, entry.section, entry.key, FirstRunValue(entry));
    }
}

void WriteDefaultConfigThread(void*)
{
    WriteDefaultConfig();
}

} // namespace weather
