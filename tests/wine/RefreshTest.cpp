// The weather refresh against the local fixture as the weather and geolocation services,
// through the real WinHttp and WinINet objects, with its boxes answered as a user would and its
// after-fetch actions landing on a real main window whose skin control lives in the recording
// stand-in for the engine.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/EngineInterface.h"
#include "framework/Framework.h"
#include "framework/SystemServices.h"
#include "skin/VeneerLibrary.h"
#include "tests/support/FixtureClient.h"
#include "tests/support/TestEngine.h"
#include "tests/support/ThreadCatcher.h"
#include "tests/support/UiDriver.h"
#include "weather/Globals.h"
#include "weather/Refresh.h"
#include "weather/Startup.h"
#include "windows/Pictures.h"

using namespace std::chrono_literals;
using testsupport::BoxAnswerer;
using testsupport::Fixture;
using testsupport::FixtureRoute;
using testsupport::PumpUntil;

namespace {

// Test data is written in UTF-8 and compared in code page 936, as the program holds it.
std::string Gbk(const std::string& utf8)
{
    int wideLength =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        wideLength);
    int length = WideCharToMultiByte(936, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(936, 0, wide.data(), wideLength, text.data(), length, nullptr, nullptr);
    return text;
}

std::string DemoAnswer()
{
    std::ifstream file(SKYVANE_DEMO_DIR "/weather.json", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

const std::string kQuestion = Gbk("主天气信息获取失败，是否继续？");
const std::string kSwitched = Gbk("天气信息获取失败，已切换至 自动获取 模式\r\n\r\n"
                                  "如想继续自定义位置，请重新设置");
const std::string kInfoTitle = Gbk("信息：");

const std::string kBeijingAnswer =
    "{\"status\":\"success\",\"country\":\"中国\",\"regionName\":\"北京市\",\"city\":\"北京\","
    "\"zip\":\"\",\"query\":\"1.2.3.4\"}";

constexpr char kWeatherPath[] = "/weather/common";

// ---- the main window ----------------------------------------------------------------------------

constexpr framework::WindowId kMain = 1;
constexpr framework::UnitId kOwn = 1;
constexpr framework::UnitId kTimer = 2;
constexpr framework::UnitId kSkin = 3;

constexpr framework::StoredProperty kTimerStored[] = {{framework::kTimerInterval, 0}};
const framework::UnitTemplate kUnits[] = {
    {.id = kTimer, .type = framework::kTypeTimer, .name = "timer", .properties = kTimerStored},
    {.id = kSkin, .type = 0x30001, .name = "skin", .left = 4, .top = 4, .width = 24, .height = 24},
};
const framework::WindowTemplate kMainTemplate = {.id = kMain,
                                                 .unit = kOwn,
                                                 .name = "main",
                                                 .caption = "refresh",
                                                 .width = 300,
                                                 .height = 200,
                                                 .units = kUnits};
const framework::WindowTemplate* const kTemplates[] = {&kMainTemplate};
const framework::LibraryInfo* const kLibraries[] = {nullptr, nullptr, &skin::VeneerLibraryInfo};

const char*(ENGINE_CALL* g_engineLog)() = nullptr;
void(ENGINE_CALL* g_engineClear)() = nullptr;
std::string g_engineFolder;

// The stand-in engine is found on the search path, as an engine installed elsewhere would be.
class RefreshEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        g_engineFolder = testsupport::InstallRecordingEngine("skyvane-refresh");
        ASSERT_FALSE(g_engineFolder.empty());

        ASSERT_TRUE(framework::Initialise(kLibraries, kTemplates));
        auto module = static_cast<HMODULE>(skin::VeneerEngineModule());
        ASSERT_NE(module, nullptr);
        testsupport::HookEngine(module, "Recording_Log", g_engineLog);
        testsupport::HookEngine(module, "Recording_Clear", g_engineClear);
        weather::SetMainWindowUnits({.window = kMain, .refreshTimer = kTimer, .skin = kSkin});
        weather::SetAppTrayIcon(
            [] { return windows::LoadPicture(windows::PictureId::AppTrayIcon); });
    }

    void TearDown() override { testsupport::RemoveRecordingEngine(g_engineFolder); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new RefreshEnvironment);

// What the fill saw when the refresh handed over to it.
struct FillSeen {
    std::atomic<int> calls{0};
    std::string clothesExtra;
};
FillSeen g_fill;
void RecordFill()
{
    g_fill.clothesExtra = weather::ClothesExtra.Get();
    ++g_fill.calls;
}

std::atomic<int> g_updateChecks{0};
void CountUpdateCheck()
{
    ++g_updateChecks;
}

// Runs `work` on a worker thread, as the timer's refreshes run, while this thread pumps the
// windows' messages as the interface thread's loop does.
void OnWorker(const std::function<void()>& work)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }, 60s));
    worker.join();
}

