// The window framework through real windows: template loading and its events, close query,
// modal loading, property traffic from other threads, late calls on destroyed windows, the
// notification icon, timers, menus, and the control-library protocol against a small library
// that records what it receives and answers as the skinned-control binding does.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "framework/Framework.h"
#include "framework/WindowServices.h"
#include "tests/support/UiDriver.h"
#include "toolkit/ScopedWin.h"

using namespace framework;
using testsupport::PumpUntil;

namespace {

// ---- the recording control library -------------------------------------------------------------

struct CreateCall {
    std::vector<std::uint8_t> data;
    PtrWord args[14];
};

struct Control {
    WindowId window = 0;
    UnitId unit = 0;
    UnitHandle handle = 0;
    std::map<Word, PtrWord> numbers;
    std::map<Word, std::string> texts;
};

struct Recorder {
    std::vector<std::string> calls;
    std::vector<CreateCall> creates;
    std::map<HWND, Control> controls;
    NotifyRoutine frameworkNotify = nullptr;
    std::string directoryAtStart;
    int allDataRequests = 0;
};
Recorder g_rec;

// Types of the probe's properties from 8 on: 8 logical, 9 integer, 10 text, 11 engine data,
// 12 integer whose write asks for re-creation, as a skinned control's layout change does.
constexpr Word kRecreateNumber = 12 - kFrameworkPropertyCount;

HWND HostOf(UnitHandle unit)
{
    return reinterpret_cast<HWND>(reinterpret_cast<UnitObject*>(unit)->hostWindow);
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCDESTROY) {
        auto it = g_rec.controls.find(hwnd);
        if (it != g_rec.controls.end()) {
            Control control = it->second;
            g_rec.controls.erase(it);
            g_rec.calls.push_back("end " + std::to_string(control.unit));
            g_rec.frameworkNotify(kNotifyUnitGone, control.window, control.unit);
            g_rec.frameworkNotify(kNotifyDetachUnitObject, control.handle, 0);
            g_rec.frameworkNotify(kNotifyDeleteUnitObject, control.handle, 0);
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

UnitHandle FRAMEWORK_CALL ProbeCreate(const void* data, Word size, Word style, PtrWord parent,
                                      Word controlId, PtrWord menu, Word left, Word top, Word width,
                                      Word height, WindowId window, UnitId unit, Word design1,
                                      Word design2)
{
    CreateCall call;
    PtrWord args[14] = {reinterpret_cast<PtrWord>(data),
                        size,
                        style,
                        parent,
                        controlId,
                        menu,
                        left,
                        top,
                        width,
                        height,
                        window,
                        unit,
                        design1,
                        design2};
    std::memcpy(call.args, args, sizeof args);
    if (data != nullptr && size > 0) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        call.data.assign(bytes, bytes + size);
    }
    g_rec.creates.push_back(call);
    g_rec.calls.push_back("create " + std::to_string(unit));
    HWND host =
        CreateWindowExA(0, "RecorderHost", "", static_cast<DWORD>(style) | WS_CHILD, left, top,
                        width, height, reinterpret_cast<HWND>(parent),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), nullptr, nullptr);
    if (host == nullptr) {
        return 0;
    }
    UnitHandle handle =
        g_rec.frameworkNotify(kNotifyMakeUnitObject, reinterpret_cast<PtrWord>(host), 0);
    Control& control = g_rec.controls[host];
    control.window = window;
    control.unit = unit;
    control.handle = handle;
    return handle;
}

Word FRAMEWORK_CALL ProbeWritten(UnitHandle unit, Word number, UnitPropertyValue* value, PtrWord)
{
    Control& control = g_rec.controls[HostOf(unit)];
    std::string call = "write " + std::to_string(control.unit) + " " + std::to_string(number);
    if (number == 2 || number == 3) {
        std::string text(reinterpret_cast<const char*>(value->word0),
                         static_cast<std::size_t>(value->word1));
        control.texts[number] = text;
        call += " " + text;
    } else {
        control.numbers[number] = value->word0;
        call += " " + std::to_string(value->word0);
    }
    g_rec.calls.push_back(call);
    return number == kRecreateNumber ? 1 : 0;
}

Word FRAMEWORK_CALL ProbeRead(UnitHandle unit, Word number, UnitPropertyValue* value)
{
    Control& control = g_rec.controls[HostOf(unit)];
    g_rec.calls.push_back("read " + std::to_string(control.unit) + " " + std::to_string(number));
    if (number == 2 || number == 3) {
        const std::string& text = control.texts[number];
        value->word0 = reinterpret_cast<PtrWord>(text.data());
        value->word1 = static_cast<PtrWord>(text.size());
    } else {
        value->word0 = control.numbers[number];
    }
    return 0;
}

// Word 12, page 0, then "DATA", as the binding's block of a control's whole property data.
PtrWord FRAMEWORK_CALL ProbeAllData(UnitHandle)
{
    ++g_rec.allDataRequests;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 12);
    auto* words = static_cast<std::int32_t*>(GlobalLock(memory));
    words[0] = 12;
    words[1] = 0;
    std::memcpy(&words[2], "DATA", 4);
    GlobalUnlock(memory);
    return reinterpret_cast<PtrWord>(memory);
}

