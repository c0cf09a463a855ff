#include "toolkit/ServiceHosts.h"

#include <windows.h>

#include <string>

namespace toolkit {

namespace {

// The variable's value, or the default when it is unset or empty.
GbkText FromEnvironment(const char* name, const char* fallback)
{
    char small[256];
    DWORD length = GetEnvironmentVariableA(name, small, sizeof small);
    if (length == 0) {
        return fallback;
    }
    if (length < sizeof small) {
        return GbkText(small, length);
    }
    std::string value(length, '\0');
    length = GetEnvironmentVariableA(name, value.data(), length);
    if (length == 0 || length >= value.size()) {
        return fallback;
    }
    value.resize(length);
    return value;
}

GbkText Host(const char* name, const char* fallback)
{
    GbkText host = FromEnvironment(name, fallback);
    while (!host.empty() && host.back() == '/') {
        host.pop_back();
    }
    return host;
}

} // namespace

GbkText GeolocationHost()
{
    return Host("SKYVANE_GEO_HOST", "http://ip-api.com");
}

GbkText WeatherHost()
{
    return Host("SKYVANE_WEATHER_HOST", "https://wis.qq.com");
}

GbkText ShareHost()
{
    return Host("SKYVANE_SHARE_HOST", "https://share.weiyun.com");
}

GbkText DownloadShareRoot()
{
    GbkText root = FromEnvironment("SKYVANE_DOWNLOAD_HOST", "https://www.lanzoux.com/");
    if (root.back() != '/') {
        root.push_back('/');
    }
    return root;
}

} // namespace toolkit
