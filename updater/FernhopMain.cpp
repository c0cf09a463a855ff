#include <windows.h>

#include "updater/Updater.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return updater::UpdaterEntry();
}
