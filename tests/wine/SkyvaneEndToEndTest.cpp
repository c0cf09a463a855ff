// Skyvane.exe started as a user starts it, from a run directory of its own with VeneerCore.dll
// and a Config.ini beside it, against the local geolocation and weather services: the main
// window it shows, its notification icon, its close button and its timer, seen from outside
// the process. Screenshots go to artifacts\end-to-end.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <set>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/FixtureClient.h"
#include "tests/support/Screenshot.h"
#include "tests/support/UiDriver.h"

using testsupport::Fixture;
using testsupport::FixtureRoute;

namespace {

constexpr char kCloseQuestion[] = "\xCA\xC7\xB7\xF1\xB9\xD8\xB1\xD5\xA3\xBF"; // 是否关闭？
constexpr UINT kTrayIconId = 100;
constexpr UINT kTrayCallbackMessage = 0x8064;

// Places of the main window's units as its template stores them (client coordinates).
constexpr RECT kWeatherPicture{608, 60, 728, 160};
constexpr RECT kAlarmButton{42, 171, 194, 193};
constexpr RECT kRefreshButton{200, 171, 319, 193};
constexpr RECT kCloseButton{747, 10, 763, 26};
// Sky with nothing on it, above the weather state and left of the weather picture.
constexpr RECT kOpenSky{330, 20, 580, 70};
constexpr SIZE kLoadingPicture{208, 144};

std::string TestDirectory()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string self(path, length);
    return self.substr(0, self.find_last_of('\\'));
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string DemoFile(const char* name)
{
    return ReadWholeFile(std::string("Z:") + SKYVANE_DEMO_DIR + "/" + name);
}

// The demo answer with its weather words replaced, for a run under other skies.
std::string DemoUnder(const std::string& weather)
{
    std::string answer = DemoFile("weather.json");
    // The observation's own weather is the last "weather" before the last "weather_code".
    const std::string key = "\"weather\":\"";
    size_t code = answer.rfind("\",\"weather_code\":\"");
    size_t start = answer.rfind(key, code);
    if (code != std::string::npos && start != std::string::npos) {
        start += key.size();
        answer.replace(start, code - start, weather);
    }
    return answer;
}

void Serve(const std::string& path, const std::string& body)
{
    FixtureRoute route;
    route.path = path;
    route.headers = {"Content-Type: application/json; charset=utf-8"};
    route.body = body;
    ASSERT_TRUE(Fixture::AddRoute(route));
}

size_t RequestsTo(const std::string& path)
{
    size_t count = 0;
    for (const auto& request : Fixture::Requests()) {
        count += request.target.rfind(path, 0) == 0 ? 1 : 0;
    }
    return count;
}

size_t WeatherRequests()
{
    return RequestsTo("/weather/common");
}

size_t UpdateChecks()
{
    return RequestsTo("/webapp/json/weiyunShareNoLogin/WeiyunShareView");
}

struct Setting {
    const char* section;
    const char* key;
    const char* value;
};

// The settings of a user who has run the program before and changed nothing, the demo's alarm
// already announced (its notice would hold the main window modal while it shows).
std::vector<Setting> Settings(std::vector<Setting> changed = {})
{
    std::vector<Setting> settings = {
        {"PCS", "To", "0"},
        {"PCS", "H", "0"},
        {"AutoInfo", "To", "0"},
        {"AutoInfo", "Up", "0"},
        {"Tray", "To", "0"},
        {"Tray", "W", "0"},
        {"Auto_Refresh", "To", "0"},
        {"URL", "Gh", "0"},
        {"Info", "To", "x"},
        {"Info", "To_A", "\xBA\xAE\xC0\xE4\xBB\xC6\xC9\xAB\xD4\xA4\xBE\xAF"},
    };
    settings.insert(settings.end(), changed.begin(), changed.end());
    return settings;
}

struct WindowSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process && testsupport::WindowText(window) == "Skyvane") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}
std::string g_artifacts;

