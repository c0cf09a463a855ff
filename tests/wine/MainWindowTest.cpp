// The main window as the program shows it, in this process: the real templates and handlers in
// the framework, the real VeneerCore.dll drawing them, the refresh fetching from the local
// fixture. What the fill wrote is read back through the framework; screenshots of the filled
// window are kept in artifacts\main-window.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "framework/Framework.h"
#include "framework/SystemServices.h"
#include "skin/VeneerLibrary.h"
#include "tests/support/FixtureClient.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestEngine.h"
#include "tests/support/UiDriver.h"
#include "toolkit/ScopedWin.h"
#include "weather/Globals.h"
#include "weather/Refresh.h"
#include "windows/MainWindowFill.h"
#include "windows/MainWindowText.h"
#include "windows/Pictures.h"
#include "windows/Templates.h"

using namespace framework;
using testsupport::Fixture;
using testsupport::FixtureRoute;
using windows::LoadPicture;
using windows::MainWindow;
using windows::PictureId;
namespace units = windows::mainunits;

namespace {

// Code page 936 texts of the cases.
constexpr char kShenzhen[] = "\xC9\xEE\xDB\xDA";                              // 深圳
constexpr char kGuangzhou[] = "\xB9\xE3\xD6\xDD";                             // 广州
constexpr char kCloseQuestion[] = "\xCA\xC7\xB7\xF1\xB9\xD8\xB1\xD5\xA3\xBF"; // 是否关闭？
constexpr char kDegreeSign[] = "\xA1\xE3";                                    // °

constexpr PropertyIndex kCaption = 20;
constexpr PropertyIndex kVisible = 8;
constexpr PropertyIndex kPicture = 16;
constexpr PropertyIndex kBackground = 15;

std::string g_configPath;
std::string g_artifacts;
DWORD g_interfaceThread = 0;

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A weather answer (UTF-8, as the service sends it) with the fields the fill shows.
std::string Answer(const std::string& weather, int degree)
{
    return "{\"data\":{\"alarm\":{},\"observe\":{\"degree\":\"" + std::to_string(degree) +
           "\",\"humidity\":\"30\",\"precipitation\":\"0\",\"pressure\":\"1000\","
           "\"update_time\":\"202612101200\",\"weather\":\"" +
           weather +
           "\",\"weather_code\":\"00\"},\"tips\":{\"observe\":{\"0\":\"多喝水~\"}}},"
           "\"message\":\"OK\",\"status\":200}";
}

void ServeWeather(const std::string& body, int delayMs = 0, bool once = false)
{
    FixtureRoute route;
    route.path = "/weather/common";
    route.headers = {"Content-Type: application/json; charset=utf-8"};
    route.body = body;
    route.delayMs = delayMs;
    route.once = once;
    ASSERT_TRUE(Fixture::AddRoute(route));
}

size_t WeatherRequests()
{
    size_t count = 0;
    for (const auto& request : Fixture::Requests()) {
        count += request.target.rfind("/weather/common", 0) == 0 ? 1 : 0;
    }
    return count;
}

PropertyValue Get(UnitId unit, PropertyIndex index)
{
    return GetUnitProperty(MainWindow, unit, index);
}

GbkText Caption(UnitId unit)
{
    return Get(unit, kCaption).AsText();
}

bool Visible(UnitId unit)
{
    return Get(unit, kVisible).AsBool();
}

// Runs work on a thread of its own while this (the interface) thread answers the framework's
// calls from it, and returns once the work is done.
void RunOnWorker(const std::function<void()>& work)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    testsupport::PumpUntil([&] { return done.load(); }, std::chrono::seconds(30));
    worker.join();
}

HWND Main()
{
    return WindowHandle(MainWindow);
}

// Whether the shell shows a notification icon for the window: modifying nothing of it succeeds
// only for an icon that is there.
bool TrayIconShown()
{
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = Main();
    data.uID = kTrayIconId;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// The ids of this program's threads.
std::set<DWORD> ThreadIds()
{
    std::set<DWORD> ids;
    toolkit::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && Thread32First(snapshot.Get(), &entry); more;
         more = Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) {
            ids.insert(entry.th32ThreadID);
        }
    }
    return ids;
}

// Pumps until every thread of this program that `before` does not hold has ended; false if one
// is still running after the time-out. The refresh button, the timer and the fill leave their
// work on threads started without a handle (the refresh, the alarm check), and only the end of
// those says the work is done; a thread is listed from its start, before it has run a line. The
// web request's own helper threads end some seconds after the last request.
bool PumpUntilNewThreadsEnd(const std::set<DWORD>& before)
{
    return testsupport::PumpUntil(
        [&] {
            for (DWORD id : ThreadIds()) {
                if (before.count(id) == 0) {
                    return false;
                }
            }
            return true;
        },
        std::chrono::seconds(60));
}

