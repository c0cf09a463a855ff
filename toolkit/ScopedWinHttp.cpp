// Kept apart from the WinINet close: wininet.h and winhttp.h cannot share a file.
#include <windows.h>
#include <winhttp.h>

#include "toolkit/ScopedWin.h"

namespace toolkit {

void CloseWinHttpHandle(void* handle)
{
    ::WinHttpCloseHandle(handle);
}

} // namespace toolkit
