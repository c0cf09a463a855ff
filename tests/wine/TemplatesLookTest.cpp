// The eight windows drawn by the real VeneerCore.dll from their templates alone, before any
// handler fills them: one screenshot each in tests/artifacts/templates for a person to look at,
// and the few things every one of them must show.
#include <windows.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <string>

#include "framework/Framework.h"
#include "skin/VeneerLibrary.h"
#include "tests/support/QuietTemplates.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestEngine.h"
#include "tests/support/UiDriver.h"
#include "windows/Templates.h"

using namespace framework;
using testsupport::Channel;
using testsupport::Distance;

namespace {

const LibraryInfo* const kLibraries[] = {nullptr, nullptr, &skin::VeneerLibraryInfo};
std::string g_artifacts;

// The engine beside the programs in bin/, found through the search path as in the program's
// own run directory.
class LookEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        testsupport::UseBuiltEngine();
        g_artifacts = testsupport::ArtifactsFolder("templates");

        static const testsupport::QuietTemplates quiet(windows::AllTemplates());
        ASSERT_TRUE(Initialise(kLibraries, quiet.List()));
        testsupport::ExpectBuiltEngineLoaded();

        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&m_token, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new LookEnvironment);

// Pixels of a rectangle that stand out from the pixel just left of it on the same row.
int PixelsUnlikeTheLeft(const testsupport::Shot& shot, const RECT& rect)
{
    int count = 0;
    for (int y = rect.top; y < rect.bottom && y < shot.height; ++y) {
        std::uint32_t beside = shot.At(std::max(static_cast<int>(rect.left) - 3, 0), y);
        for (int x = rect.left; x < rect.right && x < shot.width; ++x) {
            count += Distance(shot.At(x, y), beside) > 90 ? 1 : 0;
        }
    }
    return count;
}

struct Case {
    WindowId id;
    const char* file;
    UnitId closeButton;
    // Every skin but the alarm notice's holds the sky as its background.
    bool sky;
};

const Case kCases[] = {
    {windows::MainWindow, "main", windows::mainunits::CloseButton, true},
    {windows::AlarmDetailWindow, "alarm-detail", windows::alarmdetailunits::CloseButton, true},
    {windows::AboutWindow, "about", windows::aboutunits::CloseButton, true},
    {windows::SettingsWindow, "settings", windows::settingsunits::CloseButton, true},
    {windows::AirconAdviceWindow, "aircon-advice", windows::airconunits::CloseButton, true},
    {windows::ClothesAdviceWindow, "clothes-advice", windows::clothesunits::CloseButton, true},
    {windows::UmbrellaAdviceWindow, "umbrella-advice", windows::umbrellaunits::CloseButton, true},
    {windows::AlarmPopupWindow, "alarm-popup", windows::alarmpopupunits::CloseButton, false},
};

class TemplateLook : public ::testing::TestWithParam<Case> {
protected:
    void TearDown() override
    {
        CloseUnit(GetParam().id, 1);
        testsupport::HandleWaitingMessages();
    }
};

} // namespace

TEST_P(TemplateLook, WindowDrawsItsStoredLook)
{
    const Case& c = GetParam();
    ASSERT_TRUE(LoadWindow(c.id));
    HWND window = WindowHandle(c.id);
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    ASSERT_TRUE(testsupport::PumpUntilOnScreen(window)) << "not shown as painted";
    testsupport::Shot shot = testsupport::TakeShot(window);
    EXPECT_TRUE(testsupport::SaveShot(shot, g_artifacts + "\\" + c.file + ".png"));

    if (c.sky) {
        // Left of every unit, below the title buttons: the stored sky of the window skin.
        std::uint32_t sky = shot.At(6, 40);
        EXPECT_GT(Channel(sky, 0), Channel(sky, 16) + 30) << std::hex << sky;
        // The white "×" of the close button stands out against the sky.
        HWND close = UnitWindowHandle(c.id, c.closeButton);
        ASSERT_NE(close, nullptr);
        RECT rect{};
        GetWindowRect(close, &rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_GT(PixelsUnlikeTheLeft(shot, rect), 4) << "no close glyph";
    } else {
        // The notice lies on the window's own backdrop; its orange title shows on it.
        HWND title = UnitWindowHandle(c.id, windows::alarmpopupunits::AlarmTitleLabel);
        ASSERT_NE(title, nullptr);
        RECT rect{};
        GetWindowRect(title, &rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_GT(PixelsUnlikeTheLeft(shot, rect), 20) << "no title";
    }
}

INSTANTIATE_TEST_SUITE_P(EightWindows, TemplateLook, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name = info.param.file;
                             for (char& ch : name) {
                                 ch = ch == '-' ? '_' : ch;
                             }
                             return name;
                         });