void SaveLook(const std::string& name)
{
    EXPECT_TRUE(testsupport::PumpUntilOnScreen(Main())) << name << ": not shown as painted";
    std::string file = g_artifacts + "\\" + name + ".png";
    EXPECT_TRUE(testsupport::SaveShot(testsupport::TakeShot(Main()), file)) << file;
}

// The settings as a user who changed nothing has them, the weather asked of the fixture.
void DefaultSettings()
{
    weather::RunAtStartup.Set("0");
    weather::HideAtStart.Set("0");
    weather::PushAlarms.Set("0");
    weather::CheckUpdateAtStart.Set("0");
    weather::ShowTrayIcon.Set("0");
    weather::TrayFollowsWeather.Set("0");
    weather::RefreshInterval.Set("0");
    weather::CustomLocationOn.Set("0");
}

// What the program's start hands the refresh: the main window's units and its fill.
void ConnectRefresh()
{
    weather::SetMainWindowUnits(
        {.window = MainWindow, .refreshTimer = units::AutoRefreshTimer, .skin = units::WindowSkin});
    weather::SetMainWindowFill(windows::FillMainWindow);
}

const LibraryInfo* const kLibraries[] = {nullptr, nullptr, &skin::VeneerLibraryInfo};

// The program's start without its single-instance guard and geolocation: the engine beside the
// programs in bin/, the settings file in a folder of its own, the demo answer served, then the
// main window, whose first activation runs the first refresh.
class MainWindowEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        testsupport::UseBuiltEngine();
        m_folder = testsupport::MakeTempFolder("skyvane-main");
        g_configPath = m_folder + "\\Config.ini";
        g_artifacts = testsupport::ArtifactsFolder("main-window");
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&m_gdiplus, &input, nullptr), Gdiplus::Ok);

        ASSERT_TRUE(Fixture::Reset());
        std::string demo = ReadWholeFile(std::string("Z:") + SKYVANE_DEMO_DIR + "/weather.json");
        ASSERT_FALSE(demo.empty()) << "no demo answer";
        ServeWeather(demo);

        g_interfaceThread = GetCurrentThreadId();
        ASSERT_TRUE(Initialise(kLibraries, windows::AllTemplates()));
        ASSERT_NE(skin::VeneerEngineModule(), nullptr) << "the binding found no engine";
        weather::InitGlobals();
        weather::ConfigPath.Set(g_configPath);
        weather::City.Set(kShenzhen);
        weather::WeatherUrl.Set(Fixture::HttpsBase() + "/weather/common?source=pc");
        DefaultSettings();
        // The demo's alarm counts as announced already: the notice would hold the main window
        // modal for its whole show.
        WritePrivateProfileStringA("Info", "To", "x", g_configPath.c_str());
        WritePrivateProfileStringA("Info", "To_A",
                                   "\xBA\xAE\xC0\xE4\xBB\xC6\xC9\xAB\xD4\xA4\xBE\xAF",
                                   g_configPath.c_str());
        ConnectRefresh();

        ASSERT_TRUE(LoadWindow(MainWindow));
        SetForegroundWindow(Main());
        ASSERT_TRUE(testsupport::PumpUntil([] { return Get(units::LoadingPicture, 1).IsEmpty(); },
                                           std::chrono::seconds(60)))
            << "the first activation did not end";
    }

    void TearDown() override
    {
        CloseUnit(MainWindow, units::Window);
        testsupport::HandleWaitingMessages();
        DeleteFileA(g_configPath.c_str());
        RemoveDirectoryA(m_folder.c_str());
        Gdiplus::GdiplusShutdown(m_gdiplus);
    }

private:
    std::string m_folder;
    ULONG_PTR m_gdiplus = 0;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new MainWindowEnvironment);

class MainWindowFill : public ::testing::Test {
protected:
    void SetUp() override
    {
        DefaultSettings();
        weather::City.Set(kShenzhen);
        WritePrivateProfileStringA("URL", "City_", nullptr, g_configPath.c_str());
        SetTrayIcon(MainWindow);
        ShowWindow(Main(), SW_SHOWNORMAL);
        SetUnitProperty(MainWindow, units::Window, windowprop::kVisible, true);
        SetUnitProperty(MainWindow, units::WindowSkin, kVisible, true);
    }
    void TearDown() override { SetTrayIcon(MainWindow); }

    // Fills the window from this record on the interface thread, as the first refresh does.
    // Remembers the alarm title first, so that the alarm check finds nothing new to announce.
    static void Fill(const weather::WeatherRecord& record, const GbkText& expectedTitle = "")
    {
        WritePrivateProfileStringA("Info", "To", "x", g_configPath.c_str());
        WritePrivateProfileStringA("Info", "To_A", expectedTitle.c_str(), g_configPath.c_str());
        weather::CurrentWeather.Set(record);
        const std::set<DWORD> before = ThreadIds();
        windows::FillMainWindow();
        // The alarm check the fill starts: done before the next fill remembers another alarm.
        EXPECT_TRUE(PumpUntilNewThreadsEnd(before)) << "the alarm check did not end";
    }

