// VeneerCore.dll as the program uses it: windows loaded through the framework with the skinned
// controls' binding as library 3 and the real engine, drawn on the test display, looked at
// through screenshots and driven with real mouse input.
#include <windows.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/EngineInterface.h"
#include "engine/StoredData.h"
#include "framework/Framework.h"
#include "skin/VeneerLibrary.h"
#include "skin/VeneerTraffic.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestEngine.h"
#include "tests/support/UiDriver.h"
#include "windows/Pictures.h"

using namespace framework;
using testsupport::Channel;
using testsupport::Distance;
using testsupport::Shot;
using testsupport::TakeShot;
using windows::LoadPicture;
using windows::PictureId;

namespace {

constexpr WindowId kWindow = 1;
constexpr WindowId kFixedWindow = 2;
constexpr UnitId kOwn = 1;
constexpr UnitId kLabel = 2;
constexpr UnitId kButton = 3;
constexpr UnitId kImageButton = 4;
constexpr UnitId kPicture = 5;
constexpr UnitId kCheckBox = 6;
constexpr UnitId kCombo = 7;
constexpr UnitId kAnimation = 8;
constexpr UnitId kFallbackLabel = 9;
constexpr UnitId kTip = 11;
constexpr UnitId kSkin = 10;

constexpr int kClientWidth = 400;
constexpr int kClientHeight = 300;

struct Seen {
    UnitId unit;
    UnitEventNumber number;
    std::int32_t state; // the check box's tick or the combo box's selection as the handler read it
};
std::vector<Seen> g_seen;

EventResult Record(const UnitEvent& event)
{
    std::int32_t state = 0;
    if (event.unit == kCheckBox) {
        state = GetUnitProperty(event.window, event.unit, 16).AsBool() ? 1 : 0;
    } else if (event.unit == kCombo) {
        state = GetUnitProperty(event.window, event.unit, 37).AsInt();
    }
    g_seen.push_back({event.unit, event.number, state});
    return std::nullopt;
}

constexpr EventBinding kClick[] = {{0, Record}};
constexpr EventBinding kClickAndDouble[] = {{0, Record}, {6, Record}};

std::vector<std::uint8_t> Bytes(PictureId id)
{
    return LoadPicture(id);
}

std::vector<std::uint8_t> SkinLook(bool withBackground)
{
    engine::StoredDataBuilder look;
    look.Skin(u"veneer默认窗口皮肤", u"Clean");
    if (withBackground) {
        look.Picture(engine::kPictureMain, Bytes(PictureId::SunnyBackground));
    }
    const PictureId titles[] = {
        PictureId::CloseButtonNormal,    PictureId::CloseButtonHover,
        PictureId::CloseButtonPressed,   PictureId::MaximiseButtonNormal,
        PictureId::MaximiseButtonHover,  PictureId::MaximiseButtonPressed,
        PictureId::RestoreButtonNormal,  PictureId::RestoreButtonHover,
        PictureId::RestoreButtonPressed, PictureId::MinimiseButtonNormal,
        PictureId::MinimiseButtonHover,  PictureId::MinimiseButtonPressed,
    };
    for (std::size_t i = 0; i < std::size(titles); ++i) {
        look.Picture(static_cast<std::uint16_t>(engine::kPictureClose + i), Bytes(titles[i]));
    }
    return look.Block();
}

// Built once the pictures can be read (the test's own resources), kept for the whole run.
struct Looks {
    std::vector<std::uint8_t> label =
        engine::StoredDataBuilder().Caption(u"晴转多云 25℃").Font(15, 0).Colour(0xFFFFFFFF).Block();
    std::vector<std::uint8_t> button = engine::StoredDataBuilder()
                                           .Caption(u"刷新数据")
                                           .Font(12, 0)
                                           .Colour(0xFE000000)
                                           .Cursor(engine::kCursorHand)
                                           .Skin(u"默认皮肤按钮")
                                           .Block();
    std::vector<std::uint8_t> imageButton =
        engine::StoredDataBuilder()
            .Cursor(engine::kCursorHand)
            .Skin(u"VENEER默认皮肤_图片按钮")
            .Picture(engine::kPictureMain, Bytes(PictureId::MenuGlyph))
            .Block();
    std::vector<std::uint8_t> picture =
        engine::StoredDataBuilder()
            .Skin(u"Veneer默认皮肤_图片框", u"Clean")
            .Picture(engine::kPictureMain, Bytes(PictureId::SunnyPicture))
            .Block();
    std::vector<std::uint8_t> checkBox = engine::StoredDataBuilder()
                                             .Caption(u"自动刷新数据")
                                             .Font(12, 0)
                                             .Colour(0xFFFFFFFF)
                                             .Checked(false)
                                             .Block();
    std::vector<std::uint8_t> combo = engine::StoredDataBuilder()
                                          .Caption(u"10分钟")
                                          .Font(12, 0, u"微软雅黑", 0)
                                          .Font(12, 0, u"微软雅黑", 1)
                                          .Font(12, 0, u"微软雅黑", 2)
                                          .Colour(0xFE000000, 0)
                                          .Colour(0xFE000000, 1)
                                          .Colour(0x00000000, 2)
                                          .Item(u"1小时")
                                          .Item(u"30分钟")
                                          .Item(u"10分钟")
                                          .Item(u"5分钟")
                                          .Block();
    std::vector<std::uint8_t> animation =
        engine::StoredDataBuilder()
            .Picture(engine::kPictureMain, Bytes(PictureId::LoadingAnimation))
            .Block();
    std::vector<std::uint8_t> fallbackLabel = engine::StoredDataBuilder()
                                                  .Caption(u"预警信息")
                                                  .Font(20, 1, u"NoSuchFaceAnywhere")
                                                  .Colour(0)
                                                  .Block();
    std::vector<std::uint8_t> tip = engine::StoredDataBuilder()
                                        .Caption(u"天气有点冷出门记得多穿件外套，路上注意安全。")
                                        .Font(12, 0)
                                        .Colour(0xFF000000)
                                        .Block();
    std::vector<std::uint8_t> skin = SkinLook(true);
    std::vector<std::uint8_t> plainSkin = SkinLook(false);
    std::vector<std::uint8_t> notice = engine::StoredDataBuilder()
                                           .Caption(u"XXX市于XXX分发布橙色预警，请注意防御。")
                                           .Font(15, 0)
                                           .Colour(0xFFFFFFFF)
                                           .Block();
};
Looks* g_looks = nullptr;

std::vector<UnitTemplate> g_units;
std::vector<UnitTemplate> g_fixedUnits;
WindowTemplate g_template;
WindowTemplate g_fixedTemplate;
constexpr StoredProperty kNotMovable[] = {{windowprop::kMovable, 0}};

UnitTemplate Unit(UnitId id, UnitTypeCode type, const char* name, RECT place,
                  const std::vector<std::uint8_t>& data, std::span<const EventBinding> events = {})
{
    UnitTemplate unit;
    unit.id = id;
    unit.type = type;
    unit.name = name;
    unit.left = place.left;
    unit.top = place.top;
    unit.width = place.right - place.left;
    unit.height = place.bottom - place.top;
    unit.data = data;
    unit.events = events;
    return unit;
}

constexpr RECT kLabelRect{20, 50, 220, 90};
constexpr RECT kButtonRect{20, 100, 139, 122};
constexpr RECT kImageButtonRect{300, 40, 316, 56};
constexpr RECT kPictureRect{250, 70, 370, 170};
constexpr RECT kCheckBoxRect{20, 140, 170, 166};
constexpr RECT kComboRect{20, 180, 172, 206};
constexpr RECT kAnimationRect{250, 200, 282, 232};
constexpr RECT kFallbackRect{20, 230, 220, 270};
// One line high, with more text than fits one line.
constexpr RECT kTipRect{226, 268, 389, 288};
// On the window whose skin has no background picture, as the alarm notice's.
constexpr RECT kNoticeRect{18, 48, 280, 104};

void BuildTemplates()
{
    g_looks = new Looks;
    g_units = {
        Unit(kLabel, 0x30006, "label", kLabelRect, g_looks->label),
        Unit(kButton, 0x30007, "button", kButtonRect, g_looks->button, kClick),
        Unit(kImageButton, 0x30008, "imagebutton", kImageButtonRect, g_looks->imageButton, kClick),
        Unit(kPicture, 0x30005, "picture", kPictureRect, g_looks->picture, kClickAndDouble),
        Unit(kCheckBox, 0x3000C, "checkbox", kCheckBoxRect, g_looks->checkBox, kClick),
        Unit(kCombo, 0x30011, "combo", kComboRect, g_looks->combo, kClick),
        Unit(kAnimation, 0x30005, "animation", kAnimationRect, g_looks->animation),
        Unit(kFallbackLabel, 0x30006, "fallback", kFallbackRect, g_looks->fallbackLabel),
        Unit(kTip, 0x30006, "tip", kTipRect, g_looks->tip),
        Unit(kSkin, 0x30001, "skin", RECT{4, 4, 28, 28}, g_looks->skin),
    };
    g_template = {.id = kWindow,
                  .unit = kOwn,
                  .name = "engine",
                  .caption = "engine",
                  .width = kClientWidth,
                  .height = kClientHeight,
                  .units = g_units};
    g_fixedUnits = {Unit(kLabel, 0x30006, "notice", kNoticeRect, g_looks->notice),
                    Unit(kSkin, 0x30001, "skin", RECT{4, 4, 28, 28}, g_looks->plainSkin)};
    g_fixedTemplate = {.id = kFixedWindow,
                       .unit = kOwn,
                       .name = "fixed",
                       .caption = "fixed",
                       .width = 300,
                       .height = 120,
                       .properties = kNotMovable,
                       .units = g_fixedUnits};
}

const WindowTemplate* g_templates[2] = {};
const LibraryInfo* const kLibraries[] = {nullptr, nullptr, &skin::VeneerLibraryInfo};

std::string g_artifacts;

// The engine beside the programs in bin/ reaches the binding through the system search path;
// the tests' own folder holds the recording stand-in, which must not be found.
class EngineEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        testsupport::UseBuiltEngine();
        g_artifacts = testsupport::ArtifactsFolder("engine");

