// The framework with the skinned-control binding plugged in as the program plugs it, against the
// recording stand-in for VeneerCore.dll: what the engine sees when a template with skinned
// controls is loaded, written, read, re-created and closed, and the engine's events reaching the
// handlers bound in the template.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "engine/EngineInterface.h"
#include "engine/StoredData.h"
#include "framework/Framework.h"
#include "skin/VeneerLibrary.h"
#include "skin/VeneerTraffic.h"
#include "tests/support/TestEngine.h"
#include "tests/support/UiDriver.h"

using namespace framework;

namespace {

struct Hooks {
    const char*(ENGINE_CALL* log)() = nullptr;
    void(ENGINE_CALL* clear)() = nullptr;
    void(ENGINE_CALL* setSendAnswer)(engine::PtrWord) = nullptr;
    void(ENGINE_CALL* setBlock)(const char*, engine::Word) = nullptr;
    engine::PtrWord(ENGINE_CALL* raiseEvent)(engine::ControlHandle, engine::Word,
                                             engine::PtrWord) = nullptr;
};
Hooks g_hooks;

std::string Log()
{
    return g_hooks.log();
}

std::string Hex(PtrWord value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
    return text;
}

constexpr WindowId kWindow = 1;
constexpr UnitId kOwn = 1;
constexpr UnitId kButton = 2;
constexpr UnitId kLabel = 3;
constexpr UnitId kSkin = 4;

std::atomic<int> g_clicks{0};
EventResult OnButtonClick(const UnitEvent& event)
{
    ++g_clicks;
    return event.arguments[0] + 1;
}

const std::vector<std::uint8_t> kButtonLook = engine::StoredDataBuilder().Caption(u"x").Block(0);
constexpr EventBinding kButtonEvents[] = {{0, OnButtonClick}};
const UnitTemplate kUnits[] = {
    {.id = kButton,
     .type = 0x30007,
     .name = "button",
     .left = 10,
     .top = 10,
     .width = 80,
     .height = 24,
     .data = kButtonLook,
     .events = kButtonEvents},
    {.id = kLabel,
     .type = 0x30006,
     .name = "label",
     .left = 10,
     .top = 40,
     .width = 100,
     .height = 20,
     .visible = false},
    {.id = kSkin, .type = 0x30001, .name = "skin", .left = 4, .top = 4, .width = 24, .height = 24},
};
const WindowTemplate kTemplate = {.id = kWindow,
                                  .unit = kOwn,
                                  .name = "skinned",
                                  .caption = "skinned",
                                  .width = 300,
                                  .height = 200,
                                  .units = kUnits};
const WindowTemplate* const kTemplates[] = {&kTemplate};
const LibraryInfo* const kLibraries[] = {nullptr, nullptr, &skin::VeneerLibraryInfo};

std::string g_engineFolder;

// The stand-in engine reaches the binding's search by the system search path, as an engine
// installed beside other programs would.
class SkinnedEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        g_engineFolder = testsupport::InstallRecordingEngine("skyvane-skinned");
        ASSERT_FALSE(g_engineFolder.empty());

        ASSERT_TRUE(Initialise(kLibraries, kTemplates));
        auto module = static_cast<HMODULE>(skin::VeneerEngineModule());
        ASSERT_NE(module, nullptr) << "the binding found no engine";
        testsupport::HookEngine(module, "Recording_Log", g_hooks.log);
        testsupport::HookEngine(module, "Recording_Clear", g_hooks.clear);
        testsupport::HookEngine(module, "Recording_SetSendAnswer", g_hooks.setSendAnswer);
        testsupport::HookEngine(module, "Recording_SetBlock", g_hooks.setBlock);
        testsupport::HookEngine(module, "Recording_RaiseEvent", g_hooks.raiseEvent);
    }

    void TearDown() override { testsupport::RemoveRecordingEngine(g_engineFolder); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new SkinnedEnvironment);

class SkinnedWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_hooks.clear();
        g_hooks.setSendAnswer(0);
        g_hooks.setBlock("", 0);
        g_clicks = 0;
    }
    void TearDown() override { CloseUnit(kWindow, kOwn); }

    // The lines of the engine's log that begin with `prefix`, in order.
    static std::vector<std::string> Lines(const std::string& prefix)
    {
        std::vector<std::string> lines;
        std::string log = Log();
        std::size_t start = 0;
        while (start < log.size()) {
            std::size_t end = log.find('\n', start);
            std::string line = log.substr(start, end - start);
            if (line.rfind(prefix, 0) == 0) {
                lines.push_back(line);
            }
            start = end == std::string::npos ? log.size() : end + 1;
        }
        return lines;
    }
};

} // namespace

TEST_F(SkinnedWindow, ControlsAreMadeInTheEngineInTemplateOrderOnTheWindow)
{
    ASSERT_TRUE(LoadWindow(kWindow));
    std::string window = Hex(reinterpret_cast<PtrWord>(WindowHandle(kWindow)));
    std::vector<std::string> creates = Lines("CreateControl_");
    ASSERT_EQ(creates.size(), 3u) << Log();
    const char* expected[][2] = {{"ButtonEx", "2"}, {"LabelEx", "3"}, {"WindowEx", "4"}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(creates[i].rfind(std::string("CreateControl_") + expected[i][0] + " ", 0), 0u)
            << creates[i];
        EXPECT_NE(creates[i].find(" parent=" + window + " "), std::string::npos) << creates[i];
        EXPECT_NE(creates[i].find(std::string(" unit=") + expected[i][1] + " window=1 "),
                  std::string::npos)
            << creates[i];
    }
    EXPECT_NE(creates[0].find(" rect=10,10,80,24 "), std::string::npos) << creates[0];
    EXPECT_NE(creates[1].find(" data=none "), std::string::npos) << "no stored look given";
    EXPECT_TRUE(IsWindowVisible(UnitWindowHandle(kWindow, kButton)));
    EXPECT_FALSE(IsWindowVisible(UnitWindowHandle(kWindow, kLabel))) << "stored hidden";
}

TEST_F(SkinnedWindow, LoadedFromAWorkerTheControlsStillLiveOnTheInterfaceThread)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        LoadWindow(kWindow, std::nullopt, true);
        done = true;
    });
    testsupport::PumpUntil([&] { return done.load(); });
    worker.join();
    HWND host = UnitWindowHandle(kWindow, kButton);
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(GetWindowThreadProcessId(host, nullptr), GetCurrentThreadId());
}

TEST_F(SkinnedWindow, PropertiesReachTheEngineAsIndexLessEight)
{
    ASSERT_TRUE(LoadWindow(kWindow));
    g_hooks.clear();
    EXPECT_TRUE(SetUnitProperty(kWindow, kLabel, 20, GbkText("abc")));
    EXPECT_TRUE(SetUnitProperty(kWindow, kLabel, 8, true));
    EXPECT_EQ(GetUnitProperty(kWindow, kLabel, 19).AsInt(), 100 + 11) << "read through the engine";
    std::vector<std::string> sends = Lines("ControlSendMessage");
    ASSERT_EQ(sends.size(), 3u) << Log();
    EXPECT_NE(sends[0].find("unit=3 message=2801 number=12 value="), std::string::npos) << sends[0];
    EXPECT_NE(sends[0].find(",3 rest=0,0"), std::string::npos) << "text length " << sends[0];
    EXPECT_NE(sends[1].find("unit=3 message=2801 number=0 value=1,0"), std::string::npos)
        << sends[1];
    EXPECT_NE(sends[2].find("unit=3 message=2802 number=11"), std::string::npos) << sends[2];

    // Geometry is the framework's: the host window moves and the engine follows it.
    g_hooks.clear();
    EXPECT_TRUE(SetUnitProperty(kWindow, kButton, 1, 50));
    EXPECT_TRUE(Lines("ControlSendMessage").empty()) << Log();
    EXPECT_FALSE(Lines("ControPonintSizeSynchronise").empty()) << Log();
    EXPECT_EQ(GetUnitProperty(kWindow, kButton, 1).AsInt(), 50);
}