UnitRoutine FRAMEWORK_CALL ProbeInterface(Word number)
{
    switch (number) {
    case kInterfaceCreate:
        return reinterpret_cast<UnitRoutine>(&ProbeCreate);
    case kInterfacePropertyWritten:
        return reinterpret_cast<UnitRoutine>(&ProbeWritten);
    case kInterfaceAllPropertyData:
        return reinterpret_cast<UnitRoutine>(&ProbeAllData);
    case kInterfacePropertyRead:
        return reinterpret_cast<UnitRoutine>(&ProbeRead);
    default:
        return nullptr;
    }
}

PtrWord FRAMEWORK_CALL RecorderNotify(Word code, PtrWord argument1, PtrWord argument2)
{
    g_rec.calls.push_back("notify " + std::to_string(code) + " " + std::to_string(argument2));
    if (code != kLibraryStart) {
        return -1;
    }
    g_rec.frameworkNotify = reinterpret_cast<NotifyRoutine>(argument1);
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    g_rec.directoryAtStart = directory;
    WNDCLASSA hostClass{};
    hostClass.lpfnWndProc = HostProc;
    hostClass.lpszClassName = "RecorderHost";
    RegisterClassA(&hostClass);
    return 0;
}

constexpr UnitPropertyInfo P(std::uint16_t type, std::uint16_t flags = 0)
{
    return {nullptr, nullptr, nullptr, type, flags, nullptr};
}
constexpr UnitPropertyInfo kProbeProperties[] = {
    P(kPropertyInteger, 0xE000),
    P(kPropertyInteger, 0xE000),
    P(kPropertyInteger, 0xE000),
    P(kPropertyInteger, 0xE000),
    P(kPropertyText, 0xE000),
    P(kPropertyLogical, 0xE000),
    P(kPropertyLogical, 0xE000),
    P(kPropertyMousePointer, 0xE000),
    P(kPropertyLogical),
    P(kPropertyInteger),
    P(kPropertyText),
    P(kPropertyEngineData),
    P(kPropertyInteger),
};
const UnitTypeInfo kRecorderTypes[] = {
    {"\xCC\xBD\xD5\xEB", "Probe", nullptr, 0, nullptr, 0x8040, 0, 0, nullptr,
     static_cast<Word>(std::size(kProbeProperties)), kProbeProperties, ProbeInterface, 0, nullptr},
};
const LibraryInfo kRecorderLibrary = {
    kLibraryMagic,  "RECORDER", 1, 0, 1, 3, 0, 3, 0, "RECORDER", 1, {}, 1, kRecorderTypes, {},
    RecorderNotify, {}};

constexpr UnitTypeCode kProbeType = (3 << 16) | 1;

// ---- the test windows ---------------------------------------------------------------------------

struct Seen {
    std::atomic<int> created{0};
    bool allUnitsAtCreated = false;
    std::atomic<int> destroying{0};
    std::atomic<int> firstActivations{0};
    std::atomic<int> ticks{0};
    std::vector<UnitId> menuChosen;
    std::vector<PtrWord> trayKinds;
    std::vector<PtrWord> probeArguments;
    bool refuseClose = false;
};
Seen g_seen;

constexpr WindowId kMain = 1;
constexpr WindowId kChild = 2;
constexpr UnitId kOwn = 1;
constexpr UnitId kProbe = 2;
constexpr UnitId kTimer = 3;
constexpr UnitId kMenu = 4;
constexpr UnitId kItemOne = 5;
constexpr UnitId kItemTwo = 6;
constexpr UnitId kHiddenProbe = 7;
constexpr UnitId kZip = 8;

EventResult OnCreated(const UnitEvent& event)
{
    ++g_seen.created;
    g_seen.allUnitsAtCreated = UnitWindowHandle(event.window, kProbe) != nullptr &&
                               UnitWindowHandle(event.window, kHiddenProbe) != nullptr &&
                               GetUnitProperty(event.window, kTimer, kTimerInterval).AsInt() == 0 &&
                               GetUnitProperty(event.window, kZip, 9).AsInt() == 7;
    return std::nullopt;
}
EventResult OnCloseQuery(const UnitEvent&)
{
    return g_seen.refuseClose ? EventResult(0) : std::nullopt;
}
EventResult OnDestroying(const UnitEvent&)
{
    ++g_seen.destroying;
    return std::nullopt;
}
EventResult OnFirstActivation(const UnitEvent&)
{
    ++g_seen.firstActivations;
    return std::nullopt;
}
EventResult OnTray(const UnitEvent& event)
{
    g_seen.trayKinds.push_back(event.arguments[0]);
    return std::nullopt;
}
EventResult OnTick(const UnitEvent&)
{
    ++g_seen.ticks;
    return std::nullopt;
}
EventResult OnMenuItem(const UnitEvent& event)
{
    g_seen.menuChosen.push_back(event.unit);
    return std::nullopt;
}
EventResult OnProbeEvent(const UnitEvent& event)
{
    g_seen.probeArguments.assign(event.arguments, event.arguments + event.argumentCount);
    return 42;
}