        BuildTemplates();
        g_templates[0] = &g_template;
        g_templates[1] = &g_fixedTemplate;
        ASSERT_TRUE(Initialise(kLibraries, g_templates));
        ASSERT_NE(skin::VeneerEngineModule(), nullptr) << "the binding found no engine";
        testsupport::ExpectBuiltEngineLoaded();

        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&m_token, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

// Leaves the screenshot for a person to look at, as <name>.png in the artifacts.
void SaveArtifact(const Shot& shot, const std::string& name)
{
    std::string file = g_artifacts + "\\" + name + ".png";
    EXPECT_TRUE(testsupport::SaveShot(shot, file)) << file;
}

// Pixels of a rectangle that stand out from the pixel just right of it on the same row.
int PixelsUnlikeTheRight(const Shot& shot, const RECT& rect)
{
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        std::uint32_t beside =
            shot.At(std::min(static_cast<int>(rect.right) + 2, shot.width - 1), y);
        for (int x = rect.left; x < rect.right; ++x) {
            count += Distance(shot.At(x, y), beside) > 90 ? 1 : 0;
        }
    }
    return count;
}

struct MouseStep {
    DWORD flags; // 0 to move only
    POINT screen;
};

// Puts the steps into the input queue at once, as the mouse driver would, then handles them and
// what they lead to: by the time this returns, every step has reached its window and the
// windows have painted what it changed. Queued in one piece, a press on a window's background
// finds its release already waiting, so the system's move loop it starts returns within the
// handling; the times between the steps are those of a quick hand, so two clicks stay a double
// click on a loaded machine too.
void Gesture(std::initializer_list<MouseStep> steps)
{
    std::vector<INPUT> inputs;
    for (const MouseStep& step : steps) {
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dx = MulDiv(step.screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(step.screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
        input.mi.dwFlags = step.flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
        inputs.push_back(input);
    }
    ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
              inputs.size());
    testsupport::HandleWaitingMessages();
}

void SendMouse(DWORD flags, POINT screen)
{
    Gesture({{flags, screen}});
}

POINT OnScreen(HWND window, POINT client)
{
    ClientToScreen(window, &client);
    return client;
}

POINT Centre(const RECT& rect)
{
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void Click(HWND window, POINT client)
{
    POINT screen = OnScreen(window, client);
    Gesture({{0, screen}, {MOUSEEVENTF_LEFTDOWN, screen}, {MOUSEEVENTF_LEFTUP, screen}});
}

class EngineWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_seen.clear();
        ASSERT_TRUE(LoadWindow(kWindow));
        m_window = WindowHandle(kWindow);
        ASSERT_NE(m_window, nullptr);
        SetForegroundWindow(m_window);
        ASSERT_TRUE(testsupport::PumpUntilOnScreen(m_window)) << "the window is not shown";
    }
    void TearDown() override
    {
        // Park the mouse away from where the next window opens.
        SendMouse(0, POINT{5, 5});
        CloseUnit(kWindow, kOwn);
        CloseUnit(kFixedWindow, kOwn);
        testsupport::HandleWaitingMessages();
    }

    Shot Look(const std::string& name)
    {
        EXPECT_TRUE(testsupport::PumpUntilOnScreen(m_window)) << name << ": not shown as painted";
        Shot shot = TakeShot(m_window);
        SaveArtifact(shot, name);
        return shot;
    }

    HWND m_window = nullptr;
};

} // namespace

