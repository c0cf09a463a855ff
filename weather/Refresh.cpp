#include "weather/Refresh.h"

#include <windows.h>

#include <atomic>
#include <optional>

#include "framework/Framework.h"
#include "framework/SystemServices.h"
#include "framework/WindowServices.h"
#include "toolkit/ScopedWin.h"
#include "toolkit/ChineseChars.h"
#include "toolkit/CodePage.h"
#include "toolkit/WebRequest.h"
#include "weather/Globals.h"
#include "weather/RefreshPlan.h"
#include "weather/Startup.h"
#include "weather/WeatherParse.h"

namespace weather {
namespace {

// "天气信息获取失败，已切换至 自动获取 模式\r\n\r\n如想继续自定义位置，请重新设置"
constexpr char kSwitchedToAutomatic[] =
    "\xCC\xEC\xC6\xF8\xD0\xC5\xCF\xA2\xBB\xF1\xC8\xA1\xCA\xA7\xB0\xDC\xA3\xAC\xD2\xD1\xC7\xD0"
    "\xBB\xBB\xD6\xC1 \xD7\xD4\xB6\xAF\xBB\xF1\xC8\xA1 \xC4\xA3\xCA\xBD\r\n\r\n\xC8\xE7\xCF\xEB"
    "\xBC\xCC\xD0\xF8\xD7\xD4\xB6\xA8\xD2\xE5\xCE\xBB\xD6\xC3\xA3\xAC\xC7\xEB\xD6\xD8\xD0\xC2"
    "\xC9\xE8\xD6\xC3";
// "主天气信息获取失败，是否继续？"
constexpr char kGoOnQuestion[] = "\xD6\xF7\xCC\xEC\xC6\xF8\xD0\xC5\xCF\xA2\xBB\xF1\xC8\xA1\xCA"
                                 "\xA7\xB0\xDC\xA3\xAC\xCA\xC7\xB7\xF1\xBC\xCC\xD0\xF8\xA3\xBF";
constexpr framework::Word kYesNoQuestion = 36;
constexpr int kAnswerYes = 5;

constexpr char kRequestHeader[] = "Content-Type: application/json;charset=UTF-8";
constexpr char kOff[] = "0";
constexpr framework::PropertyIndex kSkinVisible = 8;
constexpr std::int32_t kRefreshDelay = 100;
// Keys, mouse, posted and sent messages, timers, paint and hot keys: whatever a window of the
// waiting thread may need to answer.
constexpr DWORD kWakeMask = 0xFF;

// Wakes for messages that are already waiting too, not only for those that come after the
// thread last looked at its queue: a message seen but not handled (by the look for a quit, say)
// would otherwise wait until the end of the wait.
DWORD WaitForMessagesOr(DWORD count, const HANDLE* handles, DWORD milliseconds)
{
    return MsgWaitForMultipleObjectsEx(count, handles, milliseconds, kWakeMask,
                                       MWMO_INPUTAVAILABLE);
}

// Plain atomics: the start-up sets these once, before any refresh can run, but a refresh thread
// reads them.
std::atomic<framework::WindowId> g_window{0};
std::atomic<framework::UnitId> g_refreshTimer{0};
std::atomic<framework::UnitId> g_skin{0};
std::atomic<RefreshStep> g_fill{nullptr};
std::atomic<RefreshStep> g_updateCheck{nullptr};
std::atomic<PictureSource> g_appTrayIcon{nullptr};

std::atomic<bool> g_refreshing{false};

// Holds the one-refresh-at-a-time claim for as long as it lives.
class RefreshClaim {
public:
    RefreshClaim()
    {
        bool idle = false;
        m_held = g_refreshing.compare_exchange_strong(idle, true);
    }
    ~RefreshClaim()
    {
        if (m_held) {
            g_refreshing = false;
        }
    }
    RefreshClaim(const RefreshClaim&) = delete;
    RefreshClaim& operator=(const RefreshClaim&) = delete;