BOOL CALLBACK CollectQuestion(HWND window, LPARAM found)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
        std::strcmp(className, "#32770") == 0 && testsupport::WindowText(window).empty()) {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    }
    return TRUE;
}

// The refresh's questions "是否继续？" that are up, on whichever threads asked them.
std::vector<HWND> QuestionsShown()
{
    std::vector<HWND> shown;
    EnumWindows(CollectQuestion, reinterpret_cast<LPARAM>(&shown));
    return shown;
}

// Pumps until `done` holds, answering No to every question that is up meanwhile.
bool PumpAnsweringNo(const std::function<bool()>& done)
{
    return PumpUntil(
        [&] {
            for (HWND question : QuestionsShown()) {
                testsupport::PressButton(question, IDNO);
            }
            return done();
        },
        30s);
}

class Refresh : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Fixture::Reset());
        static int counter = 0;
        m_runDirectory =
            testsupport::MakeTempFolder("skyvane-refresh-run-" + std::to_string(++counter));
        m_configPath = m_runDirectory + "\\Config.ini";

        weather::InitGlobals();
        weather::ClothesExtra.Clear();
        weather::AirconExtra.Clear();
        weather::ConfigPath.Set(m_configPath);
        weather::Province.Set(Gbk("广东省"));
        weather::City.Set(Gbk("深圳市"));
        weather::WeatherUrl.Set(weather::MakeWeatherUrl(Gbk("广东省"), Gbk("深圳市")));
        for (weather::Guarded<GbkText>* setting :
             {&weather::HideAtStart, &weather::CheckUpdateAtStart, &weather::ShowTrayIcon,
              &weather::RefreshInterval, &weather::CustomLocationOn}) {
            setting->Set("0");
        }
        g_fill.calls = 0;
        g_fill.clothesExtra.clear();
        g_updateChecks = 0;
        weather::SetMainWindowFill(RecordFill);
        weather::SetUpdateCheck(CountUpdateCheck);
    }

    void TearDown() override
    {
        framework::CloseUnit(kMain, kOwn);
        framework::ProcessEvents();
        DeleteFileA(m_configPath.c_str());
        RemoveDirectoryA(m_runDirectory.c_str());
    }

    static void Serve(const std::string& body, int delayMs = 0)
    {
        FixtureRoute route;
        route.path = kWeatherPath;
        route.headers = {"Content-Type: application/json; charset=utf-8"};
        route.body = body;
        route.delayMs = delayMs;
        ASSERT_TRUE(Fixture::AddRoute(route));
    }

    static std::vector<testsupport::RecordedRequest> WeatherRequests()
    {
        std::vector<testsupport::RecordedRequest> weather;
        for (auto& request : Fixture::Requests()) {
            if (request.target.rfind(kWeatherPath, 0) == 0) {
                weather.push_back(request);
            }
        }
        return weather;
    }

    std::string ReadSetting(const char* section, const char* key) const
    {
        char value[4096] = {};
        GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, m_configPath.c_str());
        return value;
    }

    std::string m_runDirectory;
    std::string m_configPath;
};

