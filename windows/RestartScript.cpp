#include "windows/RestartScript.h"

#include <string>

namespace windows {
namespace {

constexpr char kTemplate[] = "@echo off \r\n"
                             "@ping 127.0.0.1 -n \xC3\xEB\xCA\xFD >nul\r\n"  // 秒数
                             "start \"\" \"<\xCE\xC4\xBC\xFE\xC3\xFB>\"\r\n" // <文件名>
                             "del Restart.bat";
constexpr char kPathPlaceholder[] = "<\xCE\xC4\xBC\xFE\xC3\xFB>";
constexpr char kDelayPlaceholder[] = "\xC3\xEB\xCA\xFD";

constexpr int32_t kDefaultDelay = 2;

void ReplaceFirst(GbkText& text, const GbkText& placeholder, const GbkText& value)
{
    std::size_t at = text.find(placeholder);
    if (at != GbkText::npos) {
        text.replace(at, placeholder.size(), value);
    }
}

GbkText EscapePercent(const GbkText& path)
{
    GbkText escaped;
    for (char c : path) {
        escaped += c;
        if (c == '%') {
            escaped += '%';
        }
    }
    return escaped;
}

} // namespace

GbkText RestartScript(const GbkText& path, std::optional<int32_t> delaySeconds)
{
    int32_t delay = delaySeconds.value_or(kDefaultDelay);
    if (delay < 1) {
        delay = kDefaultDelay;
    }
    GbkText script = kTemplate;
    // The path goes in first: the delay's placeholder lies on the line before it, so a path that
    // happens to hold the same bytes cannot take the delay.
    ReplaceFirst(script, kPathPlaceholder, EscapePercent(path));
    ReplaceFirst(script, kDelayPlaceholder, std::to_string(delay));
    return script;
}

} // namespace windows