// The mean difference per colour channel (0-255) between two pictures of one size over the
// rectangle.
double MeanDifference(const testsupport::Shot& a, const testsupport::Shot& b, const RECT& area)
{
    if (a.width != b.width || a.height != b.height || area.right > a.width ||
        area.bottom > a.height) {
        return 0;
    }
    double total = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            for (int shift = 0; shift < 24; shift += 8) {
                total += std::abs(static_cast<int>((a.At(x, y) >> shift) & 0xFF) -
                                  static_cast<int>((b.At(x, y) >> shift) & 0xFF));
            }
        }
    }
    return total / (3.0 * (area.right - area.left) * (area.bottom - area.top));
}

// How many colours the rectangle holds; blank sky has few.
size_t DistinctColours(const testsupport::Shot& shot, const RECT& area)
{
    std::set<std::uint32_t> colours;
    for (int y = area.top; y < area.bottom && y < shot.height; ++y) {
        for (int x = area.left; x < area.right && x < shot.width; ++x) {
            colours.insert(shot.At(x, y));
        }
    }
    return colours.size();
}

// Screenshots need GDI+; they go to artifacts\end-to-end beside the test.
class EndToEndEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        g_artifacts = TestDirectory() + "\\artifacts";
        CreateDirectoryA(g_artifacts.c_str(), nullptr);
        g_artifacts += "\\end-to-end";
        CreateDirectoryA(g_artifacts.c_str(), nullptr);
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&m_gdiplus, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(m_gdiplus); }

private:
    ULONG_PTR m_gdiplus = 0;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new EndToEndEnvironment);

// One run of the program: its run directory, its process and its main window.
class ProgramRun {
public:
    explicit ProgramRun(const std::vector<Setting>& settings)
    {
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        static int serial = 0;
        m_path = std::string(base) + "skyvane-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(++serial);
        CreateDirectoryA(m_path.c_str(), nullptr);
        std::string bin = TestDirectory() + "\\..\\bin\\";
        for (const char* file : {"Skyvane.exe", "VeneerCore.dll"}) {
            CopyFileA((bin + file).c_str(), (m_path + "\\" + file).c_str(), FALSE);
        }
        for (const Setting& setting : settings) {
            WritePrivateProfileStringA(setting.section, setting.key, setting.value,
                                       Config().c_str());
        }
    }

    ~ProgramRun()
    {
        if (m_program) {
            m_program->End();
        }
        for (const char* file : {"Skyvane.exe", "VeneerCore.dll", "Config.ini"}) {
            DeleteFileA((m_path + "\\" + file).c_str());
        }
        RemoveDirectoryA(m_path.c_str());
    }

    std::string Config() const { return m_path + "\\Config.ini"; }

    // Starts the program and waits for its main window, shown or hidden.
    bool Launch()
    {
        m_program.emplace("\"" + m_path + "\\Skyvane.exe\"", m_path);
        if (!m_program->Started()) {
            return false;
        }
        return testsupport::PumpUntil(
            [this] {
                m_window = FindMainWindow();
                return m_window != nullptr;
            },
            std::chrono::seconds(30));
    }

    // Launch unless launched already, then the wait for the first refresh to have ended: its
    // fill has written everything by the time the loading picture goes.
    bool Start()
    {
        if (!m_program && !Launch()) {
            return false;
        }
        return testsupport::PumpUntil([this] { return WeatherRequests() > 0 && !LoadingPicture(); },
                                      std::chrono::seconds(60));
    }

    // The place of the loading picture while it exists.
    std::optional<RECT> LoadingPicture() const
    {
        for (HWND child : Children()) {
            RECT rect = ChildRect(child);
            if (rect.right - rect.left == kLoadingPicture.cx &&
                rect.bottom - rect.top == kLoadingPicture.cy) {
                return rect;
            }
        }
        return std::nullopt;
    }

    HWND Window() const { return m_window; }
    DWORD ProcessId() const { return m_program ? m_program->Id() : 0; }

    // Waits for the program to end; its exit code, or -1 when it did not end in time.
    long WaitForEnd(std::chrono::milliseconds timeout = std::chrono::seconds(30)) const
    {
        std::optional<DWORD> code = m_program ? m_program->WaitForEnd(timeout) : std::nullopt;
        return code ? static_cast<long>(*code) : -1;
    }