void ExpectRecordsEqual(const weather::WeatherRecord& a, const weather::WeatherRecord& b)
{
    EXPECT_EQ(a.WeatherText, b.WeatherText);
    EXPECT_EQ(a.Degree, b.Degree);
    EXPECT_EQ(a.Humidity, b.Humidity);
    EXPECT_EQ(a.Pressure, b.Pressure);
    EXPECT_EQ(a.UpdateTime, b.UpdateTime);
    EXPECT_EQ(a.TipsText, b.TipsText);
    EXPECT_EQ(a.AlarmDetail, b.AlarmDetail);
    EXPECT_EQ(a.AirconDetail, b.AirconDetail);
    EXPECT_EQ(a.AirconInfo, b.AirconInfo);
    EXPECT_EQ(a.ClothesDetail, b.ClothesDetail);
    EXPECT_EQ(a.ClothesInfo, b.ClothesInfo);
    EXPECT_EQ(a.UmbrellaDetail, b.UmbrellaDetail);
    EXPECT_EQ(a.UmbrellaInfo, b.UmbrellaInfo);
}

} // namespace

// ---- a good answer ------------------------------------------------------------------------------

TEST_F(Refresh, RealisticAnswerFillsTheRecordTipsAndAdvice)
{
    Serve(DemoAnswer());
    weather::RefreshWeather();

    const weather::WeatherRecord r = weather::CurrentWeather.Get();
    // The hourly forecasts come first; the observation's weather is the last entry.
    EXPECT_EQ(r.WeatherText, Gbk("多云"));
    EXPECT_EQ(r.Degree, 17);
    EXPECT_EQ(r.Humidity, 45);
    EXPECT_EQ(r.Pressure, 1021);
    EXPECT_EQ(r.UpdateTime, "202612101030");
    // The first alarm names a county; the first one without wins.
    EXPECT_EQ(r.AlarmDetail.rfind(Gbk("深圳市气象台12月10日09时发布寒冷黄色预警信号"), 0), 0u)
        << r.AlarmDetail;
    EXPECT_EQ(r.UmbrellaInfo, Gbk("不带伞"));

    const TextArray tips = {Gbk(":{\"observe\":{\"0\":\"天气有点冷，出门记得多穿件外套"),
                            Gbk("\",\"1\":\"风有点大，注意防风保暖"),
                            Gbk("\",\"2\":\"今天空气干燥，记得多喝水")};
    EXPECT_EQ(weather::TipList.Get(), tips) << "the doubled tilde leaves no empty tip";
    EXPECT_EQ(weather::ClothesExtra.Get(), Gbk("建议着厚外套加毛衣等服装"));
    EXPECT_EQ(weather::AirconExtra.Get(),
              Gbk("您将感到有些冷，可以适当开启制暖空调调节室温，以免着凉感冒"));

    // The fill comes last, after the advice sentences.
    EXPECT_EQ(g_fill.calls, 1);
    EXPECT_EQ(g_fill.clothesExtra, Gbk("建议着厚外套加毛衣等服装"));

    auto requests = WeatherRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].scheme, "https");
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(weather::MakeWeatherUrl(Gbk("广东省"), Gbk("深圳市")),
              Fixture::HttpsBase() + requests[0].target);
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/json;charset=UTF-8");
}

TEST_F(Refresh, NumbersAreReadAsTheirLeadingNumber)
{
    Serve("{\"observe\":{\"degree\":\"-3\",\"humidity\":\"12.7\",\"precipitation\":\"0\","
          "\"pressure\":\"\",\"update_time\":\"1\",\"weather\":\"晴\",\"weather_code\":\"00\"}}");
    weather::RefreshWeather();
    const weather::WeatherRecord r = weather::CurrentWeather.Get();
    EXPECT_EQ(r.Degree, -3);
    EXPECT_EQ(r.Humidity, 12) << "truncated toward zero";
    EXPECT_EQ(r.Pressure, 0) << "no number at all";
    EXPECT_EQ(r.WeatherText, Gbk("晴"));
}

TEST_F(Refresh, EachParseReplacesTheWholeRecord)
{
    Serve(DemoAnswer());
    weather::RefreshWeather();
    ASSERT_EQ(weather::CurrentWeather.Get().Pressure, 1021);

    // Chinese, so no question, but none of the markers.
    ASSERT_TRUE(Fixture::Reset());
    Serve("{\"message\":\"服务维护中\"}");
    weather::RefreshWeather();
    ExpectRecordsEqual(weather::CurrentWeather.Get(), weather::WeatherRecord{});
    EXPECT_TRUE(weather::TipList.Get().empty());
    EXPECT_EQ(weather::ClothesExtra.Get(), "");
    EXPECT_EQ(g_fill.calls, 2);
}