    static weather::WeatherRecord Record(const GbkText& weatherText, const GbkText& alarm = "")
    {
        weather::WeatherRecord record;
        record.WeatherText = weatherText;
        record.Degree = 12;
        record.Humidity = 40;
        record.Pressure = 1015;
        record.UpdateTime = "202612101200";
        record.AlarmDetail = alarm;
        return record;
    }
};

} // namespace

TEST_F(MainWindowFill, TheFirstActivationShowsTheDemoAnswer)
{
    // 17, 45 and 1021 are the demo's observation; its first alarm without a county is the cold
    // alarm of Shenzhen.
    EXPECT_EQ(Caption(units::TemperatureLabel), std::string("17") + kDegreeSign + "C");
    EXPECT_EQ(Caption(units::HumidityLabel), "\xCA\xAA\xB6\xC8\xA3\xBA"
                                             "45%");
    EXPECT_EQ(Caption(units::PressureLabel), "\xC6\xF8\xD1\xB9\xA3\xBA"
                                             "1021hPa");
    EXPECT_EQ(Caption(units::WeatherStateLabel), "\xB6\xE0\xD4\xC6"); // 多云
    EXPECT_EQ(Caption(units::AreaTimeLabel), windows::AreaLine("", kShenzhen, "202612101030"));
    EXPECT_TRUE(Visible(units::AreaTimeLabel));
    EXPECT_EQ(Caption(units::AlarmButton), "\xBA\xAE\xC0\xE4\xBB\xC6\xC9\xAB\xD4\xA4\xBE\xAF")
        << "寒冷黄色预警";
    EXPECT_EQ(weather::AlarmTitle.Get(), Caption(units::AlarmButton));
    // The demo's three tips, their Chinese characters only.
    const GbkText tips[] = {
        "\xCC\xEC\xC6\xF8\xD3\xD0\xB5\xE3\xC0\xE4\xB3\xF6\xC3\xC5\xBC\xC7\xB5\xC3\xB6\xE0\xB4\xA9"
        "\xBC\xFE\xCD\xE2\xCC\xD7~",
        "\xB7\xE7\xD3\xD0\xB5\xE3\xB4\xF3\xD7\xA2\xD2\xE2\xB7\xC0\xB7\xE7\xB1\xA3\xC5\xAF~",
        "\xBD\xF1\xCC\xEC\xBF\xD5\xC6\xF8\xB8\xC9\xD4\xEF\xBC\xC7\xB5\xC3\xB6\xE0\xBA\xC8\xCB\xAE~",
    };
    GbkText tip = Caption(units::TipLabel);
    EXPECT_TRUE(tip == tips[0] || tip == tips[1] || tip == tips[2]) << tip;
    // Cloudy weather: the cloud picture on the clear-sky background.
    EXPECT_EQ(Get(units::WeatherPicture, kPicture).AsBytes(),
              LoadPicture(PictureId::CloudyPicture));
    EXPECT_EQ(Get(units::WindowSkin, kBackground).AsBytes(),
              LoadPicture(PictureId::SunnyBackground));
    EXPECT_EQ(weather::WeatherImage.Get(), LoadPicture(PictureId::SunnyBackground));
    for (UnitId shown :
         {units::AlarmButton, units::RefreshButton, units::AirconPicture, units::UmbrellaPicture,
          units::ClothesPicture, units::AirconLabel, units::UmbrellaLabel, units::ClothesLabel}) {
        EXPECT_TRUE(Visible(shown)) << "unit " << shown;
    }
    EXPECT_FALSE(Get(units::AirconPicture, 0).IsEmpty());
    SaveLook("demo");
}

TEST_F(MainWindowFill, NumbersCarryTheirUnitsAndTheAreaLineTheCustomCity)
{
    weather::WeatherRecord record = Record("\xC7\xE7"); // 晴
    record.Degree = -3;
    record.Humidity = 85;
    record.Pressure = 1012;
    record.UpdateTime = "12:30";
    Fill(record);
    EXPECT_EQ(Caption(units::TemperatureLabel), std::string("-3") + kDegreeSign + "C");
    EXPECT_EQ(Caption(units::HumidityLabel), "\xCA\xAA\xB6\xC8\xA3\xBA"
                                             "85%");
    EXPECT_EQ(Caption(units::PressureLabel), "\xC6\xF8\xD1\xB9\xA3\xBA"
                                             "1012hPa");
    EXPECT_EQ(Caption(units::AreaTimeLabel), "\xCB\xF9\xD4\xDA\xC7\xF8\xD3\xF2\xA3\xBA" +
                                                 std::string(kShenzhen) +
                                                 " \xB8\xFC\xD0\xC2\xCA\xB1\xBC\xE4\xA3\xBA"
                                                 "12:30");

    // A city typed into the settings shows even though the refresh used the located one.
    WritePrivateProfileStringA("URL", "City_", kGuangzhou, g_configPath.c_str());
    Fill(record);
    EXPECT_EQ(Caption(units::AreaTimeLabel), windows::AreaLine(kGuangzhou, "", "12:30"));
}

