// The weather keyword table: which pictures a weather text chooses.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/support/GbkLiteral.h"
#include "windows/WeatherKeywords.h"

using namespace windows;
using testsupport::Gbk;

namespace {

struct LookCase {
    const char* name;
    std::string weather;
    PictureId picture;
    PictureId background;
    PictureId trayIcon;
};

// Failures name the case instead of dumping its bytes.
void PrintTo(const LookCase& c, std::ostream* os)
{
    *os << c.name;
}

const LookCase kLookCases[] = {
    {"clear", Gbk("晴"), PictureId::SunnyPicture, PictureId::SunnyBackground,
     PictureId::SunnyTrayIcon},
    {"clear wins over cloudy wherever it stands", Gbk("多云转晴"), PictureId::SunnyPicture,
     PictureId::SunnyBackground, PictureId::SunnyTrayIcon},
    {"cloudy wins over rain", Gbk("小雨转多云"), PictureId::CloudyPicture,
     PictureId::SunnyBackground, PictureId::CloudyTrayIcon},
    {"overcast", Gbk("阴"), PictureId::OvercastPicture, PictureId::OvercastBackground,
     PictureId::CloudyTrayIcon},
    {"overcast wins over rain", Gbk("阴有小雨"), PictureId::OvercastPicture,
     PictureId::OvercastBackground, PictureId::CloudyTrayIcon},
    {"rain", Gbk("雷阵雨"), PictureId::RainPicture, PictureId::RainBackground,
     PictureId::RainTrayIcon},
    {"sleet is rain", Gbk("雨夹雪"), PictureId::RainPicture, PictureId::RainBackground,
     PictureId::RainTrayIcon},
    {"snow showers are snow", Gbk("阵雪"), PictureId::SnowPicture, PictureId::SnowBackground,
     PictureId::SnowTrayIcon},
    {"frost", Gbk("霜冻"), PictureId::FrostPicture, PictureId::SnowBackground,
     PictureId::SnowTrayIcon},
    {"sand", Gbk("扬沙"), PictureId::SandPicture, PictureId::OvercastBackground,
     PictureId::CloudyTrayIcon},
    {"fog", Gbk("大雾"), PictureId::FogPicture, PictureId::OvercastBackground,
     PictureId::CloudyTrayIcon},
    {"keyword after other text", Gbk("今天大部分地区多云"), PictureId::CloudyPicture,
     PictureId::SunnyBackground, PictureId::CloudyTrayIcon},
};

class WeatherLookCases : public testing::TestWithParam<LookCase> {};

TEST_P(WeatherLookCases, ChoosesThePictures)
{
    const LookCase& c = GetParam();
    const WeatherLook* look = FindWeatherLook(c.weather);
    ASSERT_NE(look, nullptr);
    EXPECT_EQ(look->picture, c.picture);
    EXPECT_EQ(look->background, c.background);
    EXPECT_EQ(look->trayIcon, c.trayIcon);
}

INSTANTIATE_TEST_SUITE_P(Cases, WeatherLookCases, testing::ValuesIn(kLookCases));

TEST(FindWeatherLook, NoKeywordChoosesNothing)
{
    EXPECT_EQ(FindWeatherLook(Gbk("霾")), nullptr);
    EXPECT_EQ(FindWeatherLook("sunny"), nullptr);
    EXPECT_EQ(FindWeatherLook(""), nullptr);
}

TEST(FindWeatherLook, MatchesOnlyWholeCharacters)
{
    // 雨 is D3 EA. Here D3 is the trail byte of one character and EA the lead byte of the
    // next, so the bytes occur without the character.
    const std::string straddling = "\xB0\xD3\xEA\xA1";
    EXPECT_EQ(FindWeatherLook(straddling), nullptr);
    // After an ASCII byte the next character starts one byte on.
    EXPECT_EQ(FindWeatherLook("a\xD3\xEA")->picture, PictureId::RainPicture);
}

} // namespace
