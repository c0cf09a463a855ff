// What a repaint of the main window costs the engine: the main window's layout with every
// control shown and filled in, the real pictures, and the engine linked in so that its own
// counters tell what each repaint did. Prints the times; it is a measurement, not a test.
//
//   tools/wine-run.sh build/win64/tests/EngineRepaintBench.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/Control.h"
#include "engine/Drawing.h"
#include "engine/StoredData.h"
#include "engine/Surface.h"
#include "framework/LibraryProtocol.h"
#include "windows/Pictures.h"

using engine::ControlKind;
using engine::StoredDataBuilder;
using windows::LoadPicture;
using windows::PictureId;

namespace {

constexpr int kWidth = 775;
constexpr int kHeight = 413;
constexpr int kRounds = 200;

struct Part {
    ControlKind kind;
    engine::Word typeCode;
    RECT rect;
    std::vector<std::uint8_t> look;
};

std::vector<std::uint8_t> Label(std::u16string_view text, int size, std::uint32_t flags,
                                std::uint32_t colour)
{
    return StoredDataBuilder().Caption(text).Font(size, flags).Colour(colour).Block();
}

std::vector<std::uint8_t> Button(std::u16string_view text, std::uint32_t colour)
{
    return StoredDataBuilder()
        .Caption(text)
        .Font(12, 0)
        .Colour(colour)
        .Cursor(engine::kCursorHand)
        .Skin(u"默认皮肤按钮")
        .Block();
}

std::vector<std::uint8_t> Picture(PictureId id)
{
    return StoredDataBuilder().Picture(engine::kPictureMain, LoadPicture(id)).Block();
}

std::vector<std::uint8_t> WindowSkin()
{
    StoredDataBuilder look;
    look.Skin(u"veneer默认窗口皮肤", u"Clean")
        .Picture(engine::kPictureMain, LoadPicture(PictureId::SunnyBackground));
    for (int i = 0; i < 12; ++i) {
        auto id = static_cast<PictureId>(static_cast<int>(PictureId::CloseButtonNormal) + i);
        look.Picture(static_cast<std::uint16_t>(engine::kPictureClose + i), LoadPicture(id));
    }
    return look.Block();
}

// The main window's units in creation order, all shown, as after a refresh.
std::vector<Part> MainWindowParts()
{
    constexpr std::uint32_t kWhite = 0xFFFFFFFF;
    constexpr std::uint32_t kBlack = 0xFE000000;
    return {
        {ControlKind::ImageButton,
         engine::kTypeImagebuttonEx,
         {693, 10, 709, 26},
         Picture(PictureId::MinimiseGlyph)},
        {ControlKind::Label,
         engine::kTypeLabelEx,
         {125, 326, 180, 352},
         Label(u"穿衣建议", 12, 0, kBlack)},
        {ControlKind::Label,
         engine::kTypeLabelEx,
         {204, 326, 259, 352},
         Label(u"雨伞", 12, 0, kBlack)},
        {ControlKind::Label,
         engine::kTypeLabelEx,
         {45, 326, 100, 352},
         Label(u"空调建议", 12, 0, kBlack)},
        {ControlKind::PictureBox,
         engine::kTypePictureBoxEx,
         {128, 272, 178, 322},
         Picture(PictureId::ClothesPicture)},
        {ControlKind::PictureBox,
         engine::kTypePictureBoxEx,
         {210, 272, 260, 322},
         Picture(PictureId::UmbrellaPicture)},
        {ControlKind::PictureBox,
         engine::kTypePictureBoxEx,
         {48, 272, 98, 322},
         Picture(PictureId::AirconPicture)},
        {ControlKind::ImageButton,
         engine::kTypeImagebuttonEx,
         {720, 10, 736, 26},
         Picture(PictureId::MenuGlyph)},
        {ControlKind::Label,
         engine::kTypeLabelEx,
         {12, 385, 296, 403},
         Label(u"北京市 北京  更新于 2026-12-10 15:00", 10, 0, 0)},
        {ControlKind::Button,
         engine::kTypeButtonEx,
         {200, 171, 319, 193},
         Button(u"刷新数据", kBlack)},
        {ControlKind::Button,
         engine::kTypeButtonEx,
         {42, 171, 194, 193},
         Button(u"气象预警", kBlack)},
        {ControlKind::Label,
         engine::kTypeLabelEx,
         {200, 144, 319, 166},
         Label(u"气压：1013hPa", 15, 0, kWhite)},
        {ControlKind::Label,
         engine::kTypeLabelEx,
         {200, 80, 319, 102},
         Label(u"晴转多云", 15, 0, kWhite)},
        {ControlKind::Label,
         engine::kTypeLabelEx,
         {586, 168, 749, 188},
         Label(u"今天适合出门走走", 12, 0, kWhite)},
        {ControlKind::Label,
         engine::kTypeLabelEx,
         {200, 112, 319, 134},
         Label(u"湿度：60%", 15, 0, kWhite)},
        {ControlKind::Button, engine::kTypeButtonEx, {747, 10, 763, 26}, Button(u"×", kWhite)},
        {ControlKind::Label,
         engine::kTypeLabelEx,
         {42, 80, 194, 166},
         Label(u"25°", 55, engine::kFontBold, kWhite)},
        {ControlKind::PictureBox,
         engine::kTypePictureBoxEx,
         {608, 60, 728, 160},
         Picture(PictureId::SunnyPicture)},
        {ControlKind::PictureBox,
         engine::kTypePictureBoxEx,
         {283, 200, 315, 232},
         Picture(PictureId::LoadingAnimation)},
        {ControlKind::WindowSkin, engine::kTypeWindowEx, {4, 4, 28, 28}, WindowSkin()},
    };
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

template <typename Step> void Measure(const char* what, HWND window, Step step)
{
    std::vector<double> times;
    engine::Surface::Counters before = engine::Surface::Statistics();
    for (int i = 0; i < kRounds; ++i) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        step();
        UpdateWindow(window);
        GdiFlush();
        QueryPerformanceCounter(&end);
        times.push_back(Milliseconds(start, end));
    }
    std::sort(times.begin(), times.end());
    engine::Surface::Counters after = engine::Surface::Statistics();
    std::printf("%-40s median %6.2f ms  min %6.2f  p95 %6.2f  max %6.2f; per round: composing "
                "%.2f ms, %.1f composes, %.1f layers drawn, %.2f background scales\n",
                what, times[times.size() / 2], times.front(), times[times.size() * 95 / 100],
                times.back(), (after.composeMilliseconds - before.composeMilliseconds) / kRounds,
                double(after.composes - before.composes) / kRounds,
                double(after.layerPaints - before.layerPaints) / kRounds,
                double(after.backgroundScales - before.backgroundScales) / kRounds);
}

} // namespace

