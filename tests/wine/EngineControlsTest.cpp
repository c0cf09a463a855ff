// VeneerCore.dll as the program uses it: windows loaded through the framework with the skinned
// controls' binding as library 3 and the real engine, drawn on the test display, looked at
// through screenshots and driven with real mouse input.
#include <windows.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/EngineInterface.h"
#include "engine/StoredData.h"
#include "framework/Framework.h"
#include "skin/VeneerLibrary.h"
#include "skin/VeneerTraffic.h"
#include "tests/support/UiDriver.h"
#include "windows/Pictures.h"

using namespace framework;
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
    std::vector<std::uint8_t> skin = SkinLook(true);
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
        Unit(kSkin, 0x30001, "skin", RECT{4, 4, 28, 28}, g_looks->skin),
    };
    g_template = {.id = kWindow,
                  .unit = kOwn,
                  .name = "engine",
                  .caption = "engine",
                  .width = kClientWidth,
                  .height = kClientHeight,
                  .units = g_units};
    g_fixedUnits = {Unit(kSkin, 0x30001, "skin", RECT{4, 4, 28, 28}, g_looks->skin)};
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
        char path[MAX_PATH];
        DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
        std::string tests(path, length);
        tests.resize(tests.find_last_of('\\'));
        std::string build = tests.substr(0, tests.find_last_of('\\'));
        char oldPath[8192] = {};
        GetEnvironmentVariableA("PATH", oldPath, sizeof oldPath);
        SetEnvironmentVariableA("PATH", (build + "\\bin;" + oldPath).c_str());
        g_artifacts = tests + "\\artifacts";
        CreateDirectoryA(g_artifacts.c_str(), nullptr);
        g_artifacts += "\\engine";
        CreateDirectoryA(g_artifacts.c_str(), nullptr);

        BuildTemplates();
        g_templates[0] = &g_template;
        g_templates[1] = &g_fixedTemplate;
        ASSERT_TRUE(Initialise(kLibraries, g_templates));
        ASSERT_NE(skin::VeneerEngineModule(), nullptr) << "the binding found no engine";
        char name[MAX_PATH] = {};
        GetModuleFileNameA(static_cast<HMODULE>(skin::VeneerEngineModule()), name, sizeof name);
        ASSERT_NE(std::string(name).find("\\bin\\VeneerCore.dll"), std::string::npos) << name;

        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&m_token, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

// What the screen shows of a window's client area.
struct Shot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // 0x00RRGGBB

    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

Shot TakeShot(HWND window)
{
    Shot shot;
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    shot.width = client.right;
    shot.height = client.bottom;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const auto* words = static_cast<const std::uint32_t*>(bits);
    shot.pixels.assign(words, words + static_cast<std::size_t>(shot.width) * shot.height);
    for (std::uint32_t& pixel : shot.pixels) {
        pixel &= 0x00FFFFFFu;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

void SaveShot(const Shot& shot, const std::string& name)
{
    Gdiplus::Bitmap bitmap(shot.width, shot.height, shot.width * 4, PixelFormat32bppRGB,
                           reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(shot.pixels.data())));
    // The PNG encoder's class id.
    const CLSID png = {
        0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    std::string file = g_artifacts + "\\" + name + ".png";
    std::wstring wide(file.begin(), file.end());
    EXPECT_EQ(bitmap.Save(wide.c_str(), &png, nullptr), Gdiplus::Ok) << file;
}

int Channel(std::uint32_t pixel, int shift)
{
    return static_cast<int>((pixel >> shift) & 0xFF);
}

int Distance(std::uint32_t a, std::uint32_t b)
{
    return std::abs(Channel(a, 16) - Channel(b, 16)) + std::abs(Channel(a, 8) - Channel(b, 8)) +
           std::abs(Channel(a, 0) - Channel(b, 0));
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

void SendMouse(DWORD flags, POINT screen)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof input);
    testsupport::PumpFor(std::chrono::milliseconds(40));
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
    SendMouse(0, screen);
    SendMouse(MOUSEEVENTF_LEFTDOWN, screen);
    SendMouse(MOUSEEVENTF_LEFTUP, screen);
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
        testsupport::PumpFor(std::chrono::milliseconds(150));
    }
    void TearDown() override
    {
        // Park the mouse away from where the next window opens.
        SendMouse(0, POINT{5, 5});
        CloseUnit(kWindow, kOwn);
        CloseUnit(kFixedWindow, kOwn);
        testsupport::PumpFor(std::chrono::milliseconds(50));
    }

    Shot Look(const std::string& name)
    {
        testsupport::PumpFor(std::chrono::milliseconds(60));
        Shot shot = TakeShot(m_window);
        SaveShot(shot, name);
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