TEST_F(EngineWindow, TheSkinnedWindowIsBorderlessWithItsClientSize)
{
    RECT outer{};
    RECT client{};
    GetWindowRect(m_window, &outer);
    GetClientRect(m_window, &client);
    EXPECT_EQ(outer.right - outer.left, kClientWidth);
    EXPECT_EQ(outer.bottom - outer.top, kClientHeight);
    EXPECT_EQ(client.right, kClientWidth);
    EXPECT_EQ(client.bottom, kClientHeight);
    EXPECT_EQ(GetWindowLongPtrW(m_window, GWL_STYLE) & WS_CAPTION, 0);
}

TEST_F(EngineWindow, EveryKindDrawsAndTheBackgroundShowsThroughTheLabel)
{
    Shot shot = Look("all-kinds");
    // The sky picture, not the window's grey, lies behind everything.
    std::uint32_t sky = shot.At(kClientWidth / 2, 20);
    EXPECT_GT(Channel(sky, 0), Channel(sky, 16) + 40) << std::hex << sky;

    // Beneath the label's text the sky goes on as beside the label.
    std::uint32_t underLabel = shot.At(kLabelRect.right - 3, kLabelRect.bottom - 3);
    std::uint32_t besideLabel = shot.At(kLabelRect.right + 3, kLabelRect.bottom - 3);
    EXPECT_LT(Distance(underLabel, besideLabel), 12)
        << std::hex << underLabel << " " << besideLabel;

    struct Drawn {
        const char* what;
        RECT rect;
    };
    const Drawn drawn[] = {
        {"label text", kLabelRect},         {"button", kButtonRect},
        {"image button", kImageButtonRect}, {"picture", kPictureRect},
        {"check box", kCheckBoxRect},       {"combo box", kComboRect},
        {"animation", kAnimationRect},      {"label in a missing face", kFallbackRect},
    };
    for (const Drawn& part : drawn) {
        EXPECT_GT(PixelsUnlikeTheRight(shot, part.rect), 20) << part.what << " drew nothing";
    }
}