// ---- an answer without content ------------------------------------------------------------------

struct QuestionCase {
    const char* name;
    int button;
    bool keepsEarlierAnswer;
};

class RefreshQuestion : public Refresh, public testing::WithParamInterface<QuestionCase> {};

TEST_P(RefreshQuestion, AnswerWithoutChineseAsksWhetherToGoOn)
{
    const QuestionCase& c = GetParam();
    Serve(DemoAnswer());
    weather::RefreshWeather();
    const weather::WeatherRecord before = weather::CurrentWeather.Get();
    const TextArray tipsBefore = weather::TipList.Get();
    const std::string clothesBefore = weather::ClothesExtra.Get();
    ASSERT_FALSE(before.WeatherText.empty());

    // Open, so that the question has its owner.
    ASSERT_TRUE(framework::LoadWindow(kMain));
    ASSERT_TRUE(Fixture::Reset());
    Serve("<html><body>502 Bad Gateway</body></html>");
    BoxAnswerer user("", c.button);
    weather::RefreshWeather();
    const testsupport::BoxSeen& seen = user.Join();

    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, "");
    EXPECT_EQ(seen.text, kQuestion);
    EXPECT_EQ(seen.owner, framework::WindowHandle(kMain));
    if (c.keepsEarlierAnswer) {
        ExpectRecordsEqual(weather::CurrentWeather.Get(), before);
        EXPECT_EQ(weather::TipList.Get(), tipsBefore);
        EXPECT_EQ(weather::ClothesExtra.Get(), clothesBefore);
        EXPECT_EQ(g_fill.calls, 1) << "the window keeps what it shows";
    } else {
        ExpectRecordsEqual(weather::CurrentWeather.Get(), weather::WeatherRecord{});
        EXPECT_TRUE(weather::TipList.Get().empty());
        EXPECT_EQ(weather::ClothesExtra.Get(), "");
        EXPECT_EQ(g_fill.calls, 2);
    }
}