    bool Held() const { return m_held; }

private:
    bool m_held = false;
};

std::optional<framework::WindowId> BoxOwner()
{
    framework::WindowId window = g_window;
    return window != 0 ? std::optional(window) : std::nullopt;
}

// Only the answer body counts; status, headers and cookies are not looked at.
GbkText FetchWeather(const GbkText& url)
{
    GbkText header = kRequestHeader;
    toolkit::WebRequestOptions options;
    options.methodIndex = 0;
    options.extraHeaders = &header;
    return toolkit::Utf8ToAnsiText(toolkit::WebRequest(url, options));
}

bool CarriesContent(const GbkText& answer)
{
    return !toolkit::ExtractChineseChars(answer).empty();
}

// The custom location gave nothing: locate the user again as the start-up does, but with the
// geolocated city even when a custom one is set, and keep the new address in the settings so
// that later refreshes, which read it from there, ask for it too.
GbkText FetchForAutomaticLocation()
{
    GbkText geolocation = ReadGeolocationAnswer();
    GbkText province = ProvinceFromAnswer(geolocation);
    GbkText city = CityFromAnswer(geolocation);
    GbkText url = MakeWeatherUrl(province, city);
    Province.Set(province);
    City.Set(city);
    WeatherUrl.Set(url);
    framework::ShowMessage(kSwitchedToAutomatic, 0, std::nullopt, BoxOwner());
    GbkText answer = FetchWeather(url);
    framework::WriteConfigValue(ConfigPath.Get(), "URL", "To", url);
    return answer;
}

GbkText FetchAnswer()
{
    if (CustomLocationOn.Get() == kOff) {
        return FetchWeather(WeatherUrl.Get());
    }
    // Also on a first run, whose settings are empty: the address is the one in the file.
    GbkText url = framework::ReadConfigValue(ConfigPath.Get(), "URL", "To");
    WeatherUrl.Set(url);
    GbkText answer = FetchWeather(url);
    if (CarriesContent(answer)) {
        return answer;
    }
    return FetchForAutomaticLocation();
}

bool UserWantsToGoOn()
{
    return framework::ShowMessage(kGoOnQuestion, kYesNoQuestion, GbkText(), BoxOwner()) ==
           kAnswerYes;
}

void RunRefresh()
{
    GbkText answer = FetchAnswer();
    if (!CarriesContent(answer) && !UserWantsToGoOn()) {
        return;
    }
    WeatherRecord record = ParseWeatherRecord(answer);
    TextArray tips = SplitTips(record.TipsText);
    CurrentWeather.Set(std::move(record));
    TipList.Set(std::move(tips));
    ApplySettingsAfterFetch();
    SplitAdviceTexts();
    if (RefreshStep fill = g_fill) {
        fill();
    }
}

// The framework hands a quit it meets while pumping back to the queue for the message loop; it
// would wake every later wait at once, and nothing is left to keep alive then.
bool QuitPending()
{
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

// The plain wait when no waitable timer is to be had: until the tick count reaches `end`, still
// pumping, and never spinning, since every round either waits for messages or sleeps.
void WaitPumpingUntil(ULONGLONG end)
{
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return;
        }
        const DWORD slice = static_cast<DWORD>(end - now < 1000 ? end - now : 1000);
        if (WaitForMessagesOr(0, nullptr, slice) == WAIT_FAILED) {
            Sleep(slice < 10 ? slice : 10);
        }
        framework::ProcessEvents();
        if (QuitPending()) {
            return;
        }
    }
}

} // namespace

void SetMainWindowUnits(const MainWindowUnits& units)
{
    g_window = units.window;
    g_refreshTimer = units.refreshTimer;
    g_skin = units.skin;
}

void SetMainWindowFill(RefreshStep fill)
{
    g_fill = fill;
}

void SetUpdateCheck(RefreshStep check)
{
    g_updateCheck = check;
}

void SetAppTrayIcon(PictureSource icon)
{
    g_appTrayIcon = icon;
}

void RefreshWeather()
{
    RefreshClaim claim;
    if (!claim.Held()) {
        return;
    }
    RunRefresh();
}

void RefreshThread(void*)
{
    RefreshWeather();
}

void StartRefresh()
{
    DelayWithMessages(kRefreshDelay, kMilliseconds);
    framework::StartThread(RefreshThread);
}

framework::EventResult StartRefresh(const framework::UnitEvent&)
{
    StartRefresh();
    return std::nullopt;
}

void ApplySettingsAfterFetch()
{
    const framework::WindowId window = g_window;
    if (window == 0) {
        return;
    }
    if (const framework::UnitId timer = g_refreshTimer; timer != 0) {
        framework::SetUnitProperty(window, timer, framework::kTimerInterval,
                                   WeatherNumber(RefreshInterval.Get()));
    }
    switch (
        ChooseAfterFetchAction(ShowTrayIcon.Get(), CheckUpdateAtStart.Get(), HideAtStart.Get())) {
    case AfterFetchAction::ShowAppTrayIcon:
        if (PictureSource icon = g_appTrayIcon) {
            framework::SetTrayIcon(window, icon(), GbkText());
        }
        break;
    case AfterFetchAction::CheckForUpdate:
        if (RefreshStep check = g_updateCheck) {
            check();
        }
        break;
    case AfterFetchAction::HideMainWindow:
        if (const framework::UnitId skin = g_skin; skin != 0) {
            framework::SetUnitProperty(window, skin, kSkinVisible, false);
        }
        break;
    case AfterFetchAction::None:
        break;
    }
}

void SplitAdviceTexts()
{
    const WeatherRecord record = CurrentWeather.Get();
    AdviceExtras extras = SplitAdvice(record.ClothesDetail, record.AirconDetail);
    ClothesExtra.Set(std::move(extras.clothes));
    AirconExtra.Set(std::move(extras.aircon));
}

bool DelayWithMessages(int32_t amount, int64_t unit)
{
    const ULONGLONG end =
        GetTickCount64() + static_cast<ULONGLONG>(DelayMilliseconds(amount, unit));
    toolkit::ScopedHandle timer(CreateWaitableTimerA(nullptr, FALSE, nullptr));
    LARGE_INTEGER dueTime;
    dueTime.QuadPart = DelayDueTime(amount, unit);
    if (!timer || !SetWaitableTimer(timer.Get(), &dueTime, 0, nullptr, nullptr, FALSE)) {
        WaitPumpingUntil(end);
        return true;
    }
    const HANDLE handles[] = {timer.Get()};
    for (;;) {
        const DWORD result = WaitForMessagesOr(1, handles, INFINITE);
        if (result == WAIT_OBJECT_0) {
            break;
        }
        if (result == WAIT_FAILED) {
            WaitPumpingUntil(end);
            break;
        }
        framework::ProcessEvents();
        if (QuitPending()) {
            break;
        }
    }
    return true;
}

} // namespace weather