TEST_F(MainWindowFill, TheFirstKeywordOfTheTableChoosesPictureAndBackground)
{
    const struct {
        const char* weather;
        const char* readable;
        PictureId picture;
        PictureId background;
    } cases[] = {
        {"\xB6\xE0\xD4\xC6\xD7\xAA\xC7\xE7", "多云转晴", PictureId::SunnyPicture,
         PictureId::SunnyBackground},
        {"\xD0\xA1\xD3\xEA\xD7\xAA\xB6\xE0\xD4\xC6", "小雨转多云", PictureId::CloudyPicture,
         PictureId::SunnyBackground},
        {"\xD2\xF5", "阴", PictureId::OvercastPicture, PictureId::OvercastBackground},
        {"\xB4\xF3\xD3\xEA", "大雨", PictureId::RainPicture, PictureId::RainBackground},
        {"\xD5\xF3\xD1\xA9", "阵雪", PictureId::SnowPicture, PictureId::SnowBackground},
        {"\xCB\xAA\xB6\xB3", "霜冻", PictureId::FrostPicture, PictureId::SnowBackground},
        {"\xD1\xEF\xC9\xB3", "扬沙", PictureId::SandPicture, PictureId::OvercastBackground},
        {"\xB4\xF3\xCE\xED", "大雾", PictureId::FogPicture, PictureId::OvercastBackground},
    };
    for (const auto& c : cases) {
        Fill(Record(c.weather));
        EXPECT_EQ(Caption(units::WeatherStateLabel), c.weather) << c.readable;
        EXPECT_EQ(Get(units::WeatherPicture, kPicture).AsBytes(), LoadPicture(c.picture))
            << c.readable;
        ByteSet background = LoadPicture(c.background);
        EXPECT_EQ(Get(units::WindowSkin, kBackground).AsBytes(), background) << c.readable;
        EXPECT_EQ(weather::WeatherImage.Get(), background) << c.readable;
    }
    Fill(Record("\xB4\xF3\xD1\xA9")); // 大雪
    SaveLook("snow");
}

TEST_F(MainWindowFill, WeatherWithoutAKeywordKeepsTheLastLook)
{
    weather::TrayFollowsWeather.Set("1");
    Fill(Record("\xB4\xF3\xD3\xEA")); // 大雨
    ASSERT_TRUE(TrayIconShown());
    SetTrayIcon(MainWindow);
    Fill(Record("\xB8\xA1\xB3\xBE")); // 浮尘: none of the keywords
    EXPECT_EQ(Caption(units::WeatherStateLabel), "\xB8\xA1\xB3\xBE");
    EXPECT_EQ(Get(units::WeatherPicture, kPicture).AsBytes(), LoadPicture(PictureId::RainPicture));
    EXPECT_EQ(Get(units::WindowSkin, kBackground).AsBytes(),
              LoadPicture(PictureId::RainBackground));
    EXPECT_EQ(weather::WeatherImage.Get(), LoadPicture(PictureId::RainBackground));
    EXPECT_FALSE(TrayIconShown()) << "no keyword, no weather icon";
}

TEST_F(MainWindowFill, TheWeatherIconFollowsOnlyWhenAsked)
{
    const struct {
        const char* follows;
        const char* showTray;
        bool shown;
    } cases[] = {{"1", "0", true}, {"1", "1", true}, {"0", "1", false}, {"", "0", false}};
    for (const auto& c : cases) {
        SetTrayIcon(MainWindow);
        weather::TrayFollowsWeather.Set(c.follows);
        weather::ShowTrayIcon.Set(c.showTray);
        Fill(Record("\xC7\xE7"));
        EXPECT_EQ(TrayIconShown(), c.shown) << "W=" << c.follows << " To=" << c.showTray;
    }
}

