// Where the user is and which weather address start-up builds, against the local fixture as
// the geolocation service. Each case gets a run directory of its own, since the tests of one
// build tree run side by side.
// Chinese bytes: 北京市 UTF-8 E5 8C 97 E4 BA AC E5 B8 82, code page 936 B1 B1 BE A9 CA D0;
// 上海 code page 936 C9 CF BA A3, UTF-8 E4 B8 8A E6 B5 B7.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>

#include "tests/support/FixtureClient.h"
#include "toolkit/ServiceHosts.h"
#include "weather/Globals.h"
#include "weather/Startup.h"

using testsupport::Fixture;
using testsupport::FixtureRoute;

namespace {

const std::string kAddressStart =
    "/weather/common?source=pc&weather_type="
    "observe%7Cforecast_1h%7Cforecast_24h%7Cindex%7Calarm%7Climit%7Ctips%7Crise";

const std::string kBeijingAnswer =
    "{\"status\":\"success\",\"country\":\"\xE4\xB8\xAD\xE5\x9B\xBD\",\"countryCode\":\"CN\","
    "\"region\":\"BJ\",\"regionName\":\"\xE5\x8C\x97\xE4\xBA\xAC\xE5\xB8\x82\",\"city\":\""
    "\xE5\x8C\x97\xE4\xBA\xAC\",\"zip\":\"\",\"lat\":39.9,\"lon\":116.4,\"query\":\"1.2.3.4\"}";

const std::string kBeijingCity = "\xB1\xB1\xBE\xA9";
const std::string kBeijingProvince = "\xB1\xB1\xBE\xA9\xCA\xD0";
const std::string kShanghai = "\xC9\xCF\xBA\xA3";
const std::string kBeijingProvinceEncoded = "%E5%8C%97%E4%BA%AC%E5%B8%82";
const std::string kBeijingCityEncoded = "%E5%8C%97%E4%BA%AC";
const std::string kShanghaiEncoded = "%E4%B8%8A%E6%B5%B7";

class RunDirectory {
public:
    RunDirectory()
    {
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        static int counter = 0;
        m_path = std::string(base) + "skyvane-startup-" + std::to_string(GetCurrentProcessId()) +
                 "-" + std::to_string(++counter);
        CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~RunDirectory()
    {
        DeleteFileA((m_path + "\\Config.ini").c_str());
        RemoveDirectoryA(m_path.c_str());
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Points the geolocation host somewhere else for one scope.
class GeolocationHostOverride {
public:
    explicit GeolocationHostOverride(const char* host)
    {
        char old[512];
        DWORD length = GetEnvironmentVariableA("SKYVANE_GEO_HOST", old, sizeof old);
        m_old = std::string(old, length);
        SetEnvironmentVariableA("SKYVANE_GEO_HOST", host);
    }
    ~GeolocationHostOverride() { SetEnvironmentVariableA("SKYVANE_GEO_HOST", m_old.c_str()); }

private:
    std::string m_old;
};

struct LocateCase {
    const char* name;
    std::optional<std::string> answer; // none: the service cannot be reached
    std::optional<std::string> customCity;
    std::string province;
    std::string city;
    std::string addressEnd;
};

const LocateCase kCases[] = {
    {"geolocated", kBeijingAnswer, std::nullopt, kBeijingProvince, kBeijingCity,
     "&province=" + kBeijingProvinceEncoded + "&city=" + kBeijingCityEncoded},
    {"custom_city_wins", kBeijingAnswer, kShanghai, kBeijingProvince, kShanghai,
     "&province=" + kBeijingProvinceEncoded + "&city=" + kShanghaiEncoded},
    {"empty_custom_city_ignored", kBeijingAnswer, "", kBeijingProvince, kBeijingCity,
     "&province=" + kBeijingProvinceEncoded + "&city=" + kBeijingCityEncoded},
    {"no_network", std::nullopt, std::nullopt, "", "", "&province=&city="},
    {"no_network_custom_city", std::nullopt, kShanghai, "", kShanghai,
     "&province=&city=" + kShanghaiEncoded},
    {"answer_without_markers", "<html>rate limited</html>", std::nullopt, "", "",
     "&province=&city="},
    // No byte is spared by the encoding, ASCII letters and spaces included.
    {"ascii_names", "{\"regionName\":\"Hong Kong\",\"city\":\"A1\",\"zip\":\"\"}", std::nullopt,
     "Hong Kong", "A1", "&province=%48%6F%6E%67+%4B%6F%6E%67&city=%41%31"},
};

class LocateUser : public testing::TestWithParam<LocateCase> {};

TEST_P(LocateUser, SetsProvinceCityAndAddress)
{
    const LocateCase& c = GetParam();
    ASSERT_TRUE(Fixture::Reset());
    if (c.answer) {
        FixtureRoute route;
        route.path = "/json/";
        route.body = *c.answer;
        ASSERT_TRUE(Fixture::AddRoute(route));
    }
    RunDirectory dir;
    std::string configPath = dir.Path() + "\\Config.ini";
    if (c.customCity) {
        ASSERT_TRUE(
            WritePrivateProfileStringA("URL", "City_", c.customCity->c_str(), configPath.c_str()));
    }
    {
        std::optional<GeolocationHostOverride> offline;
        if (!c.answer) {
            offline.emplace("http://127.0.0.1:9");
        }
        weather::LocateUser(dir.Path());
    }

    EXPECT_EQ(weather::ConfigPath.Get(), configPath);
    EXPECT_EQ(weather::Province.Get(), c.province);
    EXPECT_EQ(weather::City.Get(), c.city);
    EXPECT_EQ(weather::WeatherUrl.Get(), toolkit::WeatherHost() + kAddressStart + c.addressEnd);
}

INSTANTIATE_TEST_SUITE_P(Cases, LocateUser, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LocateUserRequest, AsksTheGeolocationServiceOnce)
{
    ASSERT_TRUE(Fixture::Reset());
    FixtureRoute route;
    route.path = "/json/";
    route.body = kBeijingAnswer;
    ASSERT_TRUE(Fixture::AddRoute(route));
    RunDirectory dir;
    weather::LocateUser(dir.Path());

    auto requests = Fixture::Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].scheme, "http");
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/json/?lang=zh-CN");
    EXPECT_EQ(requests[0].version, "HTTP/1.0");
    EXPECT_EQ(requests[0].Header("User-Agent"),
              "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    EXPECT_EQ(requests[0].Header("Accept"), "*/*");
}

// An answer without end gives no location, though each of its pieces carries one: start-up goes
// on as without network. The slow case waits out the start's own deadline.
struct EndlessAnswerCase {
    const char* name;
    std::size_t pieceSize; // the answer, padded with spaces to this size
    int pauseMs;
};

class LocateUserEndless : public testing::TestWithParam<EndlessAnswerCase> {};

TEST_P(LocateUserEndless, GivesNoLocationAndTheStartGoesOn)
{
    const EndlessAnswerCase& c = GetParam();
    ASSERT_TRUE(Fixture::Reset());
    FixtureRoute route;
    route.path = "/json/";
    route.body = kBeijingAnswer;
    route.body.resize(std::max(c.pieceSize, kBeijingAnswer.size()), ' ');
    route.endless = true;
    route.pauseMs = c.pauseMs;
    ASSERT_TRUE(Fixture::AddRoute(route));
    RunDirectory dir;
    const auto start = std::chrono::steady_clock::now();
    weather::LocateUser(dir.Path());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(35));

    EXPECT_EQ(weather::Province.Get(), "");
    EXPECT_EQ(weather::City.Get(), "");
    EXPECT_EQ(weather::WeatherUrl.Get(),
              toolkit::WeatherHost() + kAddressStart + "&province=&city=");
}

INSTANTIATE_TEST_SUITE_P(Cases, LocateUserEndless,
                         testing::Values(EndlessAnswerCase{"over_the_size_limit", 65536, 0},
                                         EndlessAnswerCase{"past_the_deadline", 0, 500}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WeatherAddress, ReplacesEachPlaceholderOnce)
{
    // A city that itself reads like a placeholder is encoded, never replaced again.
    EXPECT_EQ(weather::MakeWeatherUrl("<\xCA\xD0>", ""),
              toolkit::WeatherHost() + kAddressStart + "&province=%3C%E5%B8%82%3E&city=");
}

TEST(Globals, InitAndFreeLeaveEverythingEmpty)
{
    weather::Province.Set("x");
    weather::TipList.Set({"tip"});
    weather::WeatherRecord record;
    record.Degree = 5;
    record.WeatherText = "\xC7\xE7";
    weather::CurrentWeather.Set(record);
    weather::WeatherImage.Set(ByteSet{1, 2});

    weather::InitGlobals();
    EXPECT_EQ(weather::CurrentWeather.Get().Degree, 0);
    EXPECT_EQ(weather::CurrentWeather.Get().WeatherText, "");
    EXPECT_TRUE(weather::TipList.Get().empty());

    weather::FreeGlobals();
    EXPECT_EQ(weather::Province.Get(), "");
    EXPECT_TRUE(weather::WeatherImage.Get().empty());
}

} // namespace