    // Whether the program's interface thread takes a message sent to its main window and
    // answers: it does so only once it has returned to waiting for messages, after whatever it
    // was doing when the message came.
    bool Answers() const
    {
        DWORD_PTR answer = 0;
        return SendMessageTimeoutA(m_window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 30000, &answer) != 0;
    }

    // The control whose host window lies at this place of the main window, or null.
    HWND ControlAt(const RECT& place) const
    {
        for (HWND child : Children()) {
            RECT rect = ChildRect(child);
            if (EqualRect(&place, &rect)) {
                return child;
            }
        }
        return nullptr;
    }

    // How many shown controls lie exactly at this place.
    int ShownControlsAt(const RECT& place) const
    {
        int shown = 0;
        for (HWND child : Children()) {
            RECT rect = ChildRect(child);
            shown += EqualRect(&place, &rect) && IsWindowVisible(child) ? 1 : 0;
        }
        return shown;
    }

    bool ShowsControlAt(const RECT& place) const
    {
        HWND control = ControlAt(place);
        return control != nullptr && IsWindowVisible(control);
    }

    // What the display shows of the main window now, kept as <name>.png. The program hands what
    // it painted to the display when its thread goes idle, a moment after the fill; a check of
    // the look takes the first shot that shows what it expects, within a generous time.
    testsupport::Shot
    Look(const std::string& name,
         const std::function<bool(const testsupport::Shot&)>& expected = nullptr) const
    {
        testsupport::Shot shot = testsupport::TakeShot(m_window);
        if (expected) {
            testsupport::PumpUntil(
                [&] {
                    shot = testsupport::TakeShot(m_window);
                    return expected(shot);
                },
                std::chrono::seconds(30));
        }
        std::string file = g_artifacts + "\\" + name + ".png";
        EXPECT_TRUE(testsupport::SaveShot(shot, file)) << file;
        return shot;
    }

    // Clicks a control as the mouse would, through its own window's messages.
    void Click(HWND control) const
    {
        PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }

    bool TrayIconShown() const
    {
        NOTIFYICONDATAA data{};
        data.cbSize = sizeof data;
        data.hWnd = m_window;
        data.uID = kTrayIconId;
        return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
    }

private:
    HWND FindMainWindow() const
    {
        WindowSearch search{ProcessId(), nullptr};
        EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    std::vector<HWND> Children() const
    {
        std::vector<HWND> children;
        EnumChildWindows(m_window, CollectChild, reinterpret_cast<LPARAM>(&children));
        return children;
    }

    RECT ChildRect(HWND child) const
    {
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    std::string m_path;
    std::optional<testsupport::StartedProgram> m_program;
    HWND m_window = nullptr;
};

class SkyvaneEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { ServeDemo(DemoFile("weather.json")); }

    static void ServeDemo(const std::string& weather)
    {
        ASSERT_TRUE(Fixture::Reset());
        Serve("/json/", DemoFile("geolocation.json"));
        Serve("/weather/common", weather);
    }
};

} // namespace

TEST_F(SkyvaneEndToEnd, TheMainWindowComesUpFilledAndItsLookFollowsTheWeather)
{
    testsupport::Shot cloudy;
    {
        ProgramRun run(Settings());
        ASSERT_TRUE(run.Start());
        EXPECT_TRUE(IsWindowVisible(run.Window()));
        // The weather picture shows something drawn, not blank sky.
        auto drawn = [](const testsupport::Shot& shot) {
            return DistinctColours(shot, kWeatherPicture) > 40u;
        };
        cloudy = run.Look("demo", drawn);
        EXPECT_GT(DistinctColours(cloudy, kWeatherPicture), 40u);
        // The demo carries an alarm: its button shows beside the refresh button.
        EXPECT_TRUE(run.ShowsControlAt(kAlarmButton));
        EXPECT_TRUE(run.ShowsControlAt(kRefreshButton));
        PostMessageA(run.Window(), WM_CLOSE, 0, 0);
        EXPECT_EQ(run.WaitForEnd(), 0);
    }

    ServeDemo(DemoUnder("\xE5\xB0\x8F\xE9\x9B\xAA")); // 小雪, UTF-8 as the service sends it
    ProgramRun run(Settings());
    ASSERT_TRUE(run.Start());
    testsupport::Shot snowy = run.Look("snow", [&](const testsupport::Shot& shot) {
        return MeanDifference(cloudy, shot, kWeatherPicture) > 20.0 &&
               MeanDifference(cloudy, shot, kOpenSky) > 10.0;
    });
    EXPECT_GT(MeanDifference(cloudy, snowy, kWeatherPicture), 20.0)
        << "the snow picture replaces the cloud";
    EXPECT_GT(MeanDifference(cloudy, snowy, kOpenSky), 10.0)
        << "the snow background replaces the clear sky";
}