TEST_F(SkinnedWindow, EngineEventsRunTheBoundHandlerAndReturnItsResult)
{
    ASSERT_TRUE(LoadWindow(kWindow));
    engine::ControlHandle button =
        skin::VeneerControlFromWindow(UnitWindowHandle(kWindow, kButton));
    engine::ControlHandle label = skin::VeneerControlFromWindow(UnitWindowHandle(kWindow, kLabel));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(g_hooks.raiseEvent(button, 660, 41), 42) << "event 0 with its result";
    EXPECT_EQ(g_clicks, 1);
    EXPECT_EQ(g_hooks.raiseEvent(button, 661, 41), 0) << "event 1 is bound to nothing";
    EXPECT_EQ(g_hooks.raiseEvent(label, 660, 41), 0) << "a unit without bindings";
    EXPECT_EQ(g_clicks, 1);
}

TEST_F(SkinnedWindow, AnswerOneRecreatesTheControlFromTheEnginesData)
{
    ASSERT_TRUE(LoadWindow(kWindow));
    HWND oldHost = UnitWindowHandle(kWindow, kButton);
    std::vector<std::uint8_t> block = engine::StoredDataBuilder().Caption(u"new").Block(0);
    g_hooks.setBlock(reinterpret_cast<const char*>(block.data()),
                     static_cast<engine::Word>(block.size()));
    g_hooks.setSendAnswer(1);
    g_hooks.clear();
    EXPECT_TRUE(SetUnitProperty(kWindow, kButton, 20, GbkText("new")));
    g_hooks.setSendAnswer(0);

    std::string log = Log();
    std::size_t write = log.find("message=2801 number=12");
    std::size_t allData = log.find("message=2803 number=-1");
    std::size_t destroy = log.find("ControlDestroy unit=2");
    std::size_t create = log.find("CreateControl_ButtonEx");
    ASSERT_NE(create, std::string::npos) << log;
    EXPECT_LT(write, allData) << log;
    EXPECT_LT(allData, destroy) << log;
    EXPECT_LT(destroy, create) << log;
    HWND newHost = UnitWindowHandle(kWindow, kButton);
    EXPECT_NE(newHost, oldHost);
    EXPECT_FALSE(IsWindow(oldHost));
    engine::ControlHandle button = skin::VeneerControlFromWindow(newHost);
    EXPECT_EQ(g_hooks.raiseEvent(button, 660, 1), 2) << "the new control raises the same events";
}

TEST_F(SkinnedWindow, ClosingTheWindowFreesEveryControlAndLateCallsDoNothing)
{
    ASSERT_TRUE(LoadWindow(kWindow));
    g_hooks.clear();
    ASSERT_TRUE(CloseUnit(kWindow, kOwn));
    std::vector<std::string> destroys = Lines("ControlDestroy");
    EXPECT_EQ(destroys.size(), 3u) << Log();
    g_hooks.clear();
    EXPECT_FALSE(SetUnitProperty(kWindow, kLabel, 20, GbkText("late")));
    EXPECT_TRUE(GetUnitProperty(kWindow, kLabel, 19).IsEmpty());
    EXPECT_EQ(Log(), "");
}

TEST_F(SkinnedWindow, ClosingOneControlLeavesItsSiblings)
{
    ASSERT_TRUE(LoadWindow(kWindow));
    g_hooks.clear();
    ASSERT_TRUE(CloseUnit(kWindow, kLabel));
    EXPECT_EQ(Lines("ControlDestroy"), std::vector<std::string>{"ControlDestroy unit=3"});
    EXPECT_FALSE(SetUnitProperty(kWindow, kLabel, 20, GbkText("late")));
    EXPECT_TRUE(SetUnitProperty(kWindow, kButton, 20, GbkText("still")));
}