int main()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW frameClass = {};
    frameClass.lpfnWndProc = FrameProc;
    frameClass.hInstance = instance;
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = L"BenchFrame";
    RegisterClassW(&frameClass);
    WNDCLASSW hostClass = {};
    hostClass.style = CS_DBLCLKS;
    hostClass.lpfnWndProc = DefWindowProcW;
    hostClass.hInstance = instance;
    hostClass.lpszClassName = L"BenchHost";
    RegisterClassW(&hostClass);

    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT outer{0, 0, kWidth, kHeight};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    HWND window =
        CreateWindowExW(0, L"BenchFrame", L"Skyvane", style, 50, 50, outer.right - outer.left,
                        outer.bottom - outer.top, nullptr, nullptr, instance, nullptr);

    std::vector<Part> parts = MainWindowParts();
    std::vector<engine::Control*> controls;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const Part& part = parts[i];
        HWND host = CreateWindowExW(
            WS_EX_TOPMOST | WS_EX_TRANSPARENT, L"BenchHost", L"", WS_CHILD | WS_VISIBLE,
            part.rect.left, part.rect.top, part.rect.right - part.rect.left,
            part.rect.bottom - part.rect.top, window, nullptr, instance, nullptr);
        engine::ControlContext context{reinterpret_cast<engine::PtrWord>(host),
                                       static_cast<engine::Word>(i + 2), 1, 0, part.look.data()};
        engine::PtrWord words[8] = {0,
                                    reinterpret_cast<engine::PtrWord>(window),
                                    part.rect.left,
                                    part.rect.top,
                                    part.rect.right - part.rect.left,
                                    part.rect.bottom - part.rect.top,
                                    0,
                                    reinterpret_cast<engine::PtrWord>(&context)};
        controls.push_back(engine::CreateControl(part.kind, part.typeCode, words));
    }
    engine::Surface& surface = engine::Surface::Of(window);

    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    GdiFlush();
    QueryPerformanceCounter(&end);
    std::printf("%d x %d window, %zu controls (every one shown)\n", kWidth, kHeight,
                controls.size());
    std::printf("%-44s %6.2f ms (the background scaled once, every layer drawn)\n", "first paint",
                Milliseconds(start, end));

    Measure("full repaint, layers kept", window, [&] { surface.InvalidateAll(); });
    Measure("full repaint, every layer drawn again", window, [&] {
        for (engine::Control* control : controls) {
            engine::ControlChanged(*control);
        }
    });
    // A refresh writes the six captions of the weather record; half the rounds write other
    // texts, so that each round changes every one of them.
    const std::u16string captions[2][6] = {
        {u"25°", u"晴转多云", u"湿度：60%", u"气压：1013hPa", u"今天适合出门走走",
         u"北京市 北京  更新于 2026-12-10 15:00"},
        {u"-3°", u"小雪", u"湿度：81%", u"气压：1021hPa", u"路面湿滑，注意安全",
         u"北京市 北京  更新于 2026-12-10 15:30"},
    };
    const std::size_t captionParts[6] = {16, 12, 14, 11, 13, 8};
    int round = 0;
    Measure("a refresh's six captions written", window, [&] {
        for (std::size_t i = 0; i < 6; ++i) {
            std::string caption = engine::ToGbk(captions[round % 2][i]);
            framework::UnitPropertyValue value{reinterpret_cast<engine::PtrWord>(caption.data()),
                                               static_cast<engine::PtrWord>(caption.size())};
            engine::SendControlMessage(*controls[captionParts[i]], engine::kMessageWriteProperty,
                                       12, &value);
        }
        ++round;
    });
    DestroyWindow(window);
    return 0;
}