TEST_F(MainWindowFill, TheAlarmLineTakesTheTitleOutOfRealisticAlarms)
{
    const struct {
        const char* readable;
        const char* city;
        const char* detail;
        const char* title;
    } cases[] = {
        // 深圳市气象台12月10日09时发布寒冷黄色预警信号：受强冷空气影响……
        {"issued by the city's station, then 信号", kShenzhen,
         "\xC9\xEE\xDB\xDA\xCA\xD0\xC6\xF8\xCF\xF3\xCC\xA8"
         "12\xD4\xC2"
         "10\xC8\xD5"
         "09\xCA\xB1"
         "\xB7\xA2\xB2\xBC\xBA\xAE\xC0\xE4\xBB\xC6\xC9\xAB\xD4\xA4\xBE\xAF\xD0\xC5\xBA\xC5\xA3\xBA"
         "\xCA\xDC\xC7\xBF\xC0\xE4\xBF\xD5\xC6\xF8\xD3\xB0\xCF\xEC",
         "\xBA\xAE\xC0\xE4\xBB\xC6\xC9\xAB\xD4\xA4\xBE\xAF"},
        // 广州市气象台发布暴雨橙色预警，请注意防御。
        {"发布 up to the comma", kGuangzhou,
         "\xB9\xE3\xD6\xDD\xCA\xD0\xC6\xF8\xCF\xF3\xCC\xA8\xB7\xA2\xB2\xBC\xB1\xA9\xD3\xEA\xB3\xC8"
         "\xC9\xAB\xD4\xA4\xBE\xAF\xA3\xAC\xC7\xEB\xD7\xA2\xD2\xE2\xB7\xC0\xD3\xF9\xA1\xA3",
         "\xB1\xA9\xD3\xEA\xB3\xC8\xC9\xAB\xD4\xA4\xBE\xAF"},
        // 大风蓝色预警：预计今天将出现大风。 No cut gives a title with 预警: the text before ：.
        {"only the text before the colon", kShenzhen,
         "\xB4\xF3\xB7\xE7\xC0\xB6\xC9\xAB\xD4\xA4\xBE\xAF\xA3\xBA\xD4\xA4\xBC\xC6\xBD\xF1\xCC\xEC"
         "\xBD\xAB\xB3\xF6\xCF\xD6\xB4\xF3\xB7\xE7\xA1\xA3",
         "\xB4\xF3\xB7\xE7\xC0\xB6\xC9\xAB\xD4\xA4\xBE\xAF"},
        // 请注意防范 holds no marker at all: an empty title on a button that shows.
        {"no marker", kShenzhen, "\xC7\xEB\xD7\xA2\xD2\xE2\xB7\xC0\xB7\xB6", ""},
    };
    for (const auto& c : cases) {
        weather::City.Set(c.city);
        Fill(Record("\xC7\xE7", c.detail), c.title);
        EXPECT_TRUE(Visible(units::AlarmButton)) << c.readable;
        EXPECT_EQ(Caption(units::AlarmButton), c.title) << c.readable;
        EXPECT_EQ(weather::AlarmTitle.Get(), c.title) << c.readable;
    }
}

// The other fills keep the notice away by remembering their alarm first; this one does not: a
// fresh alarm is remembered by the check the fill starts, and the notice comes up over the
// main window.
TEST_F(MainWindowFill, AFreshAlarmIsRememberedAndAnnounced)
{
    WritePrivateProfileStringA("Info", "To", "an older alarm", g_configPath.c_str());
    WritePrivateProfileStringA("Info", "To_A", "older", g_configPath.c_str());
    // 发布大风蓝色预警信号：请注意防风。
    const GbkText detail =
        "\xB7\xA2\xB2\xBC\xB4\xF3\xB7\xE7\xC0\xB6\xC9\xAB\xD4\xA4\xBE\xAF"
        "\xD0\xC5\xBA\xC5\xA3\xBA\xC7\xEB\xD7\xA2\xD2\xE2\xB7\xC0\xB7\xE7\xA1\xA3";
    const GbkText title = "\xB4\xF3\xB7\xE7\xC0\xB6\xC9\xAB\xD4\xA4\xBE\xAF"; // 大风蓝色预警
    weather::CurrentWeather.Set(Record("\xC7\xE7", detail));
    windows::FillMainWindow();
    EXPECT_TRUE(
        testsupport::PumpUntil([] { return WindowHandle(windows::AlarmPopupWindow) != nullptr; },
                               std::chrono::seconds(30)))
        << "no notice";
    auto remembered = [](const char* key) {
        char value[256] = {};
        GetPrivateProfileStringA("Info", key, "", value, sizeof value, g_configPath.c_str());
        return GbkText(value);
    };
    EXPECT_EQ(remembered("To"), detail);
    EXPECT_EQ(remembered("To_A"), title);
    EXPECT_EQ(GetUnitProperty(windows::AlarmPopupWindow, windows::alarmpopupunits::AlarmTitleLabel,
                              kCaption)
                  .AsText(),
              title);
    EXPECT_FALSE(IsWindowEnabled(Main())) << "the notice is modal over the main window";
    CloseUnit(windows::AlarmPopupWindow, windows::alarmpopupunits::Window);
    EXPECT_TRUE(IsWindowEnabled(Main()));
    // The notice's slide goes on on its own thread until its next step finds the notice gone;
    // it acts only on the notice it was started for, so it cannot reach a later one.
    testsupport::HandleWaitingMessages();
}