const std::uint8_t kProbeData[] = {12, 0, 0, 0, 0, 0, 0, 0, 'S', 'K', 'I', 'N'};
constexpr EventBinding kWindowEvents[] = {{kEventCreated, OnCreated},
                                          {kEventCloseQuery, OnCloseQuery},
                                          {kEventDestroying, OnDestroying},
                                          {kEventFirstActivation, OnFirstActivation},
                                          {kEventTrayIcon, OnTray}};
constexpr EventBinding kTickEvents[] = {{kEventTimerTick, OnTick}};
constexpr EventBinding kMenuEvents[] = {{kEventMenuChosen, OnMenuItem}};
constexpr EventBinding kProbeEvents[] = {{0, OnProbeEvent}};
constexpr StoredProperty kTimerStored[] = {{kTimerInterval, 0}};
constexpr StoredProperty kZipStored[] = {{9, 7}};

const UnitTemplate kMainUnits[] = {
    {.id = kProbe,
     .type = kProbeType,
     .name = "probe",
     .left = 10,
     .top = 12,
     .width = 100,
     .height = 30,
     .data = kProbeData},
    {.id = kTimer,
     .type = kTypeTimer,
     .name = "timer",
     .properties = kTimerStored,
     .events = kTickEvents},
    {.id = kMenu,
     .type = kTypeMenuItem,
     .name = "menu",
     .level = 0,
     .hidden = true,
     .caption = "a"},
    {.id = kItemOne,
     .type = kTypeMenuItem,
     .name = "one",
     .level = 1,
     .caption = "one",
     .events = kMenuEvents},
    {.id = kItemTwo,
     .type = kTypeMenuItem,
     .name = "two",
     .level = 1,
     .caption = "two",
     .events = kMenuEvents},
    {.id = kHiddenProbe,
     .type = kProbeType,
     .name = "hidden probe",
     .left = 10,
     .top = 60,
     .width = 80,
     .height = 20,
     .visible = false,
     .events = kProbeEvents},
    {.id = kZip, .type = 0x20001, .name = "zip", .properties = kZipStored},
};
// "框架测试"
const WindowTemplate kMainTemplate = {.id = kMain,
                                      .unit = kOwn,
                                      .name = "main",
                                      .caption = "\xBF\xF2\xBC\xDC\xB2\xE2\xCA\xD4",
                                      .width = 320,
                                      .height = 200,
                                      .events = kWindowEvents,
                                      .units = kMainUnits};
const WindowTemplate kChildTemplate = {
    .id = kChild, .unit = kOwn, .name = "child", .caption = "child", .width = 200, .height = 100};

const LibraryInfo* const kLibraries[] = {nullptr, nullptr, &kRecorderLibrary};
const WindowTemplate* const kTemplates[] = {&kMainTemplate, &kChildTemplate};

class FrameworkEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(Initialise(kLibraries, kTemplates)); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new FrameworkEnvironment);

// Each test starts from no open window and fresh records.
class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_rec.calls.clear();
        g_rec.creates.clear();
        g_rec.allDataRequests = 0;
        g_seen.created = 0;
        g_seen.allUnitsAtCreated = false;
        g_seen.destroying = 0;
        g_seen.firstActivations = 0;
        g_seen.ticks = 0;
        g_seen.menuChosen.clear();
        g_seen.trayKinds.clear();
        g_seen.probeArguments.clear();
        g_seen.refuseClose = false;
    }
    void TearDown() override
    {
        CloseUnit(kChild, kOwn);
        CloseUnit(kMain, kOwn);
        ProcessEvents();
    }

    bool Has(const std::string& call) const
    {
        return std::find(g_rec.calls.begin(), g_rec.calls.end(), call) != g_rec.calls.end();
    }
};

// A 16x16 32-bit ICO file of one colour.
ByteSet MakeIco(std::uint32_t argb)
{
    const int size = 16;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = size;
    info.biHeight = size * 2;
    info.biPlanes = 1;
    info.biBitCount = 32;
    ByteSet image(sizeof info);
    std::memcpy(image.data(), &info, sizeof info);
    for (int i = 0; i < size * size; ++i) {
        for (int b = 0; b < 4; ++b) {
            image.push_back(static_cast<std::uint8_t>(argb >> (8 * b)));
        }
    }
    image.insert(image.end(), size * 4, 0); // AND mask, 4 bytes a row
    ByteSet ico = {0, 0, 1, 0, 1, 0, size, size, 0, 0, 1, 0, 32, 0};
    std::uint32_t length = static_cast<std::uint32_t>(image.size());
    std::uint32_t offset = 6 + 16;
    for (int b = 0; b < 4; ++b) {
        ico.push_back(static_cast<std::uint8_t>(length >> (8 * b)));
    }
    for (int b = 0; b < 4; ++b) {
        ico.push_back(static_cast<std::uint8_t>(offset >> (8 * b)));
    }
    ico.insert(ico.end(), image.begin(), image.end());
    return ico;
}