const QuestionCase kQuestionCases[] = {
    {"no_keeps_everything", IDNO, true},
    {"yes_parses_the_empty_answer", IDYES, false},
};
INSTANTIATE_TEST_SUITE_P(Answers, RefreshQuestion, testing::ValuesIn(kQuestionCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- custom location ----------------------------------------------------------------------------

TEST_F(Refresh, DeadCustomAddressFallsBackToTheAutomaticLocation)
{
    weather::CustomLocationOn.Set("1");
    WritePrivateProfileStringA("URL", "To", "http://127.0.0.1:9/weather/common?city=x",
                               m_configPath.c_str());
    WritePrivateProfileStringA("URL", "Gh", "1", m_configPath.c_str());
    // The custom city is not asked for here: the geolocated one is taken.
    WritePrivateProfileStringA("URL", "City_", Gbk("上海").c_str(), m_configPath.c_str());
    FixtureRoute geolocation;
    geolocation.path = "/json/";
    geolocation.body = kBeijingAnswer;
    ASSERT_TRUE(Fixture::AddRoute(geolocation));
    Serve(DemoAnswer());

    BoxAnswerer user(kInfoTitle.c_str(), IDOK);
    weather::RefreshWeather();
    const testsupport::BoxSeen& seen = user.Join();

    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, kSwitched);
    EXPECT_EQ(weather::Province.Get(), Gbk("北京市"));
    EXPECT_EQ(weather::City.Get(), Gbk("北京"));
    const std::string automatic = weather::MakeWeatherUrl(Gbk("北京市"), Gbk("北京"));
    EXPECT_EQ(weather::WeatherUrl.Get(), automatic);
    EXPECT_EQ(ReadSetting("URL", "To"), automatic);
    EXPECT_EQ(ReadSetting("URL", "Gh"), "1") << "the custom location stays switched on";
    EXPECT_EQ(weather::CustomLocationOn.Get(), "1");
    EXPECT_EQ(weather::CurrentWeather.Get().WeatherText, Gbk("多云"));

    auto requests = WeatherRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(Fixture::HttpsBase() + requests[0].target, automatic);
}

TEST_F(Refresh, FailedFallbackStillAsksWhetherToGoOn)
{
    weather::CustomLocationOn.Set("1");
    // No "URL" "To" at all: the address is empty.
    FixtureRoute geolocation;
    geolocation.path = "/json/";
    geolocation.body = kBeijingAnswer;
    ASSERT_TRUE(Fixture::AddRoute(geolocation));
    Serve("{}");

    BoxAnswerer info(kInfoTitle.c_str(), IDOK);
    BoxAnswerer question("", IDNO);
    weather::RefreshWeather();
    EXPECT_TRUE(info.Join().found);
    EXPECT_EQ(question.Join().text, kQuestion);
    EXPECT_EQ(ReadSetting("URL", "To"), weather::MakeWeatherUrl(Gbk("北京市"), Gbk("北京")));
    EXPECT_EQ(g_fill.calls, 0);
}

struct CustomCase {
    const char* name;
    const char* customLocationOn;
};

class RefreshCustomAddress : public Refresh, public testing::WithParamInterface<CustomCase> {};

// The address comes from the file, not from memory: a first run's empty settings count as a
// custom location too.
TEST_P(RefreshCustomAddress, WorkingAddressFromTheFileIsAsked)
{
    weather::CustomLocationOn.Set(GetParam().customLocationOn);
    const std::string saved = Fixture::HttpsBase() + kWeatherPath + "?province=saved";
    WritePrivateProfileStringA("URL", "To", saved.c_str(), m_configPath.c_str());
    Serve(DemoAnswer());

    weather::RefreshWeather();

    auto requests = WeatherRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(Fixture::HttpsBase() + requests[0].target, saved);
    EXPECT_EQ(weather::WeatherUrl.Get(), saved);
    EXPECT_EQ(ReadSetting("URL", "To"), saved);
    EXPECT_EQ(weather::CurrentWeather.Get().Pressure, 1021);
}

const CustomCase kCustomCases[] = {{"switched_on", "1"}, {"first_run", ""}};
INSTANTIATE_TEST_SUITE_P(Settings, RefreshCustomAddress, testing::ValuesIn(kCustomCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- bad answers --------------------------------------------------------------------------------

struct BadAnswer {
    const char* name;
    std::string body;
    bool drop;
    bool asks; // no Chinese character survives: the question comes, and is answered Yes
};

std::vector<BadAnswer> BadAnswers()
{
    const std::string demo = DemoAnswer();
    std::string binary;
    for (int i = 0; i < 70000; ++i) {
        binary.push_back(static_cast<char>((i * 7919) & 0xFF));
    }
    std::string large;
    while (large.size() < 6u * 1024 * 1024) {
        large += demo;
    }
    return {
        {"truncated_in_a_character", demo.substr(0, demo.size() / 2 + 1), false, false},
        {"truncated_after_a_marker", demo.substr(0, demo.find("\"tips\"") + 6), false, false},
        {"several_megabytes", large, false, false},
        {"binary", binary, false, true},
        {"markers_without_content", "\",\"weather\":\"\",\"weather_code\":\"{\"degree\":\"", false,
         true},
        {"right_markers_before_left", "\",\"weather_code\":\"晴\",\"weather\":\"", false, false},
        {"connection_dropped", "", true, true},
    };
}

class RefreshBadAnswer : public Refresh, public testing::WithParamInterface<BadAnswer> {};

TEST_P(RefreshBadAnswer, NeverCrashesNorHangs)
{
    const BadAnswer& c = GetParam();
    FixtureRoute route;
    route.path = kWeatherPath;
    route.body = c.body;
    route.drop = c.drop;
    ASSERT_TRUE(Fixture::AddRoute(route));

    std::optional<BoxAnswerer> user;
    if (c.asks) {
        user.emplace("", IDYES);
    }
    const auto start = std::chrono::steady_clock::now();
    weather::RefreshWeather();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    if (user) {
        EXPECT_TRUE(user->Join().found);
    }
    EXPECT_EQ(g_fill.calls, 1);
    for (const std::string& tip : weather::TipList.Get()) {
        EXPECT_FALSE(tip.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, RefreshBadAnswer, testing::ValuesIn(BadAnswers()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- one refresh at a time ----------------------------------------------------------------------

// The first refresh is held in its question ("{}" carries no Chinese) until the test answers
// it, so that it is certain to run while the second one is asked for, on another worker.
TEST_F(Refresh, ARefreshStartedWhileOneRunsIsSkipped)
{
    Serve("{}");
    // The running refreshes write to the windows through this thread, which therefore pumps
    // until they are over instead of blocking in a join.
    std::atomic<bool> firstDone{false};
    std::thread first([&] {
        weather::RefreshWeather();
        firstDone = true;
    });
    const bool asked = PumpUntil([] { return !QuestionsShown().empty(); }, 30s);
    std::atomic<bool> secondDone{false};
    std::thread second([&] {
        weather::RefreshWeather();
        secondDone = true;
    });
    // Over at once, or asking a question of its own: either shows, the second without a wait.
    PumpUntil([&] { return secondDone || QuestionsShown().size() > 1; }, 30s);
    const bool secondOverWhileTheFirstAsks = secondDone && !firstDone;
    const std::size_t requestsMeanwhile = WeatherRequests().size();
    const bool over = PumpAnsweringNo([&] { return firstDone && secondDone; });
    first.join();
    second.join();
    ASSERT_TRUE(asked) << "the first refresh never asked";
    ASSERT_TRUE(over);
    EXPECT_TRUE(secondOverWhileTheFirstAsks) << "the second refresh ran, or waited for the first";
    EXPECT_EQ(requestsMeanwhile, 1u);
    EXPECT_EQ(WeatherRequests().size(), 1u);
    EXPECT_EQ(g_fill.calls, 0) << "the first was told not to go on; the second never ran";

    // Once it is over, the next refresh runs again.
    ASSERT_TRUE(Fixture::Reset());
    Serve(DemoAnswer());
    weather::RefreshWeather();
    EXPECT_EQ(WeatherRequests().size(), 1u);
    EXPECT_EQ(g_fill.calls, 1);
    EXPECT_EQ(weather::CurrentWeather.Get().Pressure, 1021);
}

// The button's start on this thread and the timer's on a thread of its own, while the first
// refresh they start is held in its question: the other one ends without a request.
TEST_F(Refresh, TwoOverlappingStartsRefreshOnce)
{
    Serve("{}");
    testsupport::ThreadCatcher refreshThreads(testsupport::ThreadCatcher::Mode::Watch);
    ASSERT_TRUE(refreshThreads.Redirected());
    std::atomic<bool> timerStarted{false};
    std::thread timer([&] {
        weather::StartRefresh();
        timerStarted = true;
    });
    weather::StartRefresh(framework::UnitEvent{});
    const bool started = PumpUntil([&] { return timerStarted.load(); }, 30s);
    timer.join();
    refreshThreads.Stop();
    ASSERT_TRUE(started);
    ASSERT_EQ(refreshThreads.Count(), 2u) << "each start starts its refresh thread";

    // One of them asks while the other one ends; both asking, or a second request, is the fault.
    PumpUntil(
        [&] {
            return (QuestionsShown().size() == 1 && refreshThreads.Ended() == 1) ||
                   QuestionsShown().size() > 1 || WeatherRequests().size() > 1;
        },
        60s);
    const std::size_t endedWhileTheFirstAsks = refreshThreads.Ended();
    const std::size_t requestsMeanwhile = WeatherRequests().size();
    EXPECT_TRUE(PumpAnsweringNo([&] { return refreshThreads.Ended() == 2; }));
    EXPECT_EQ(endedWhileTheFirstAsks, 1u) << "the second refresh did not end while the first ran";
    EXPECT_EQ(requestsMeanwhile, 1u);
    EXPECT_EQ(WeatherRequests().size(), 1u);
    EXPECT_EQ(g_fill.calls, 0);
}

// ---- after the fetch ----------------------------------------------------------------------------

// Whether the shell still knows the window's icon: modifying one that is not there fails.
bool TrayIconShown(HWND window)
{
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = framework::kTrayIconId;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

struct AfterFetchCase {
    const char* name;
    const char* showTrayIcon;
    const char* checkUpdate;
    const char* hide;
    const char* interval;
    int timerInterval;
    bool trayIcon;
    int updateChecks;
    bool skinHidden;
};

const AfterFetchCase kAfterFetchCases[] = {
    {"icon_wins", "1", "1", "1", "60000", 60000, true, 0, false},
    {"update_check", "0", "1", "1", "1800000", 1800000, false, 1, false},
    {"hide", "0", "0", "1", "0", 0, false, 0, true},
    {"first_run_settings", "", "", "", "", 0, false, 0, false},
    {"interval_as_a_number", "0", "0", "0", "90000.9ms", 90000, false, 0, false},
};

class RefreshAfterFetch : public Refresh, public testing::WithParamInterface<AfterFetchCase> {};

TEST_P(RefreshAfterFetch, SettingsDecideTheActions)
{
    const AfterFetchCase& c = GetParam();
    weather::ShowTrayIcon.Set(c.showTrayIcon);
    weather::CheckUpdateAtStart.Set(c.checkUpdate);
    weather::HideAtStart.Set(c.hide);
    weather::RefreshInterval.Set(c.interval);
    ASSERT_TRUE(framework::LoadWindow(kMain));
    ASSERT_TRUE(framework::SetUnitProperty(kMain, kTimer, framework::kTimerInterval, 12345));
    g_engineClear();
    Serve(DemoAnswer());

    OnWorker([] { weather::RefreshThread(nullptr); });

    EXPECT_EQ(framework::GetUnitProperty(kMain, kTimer, framework::kTimerInterval).AsInt(),
              c.timerInterval);
    EXPECT_EQ(TrayIconShown(framework::WindowHandle(kMain)), c.trayIcon);
    EXPECT_EQ(g_updateChecks, c.updateChecks);
    const std::string log = g_engineLog();
    const std::string hideWrite = "unit=3 message=2801 number=0 value=0,";
    EXPECT_EQ(log.find(hideWrite) != std::string::npos, c.skinHidden) << log;
    framework::SetTrayIcon(kMain);
}

INSTANTIATE_TEST_SUITE_P(Settings, RefreshAfterFetch, testing::ValuesIn(kAfterFetchCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the wait -----------------------------------------------------------------------------------

std::atomic<bool> g_probeAnswered{false};

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP) {
        g_probeAnswered = true;
        return 7;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Whether a message sent from another thread waits for this one; looking does not handle it.
bool SentMessageWaiting()
{
    return (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0;
}

TEST(DelayWithMessages, WaitsItsTimeAnsweringTheThreadsWindows)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.lpszClassName = "RefreshDelayProbe";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "RefreshDelayProbe", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);

    // A message sent from another thread is answered only while this thread handles messages.
    // It waits for this thread before the wait begins, so that only the wait can answer it.
    g_probeAnswered = false;
    std::atomic<bool> answered{false};
    std::thread sender([&] {
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(window, WM_APP, 0, 0, SMTO_BLOCK, 60000, &result) != 0 &&
            result == 7) {
            answered = true;
        }
    });
    const auto sent = std::chrono::steady_clock::now() + 30s;
    while (!SentMessageWaiting() && std::chrono::steady_clock::now() < sent) {
        Sleep(1);
    }
    const bool waiting = SentMessageWaiting();
    const bool answeredBefore = g_probeAnswered;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(weather::DelayWithMessages(300, 0));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const bool answeredDuringTheWait = g_probeAnswered;
    if (!answeredDuringTheWait) {
        // Lets the sender go before it is joined.
        PumpUntil([&] { return answered.load(); }, 60s);
    }
    sender.join();
    DestroyWindow(window);

    ASSERT_TRUE(waiting) << "the message was never sent";
    EXPECT_FALSE(answeredBefore);
    EXPECT_TRUE(answeredDuringTheWait);
    EXPECT_TRUE(answered) << "the sender did not get the answer";
    EXPECT_GE(elapsed, 280ms);
    EXPECT_LT(elapsed, 2000ms);

    const auto shortStart = std::chrono::steady_clock::now();
    EXPECT_TRUE(weather::DelayWithMessages(100));
    const auto shortElapsed = std::chrono::steady_clock::now() - shortStart;
    EXPECT_GE(shortElapsed, 90ms);
    EXPECT_LT(shortElapsed, 1000ms);
}

TEST(DelayWithMessages, AQuitCutsTheWaitShortAndStaysForTheLoop)
{
    PostQuitMessage(3);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(weather::DelayWithMessages(5, 1));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2000ms);
    MSG message{};
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 3u);
}
