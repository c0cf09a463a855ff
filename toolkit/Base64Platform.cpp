#include "toolkit/Base64.h"

#include <windows.h>
#include <wincrypt.h>

#include <vector>

namespace toolkit {

GbkText PlatformBase64Encode(const ByteSet& bytes)
{
    if (bytes.empty()) {
        return GbkText();
    }
    constexpr DWORD kFlags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    DWORD size = 0;
    if (!CryptBinaryToStringA(bytes.data(), static_cast<DWORD>(bytes.size()), kFlags, nullptr,
                              &size) ||
        size == 0) {
        return GbkText();
    }
    std::vector<char> buffer(size, '\0');
    if (!CryptBinaryToStringA(bytes.data(), static_cast<DWORD>(bytes.size()), kFlags, buffer.data(),
                              &size)) {
        return GbkText();
    }
    // The size asked for first counts the terminating NUL; take the text up to it.
    GbkText text(buffer.data(), buffer.size());
    const auto nul = text.find('\0');
    if (nul != GbkText::npos) {
        text.resize(nul);
    }
    return text;
}

} // namespace toolkit