// Whether the shell still knows the window's icon: modifying an icon that is not there fails.
bool TrayIconShown(HWND window)
{
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = kTrayIconId;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// A shell that restarts knows none of the old one's icons: taken away behind the framework's
// back, the icon is gone as it would be then.
void ShellLosesTrayIcon(HWND window)
{
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = kTrayIconId;
    Shell_NotifyIconA(NIM_DELETE, &data);
}

// What a shell that has (re)started sends to every top-level window.
void ShellAnnouncesItself()
{
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
}

std::atomic<int> g_referenceTicks{0};

void CALLBACK CountReferenceTick(HWND, UINT, UINT_PTR, DWORD)
{
    ++g_referenceTicks;
}

// Pumps while a timer of this thread with the interval ticks that many times: long enough for
// any timer of that interval or a shorter one to have ticked too, however slow the machine.
bool PumpWhileATimerTicks(UINT interval, int ticks)
{
    g_referenceTicks = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, interval, CountReferenceTick);
    bool ticked = timer != 0 && PumpUntil([ticks] { return g_referenceTicks >= ticks; },
                                          std::chrono::seconds(30));
    KillTimer(nullptr, timer);
    return ticked;
}

// Whether the item at that position is the highlighted one of the menu a menu window shows.
bool Highlighted(HWND menuWindow, int position)
{
    auto menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
    return menu != nullptr && (GetMenuState(menu, position, MF_BYPOSITION) & MF_HILITE) != 0;
}

// Runs `work` on a worker thread while this thread, the windows' thread, keeps pumping, as the
// interface thread's message loop does.
void OnWorker(const std::function<void()>& work)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    PumpUntil([&] { return done.load(); });
    worker.join();
}

} // namespace

TEST_F(FrameworkTest, LibrariesAreStartedFromTheRunDirectory)
{
    // Recorded by Initialise before any test cleared the record.
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path);
    directory.resize(directory.find_last_of('\\'));
    EXPECT_EQ(g_rec.directoryAtStart, directory);
    EXPECT_NE(g_rec.frameworkNotify, nullptr);
}

TEST_F(FrameworkTest, LoadCreatesUnitsInOrderThenRaisesCreatedAndShows)
{
    ASSERT_TRUE(LoadWindow(kMain));
    HWND window = WindowHandle(kMain);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(g_seen.created, 1);
    EXPECT_TRUE(g_seen.allUnitsAtCreated);
    EXPECT_EQ(GetUnitProperty(kMain, kOwn, windowprop::kCaption).AsText(),
              "\xBF\xF2\xBC\xDC\xB2\xE2\xCA\xD4");
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 200);

    ASSERT_EQ(g_rec.creates.size(), 2u);
    const CreateCall& first = g_rec.creates[0];
    EXPECT_EQ(first.data, ByteSet(std::begin(kProbeData), std::end(kProbeData)));
    EXPECT_EQ(first.args[1], static_cast<PtrWord>(sizeof kProbeData));
    EXPECT_NE(first.args[2] & WS_VISIBLE, 0);
    EXPECT_EQ(first.args[3], reinterpret_cast<PtrWord>(window));
    EXPECT_EQ(first.args[4], 100);
    EXPECT_EQ(first.args[5], 0);
    PtrWord geometry[] = {10, 12, 100, 30, kMain, kProbe};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(first.args[6 + i], geometry[i]) << "argument " << 7 + i;
    }
    const CreateCall& second = g_rec.creates[1];
    EXPECT_EQ(second.args[0], 0) << "no stored data is passed as none";
    EXPECT_EQ(second.args[2] & WS_VISIBLE, 0) << "stored hidden";
    EXPECT_EQ(second.args[4], 110);
    EXPECT_EQ(second.args[11], kHiddenProbe);
    EXPECT_FALSE(IsWindowVisible(UnitWindowHandle(kMain, kHiddenProbe)));
}

TEST_F(FrameworkTest, FirstActivationIsRaisedOnce)
{
    ASSERT_TRUE(LoadWindow(kMain));
    ASSERT_TRUE(PumpUntil([] { return g_seen.firstActivations > 0; }));
    ASSERT_TRUE(LoadWindow(kChild));
    ASSERT_EQ(GetActiveWindow(), WindowHandle(kChild)) << "the child took the activation";
    SetForegroundWindow(WindowHandle(kMain));
    SetActiveWindow(WindowHandle(kMain));
    ASSERT_EQ(GetActiveWindow(), WindowHandle(kMain)) << "the main window is active again";
    // A second raise would have been posted from inside that activation.
    ASSERT_TRUE(testsupport::PumpPostedMessages());
    EXPECT_EQ(g_seen.firstActivations, 1);
}

