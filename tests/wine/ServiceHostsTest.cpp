// Each service host has a working default and follows its environment variable at every call.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "toolkit/ServiceHosts.h"

namespace {

struct HostCase {
    const char* variable;
    GbkText (*host)();
    const char* fallback;
    const char* overridden;
    const char* expected;
};

const HostCase kCases[] = {
    {"SKYVANE_GEO_HOST", toolkit::GeolocationHost, "http://ip-api.com", "http://127.0.0.1:81/",
     "http://127.0.0.1:81"},
    {"SKYVANE_WEATHER_HOST", toolkit::WeatherHost, "https://wis.qq.com", "https://localhost:4",
     "https://localhost:4"},
    {"SKYVANE_SHARE_HOST", toolkit::ShareHost, "https://share.weiyun.com", "https://localhost:5//",
     "https://localhost:5"},
    // The download root keeps, or gains, its trailing slash.
    {"SKYVANE_DOWNLOAD_HOST", toolkit::DownloadShareRoot, "https://www.lanzoux.com/",
     "https://localhost:6", "https://localhost:6/"},
};

class ServiceHosts : public testing::TestWithParam<HostCase> {};

TEST_P(ServiceHosts, DefaultAndOverride)
{
    const HostCase& c = GetParam();
    char saved[512];
    DWORD length = GetEnvironmentVariableA(c.variable, saved, sizeof saved);

    SetEnvironmentVariableA(c.variable, nullptr);
    EXPECT_EQ(c.host(), c.fallback);
    SetEnvironmentVariableA(c.variable, "");
    EXPECT_EQ(c.host(), c.fallback);
    SetEnvironmentVariableA(c.variable, c.overridden);
    EXPECT_EQ(c.host(), c.expected);

    SetEnvironmentVariableA(c.variable, length ? std::string(saved, length).c_str() : nullptr);
}

INSTANTIATE_TEST_SUITE_P(Hosts, ServiceHosts, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.variable); });

} // namespace
