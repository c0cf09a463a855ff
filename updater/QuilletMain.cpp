#include <windows.h>

#include "updater/Unpacker.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return updater::UnpackerEntry();
}