TEST_F(SkyvaneEndToEnd, WithoutAnAlarmTheRefreshButtonSitsWhereTheAlarmButtonWas)
{
    // The detail of the alarms without a county renamed: the answer holds no alarm detail.
    std::string answer = DemoFile("weather.json");
    const std::string detail = "\",\"county\":\"\",\"detail\":\"";
    const std::string renamed = "\",\"county\":\"\",\"text\":\"";
    for (size_t at = answer.find(detail); at != std::string::npos; at = answer.find(detail, at)) {
        answer.replace(at, detail.size(), renamed);
    }
    ServeDemo(answer);
    ProgramRun run(Settings());
    ASSERT_TRUE(run.Start());
    run.Look("no-alarm");
    EXPECT_EQ(run.ControlAt(kRefreshButton), nullptr) << "the refresh button moved away";
    // Both buttons now share the alarm button's place; only the refresh button shows there.
    EXPECT_EQ(run.ShownControlsAt(kAlarmButton), 1);
}

TEST_F(SkyvaneEndToEnd, HiddenAtStartWithoutTrayIconShowsNothing)
{
    ProgramRun run(Settings({{"PCS", "H", "1"}}));
    ASSERT_TRUE(run.Start());
    EXPECT_FALSE(IsWindowVisible(run.Window()));
    EXPECT_FALSE(run.TrayIconShown());
}

TEST_F(SkyvaneEndToEnd, TheWeatherIconFollowsWithoutTheApplicationIcon)
{
    ProgramRun run(Settings({{"Tray", "W", "1"}}));
    ASSERT_TRUE(run.Start());
    EXPECT_TRUE(run.TrayIconShown());
    PostMessageA(run.Window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForEnd(), 0);
}

TEST_F(SkyvaneEndToEnd, WithTheTrayIconCloseHidesAndTheTrayMenuQuits)
{
    ProgramRun run(Settings({{"Tray", "To", "1"}}));
    ASSERT_TRUE(run.Start());
    EXPECT_TRUE(run.TrayIconShown());
    HWND close = run.ControlAt(kCloseButton);
    ASSERT_NE(close, nullptr);
    run.Click(close);
    EXPECT_TRUE(testsupport::PumpUntil([&] { return !IsWindowVisible(run.Window()); },
                                       std::chrono::seconds(30)));
    // A program that ended on the click would have destroyed its window, or left its message
    // loop: the first message is taken once the click's handler has returned, the second only
    // by a message loop that still runs.
    EXPECT_TRUE(run.Answers() && run.Answers())
        << "the program keeps running in the notification area";
    EXPECT_EQ(run.WaitForEnd(std::chrono::milliseconds(0)), -1);
    EXPECT_TRUE(run.TrayIconShown());

    // A right click on the icon pops up its menu; its last item, 彻底退出, ends the program.
    PostMessageA(run.Window(), kTrayCallbackMessage, kTrayIconId, WM_RBUTTONUP);
    HWND menu = testsupport::WaitForProcessWindow(run.ProcessId(), "#32768", nullptr,
                                                  std::chrono::seconds(30));
    ASSERT_NE(menu, nullptr);
    PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(run.WaitForEnd(), 0);
    EXPECT_FALSE(run.TrayIconShown());
}

