#include <windows.h>

#include "weather/Startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return weather::ProgramEntry();
}