TEST_F(MainWindowFill, EscapedLineBreaksLeaveTheAlarmDetail)
{
    // The answer's "\n" pairs arrive as a backslash and an n; a backslash without an n behind it
    // stays.
    GbkText detail = "\xB7\xA2\xB2\xBC\xBA\xAE\xC0\xE4\xD4\xA4\xBE\xAF\xD0\xC5\xBA\xC5\\n"
                     "1.\xB1\xA3\xC5\xAF\\n2.\xB7\xC0\xB6\xB3 C:\\";
    Fill(Record("\xC7\xE7", detail), "\xBA\xAE\xC0\xE4\xD4\xA4\xBE\xAF");
    EXPECT_EQ(weather::CurrentWeather.Get().AlarmDetail,
              "\xB7\xA2\xB2\xBC\xBA\xAE\xC0\xE4\xD4\xA4\xBE\xAF\xD0\xC5\xBA\xC5"
              "1.\xB1\xA3\xC5\xAF"
              "2.\xB7\xC0\xB6\xB3 C:\\");
    EXPECT_EQ(Caption(units::AlarmButton), "\xBA\xAE\xC0\xE4\xD4\xA4\xBE\xAF");
}

TEST_F(MainWindowFill, WithoutAnAlarmTheRefreshButtonTakesTheAlarmButtonsPlace)
{
    GbkText alarm =
        "\xB7\xA2\xB2\xBC\xBA\xAE\xC0\xE4\xD4\xA4\xBE\xAF\xD0\xC5\xBA\xC5"; // 发布寒冷预警信号
    GbkText title = "\xBA\xAE\xC0\xE4\xD4\xA4\xBE\xAF";
    Fill(Record("\xC7\xE7", alarm), title);
    RECT alarmPlace{};
    GetWindowRect(UnitWindowHandle(MainWindow, units::AlarmButton), &alarmPlace);
    MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&alarmPlace), 2);

    Fill(Record("\xC7\xE7"));
    EXPECT_FALSE(Visible(units::AlarmButton));
    EXPECT_TRUE(Visible(units::RefreshButton));
    EXPECT_EQ(Get(units::RefreshButton, 0).AsInt(), 42);
    EXPECT_EQ(Get(units::RefreshButton, 2).AsInt(), Get(units::TemperatureLabel, 2).AsInt());
    EXPECT_EQ(Get(units::RefreshButton, 2).AsInt(), 152);
    EXPECT_EQ(weather::AlarmTitle.Get(), title) << "the last alarm's title stays";
    SaveLook("no-alarm");

    // An alarm again: its button comes back where it was, the refresh button stays moved.
    Fill(Record("\xC7\xE7", alarm), title);
    EXPECT_TRUE(Visible(units::AlarmButton));
    RECT again{};
    GetWindowRect(UnitWindowHandle(MainWindow, units::AlarmButton), &again);
    MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&again), 2);
    EXPECT_TRUE(EqualRect(&alarmPlace, &again));
    EXPECT_EQ(Get(units::RefreshButton, 0).AsInt(), 42);
}

TEST_F(MainWindowFill, TheTipShowsOnlyItsChineseCharacters)
{
    // 多喝水! → 多喝水~; a tip of no Chinese characters is the tilde alone.
    weather::TipList.Set({"Tip: \xB6\xE0\xBA\xC8\xCB\xAE!"});
    Fill(Record("\xC7\xE7"));
    EXPECT_EQ(Caption(units::TipLabel), "\xB6\xE0\xBA\xC8\xCB\xAE~");
    weather::TipList.Set({"stay in"});
    Fill(Record("\xC7\xE7"));
    EXPECT_EQ(Caption(units::TipLabel), "~");
    weather::TipList.Set({});
    Fill(Record("\xC7\xE7"));
    EXPECT_EQ(Caption(units::TipLabel), "~") << "no tips leave the label as it was";
}