TEST_F(EngineWindow, ALabelOneLineHighShowsItsFirstLineWhole)
{
    Shot shot = Look("tip");
    EXPECT_GT(PixelsUnlikeTheRight(
                  shot, RECT{kTipRect.left, kTipRect.top, kTipRect.right, kTipRect.top + 14}),
              30);
    // A second line would begin in the bottom rows, cut in half.
    EXPECT_EQ(PixelsUnlikeTheRight(
                  shot, RECT{kTipRect.left, kTipRect.bottom - 3, kTipRect.right, kTipRect.bottom}),
              0);
}

TEST_F(EngineWindow, TheLoadingPictureRunsThroughItsFrames)
{
    Shot first = TakeShot(m_window);
    auto changed = [&] {
        Shot later = TakeShot(m_window);
        int count = 0;
        for (int y = kAnimationRect.top; y < kAnimationRect.bottom; ++y) {
            for (int x = kAnimationRect.left; x < kAnimationRect.right; ++x) {
                count += Distance(first.At(x, y), later.At(x, y)) > 30 ? 1 : 0;
            }
        }
        return count;
    };
    EXPECT_TRUE(testsupport::PumpUntil([&] { return changed() > 10; }, std::chrono::seconds(30)))
        << "the picture stays on its first frame";
}

TEST_F(EngineWindow, ClicksRaiseEventZeroOfTheClickedControl)
{
    const struct {
        UnitId unit;
        RECT rect;
    } cases[] = {
        {kButton, kButtonRect},
        {kImageButton, kImageButtonRect},
        {kPicture, kPictureRect},
    };
    for (const auto& target : cases) {
        g_seen.clear();
        Click(m_window, Centre(target.rect));
        ASSERT_EQ(g_seen.size(), 1u) << "unit " << target.unit;
        EXPECT_EQ(g_seen[0].unit, target.unit);
        EXPECT_EQ(g_seen[0].number, 0);
    }
}