TEST_F(SkyvaneEndToEnd, WithoutTheTrayIconCloseAsksAndYesEndsTheProgram)
{
    ProgramRun run(Settings());
    ASSERT_TRUE(run.Start());
    HWND close = run.ControlAt(kCloseButton);
    ASSERT_NE(close, nullptr);
    run.Click(close);
    HWND box =
        testsupport::WaitForProcessWindow(run.ProcessId(), "#32770", "", std::chrono::seconds(30));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(testsupport::StaticTexts(box), kCloseQuestion);
    EXPECT_EQ(GetWindow(box, GW_OWNER), run.Window());
    testsupport::PressButton(box, IDYES);
    EXPECT_EQ(run.WaitForEnd(), 0);
}

TEST_F(SkyvaneEndToEnd, TheTimerKeepsRefreshingWhileTheWindowAnswers)
{
    ProgramRun run(Settings({{"Auto_Refresh", "To", "700"}}));
    ASSERT_TRUE(run.Start());
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (WeatherRequests() < 4 && std::chrono::steady_clock::now() < end) {
        // The interface thread stays free while the timer's refreshes run.
        EXPECT_TRUE(run.Answers());
        Sleep(100);
    }
    EXPECT_GE(WeatherRequests(), 4u);
    run.Look("after-timer");
    EXPECT_TRUE(run.ShowsControlAt(kAlarmButton));
}

TEST_F(SkyvaneEndToEnd, TheLoadingPictureShowsWhileTheFirstRefreshWaitsForItsAnswer)
{
    ASSERT_TRUE(Fixture::Reset());
    Serve("/json/", DemoFile("geolocation.json"));
    FixtureRoute slow;
    slow.path = "/weather/common";
    slow.body = DemoFile("weather.json");
    slow.delayMs = 2500;
    ASSERT_TRUE(Fixture::AddRoute(slow));
    ProgramRun run(Settings());
    ASSERT_TRUE(run.Launch());
    std::optional<RECT> place;
    // Seen while the answer is held back; gone with the picture once it came.
    testsupport::PumpUntil(
        [&] {
            place = run.LoadingPicture();
            return place && place->top == 248;
        },
        std::chrono::seconds(30));
    ASSERT_TRUE(place.has_value());
    // Moved up from below the window's bottom edge into view.
    EXPECT_EQ(place->top, 248);
    EXPECT_EQ(place->left, 283);
    run.Look("loading");
    ASSERT_TRUE(run.Start());
    EXPECT_FALSE(run.LoadingPicture().has_value());
}

TEST_F(SkyvaneEndToEnd, TheUpdateCheckAtStartFollowsTheFirstRefresh)
{
    // Without the tray icon the refresh's after-fetch step checks too, so the first activation's
    // own check makes two; with the icon the after-fetch step sets the icon instead.
    const struct {
        const char* trayIcon;
        size_t checks;
    } cases[] = {{"0", 2}, {"1", 1}};
    for (const auto& c : cases) {
        ServeDemo(DemoFile("weather.json"));
        // A note without a version: nothing newer, so no question.
        Serve("/webapp/json/weiyunShareNoLogin/WeiyunShareView", "{}");
        ProgramRun run(Settings({{"AutoInfo", "Up", "1"}, {"Tray", "To", c.trayIcon}}));
        ASSERT_TRUE(run.Start()) << "tray icon " << c.trayIcon;
        // The loading picture gone, the first activation goes on to its own check, its last
        // step: the program takes the message only in that check's request, and the main window
        // stays disabled until the check is over.
        ASSERT_TRUE(run.Answers()) << "tray icon " << c.trayIcon;
        EXPECT_TRUE(testsupport::PumpUntil([&] { return IsWindowEnabled(run.Window()) != FALSE; },
                                           std::chrono::seconds(30)))
            << "tray icon " << c.trayIcon;
        EXPECT_EQ(UpdateChecks(), c.checks) << "tray icon " << c.trayIcon;
    }
}