TEST_F(MainWindowFill, EveryTipCanComeUpFromRefreshThreads)
{
    weather::TipList.Set({"\xD2\xBB", "\xB6\xFE", "\xC8\xFD"}); // 一 二 三
    std::set<GbkText> seen;
    for (int i = 0; i < 40 && seen.size() < 3; ++i) {
        RunOnWorker([] { windows::FillMainWindow(); });
        seen.insert(Caption(units::TipLabel));
    }
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(MainWindowFill, TheTimerHandsItsRefreshToAnotherThread)
{
    static std::atomic<DWORD> fillThread{0};
    weather::SetMainWindowFill([] {
        fillThread = GetCurrentThreadId();
        windows::FillMainWindow();
    });
    fillThread = 0;
    size_t before = WeatherRequests();
    const std::set<DWORD> threads = ThreadIds();
    SetUnitProperty(MainWindow, units::AutoRefreshTimer, kTimerInterval, 200);
    bool filled = testsupport::PumpUntil([] { return fillThread != 0; }, std::chrono::seconds(30));
    // The refresh gave the timer the interval of the settings, "0": stopped.
    SetUnitProperty(MainWindow, units::AutoRefreshTimer, kTimerInterval, 0);
    // The fill has begun; the refreshes the timer started (a second tick may have come first)
    // end with it.
    EXPECT_TRUE(PumpUntilNewThreadsEnd(threads)) << "a refresh did not end";
    ConnectRefresh();
    ASSERT_TRUE(filled);
    EXPECT_NE(fillThread.load(), g_interfaceThread);
    EXPECT_GT(WeatherRequests(), before);
    EXPECT_EQ(Caption(units::TemperatureLabel), std::string("17") + kDegreeSign + "C");
}

TEST_F(MainWindowFill, OverlappingRefreshesLeaveOneWholeAnswer)
{
    ASSERT_TRUE(Fixture::Reset());
    // A quick rainy answer first, then a slow clear one (the fixture takes the routes added last
    // first), and the rainy one for any refresh after those: whichever the window ends with, its
    // number, weather and picture come from the same answer.
    ServeWeather(Answer("大雨", 9));
    ServeWeather(Answer("晴", 5), 600, true);
    ServeWeather(Answer("大雨", 9), 0, true);
    WritePrivateProfileStringA("Info", "To", "x", g_configPath.c_str());
    const std::set<DWORD> threads = ThreadIds();
    // A refresh on a thread of its own, the refresh button's on this thread and a timer's, all
    // at once.
    RunOnWorker([] {
        std::thread timer([] { weather::StartRefresh(); });
        weather::RefreshWeather();
        timer.join();
    });
    weather::StartRefresh();
    ASSERT_TRUE(PumpUntilNewThreadsEnd(threads)) << "a refresh did not end";
    EXPECT_GE(WeatherRequests(), 2u) << "the refreshes did not overlap the slow one";

    GbkText degree = Caption(units::TemperatureLabel);
    GbkText state = Caption(units::WeatherStateLabel);
    ByteSet picture = Get(units::WeatherPicture, kPicture).AsBytes();
    bool clear = degree == std::string("5") + kDegreeSign + "C" && state == "\xC7\xE7" &&
                 picture == LoadPicture(PictureId::SunnyPicture);
    bool rainy = degree == std::string("9") + kDegreeSign + "C" && state == "\xB4\xF3\xD3\xEA" &&
                 picture == LoadPicture(PictureId::RainPicture);
    EXPECT_TRUE(clear || rainy) << degree << " " << state;

    ASSERT_TRUE(Fixture::Reset());
    std::string demo = ReadWholeFile(std::string("Z:") + SKYVANE_DEMO_DIR + "/weather.json");
    ServeWeather(demo);
}

class MainWindowEvents : public MainWindowFill {};

TEST_F(MainWindowEvents, WithTheTrayIconTheCloseButtonOnlyHides)
{
    weather::ShowTrayIcon.Set("1");
    // A question would hold this thread until answered; the watcher answers it, so that the
    // test can tell it came.
    testsupport::BoxWatcher questions([](HWND) { return IDNO; });
    PostMessageA(UnitWindowHandle(MainWindow, units::CloseButton), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM(8, 8));
    PostMessageA(UnitWindowHandle(MainWindow, units::CloseButton), WM_LBUTTONUP, 0,
                 MAKELPARAM(8, 8));
    ASSERT_TRUE(
        testsupport::PumpUntil([] { return !IsWindowVisible(Main()); }, std::chrono::seconds(30)));
    // Once the click's messages and whatever its handler posted are handled, a question it
    // asked has come and been answered.
    ASSERT_TRUE(testsupport::PumpPostedMessages());
    EXPECT_EQ(questions.Stop(), 0) << "no question";

    // The icon's kinds: a single click does nothing, a double click shows window and skin.
    PostMessageA(Main(), kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP);
    ASSERT_TRUE(testsupport::PumpPostedMessages());
    EXPECT_FALSE(IsWindowVisible(Main()));
    PostMessageA(Main(), kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(testsupport::PumpPostedMessages());
    EXPECT_TRUE(IsWindowVisible(Main()));
    EXPECT_TRUE(Visible(units::WindowSkin));
}

TEST_F(MainWindowEvents, WithoutTheTrayIconTheCloseButtonAsksAndNoKeepsTheWindow)
{
    testsupport::BoxAnswerer answerer("", IDNO);
    PostMessageA(UnitWindowHandle(MainWindow, units::CloseButton), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM(8, 8));
    PostMessageA(UnitWindowHandle(MainWindow, units::CloseButton), WM_LBUTTONUP, 0,
                 MAKELPARAM(8, 8));
    std::atomic<bool> done{false};
    std::thread joiner([&] {
        answerer.Join();
        done = true;
    });
    testsupport::PumpUntil([&] { return done.load(); }, std::chrono::seconds(90));
    joiner.join();
    const testsupport::BoxSeen& seen = answerer.Join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, kCloseQuestion);
    EXPECT_EQ(seen.owner, Main());
    // What the handler posted after the answer, a close among it, is handled too.
    ASSERT_TRUE(testsupport::PumpPostedMessages());
    EXPECT_NE(Main(), nullptr);
    EXPECT_TRUE(IsWindowVisible(Main()));
}

TEST_F(MainWindowEvents, TheMinimiseButtonMinimises)
{
    PostMessageA(UnitWindowHandle(MainWindow, units::MinimiseButton), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM(8, 8));
    PostMessageA(UnitWindowHandle(MainWindow, units::MinimiseButton), WM_LBUTTONUP, 0,
                 MAKELPARAM(8, 8));
    EXPECT_TRUE(
        testsupport::PumpUntil([] { return IsIconic(Main()) != FALSE; }, std::chrono::seconds(30)));
    ShowWindow(Main(), SW_RESTORE);
    testsupport::HandleWaitingMessages();
}

TEST_F(MainWindowEvents, TheAlarmButtonAndAdvicePicturesOpenTheirWindowsModally)
{
    const struct {
        UnitId unit;
        WindowId window;
        const char* readable;
    } cases[] = {
        {units::AlarmButton, windows::AlarmDetailWindow, "alarm detail"},
        {units::AirconPicture, windows::AirconAdviceWindow, "air conditioner"},
        {units::ClothesPicture, windows::ClothesAdviceWindow, "clothes"},
        {units::UmbrellaPicture, windows::UmbrellaAdviceWindow, "umbrella"},
    };
    Fill(Record("\xC7\xE7", "\xB7\xA2\xB2\xBC\xBA\xAE\xC0\xE4\xD4\xA4\xBE\xAF\xD0\xC5\xBA\xC5"),
         "\xBA\xAE\xC0\xE4\xD4\xA4\xBE\xAF");
    for (const auto& c : cases) {
        HWND host = UnitWindowHandle(MainWindow, c.unit);
        PostMessageA(host, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        PostMessageA(host, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
        ASSERT_TRUE(testsupport::PumpUntil([&] { return WindowHandle(c.window) != nullptr; },
                                           std::chrono::seconds(30)))
            << c.readable;
        EXPECT_EQ(GetWindow(WindowHandle(c.window), GW_OWNER), Main()) << c.readable;
        EXPECT_FALSE(IsWindowEnabled(Main())) << c.readable << ": the main window takes no input";
        CloseUnit(c.window, 1);
        testsupport::HandleWaitingMessages();
        EXPECT_TRUE(IsWindowEnabled(Main())) << c.readable;
    }
}

namespace {

// On a thread of its own: waits for a pop-up menu of this process, goes down `downs` items and
// chooses that one, as the keyboard would. Join before reading `found`.
class MenuChooser {
public:
    explicit MenuChooser(int downs)
        : m_thread([this, downs] {
              // As long as the test pumps for what the item does: a loaded machine may take
              // that long to handle the click that opens the menu.
              HWND menu =
                  testsupport::WaitForTopWindow("#32768", nullptr, std::chrono::seconds(30));
              m_found = menu != nullptr;
              if (menu == nullptr) {
                  return;
              }
              for (int i = 0; i < downs; ++i) {
                  PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
              }
              PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
          })
    {
    }
    ~MenuChooser() { Join(); }

    bool Join()
    {
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_found;
    }

private:
    bool m_found = false;
    std::thread m_thread;
};

} // namespace

TEST_F(MainWindowEvents, TheMenuButtonsItemsOpenSettingsAndAboutModally)
{
    const struct {
        int downs;
        WindowId window;
        const char* readable;
    } cases[] = {
        {1, windows::SettingsWindow, "设置"},
        {2, windows::AboutWindow, "关于"},
    };
    for (const auto& c : cases) {
        MenuChooser chooser(c.downs);
        HWND button = UnitWindowHandle(MainWindow, units::MenuButton);
        PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 8));
        PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(8, 8));
        bool opened = testsupport::PumpUntil([&] { return WindowHandle(c.window) != nullptr; },
                                             std::chrono::seconds(30));
        EXPECT_TRUE(chooser.Join()) << c.readable << ": no menu popped up";
        ASSERT_TRUE(opened) << c.readable;
        EXPECT_EQ(GetWindow(WindowHandle(c.window), GW_OWNER), Main()) << c.readable;
        EXPECT_FALSE(IsWindowEnabled(Main())) << c.readable;
        CloseUnit(c.window, 1);
        testsupport::HandleWaitingMessages();
        EXPECT_TRUE(IsWindowEnabled(Main())) << c.readable;
    }
}

TEST_F(MainWindowEvents, TheTrayMenusFirstItemShowsTheHiddenWindow)
{
    SetUnitProperty(MainWindow, units::WindowSkin, kVisible, false);
    SetUnitProperty(MainWindow, units::Window, windowprop::kVisible, false);
    ASSERT_FALSE(IsWindowVisible(Main()));
    MenuChooser chooser(1);
    PostMessageA(Main(), kTrayCallbackMessage, kTrayIconId, WM_RBUTTONUP);
    bool shown = testsupport::PumpUntil([] { return IsWindowVisible(Main()) != FALSE; },
                                        std::chrono::seconds(30));
    EXPECT_TRUE(chooser.Join()) << "no menu popped up";
    EXPECT_TRUE(shown);
    EXPECT_TRUE(Visible(units::WindowSkin));
}