TEST_F(EngineWindow, ADoubleClickOnAPictureRaisesSixAfterTheFirstClick)
{
    POINT screen = OnScreen(m_window, Centre(kPictureRect));
    Gesture({{0, screen},
             {MOUSEEVENTF_LEFTDOWN, screen},
             {MOUSEEVENTF_LEFTUP, screen},
             {MOUSEEVENTF_LEFTDOWN, screen},
             {MOUSEEVENTF_LEFTUP, screen}});
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].number, 0);
    EXPECT_EQ(g_seen[1].number, 6);
    EXPECT_EQ(g_seen[1].unit, kPicture);
}

TEST_F(EngineWindow, AButtonReleasedOutsideIsNoClickAndEachStateLooksDifferent)
{
    Shot normal = Look("button-normal");
    POINT inside = OnScreen(m_window, Centre(kButtonRect));
    SendMouse(0, inside);
    Shot hover = Look("button-hover");
    SendMouse(MOUSEEVENTF_LEFTDOWN, inside);
    Shot pressed = Look("button-pressed");
    SendMouse(0, OnScreen(m_window, POINT{kButtonRect.right + 40, kButtonRect.bottom + 5}));
    SendMouse(MOUSEEVENTF_LEFTUP,
              OnScreen(m_window, POINT{kButtonRect.right + 40, kButtonRect.bottom + 5}));
    EXPECT_TRUE(g_seen.empty()) << "released outside the button";

    // The button's face away from its text.
    POINT face{kButtonRect.left + 4, kButtonRect.top + 4};
    EXPECT_GT(Distance(normal.At(face.x, face.y), hover.At(face.x, face.y)), 10);
    EXPECT_GT(Distance(hover.At(face.x, face.y), pressed.At(face.x, face.y)), 10);
}

TEST_F(EngineWindow, TheHandlerOfATickReadsTheNewState)
{
    Shot before = Look("checkbox-unticked");
    Click(m_window, POINT{kCheckBoxRect.left + 8, Centre(kCheckBoxRect).y});
    Shot ticked = Look("checkbox-ticked");
    Click(m_window, Centre(kCheckBoxRect));
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].unit, kCheckBox);
    EXPECT_EQ(g_seen[0].number, 0);
    EXPECT_EQ(g_seen[0].state, 1) << "ticked by the first click";
    EXPECT_EQ(g_seen[1].state, 0) << "unticked by the second";
    EXPECT_FALSE(GetUnitProperty(kWindow, kCheckBox, 16).AsBool());

    POINT box{kCheckBoxRect.left + 5, Centre(kCheckBoxRect).y};
    EXPECT_GT(Distance(before.At(box.x, box.y), ticked.At(box.x, box.y)), 60)
        << "the box shows the tick";
}

namespace {

HWND OpenDropList(HWND window)
{
    Click(window, Centre(kComboRect));
    return testsupport::WaitForTopWindow("VeneerDropList", nullptr, std::chrono::seconds(30));
}

// The middle of item `index` of an open list, on the screen.
POINT ItemOnScreen(HWND list, int index)
{
    RECT client{};
    GetClientRect(list, &client);
    int itemHeight = (client.bottom - 2) / 4;
    POINT point{client.right / 2, 1 + itemHeight * index + itemHeight / 2};
    ClientToScreen(list, &point);
    return point;
}

} // namespace

