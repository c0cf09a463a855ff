// The alarm notice and the alarm detail, advice, about and settings windows as a user sees them:
// the program's templates over the real VeneerCore.dll, filled by their handlers from a weather
// record, each saved as a screenshot in tests/artifacts/filled for a person to look at.
#include <windows.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <set>
#include <string>

#include "framework/Framework.h"
#include "framework/SystemServices.h"
#include "framework/WindowServices.h"
#include "skin/VeneerLibrary.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestEngine.h"
#include "tests/support/UiDriver.h"
#include "weather/Globals.h"
#include "windows/AlarmCheck.h"
#include "windows/Pictures.h"
#include "windows/Templates.h"

using namespace windows;
using framework::WindowId;

namespace {

std::string g_artifacts;

// The engine beside the programs in bin/ reaches the binding through the system search path.
class LookEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        testsupport::UseBuiltEngine();
        g_artifacts = testsupport::ArtifactsFolder("filled");

        static const framework::LibraryInfo* const kLibraries[7] = {nullptr, nullptr,
                                                                    &skin::VeneerLibraryInfo};
        ASSERT_TRUE(framework::Initialise(kLibraries, windows::AllTemplates()));
        testsupport::ExpectBuiltEngineLoaded();
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&m_token, &input, nullptr), Gdiplus::Ok);
    }

    void TearDown() override { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new LookEnvironment);

// A rainy day with a yellow rainstorm alarm.
void FillWeather()
{
    weather::InitGlobals();
    weather::WeatherRecord record;
    record.AlarmDetail =
        "\xD6\xE9\xBA\xA3\xCA\xD0\xC6\xF8\xCF\xF3\xCC\xA8"
        "2024\xC4\xEA"
        "06\xD4\xC2"
        "01\xC8\xD5"
        "08\xCA\xB1\xB7\xA2\xB2\xBC\xB1\xA9\xD3\xEA\xBB\xC6\xC9\xAB\xD4\xA4\xBE\xAF\xD0\xC5\xBA"
        "\xC5\xA3\xA8\xD4\xA4\xBE\xAF\xD0\xC5\xBA\xC5\xCB\xB5\xC3\xF7\xA3\xA9\xA3\xBA\xD4\xA4\xBC"
        "\xC6\xCE\xB4\xC0\xB4"
        "3\xD0\xA1\xCA\xB1\xC4\xDA\xD3\xD0\xC7\xBF\xBD\xB5\xD3\xEA\xA1\xA3\\n\xC7\xEB\xD7\xA2\xD2"
        "\xE2\xB7\xC0\xB7\xB6\xA1\xA3";
    record.AirconInfo = "\xBD\xCF\xC9\xD9\xBF\xAA\xC6\xF4";
    record.ClothesInfo = "\xC8\xC8";
    record.UmbrellaInfo = "\xB4\xF8\xC9\xA1";
    record.UmbrellaDetail =
        "\xD3\xD0\xBD\xB5\xCB\xAE\xA3\xAC\xC7\xEB\xB4\xF8\xC9\xCF\xD3\xEA\xC9\xA1\xB3\xF6\xC3\xC5"
        "\xA1\xA3";
    weather::CurrentWeather.Set(record);
    weather::AlarmTitle.Set("\xB1\xA9\xD3\xEA\xBB\xC6\xC9\xAB\xD4\xA4\xBE\xAF");
    weather::AirconExtra.Set("\xC4\xFA\xBD\xAB\xB8\xD0\xB5\xBD\xBA\xDC\xCA\xE6\xCA\xCA\xA3\xAC"
                             "\xD2\xBB\xB0\xE3\xB2\xBB\xD0\xE8\xD2\xAA\xBF\xAA\xC6\xF4\xBF\xD5"
                             "\xB5\xF7\xA1\xA3");
    weather::ClothesExtra.Set("\xCC\xEC\xC6\xF8\xC8\xC8\xA3\xAC\xBD\xA8\xD2\xE9\xD7\xC5\xB6\xCC"
                              "\xC8\xB9\xA1\xA2\xB6\xCC\xBF\xE3\xB5\xC8\xCF\xC4\xBC\xBE\xB7\xFE"
                              "\xD7\xB0\xA1\xA3");
    weather::WeatherImage.Set(LoadPicture(PictureId::RainBackground));
    // Some options on, the refresh every ten minutes.
    weather::RunAtStartup.Set("1");
    weather::HideAtStart.Set("0");
    weather::PushAlarms.Set("1");
    weather::CheckUpdateAtStart.Set("0");
    weather::ShowTrayIcon.Set("1");
    weather::TrayFollowsWeather.Set("0");
    weather::RefreshInterval.Set("600000");
}

