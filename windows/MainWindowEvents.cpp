#include "windows/MainWindowEvents.h"

#include "framework/Framework.h"
#include "framework/SystemServices.h"
#include "framework/WindowServices.h"
#include "update/UpdateCheck.h"
#include "weather/Globals.h"
#include "weather/Refresh.h"
#include "windows/Handlers.h"
#include "windows/SkinProperties.h"
#include "windows/Pictures.h"
#include "windows/Templates.h"

namespace windows {

namespace {

using framework::EventResult;
using framework::UnitEvent;
namespace units = mainunits;

constexpr char kTrayTip[] = "Skyvane";
constexpr char kCloseQuestion[] = "\xCA\xC7\xB7\xF1\xB9\xD8\xB1\xD5\xA3\xBF"; // 是否关闭？
constexpr framework::Word kYesNoQuestion = 36;
constexpr int kAnswerYes = 5;

// The loading picture is stored below the window's client area; this brings it into view.
constexpr int32_t kLoadingPictureTop = 248;

// The window and its skin, which draws everything on it, are shown and hidden together.
void ShowMainWindow(bool visible)
{
    if (visible) {
        framework::SetUnitProperty(MainWindow, units::Window, framework::windowprop::kVisible,
                                   true);
        framework::SetUnitProperty(MainWindow, units::WindowSkin, skinprop::kVisible, true);
    } else {
        framework::SetUnitProperty(MainWindow, units::WindowSkin, skinprop::kVisible, false);
        framework::SetUnitProperty(MainWindow, units::Window, framework::windowprop::kVisible,
                                   false);
    }
}

void RemoveTrayIcon()
{
    framework::SetTrayIcon(MainWindow);
}

void OpenModal(framework::WindowId window)
{
    framework::LoadWindow(window, MainWindow, true);
}

} // namespace

void RefreshWorkerThread(void*)
{
    weather::StartRefresh();
}

EventResult OnMainFirstActivate(const UnitEvent&)
{
    if (weather::HideAtStart.Get() == "1") {
        ShowMainWindow(false);
    }
    if (weather::ShowTrayIcon.Get() == "1") {
        framework::SetTrayIcon(MainWindow, LoadPicture(PictureId::AppTrayIcon), GbkText(kTrayTip));
    }
    framework::SetUnitProperty(MainWindow, units::LoadingPicture, skinprop::kTop,
                               kLoadingPictureTop);
    // The window paints itself and its loading picture before the request holds this thread.
    weather::DelayWithMessages(100);
    weather::RefreshWeather();
    framework::CloseUnit(MainWindow, units::LoadingPicture);
    // The refresh may have run this check already (after-fetch, without the tray icon); this
    // one comes once the loading picture is gone.
    if (weather::CheckUpdateAtStart.Get() == "1") {
        update::CheckForUpdate();
    }
    return std::nullopt;
}

EventResult OnMainQueryClose(const UnitEvent&)
{
    RemoveTrayIcon();
    return std::nullopt;
}

EventResult OnMainDestroy(const UnitEvent&)
{
    RemoveTrayIcon();
    return std::nullopt;
}

EventResult OnMainTrayEvent(const UnitEvent& event)
{
    constexpr framework::PtrWord kLeftDoubleClick = 2;
    constexpr framework::PtrWord kRightButton = 3;
    framework::PtrWord kind = event.argumentCount > 0 ? event.arguments[0] : 0;
    if (kind == kRightButton) {
        framework::PopupMenu(MainWindow, units::TrayMenu, framework::PopupStyle::Tray);
    } else if (kind == kLeftDoubleClick) {
        ShowMainWindow(true);
    }
    return std::nullopt;
}

EventResult OnMenuButtonClick(const UnitEvent&)
{
    framework::PopupMenu(MainWindow, units::MainMenu, framework::PopupStyle::Normal);
    return std::nullopt;
}

EventResult OnMinimiseClick(const UnitEvent&)
{
    constexpr int32_t kMinimised = 2;
    framework::SetUnitProperty(MainWindow, units::Window, framework::windowprop::kPosition,
                               kMinimised);
    return std::nullopt;
}

EventResult OnCloseButtonClick(const UnitEvent&)
{
    if (weather::ShowTrayIcon.Get() == "1") {
        // The program stays in the notification area; its menu is the way out.
        framework::SetUnitProperty(MainWindow, units::Window, framework::windowprop::kVisible,
                                   false);
        return 0;
    }
    if (framework::ShowMessage(kCloseQuestion, kYesNoQuestion, GbkText(), MainWindow) ==
        kAnswerYes) {
        framework::CloseUnit(MainWindow, units::Window);
        framework::EndProgram(0);
    }
    return 0;
}

EventResult OnAutoRefreshTimer(const UnitEvent&)
{
    framework::StartThread(RefreshWorkerThread);
    return std::nullopt;
}

EventResult OnRefreshButtonClick(const UnitEvent&)
{
    weather::StartRefresh();
    return std::nullopt;
}

EventResult OnAlarmButtonClick(const UnitEvent&)
{
    OpenModal(AlarmDetailWindow);
    return std::nullopt;
}

EventResult OnAirconPictureClick(const UnitEvent&)
{
    OpenModal(AirconAdviceWindow);
    return std::nullopt;
}

EventResult OnClothesPictureClick(const UnitEvent&)
{
    OpenModal(ClothesAdviceWindow);
    return std::nullopt;
}

EventResult OnUmbrellaPictureClick(const UnitEvent&)
{
    OpenModal(UmbrellaAdviceWindow);
    return std::nullopt;
}

EventResult OnMainMenuSettings(const UnitEvent&)
{
    OpenModal(SettingsWindow);
    return std::nullopt;
}

EventResult OnMainMenuAbout(const UnitEvent&)
{
    OpenModal(AboutWindow);
    return std::nullopt;
}

EventResult OnTrayMenuOpenMain(const UnitEvent&)
{
    ShowMainWindow(true);
    return std::nullopt;
}

EventResult OnTrayMenuQuit(const UnitEvent&)
{
    RemoveTrayIcon();
    framework::EndProgram(0);
}

} // namespace windows