TEST_F(EngineWindow, ChoosingAnotherItemChangesTheSelectionOnceAndTheHandlerSeesIt)
{
    EXPECT_EQ(GetUnitProperty(kWindow, kCombo, 37).AsInt(), -1) << "stored without a selection";
    HWND list = OpenDropList(m_window);
    ASSERT_NE(list, nullptr) << "the list did not open";
    RECT listRect{};
    RECT combo = kComboRect;
    GetWindowRect(list, &listRect);
    MapWindowPoints(m_window, nullptr, reinterpret_cast<POINT*>(&combo), 2);
    EXPECT_EQ(listRect.top, combo.bottom) << "the list opens below the box";
    EXPECT_EQ(listRect.right - listRect.left, combo.right - combo.left);
    Look("combo-open");

    POINT second = ItemOnScreen(list, 1);
    SendMouse(0, second);
    SendMouse(MOUSEEVENTF_LEFTDOWN, second);
    SendMouse(MOUSEEVENTF_LEFTUP, second);
    EXPECT_FALSE(IsWindow(list)) << "a choice closes the list";
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].unit, kCombo);
    EXPECT_EQ(g_seen[0].number, 0);
    EXPECT_EQ(g_seen[0].state, 1);
    Look("combo-chosen");

    // The same item again is no change; a click beside the list closes it without one.
    list = OpenDropList(m_window);
    ASSERT_NE(list, nullptr);
    second = ItemOnScreen(list, 1);
    SendMouse(0, second);
    SendMouse(MOUSEEVENTF_LEFTDOWN, second);
    SendMouse(MOUSEEVENTF_LEFTUP, second);
    list = OpenDropList(m_window);
    ASSERT_NE(list, nullptr);
    Click(m_window, POINT{kClientWidth / 2, 20});
    EXPECT_FALSE(IsWindow(list));
    EXPECT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(GetUnitProperty(kWindow, kCombo, 37).AsInt(), 1);
}

namespace {

using SendMessageRoutine = engine::ControlSendMessageRoutine;

SendMessageRoutine EngineSend()
{
    return reinterpret_cast<SendMessageRoutine>(reinterpret_cast<void*>(
        GetProcAddress(static_cast<HMODULE>(skin::VeneerEngineModule()), "ControlSendMessage")));
}

engine::ControlHandle ControlOf(UnitId unit)
{
    return skin::VeneerControlFromWindow(UnitWindowHandle(kWindow, unit));
}

// "晴 -3°" and "多云" in code page 936.
const GbkText kSunnyCaption = "\xC7\xE7 -3";
const GbkText kCloudyCaption = "\xB6\xE0\xD4\xC6";

} // namespace

TEST_F(EngineWindow, WrittenPropertiesReadBackAndShow)
{
    Shot before = Look("properties-before");
    struct Case {
        UnitId unit;
        PropertyIndex index;
        PropertyValue written;
        PropertyValue read;
    };
    const ByteSet rain = Bytes(PictureId::RainPicture);
    const Case cases[] = {
        {kLabel, 20, kSunnyCaption, kSunnyCaption},
        {kButton, 20, kCloudyCaption, kCloudyCaption},
        {kLabel, 19, static_cast<std::int32_t>(0xFFFFC950u),
         static_cast<std::int32_t>(0xFFFFC950u)},
        {kCheckBox, 16, true, true},
        {kCombo, 37, 3, 3},
        {kCombo, 37, 9, 3}, // no such item: the selection stays
        {kCombo, 37, -1, -1},
        {kPicture, 16, rain, rain},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SetUnitProperty(kWindow, c.unit, c.index, c.written));
        PropertyValue value = GetUnitProperty(kWindow, c.unit, c.index);
        SCOPED_TRACE("unit " + std::to_string(c.unit) + " property " + std::to_string(c.index));
        switch (c.read.GetKind()) {
        case PropertyValue::Kind::Text:
            EXPECT_EQ(value.AsText(), c.read.AsText());
            break;
        case PropertyValue::Kind::Bytes:
            EXPECT_EQ(value.AsBytes(), c.read.AsBytes());
            break;
        default:
            EXPECT_EQ(value.AsInt(), c.read.AsInt());
            break;
        }
    }
    EXPECT_TRUE(g_seen.empty()) << "written states raise no events";

    Shot after = Look("properties-after");
    EXPECT_GT(PixelsUnlikeTheRight(after, kLabelRect), 20);
    // The label took the amber colour: its text pixels are warm now.
    int warm = 0;
    for (int y = kLabelRect.top; y < kLabelRect.bottom; ++y) {
        for (int x = kLabelRect.left; x < kLabelRect.right; ++x) {
            std::uint32_t pixel = after.At(x, y);
            warm += Channel(pixel, 16) > 200 && Channel(pixel, 0) < 150 ? 1 : 0;
        }
    }
    EXPECT_GT(warm, 10);
    POINT pictureMiddle = Centre(kPictureRect);
    EXPECT_GT(Distance(before.At(pictureMiddle.x, pictureMiddle.y),
                       after.At(pictureMiddle.x, pictureMiddle.y)),
              30)
        << "the picture box shows the new picture";
}

