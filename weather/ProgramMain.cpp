#include <windows.h>

#include "weather/Refresh.h"
#include "weather/Startup.h"
#include "update/UpdateCheck.h"
#include "windows/MainWindowFill.h"
#include "windows/Pictures.h"
#include "windows/Templates.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // The refresh acts on units of the main window, whose numbers the window code owns.
    weather::SetMainWindowUnits({.window = windows::MainWindow,
                                 .refreshTimer = windows::mainunits::AutoRefreshTimer,
                                 .skin = windows::mainunits::WindowSkin});
    weather::SetUpdateCheck(update::CheckForUpdate);
    weather::SetMainWindowFill(windows::FillMainWindow);
    weather::SetAppTrayIcon([] { return windows::LoadPicture(windows::PictureId::AppTrayIcon); });
    // The weather core stands below the windows that show it: it gets their templates and the
    // main window's number from here rather than reaching up for them.
    return weather::ProgramEntry(
        {.templates = windows::AllTemplates(), .mainWindow = windows::MainWindow});
}
