#include <windows.h>

#include "weather/Refresh.h"
#include "weather/Startup.h"
#include "update/UpdateCheck.h"
#include "windows/MainWindowFill.h"
#include "windows/Templates.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // The refresh acts on units of the main window, whose numbers the window code owns.
    weather::SetMainWindowUnits({.window = windows::MainWindow,
                                 .refreshTimer = windows::mainunits::AutoRefreshTimer,
                                 .skin = windows::mainunits::WindowSkin});
    weather::SetUpdateCheck(update::CheckForUpdate);
    weather::SetMainWindowFill(windows::FillMainWindow);
    return weather::ProgramEntry();
}