TEST_F(FrameworkTest, CloseQueryRefusedKeepsTheWindowAllowedDestroysIt)
{
    ASSERT_TRUE(LoadWindow(kMain));
    HWND window = WindowHandle(kMain);
    g_seen.refuseClose = true;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(g_seen.destroying, 0);

    g_seen.refuseClose = false;
    g_rec.calls.clear();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(g_seen.destroying, 1);
    EXPECT_EQ(WindowHandle(kMain), nullptr);
    // Both controls reported their end to the framework through the library.
    EXPECT_TRUE(Has("end 2"));
    EXPECT_TRUE(Has("end 7"));
}

TEST_F(FrameworkTest, ModalLoadDisablesTheOtherWindowsUntilItCloses)
{
    ASSERT_TRUE(LoadWindow(kMain));
    HWND main = WindowHandle(kMain);
    ASSERT_TRUE(LoadWindow(kChild, kMain, true));
    HWND child = WindowHandle(kChild);
    EXPECT_FALSE(IsWindowEnabled(main));
    EXPECT_TRUE(IsWindowEnabled(child));
    EXPECT_EQ(GetWindow(child, GW_OWNER), main);
    EXPECT_TRUE(CloseUnit(kChild, kOwn));
    EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(FrameworkTest, NonModalLoadLeavesTheParentEnabled)
{
    ASSERT_TRUE(LoadWindow(kMain));
    ASSERT_TRUE(LoadWindow(kChild, kMain, false));
    EXPECT_TRUE(IsWindowEnabled(WindowHandle(kMain)));
}

TEST_F(FrameworkTest, PropertiesFromAWorkerThreadAreCarriedOutOnTheWindowsThread)
{
    ASSERT_TRUE(LoadWindow(kMain));
    std::atomic<bool> done{false};
    PropertyValue caption, left, probeNumber;
    std::thread worker([&] {
        SetUnitProperty(kMain, kOwn, windowprop::kLeft, 40);
        SetUnitProperty(kMain, kOwn, windowprop::kCaption, "worker");
        SetUnitProperty(kMain, kProbe, 9, 1234);
        SetUnitProperty(kMain, kProbe, windowprop::kTop, 33);
        caption = GetUnitProperty(kMain, kOwn, windowprop::kCaption);
        left = GetUnitProperty(kMain, kOwn, windowprop::kLeft);
        probeNumber = GetUnitProperty(kMain, kProbe, 9);
        done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(caption.AsText(), "worker");
    EXPECT_EQ(left.AsInt(), 40);
    EXPECT_EQ(probeNumber.AsInt(), 1234);
    RECT rect{};
    GetWindowRect(WindowHandle(kMain), &rect);
    EXPECT_EQ(rect.left, 40);
    EXPECT_EQ(GetUnitProperty(kMain, kProbe, windowprop::kTop).AsInt(), 33);
}

TEST_F(FrameworkTest, CallsOnADestroyedWindowDoNothing)
{
    ASSERT_TRUE(LoadWindow(kMain));
    ASSERT_TRUE(CloseUnit(kMain, kOwn));
    g_rec.calls.clear();
    OnWorker([] {
        EXPECT_FALSE(SetUnitProperty(kMain, kOwn, windowprop::kLeft, 5));
        EXPECT_FALSE(SetUnitProperty(kMain, kProbe, 9, 5));
        EXPECT_TRUE(GetUnitProperty(kMain, kProbe, 9).IsEmpty());
        EXPECT_FALSE(CloseUnit(kMain, kOwn));
    });
    EXPECT_FALSE(SetUnitProperty(kMain, kProbe, 9, 5));
    EXPECT_FALSE(PopupMenu(kMain, kMenu));
    EXPECT_FALSE(SetTrayIcon(kMain, MakeIco(0xFF00FF00)));
    EXPECT_TRUE(g_rec.calls.empty());
}

TEST_F(FrameworkTest, ClosingOneControlLeavesTheOthers)
{
    ASSERT_TRUE(LoadWindow(kMain));
    HWND host = UnitWindowHandle(kMain, kProbe);
    ASSERT_TRUE(CloseUnit(kMain, kProbe));
    EXPECT_FALSE(IsWindow(host));
    EXPECT_TRUE(Has("end 2"));
    EXPECT_FALSE(SetUnitProperty(kMain, kProbe, 9, 1));
    EXPECT_TRUE(SetUnitProperty(kMain, kHiddenProbe, 9, 1));
    EXPECT_TRUE(IsWindow(WindowHandle(kMain)));
}

TEST_F(FrameworkTest, LibraryPropertiesPassAsIndexLessEightByType)
{
    ASSERT_TRUE(LoadWindow(kMain));
    g_rec.calls.clear();
    EXPECT_TRUE(SetUnitProperty(kMain, kProbe, 8, true));
    EXPECT_TRUE(SetUnitProperty(kMain, kProbe, 9, -5));
    EXPECT_TRUE(SetUnitProperty(kMain, kProbe, 10, GbkText("\xCC\xEC\xC6\xF8")));
    EXPECT_TRUE(SetUnitProperty(kMain, kProbe, 11, ByteSet{'P', 'N', 'G'}));
    // The framework's own properties never reach the library.
    EXPECT_TRUE(SetUnitProperty(kMain, kProbe, windowprop::kLeft, 3));
    EXPECT_TRUE(SetUnitProperty(kMain, kProbe, windowprop::kVisible, false));
    std::vector<std::string> expected = {"write 2 0 1", "write 2 1 -5",
                                         "write 2 2 \xCC\xEC\xC6\xF8", "write 2 3 PNG"};
    EXPECT_EQ(g_rec.calls, expected);
    EXPECT_FALSE(IsWindowVisible(UnitWindowHandle(kMain, kProbe)));

    EXPECT_EQ(GetUnitProperty(kMain, kProbe, 9).AsInt(), -5);
    EXPECT_TRUE(GetUnitProperty(kMain, kProbe, 8).AsBool());
    EXPECT_EQ(GetUnitProperty(kMain, kProbe, 10).AsText(), "\xCC\xEC\xC6\xF8");
    EXPECT_EQ(GetUnitProperty(kMain, kProbe, 11).AsBytes(), (ByteSet{'P', 'N', 'G'}));
    EXPECT_TRUE(Has("read 2 1"));
    // Beyond the type's table: neither written nor read.
    EXPECT_FALSE(SetUnitProperty(kMain, kProbe, 13, 1));
    EXPECT_TRUE(GetUnitProperty(kMain, kProbe, 13).IsEmpty());
}

TEST_F(FrameworkTest, AnswerOneToAWriteRecreatesTheControlFromItsWholeData)
{
    ASSERT_TRUE(LoadWindow(kMain));
    HWND oldHost = UnitWindowHandle(kMain, kProbe);
    g_rec.creates.clear();
    g_rec.calls.clear();
    ASSERT_TRUE(SetUnitProperty(kMain, kProbe, 12, 9));
    EXPECT_EQ(g_rec.allDataRequests, 1);
    EXPECT_FALSE(IsWindow(oldHost));
    ASSERT_EQ(g_rec.creates.size(), 1u);
    const CreateCall& again = g_rec.creates[0];
    EXPECT_EQ(again.data, (ByteSet{12, 0, 0, 0, 0, 0, 0, 0, 'D', 'A', 'T', 'A'}));
    EXPECT_EQ(again.args[4], 100) << "same control id";
    EXPECT_EQ(again.args[11], kProbe);
    std::vector<std::string> order = {"write 2 4 9", "end 2", "create 2"};
    EXPECT_EQ(g_rec.calls, order);
    // The unit lives on in its new control.
    HWND newHost = UnitWindowHandle(kMain, kProbe);
    EXPECT_NE(newHost, nullptr);
    EXPECT_NE(newHost, oldHost);
    EXPECT_TRUE(SetUnitProperty(kMain, kProbe, 9, 77));
    EXPECT_EQ(GetUnitProperty(kMain, kProbe, 9).AsInt(), 77);
}

TEST_F(FrameworkTest, LibraryEventsRunTheBoundHandlerAndCarryItsResult)
{
    ASSERT_TRUE(LoadWindow(kMain));
    struct Case {
        UnitId unit;
        UnitEventNumber number;
        Word hasResult;
        PtrWord result;
    } cases[] = {
        {kHiddenProbe, 0, 1, 42}, // bound, gives a result
        {kHiddenProbe, 6, 0, 0},  // no binding for that number
        {kProbe, 0, 0, 0},        // unit without bindings
        {99, 0, 0, 0},            // no such unit
    };
    for (const Case& c : cases) {
        UnitEventRecord record{kMain, c.unit, c.number, 4, {11, 22, 33, 44, 0}, 0, 0};
        g_seen.probeArguments.clear();
        OnWorker([&] {
            g_rec.frameworkNotify(kNotifyRaiseEvent, reinterpret_cast<PtrWord>(&record), 0);
        });
        EXPECT_EQ(record.hasResult, c.hasResult) << c.unit << "/" << c.number;
        EXPECT_EQ(record.result, c.result) << c.unit << "/" << c.number;
    }
    UnitEventRecord record{kMain, kHiddenProbe, 0, 4, {11, 22, 33, 44, 0}, 0, 0};
    g_rec.frameworkNotify(kNotifyRaiseEvent, reinterpret_cast<PtrWord>(&record), 0);
    EXPECT_EQ(g_seen.probeArguments, (std::vector<PtrWord>{11, 22, 33, 44}));
}

TEST_F(FrameworkTest, UnitObjectNotifications)
{
    // 1007 for no window answers none; a made object names its host until detached.
    EXPECT_EQ(g_rec.frameworkNotify(kNotifyMakeUnitObject, 0, 0), 0);
    ASSERT_TRUE(LoadWindow(kMain));
    HWND host = UnitWindowHandle(kMain, kProbe);
    UnitHandle handle = g_rec.controls[host].handle;
    ASSERT_NE(handle, 0);
    EXPECT_EQ(HostOf(handle), host);
    g_rec.frameworkNotify(kNotifyDetachUnitObject, handle, 0);
    EXPECT_EQ(reinterpret_cast<UnitObject*>(handle)->hostWindow, 0);
}

TEST_F(FrameworkTest, TimerTicksWhileItHasAnInterval)
{
    ASSERT_TRUE(LoadWindow(kMain));
    // A timer started for the stored 0 would get the shortest interval there is.
    ASSERT_TRUE(PumpWhileATimerTicks(USER_TIMER_MINIMUM, 5));
    EXPECT_EQ(g_seen.ticks, 0) << "stored interval 0 is stopped";
    ASSERT_TRUE(SetUnitProperty(kMain, kTimer, kTimerInterval, 30));
    EXPECT_EQ(GetUnitProperty(kMain, kTimer, kTimerInterval).AsInt(), 30);
    EXPECT_TRUE(PumpUntil([] { return g_seen.ticks >= 2; }, std::chrono::seconds(30)));
    ASSERT_TRUE(SetUnitProperty(kMain, kTimer, kTimerInterval, 0));
    testsupport::HandleWaitingMessages();
    int ticks = g_seen.ticks;
    ASSERT_TRUE(PumpWhileATimerTicks(30, 5));
    EXPECT_EQ(g_seen.ticks, ticks) << "interval 0 stops the timer";
}

TEST_F(FrameworkTest, ChosenPopupItemRaisesItsEvent)
{
    ASSERT_TRUE(LoadWindow(kMain));
    // The user opens the menu, goes down to the second item and presses Enter, each key once
    // the menu shows what the one before did.
    std::thread user([] {
        HWND menu = testsupport::WaitForTopWindow("#32768", nullptr);
        if (menu == nullptr) {
            return;
        }
        for (int item : {0, 1}) {
            PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
            if (!testsupport::WaitUntil([&] { return Highlighted(menu, item); })) {
                PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
                return;
            }
        }
        PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_TRUE(PopupMenu(kMain, kMenu, PopupStyle::Normal, 100, 100));
    user.join();
    EXPECT_EQ(g_seen.menuChosen, (std::vector<UnitId>{kItemTwo}));
    EXPECT_FALSE(PopupMenu(kMain, kItemOne)) << "an item under a top item is no pop-up";
}

TEST_F(FrameworkTest, PopupStylesPlaceTheMenu)
{
    ASSERT_TRUE(LoadWindow(kMain));
    SetCursorPos(400, 300);
    POINT cursor{};
    GetCursorPos(&cursor);
    struct Case {
        PopupStyle style;
        std::optional<Word> x, y;
        // Where the menu's corner is expected: its left and top, or for the tray its right and
        // top.
        LONG cornerX, cornerY;
    } cases[] = {
        {PopupStyle::Normal, 150, 120, 150, 120},
        {PopupStyle::Normal, std::nullopt, std::nullopt, cursor.x, cursor.y},
        {PopupStyle::Tray, std::nullopt, std::nullopt, cursor.x - 5, cursor.y - 5},
    };
    for (const Case& c : cases) {
        RECT placed{};
        std::thread user([&] {
            HWND menu = testsupport::WaitForTopWindow("#32768", nullptr);
            if (menu == nullptr) {
                return;
            }
            GetWindowRect(menu, &placed);
            PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        });
        EXPECT_TRUE(PopupMenu(kMain, kMenu, c.style, c.x, c.y));
        user.join();
        LONG x = c.style == PopupStyle::Tray ? placed.right : placed.left;
        EXPECT_EQ(x, c.cornerX);
        EXPECT_EQ(placed.top, c.cornerY);
    }
    EXPECT_TRUE(g_seen.menuChosen.empty()) << "a menu closed with Escape raises nothing";
}

TEST_F(FrameworkTest, TrayIconAddedModifiedDeletedAndReported)
{
    ASSERT_TRUE(LoadWindow(kMain));
    HWND window = WindowHandle(kMain);
    EXPECT_TRUE(SetTrayIcon(kMain)) << "neither icon nor one shown: nothing to do";
    EXPECT_FALSE(TrayIconShown(window));
    EXPECT_FALSE(SetTrayIcon(kMain, ByteSet{1, 2, 3})) << "bytes that are no icon";
    EXPECT_FALSE(TrayIconShown(window));

    ASSERT_TRUE(SetTrayIcon(kMain, MakeIco(0xFF2080FF), GbkText(100, 'x')));
    EXPECT_TRUE(TrayIconShown(window));
    ASSERT_TRUE(SetTrayIcon(kMain, MakeIco(0xFFFF8020)));
    EXPECT_TRUE(TrayIconShown(window));

    struct {
        UINT mouse;
        PtrWord kind;
    } reports[] = {{WM_LBUTTONUP, 1}, {WM_LBUTTONDBLCLK, 2}, {WM_RBUTTONUP, 3}, {WM_MOUSEMOVE, 0}};
    for (const auto& report : reports) {
        SendMessageA(window, kTrayCallbackMessage, kTrayIconId, report.mouse);
    }
    EXPECT_EQ(g_seen.trayKinds, (std::vector<PtrWord>{1, 2, 3}));

    ASSERT_TRUE(SetTrayIcon(kMain));
    EXPECT_FALSE(TrayIconShown(window));
}

TEST_F(FrameworkTest, TrayIconComesBackWhenTheShellDoes)
{
    ASSERT_TRUE(LoadWindow(kMain));
    HWND window = WindowHandle(kMain);
    ASSERT_TRUE(SetTrayIcon(kMain, MakeIco(0xFF2080FF), GbkText("tip")));
    // Hidden into the notification area, the window can be reached through its icon only.
    ASSERT_TRUE(SetUnitProperty(kMain, kOwn, windowprop::kVisible, false));

    ShellLosesTrayIcon(window);
    ASSERT_FALSE(TrayIconShown(window));
    ShellAnnouncesItself();
    EXPECT_TRUE(PumpUntil([&] { return TrayIconShown(window); })) << "not shown to the new shell";

    // Replaced while lost, before the shell's announcement came (or without one).
    ShellLosesTrayIcon(window);
    EXPECT_TRUE(SetTrayIcon(kMain, MakeIco(0xFFFF8020)));
    EXPECT_TRUE(TrayIconShown(window));

    // Once removed, the icon stays away.
    ASSERT_TRUE(SetTrayIcon(kMain));
    ShellAnnouncesItself();
    ASSERT_TRUE(testsupport::PumpPostedMessages());
    EXPECT_FALSE(TrayIconShown(window));
}

TEST_F(FrameworkTest, TrayIconGoesWithItsWindow)
{
    ASSERT_TRUE(LoadWindow(kMain));
    HWND window = WindowHandle(kMain);
    ASSERT_TRUE(SetTrayIcon(kMain, MakeIco(0xFF2080FF), GbkText("tip")));
    // Asked from a worker thread, the way the refresh sets the weather icon.
    OnWorker([] { EXPECT_TRUE(SetTrayIcon(kMain, MakeIco(0xFF20FF80))); });
    ASSERT_TRUE(CloseUnit(kMain, kOwn));
    EXPECT_FALSE(TrayIconShown(window));
}

TEST_F(FrameworkTest, WaitThatPumpsKeepsTheWindowPaintedAndServed)
{
    ASSERT_TRUE(LoadWindow(kMain));
    HWND window = WindowHandle(kMain);
    testsupport::HandleWaitingMessages();
    InvalidateRect(window, nullptr, TRUE);
    ASSERT_TRUE(GetUpdateRect(window, nullptr, FALSE));
    // The handle the wait is for is set by the worker once its call has been carried out, which
    // takes this thread: the wait can end only by serving the worker from inside it.
    toolkit::ScopedHandle served(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(served);
    std::thread worker([&] {
        SetUnitProperty(kMain, kOwn, windowprop::kTop, 70);
        SetEvent(served.Get());
    });
    // The wait of the refresh: a handle, and messages handled whenever they arrive.
    const HANDLE handles[] = {served.Get()};
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    DWORD waited = WAIT_TIMEOUT;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        // Input left unhandled wakes every later wait at once: the bound is checked here too.
        if (left.count() <= 0) {
            waited = WAIT_TIMEOUT;
            break;
        }
        waited = MsgWaitForMultipleObjects(1, handles, FALSE, static_cast<DWORD>(left.count()),
                                           QS_ALLINPUT);
        if (waited != WAIT_OBJECT_0 + 1) {
            break;
        }
        ProcessEvents();
    }
    bool paintedDuringTheWait = !GetUpdateRect(window, nullptr, FALSE);
    // A wait that failed leaves the worker blocked on this thread; it is served here before the
    // join, so that the failure is reported rather than hanging.
    PumpUntil([&] { return WaitForSingleObject(served.Get(), 0) == WAIT_OBJECT_0; },
              std::chrono::seconds(30));
    worker.join();
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "the worker was not served during the wait";
    EXPECT_TRUE(paintedDuringTheWait) << "the window was not repainted during the wait";
    EXPECT_EQ(GetUnitProperty(kMain, kOwn, windowprop::kTop).AsInt(), 70);
}

TEST_F(FrameworkTest, UnknownTemplateLoadsNothing)
{
    EXPECT_FALSE(LoadWindow(77));
    EXPECT_EQ(WindowHandle(77), nullptr);
}

TEST_F(FrameworkTest, WorkerCallsDoNotHangWhileTheWindowsThreadIsInAMessageBox)
{
    ASSERT_TRUE(LoadWindow(kMain));
    std::atomic<bool> served{false};
    std::thread worker([&] {
        // Waits until the box is up, then is served from inside its modal loop.
        HWND box = testsupport::WaitForTopWindow("#32770", "busy");
        served = SetUnitProperty(kMain, kOwn, windowprop::kCaption, "served");
        testsupport::PressButton(box, IDOK);
    });
    EXPECT_EQ(ShowMessage("busy box", 0, GbkText("busy")), 0);
    worker.join();
    EXPECT_TRUE(served);
    EXPECT_EQ(GetUnitProperty(kMain, kOwn, windowprop::kCaption).AsText(), "served");
}