TEST_F(EngineWindow, AHiddenControlLeavesTheBackgroundAndTakesNoClicks)
{
    ASSERT_TRUE(SetUnitProperty(kWindow, kButton, 8, false));
    EXPECT_FALSE(GetUnitProperty(kWindow, kButton, 8).AsBool());
    Shot shot = Look("button-hidden");
    EXPECT_EQ(PixelsUnlikeTheRight(shot, kButtonRect), 0) << "nothing drawn where it was";
    Click(m_window, Centre(kButtonRect));
    EXPECT_TRUE(g_seen.empty());

    ASSERT_TRUE(SetUnitProperty(kWindow, kButton, 8, true));
    Click(m_window, Centre(kButtonRect));
    EXPECT_EQ(g_seen.size(), 1u);
}

TEST_F(EngineWindow, EachControlHandleNamesItsUnitAndKind)
{
    const struct {
        UnitId unit;
        engine::Word typeCode;
        engine::Word eventBase;
    } cases[] = {
        {kLabel, engine::kTypeLabelEx, 0},
        {kButton, engine::kTypeButtonEx, 0},
        {kImageButton, engine::kTypeImagebuttonEx, 0},
        {kPicture, engine::kTypePictureBoxEx, 0},
        {kCheckBox, engine::kTypeChoiceboxEx, 0},
        {kCombo, engine::kTypeComboboxEx, 2},
        {kSkin, engine::kTypeWindowEx, 11},
    };
    for (const auto& c : cases) {
        engine::ControlHandle control = ControlOf(c.unit);
        ASSERT_NE(control, nullptr) << c.unit;
        EXPECT_EQ(control->windowId, kWindow);
        EXPECT_EQ(control->unitId, c.unit);
        EXPECT_EQ(control->eventBase, c.eventBase) << c.unit;
        EXPECT_EQ(control->typeCode, c.typeCode) << c.unit;
        EXPECT_EQ(control->parent, nullptr);
        EXPECT_EQ(control->pageIndex, 0);
    }
}

TEST_F(EngineWindow, APictureWrittenWithoutBytesClearsThePictureBox)
{
    // A length without an address, as a careless caller might pass.
    framework::UnitPropertyValue value{0, 100};
    EXPECT_EQ(
        EngineSend()(ControlOf(kPicture), engine::kMessageWriteProperty, 16 - 8, &value, 0, 0), 0);
    EXPECT_TRUE(GetUnitProperty(kWindow, kPicture, 16).AsBytes().empty());
    Shot shot = Look("picture-cleared");
    EXPECT_EQ(PixelsUnlikeTheRight(shot, kPictureRect), 0);
}

TEST_F(EngineWindow, TheWholeDataHoldsTheLookAsWritten)
{
    ASSERT_TRUE(SetUnitProperty(kWindow, kLabel, 20, kCloudyCaption));
    ASSERT_TRUE(SetUnitProperty(kWindow, kCombo, 37, 2));
    struct Expected {
        UnitId unit;
        std::uint16_t tag;
        std::u16string text;
        std::uint32_t number;
    };
    const Expected cases[] = {
        {kLabel, engine::kTagCaption, u"多云", 0},
        {kCombo, engine::kTagCaption, u"10分钟", 0},
        {kCombo, engine::kTagSelection, u"", 2},
        {kCheckBox, engine::kTagCaption, u"自动刷新数据", 0},
    };
    for (const Expected& expected : cases) {
        auto* block = reinterpret_cast<const engine::DataBlockHead*>(
            EngineSend()(ControlOf(expected.unit), engine::kMessageAllData, -1, nullptr, 0, 0));
        ASSERT_NE(block, nullptr);
        engine::StoredDataReader reader;
        ASSERT_TRUE(reader.Open(reinterpret_cast<const std::uint8_t*>(block + 1),
                                static_cast<std::size_t>(block->length)));
        engine::StoredRecord record;
        bool found = false;
        while (reader.Next(record)) {
            if (record.tag == expected.tag && record.slot == 0) {
                found = true;
                if (expected.text.empty()) {
                    EXPECT_EQ(record.U32(), expected.number);
                } else {
                    EXPECT_TRUE(record.Text() == expected.text) << "unit " << expected.unit;
                }
            }
        }
        EXPECT_TRUE(found) << "unit " << expected.unit << " tag " << expected.tag;
    }
}

