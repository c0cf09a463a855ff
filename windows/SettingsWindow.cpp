#include "windows/SettingsWindow.h"

#include "framework/Framework.h"
#include "framework/ShellServices.h"
#include "framework/SystemServices.h"
#include "framework/WindowServices.h"
#include "toolkit/ChineseChars.h"
#include "toolkit/CodePage.h"
#include "toolkit/WebRequest.h"
#include "update/UpdateCheck.h"
#include "weather/Globals.h"
#include "weather/Startup.h"
#include "windows/Handlers.h"
#include "windows/SettingsRules.h"
#include "windows/SkinProperties.h"
#include "windows/Templates.h"

namespace windows {
namespace {

using framework::EventResult;
using framework::UnitEvent;
using framework::UnitId;
namespace units = settingsunits;

using namespace skinprop;
constexpr framework::Word kTextInput = 1;

constexpr char kVersionLead[] = "\xB5\xB1\xC7\xB0\xB0\xE6\xB1\xBE\xA3\xBA"; // 当前版本：
// "请先勾选 自动刷新数据"
constexpr char kNeedsAutoRefresh[] = "\xC7\xEB\xCF\xC8\xB9\xB4\xD1\xA1 "
                                     "\xD7\xD4\xB6\xAF\xCB\xA2\xD0\xC2\xCA\xFD\xBE\xDD";
// "请输入省份： （如：广东）"
constexpr char kAskProvince[] = "\xC7\xEB\xCA\xE4\xC8\xEB\xCA\xA1\xB7\xDD\xA3\xBA "
                                "\xA3\xA8\xC8\xE7\xA3\xBA\xB9\xE3\xB6\xAB\xA3\xA9";
// "请输入城市： （如：珠海）"
constexpr char kAskCity[] = "\xC7\xEB\xCA\xE4\xC8\xEB\xB3\xC7\xCA\xD0\xA3\xBA "
                            "\xA3\xA8\xC8\xE7\xA3\xBA\xD6\xE9\xBA\xA3\xA3\xA9";
constexpr char kLocationFailed[] = "\xB4\xED\xCE\xF3"; // 错误
// "成功，建议您重启软件后查看效果~\r\n\r\nTips:双击下方软件图标即可快速重启~"
constexpr char kLocationSaved[] =
    "\xB3\xC9\xB9\xA6\xA3\xAC\xBD\xA8\xD2\xE9\xC4\xFA\xD6\xD8\xC6\xF4\xC8\xED\xBC\xFE\xBA\xF3"
    "\xB2\xE9\xBF\xB4\xD0\xA7\xB9\xFB~\r\n\r\nTips:"
    "\xCB\xAB\xBB\xF7\xCF\xC2\xB7\xBD\xC8\xED\xBC\xFE\xCD\xBC\xB1\xEA\xBC\xB4\xBF\xC9\xBF\xEC"
    "\xCB\xD9\xD6\xD8\xC6\xF4~";
constexpr char kJsonContentType[] = "Content-Type: application/json;charset=UTF-8";
// Written as these twelve characters; nothing reads it back.
constexpr char kProvinceKey[] = "Province_@?F";

bool IsTicked(UnitId box)
{
    return framework::GetUnitProperty(SettingsWindow, box, kTicked).AsInt() == 1;
}

void Store(const char* section, const char* key, const GbkText& value)
{
    framework::WriteConfigValue(weather::ConfigPath.Get(), section, key, value);
}

void StoreTick(UnitId box, const char* section, const char* key)
{
    Store(section, key, IsTicked(box) ? "1" : "0");
}

// An option that only acts while the data refreshes itself: refused, with the box left as the
// click made it, while automatic refresh is not ticked.
void StoreTickNeedingAutoRefresh(UnitId box, const char* section, const char* key)
{
    if (!IsTicked(units::AutoRefreshCheck)) {
        framework::ShowMessage(kNeedsAutoRefresh, 0, GbkText(), SettingsWindow);
        return;
    }
    StoreTick(box, section, key);
}

} // namespace

void LoadSettingsControls()
{
    struct OptionBox {
        UnitId box;
        const weather::Guarded<GbkText>& setting;
    };
    const OptionBox kOptions[] = {
        {units::RunAtStartupCheck, weather::RunAtStartup},
        {units::HideAtStartCheck, weather::HideAtStart},
        {units::PushAlarmCheck, weather::PushAlarms},
        {units::CheckUpdateAtStartCheck, weather::CheckUpdateAtStart},
        {units::ShowTrayIconCheck, weather::ShowTrayIcon},
        {units::TrayFollowsWeatherCheck, weather::TrayFollowsWeather},
    };
    for (const OptionBox& option : kOptions) {
        if (option.setting.Get() == "1") {
            framework::SetUnitProperty(SettingsWindow, option.box, kTicked, 1);
        }
    }
    GbkText interval = weather::RefreshInterval.Get();
    if (interval != "0") {
        framework::SetUnitProperty(SettingsWindow, units::AutoRefreshCheck, kTicked, 1);
    }
    if (auto selection = SelectionForInterval(interval)) {
        framework::SetUnitProperty(SettingsWindow, units::IntervalCombo, kSelection, *selection);
    }
}

void SaveRefreshInterval()
{
    int32_t selection =
        framework::GetUnitProperty(SettingsWindow, units::IntervalCombo, kSelection).AsInt();
    if (auto interval = IntervalToStore(IsTicked(units::AutoRefreshCheck), selection)) {
        Store("Auto_Refresh", "To", *interval);
    }
}

void SaveRefreshIntervalThread(void*)
{
    SaveRefreshInterval();
}

EventResult OnSettingsCreated(const UnitEvent&)
{
    framework::SetUnitProperty(SettingsWindow, units::WindowSkin, kBackgroundImage,
                               weather::WeatherImage.Get());
    TextArray version =
        framework::ReadFileVersionInfo(framework::RunDirectory() + "\\" + framework::OwnFileName());
    framework::SetUnitProperty(SettingsWindow, units::VersionLabel, kCaption,
                               kVersionLead + (version.empty() ? GbkText() : version[0]));
    LoadSettingsControls();
    return std::nullopt;
}

EventResult OnHideAtStartCheck(const UnitEvent&)
{
    StoreTick(units::HideAtStartCheck, "PCS", "H");
    return std::nullopt;
}

EventResult OnCheckUpdateAtStartCheck(const UnitEvent&)
{
    StoreTick(units::CheckUpdateAtStartCheck, "AutoInfo", "Up");
    return std::nullopt;
}

EventResult OnShowTrayIconCheck(const UnitEvent&)
{
    StoreTick(units::ShowTrayIconCheck, "Tray", "To");
    return std::nullopt;
}

EventResult OnPushAlarmCheck(const UnitEvent&)
{
    StoreTickNeedingAutoRefresh(units::PushAlarmCheck, "AutoInfo", "To");
    return std::nullopt;
}

EventResult OnTrayFollowsWeatherCheck(const UnitEvent&)
{
    StoreTickNeedingAutoRefresh(units::TrayFollowsWeatherCheck, "Tray", "W");
    return std::nullopt;
}

EventResult OnAutoRefreshCheck(const UnitEvent&)
{
    SaveRefreshInterval();
    return std::nullopt;
}

EventResult OnIntervalComboChanged(const UnitEvent&)
{
    // Written from a thread of its own, so that the combo box is not held up by the file.
    framework::StartThread(SaveRefreshIntervalThread);
    return std::nullopt;
}

EventResult OnCustomLocationClick(const UnitEvent&)
{
    GbkText province;
    if (!framework::AskText(kAskProvince, std::nullopt, std::nullopt, province, kTextInput,
                            SettingsWindow)) {
        return std::nullopt;
    }
    GbkText city;
    if (!framework::AskText(kAskCity, std::nullopt, std::nullopt, city, kTextInput,
                            SettingsWindow)) {
        return std::nullopt;
    }
    if (province.empty() || city.empty()) {
        return std::nullopt;
    }
    province = RemoveSpaces(province);
    city = RemoveSpaces(city);
    weather::Province.Set(province);
    weather::City.Set(city);
    GbkText url = weather::MakeWeatherUrl(province, city);
    weather::WeatherUrl.Set(url);

    GbkText headers = kJsonContentType;
    toolkit::WebRequestOptions options;
    options.methodIndex = 0;
    options.extraHeaders = &headers;
    ByteSet answer = toolkit::WebRequest(url, options);
    if (toolkit::ExtractChineseChars(toolkit::Utf8ToAnsiText(answer)).empty()) {
        framework::ShowMessage(kLocationFailed, 0, std::nullopt, SettingsWindow);
        Store("URL", "Gh", "0");
        return std::nullopt;
    }
    Store("URL", "Gh", "1");
    Store("URL", "To", url);
    Store("URL", "City_", CityToStore(city));
    Store("URL", kProvinceKey, province);
    framework::ShowMessage(kLocationSaved, 0, std::nullopt, SettingsWindow);
    return std::nullopt;
}

EventResult OnCheckUpdateClick(const UnitEvent&)
{
    update::CheckForUpdateManual();
    return std::nullopt;
}

EventResult OnSettingsCloseClick(const UnitEvent&)
{
    framework::CloseUnit(SettingsWindow, units::Window);
    return std::nullopt;
}

} // namespace windows
