// Kept apart from the WinHTTP close: wininet.h and winhttp.h cannot share a file.
#include <windows.h>
#include <wininet.h>

#include "toolkit/ScopedWin.h"

namespace toolkit {

void CloseWinInetHandle(void* handle)
{
    ::InternetCloseHandle(handle);
}

} // namespace toolkit