TEST_F(EngineWindow, TheWindowEraseDrawsNothingOverTheComposedPicture)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all{0, 0, 8, 8};
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(memory, &all, magenta);
    EXPECT_NE(SendMessageW(m_window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0), 0);
    EXPECT_EQ(GetPixel(memory, 4, 4), RGB(255, 0, 255)) << "an erase before each paint flickers";
    SelectObject(memory, old);
    DeleteObject(magenta);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

TEST_F(EngineWindow, ASkinWithoutPictureIsDarkEnoughForWhiteText)
{
    ASSERT_TRUE(LoadWindow(kFixedWindow));
    HWND window = WindowHandle(kFixedWindow);
    ASSERT_TRUE(testsupport::PumpUntilOnScreen(window));
    Shot shot = TakeShot(window);
    SaveArtifact(shot, "skin-without-picture");
    std::uint32_t background = shot.At(150, 20);
    EXPECT_LT(Channel(background, 16) + Channel(background, 8) + Channel(background, 0), 300)
        << std::hex << background;
    EXPECT_GT(PixelsUnlikeTheRight(shot, kNoticeRect), 50) << "the white text stands out";
}

TEST_F(EngineWindow, TheWindowIsDraggedByItsBackgroundOnlyWhenMovable)
{
    ASSERT_TRUE(LoadWindow(kFixedWindow));
    struct Case {
        WindowId window;
        bool moves;
    };
    for (Case c : {Case{kWindow, true}, Case{kFixedWindow, false}}) {
        HWND window = WindowHandle(c.window);
        SetForegroundWindow(window);
        testsupport::HandleWaitingMessages();
        RECT before{};
        GetWindowRect(window, &before);
        POINT start = OnScreen(window, POINT{120, 20});
        POINT end{start.x + 40, start.y + 20};
        Gesture({{0, start},
                 {MOUSEEVENTF_LEFTDOWN, start},
                 {0, POINT{start.x + 10, start.y + 5}},
                 {0, POINT{start.x + 20, start.y + 10}},
                 {0, POINT{start.x + 30, start.y + 15}},
                 {0, end},
                 {MOUSEEVENTF_LEFTUP, end}});
        RECT after{};
        GetWindowRect(window, &after);
        SCOPED_TRACE(c.window);
        EXPECT_EQ(after.left - before.left, c.moves ? 40 : 0);
        EXPECT_EQ(after.top - before.top, c.moves ? 20 : 0);
    }
    EXPECT_TRUE(g_seen.empty());
}

TEST_F(EngineWindow, TitleButtonsOfTheSkinMinimiseAndClose)
{
    Shot shot = Look("title-buttons");
    // Close at the right edge, minimise left of it; the window has no maximise box.
    POINT close{kClientWidth - 15, 15};
    POINT minimise{kClientWidth - 45, 15};
    EXPECT_GT(PixelsUnlikeTheRight(shot, RECT{kClientWidth - 60, 0, kClientWidth - 31, 30}), 10)
        << "the minimise button is drawn";

    Click(m_window, minimise);
    EXPECT_TRUE(IsIconic(m_window));
    ShowWindow(m_window, SW_RESTORE);
    ASSERT_TRUE(testsupport::PumpUntilOnScreen(m_window));

    Click(m_window, close);
    testsupport::PumpUntil([] { return WindowHandle(kWindow) == nullptr; },
                           std::chrono::seconds(30));
    EXPECT_EQ(WindowHandle(kWindow), nullptr) << "the close button closes the window";
}

TEST(EngineStart, TheStartCallAcceptsOnlyTheBindingsStamp)
{
    HMODULE module = static_cast<HMODULE>(skin::VeneerEngineModule());
    auto start = reinterpret_cast<engine::CallInternalFunctionRoutine>(
        reinterpret_cast<void*>(GetProcAddress(module, "CallInternalFunction_Ex")));
    ASSERT_NE(start, nullptr);
    const struct {
        engine::Word function;
        engine::Word stamp;
        engine::Word answer;
    } cases[] = {
        {engine::kStartFunction, engine::kStartStamp, 1},
        {engine::kStartFunction, 20200101, 0},
        {1, engine::kStartStamp, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(start(c.function, reinterpret_cast<engine::PtrWord>(module), 0, 0, c.stamp),
                  c.answer)
            << c.function << " " << c.stamp;
    }
    // A handle the engine never gave out is answered with 0, not followed.
    engine::ControlHandleHead stranger{};
    EXPECT_EQ(EngineSend()(&stranger, engine::kMessageAllData, -1, nullptr, 0, 0), 0);
}
