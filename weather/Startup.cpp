#include "weather/Startup.h"

#include <windows.h>

#include <cstdlib>

#include "framework/Framework.h"
#include "framework/SystemServices.h"
#include "skin/VeneerLibrary.h"
#include "toolkit/CodePage.h"
#include "toolkit/ServiceHosts.h"
#include "toolkit/TextBetween.h"
#include "toolkit/UrlReader.h"
#include "weather/Config.h"
#include "weather/Globals.h"

namespace weather {

namespace {

constexpr DWORD kEventAllAccess = 0x1F0003;

constexpr char kGeolocationEndpoint[] = "/json/?lang=zh-CN";
constexpr char kProvinceLeft[] = "\"regionName\":\"";
constexpr char kProvinceRight[] = "\",\"city\":\"";
constexpr char kCityLeft[] = "city\":\"";
constexpr char kCityRight[] = "\",\"zip\"";

// The placeholders are <省> and <市> in code page 936.
constexpr char kProvincePlaceholder[] = "<\xCA\xA1>";
constexpr char kCityPlaceholder[] = "<\xCA\xD0>";
constexpr char kWeatherTemplate[] =
    "/weather/common?source=pc&weather_type="
    "observe%7Cforecast_1h%7Cforecast_24h%7Cindex%7Calarm%7Climit%7Ctips%7Crise"
    "&province=<\xCA\xA1>&city=<\xCA\xD0>";

void ReplaceFirst(GbkText& text, const GbkText& placeholder, const GbkText& value)
{
    size_t at = text.find(placeholder);
    if (at != GbkText::npos) {
        text.replace(at, placeholder.size(), value);
    }
}

// The program's control libraries by number: 1 the framework's own units, 2 the zip component,
// 3 the skinned controls, 4 to 7 libraries whose units the windows do not use.
const framework::LibraryInfo* const kLibraries[7] = {nullptr, nullptr, &skin::VeneerLibraryInfo};

void SeedRandomFromTicks()
{
    std::srand(static_cast<unsigned>(GetTickCount()));
}

} // namespace

int ProgramEntry(const ProgramWindows& windows)
{
    // Makes the run directory the current directory, so that every file of the program is found
    // next to the executable whatever directory the user started it from, then starts the
    // control libraries and keeps the window templates.
    framework::Initialise(kLibraries, windows.templates);
    InitGlobals();
    framework::RegisterExitRoutine(FreeGlobals);
    // The update channel draws random request numbers; seeded before anything can ask.
    SeedRandomFromTicks();
    Startup(windows.mainWindow);
    framework::RunMessageLoop();
    // The last window is gone: the program ends through the framework.
    framework::RunExitRoutines();
    return 0;
}

int Startup(framework::WindowId mainWindow)
{
    EnsureSingleInstance(kInstanceEventName);
    LocateUser(framework::RunDirectory());
    SeedRandomFromTicks();
    LoadConfig();
    // Returns once the window exists; its first activation starts the first refresh.
    framework::LoadWindow(mainWindow, std::nullopt, false);
    return 0;
}

void EnsureSingleInstance(const GbkText& name)
{
    if (OpenEventA(kEventAllAccess, FALSE, name.c_str()) != nullptr) {
        framework::EndProgram(0);
    }
    // Never closed: the event marks this copy for exactly as long as the process lives.
    CreateEventA(nullptr, FALSE, FALSE, name.c_str());
}

void LocateUser(const GbkText& runDirectory)
{
    GbkText configPath = runDirectory + "\\Config.ini";
    ConfigPath.Set(configPath);
    // Read whether or not a custom location is switched on: a city typed in once stays the
    // city shown.
    GbkText customCity = framework::ReadConfigValue(configPath, "URL", "City_");

    GbkText answer = ReadGeolocationAnswer();
    GbkText province = ProvinceFromAnswer(answer);
    GbkText city = customCity.empty() ? CityFromAnswer(answer) : customCity;
    Province.Set(province);
    City.Set(city);
    WeatherUrl.Set(MakeWeatherUrl(province, city));
}

GbkText ReadGeolocationAnswer()
{
    return toolkit::Utf8ToAnsiText(
        toolkit::ReadUrlBytes(toolkit::GeolocationHost() + kGeolocationEndpoint));
}

GbkText ProvinceFromAnswer(const GbkText& answer)
{
    return toolkit::TextBetween(answer, kProvinceLeft, kProvinceRight);
}

GbkText CityFromAnswer(const GbkText& answer)
{
    return toolkit::TextBetween(answer, kCityLeft, kCityRight);
}

GbkText MakeWeatherUrl(const GbkText& province, const GbkText& city)
{
    GbkText url = kWeatherTemplate;
    ReplaceFirst(url, kProvincePlaceholder, toolkit::UrlEncode(province, false, true));
    ReplaceFirst(url, kCityPlaceholder, toolkit::UrlEncode(city, false, true));
    return toolkit::WeatherHost() + url;
}

} // namespace weather