class WindowLook : public ::testing::TestWithParam<WindowId> {
protected:
    void SetUp() override
    {
        m_folder = g_artifacts + "\\run";
        CreateDirectoryA(m_folder.c_str(), nullptr);
        weather::ConfigPath.Set(m_folder + "\\Config.ini");
        DeleteFileA((m_folder + "\\Config.ini").c_str());
        FillWeather();
    }

    void TearDown() override
    {
        framework::CloseUnit(GetParam(), 1);
        testsupport::HandleWaitingMessages();
        DeleteFileA((m_folder + "\\Config.ini").c_str());
        RemoveDirectoryA(m_folder.c_str());
    }

    std::string m_folder;
};

const char* Name(WindowId window)
{
    switch (window) {
    case AlarmDetailWindow:
        return "AlarmDetailWindow";
    case AboutWindow:
        return "AboutWindow";
    case SettingsWindow:
        return "SettingsWindow";
    case AirconAdviceWindow:
        return "AirconAdviceWindow";
    case ClothesAdviceWindow:
        return "ClothesAdviceWindow";
    case UmbrellaAdviceWindow:
        return "UmbrellaAdviceWindow";
    default:
        return "AlarmPopupWindow";
    }
}

TEST_P(WindowLook, IsDrawnAndSaved)
{
    const WindowId window = GetParam();
    if (window == AlarmPopupWindow) {
        CheckWeatherAlarm();
        const int rest =
            framework::ScreenWidth() -
            framework::GetUnitProperty(AlarmPopupWindow, alarmpopupunits::Window, 2).AsInt() - 10;
        // The slide takes a round trip to this thread for every pixel: slow on a busy machine.
        ASSERT_TRUE(testsupport::PumpUntil(
            [&] {
                return framework::GetUnitProperty(AlarmPopupWindow, alarmpopupunits::Window, 0)
                           .AsInt() == rest;
            },
            std::chrono::seconds(60)))
            << "the notice did not slide in";
    } else {
        ASSERT_TRUE(framework::LoadWindow(window));
    }
    HWND handle = framework::WindowHandle(window);
    ASSERT_NE(handle, nullptr);
    SetForegroundWindow(handle);
    ASSERT_TRUE(testsupport::PumpUntilOnScreen(handle)) << "not shown as painted";
    testsupport::Shot shot = testsupport::TakeShot(handle);
    ASSERT_GT(shot.width, 0);
    EXPECT_TRUE(testsupport::SaveShot(shot, g_artifacts + "\\" + Name(window) + ".png"));
    std::set<std::uint32_t> colours(shot.pixels.begin(), shot.pixels.end());
    EXPECT_GT(colours.size(), 50u) << "a blank window";
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowLook,
                         ::testing::Values(AlarmDetailWindow, AboutWindow, SettingsWindow,
                                           AirconAdviceWindow, ClothesAdviceWindow,
                                           UmbrellaAdviceWindow, AlarmPopupWindow),
                         [](const ::testing::TestParamInfo<WindowId>& info) {
                             return std::string(Name(info.param));
                         });

} // namespace
