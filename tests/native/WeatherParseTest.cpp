// Cutting the weather answer into the record, the tips and the advice sentences.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/GbkLiteral.h"
#include "toolkit/TextBetween.h"
#include "weather/WeatherParse.h"

using testsupport::Gbk;
using namespace weather;

namespace {

std::string DemoAnswer()
{
    std::ifstream file(SKYVANE_DEMO_DIR "/weather.json", std::ios::binary);
    return Gbk(std::string(std::istreambuf_iterator<char>(file), {}));
}

TEST(ParseWeatherRecord, RealisticAnswer)
{
    const std::string answer = DemoAnswer();
    ASSERT_GT(answer.size(), 20000u);
    const WeatherRecord r = ParseWeatherRecord(answer);
    // The observation comes after the hourly forecasts, so its weather is the last one.
    EXPECT_EQ(r.WeatherText, Gbk("多云"));
    EXPECT_EQ(r.Degree, 17);
    EXPECT_EQ(r.Humidity, 45);
    EXPECT_EQ(r.Pressure, 1021);
    EXPECT_EQ(r.UpdateTime, "202612101030");
    // The first alarm has a county; the first county-less one is taken.
    EXPECT_EQ(r.AlarmDetail, Gbk("深圳市气象台12月10日09时发布寒冷黄色预警信号：受强冷空气影响，"
                                 "预计未来48小时我市最低气温将降至5℃左右，请注意防寒保暖。\\n防御"
                                 "指南：\\n1.注意添衣保暖；\\n2.做好防寒防冻准备。"));
    EXPECT_EQ(r.AirconDetail, Gbk("您将感到有些冷，可以适当开启制暖空调调节室温，以免着凉感冒。室内"
                                  "外温差不宜过大。\",\"info\":\"开启制暖空调\","));
    EXPECT_EQ(r.AirconInfo, Gbk("开启制暖空调"));
    EXPECT_EQ(r.ClothesDetail, Gbk("建议着厚外套加毛衣等服装。年老体弱者宜着大衣、呢外套加羊毛衫。"
                                   "\",\"info\":\"较冷\","));
    EXPECT_EQ(r.ClothesInfo, Gbk("较冷"));
    EXPECT_EQ(r.UmbrellaDetail, Gbk("天气较好，您在出门的时候无须带雨伞。"));
    EXPECT_EQ(r.UmbrellaInfo, Gbk("不带伞"));
    EXPECT_EQ(r.TipsText, Gbk(":{\"observe\":{\"0\":\"天气有点冷，出门记得多穿件外套~\",\"1\":\"风"
                              "有点大，注意防风保暖~~\",\"2\":\"今天空气干燥，记得多喝水~"));

    const ParsedAnswer parsed = ParseWeatherAnswer(answer);
    const TextArray tips = {Gbk(":{\"observe\":{\"0\":\"天气有点冷，出门记得多穿件外套"),
                            Gbk("\",\"1\":\"风有点大，注意防风保暖"),
                            Gbk("\",\"2\":\"今天空气干燥，记得多喝水")};
    EXPECT_EQ(parsed.tips, tips);
    EXPECT_EQ(parsed.advice.clothes, Gbk("建议着厚外套加毛衣等服装"));
    EXPECT_EQ(parsed.advice.aircon,
              Gbk("您将感到有些冷，可以适当开启制暖空调调节室温，以免着凉感冒"));
}

TEST(ParseWeatherRecord, LastWeatherEntryAndFirstCountyLessAlarm)
{
    const std::string answer =
        "{\"alarm\":{\"0\":{\"county\":\"A\",\"detail\":\"a\",\"info\":\"\"},"
        "\"1\":{\"city\":\"c\",\"county\":\"\",\"detail\":\"first\",\"info\":\"x\"},"
        "\"2\":{\"city\":\"c\",\"county\":\"\",\"detail\":\"second\",\"info\":\"y\"}},"
        "\"f\":{\"degree\":\"1\",\"update_time\":\"1\",\"weather\":\"rain\",\"weather_code\":"
        "\"07\"},"
        "\"o\":{\"x\":\"0\",\"pressure\":\"3\",\"update_time\":\"2\",\"weather\":\"sun\",\"weather_"
        "code\":\"00\"}}";
    const WeatherRecord r = ParseWeatherRecord(answer);
    EXPECT_EQ(r.WeatherText, "sun");
    EXPECT_EQ(r.UpdateTime, "2");
    EXPECT_EQ(r.AlarmDetail, "first");
    EXPECT_EQ(r.Pressure, 3);
}

TEST(ParseWeatherRecord, MissingMarkersGiveEmptyFields)
{
    for (const std::string& answer :
         {std::string(), std::string("<html>502 Bad Gateway</html>"), std::string(1, '\0'),
          std::string("\",\"weather\":\"x"), std::string("{\"degree\":\"5\"")}) {
        const WeatherRecord r = ParseWeatherRecord(answer);
        EXPECT_EQ(r.WeatherText, "");
        EXPECT_EQ(r.Degree, 0);
        EXPECT_EQ(r.Humidity, 0);
        EXPECT_EQ(r.Pressure, 0);
        EXPECT_EQ(r.UpdateTime, "");
        EXPECT_EQ(r.TipsText, "");
        EXPECT_EQ(r.AlarmDetail, "");
        EXPECT_EQ(r.AirconDetail, "");
        EXPECT_EQ(r.ClothesInfo, "");
        EXPECT_EQ(r.UmbrellaInfo, "");
    }
}

// The fast cut must find exactly what the toolkit's character-by-character search finds,
// double-byte characters whose trail byte looks like a marker byte included.
TEST(CutFromEnd, AgreesWithTextBetweenFromEnd)
{
    const char alphabet[] = {'a', '"', ':', '\xA1', '\xB0', '\x80', '\0'};
    std::uint32_t seed = 2026;
    auto next = [&seed](std::uint32_t bound) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % bound;
    };
    auto randomText = [&](std::uint32_t maxLength, std::uint32_t letters) {
        std::string text(next(maxLength + 1), 'a');
        for (char& c : text) {
            c = alphabet[next(letters)];
        }
        return text;
    };
    for (int i = 0; i < 50000; ++i) {
        // The zero byte only in the answer: it ends the text there.
        const std::string answer = randomText(24, 7);
        const std::string left = randomText(3, 6);
        const std::string right = randomText(3, 6);
        if (left.empty() || right.empty()) {
            continue;
        }
        ASSERT_EQ(CutFromEnd(answer, left, right), toolkit::TextBetweenFromEnd(answer, right, left))
            << testing::PrintToString(answer) << " " << testing::PrintToString(left) << " "
            << testing::PrintToString(right);
    }
}

TEST(WeatherNumber, Table)
{
    const struct {
        std::string text;
        int32_t value;
    } cases[] = {
        {"-3", -3},
        {"12.7", 12},
        {"-12.7", -12},
        {"", 0},
        {"abc", 0},
        {"  42x", 42},
        {"1021hPa", 1021},
        {"+8", 8},
        {"1e3", 1000},
        {"0x1A", 26},
        {"2147483647", 2147483647},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
        {"1e400", 2147483647},
        {"nan", 0},
        {"-inf", -2147483647 - 1},
        // Full-width forms and the ideographic space read as ASCII: "－３", "　１２．５".
        {"\xA3\xAD\xA3\xB3", -3},
        {"\xA1\xA1\xA3\xB1\xA3\xB2\xA3\xAE\xA3\xB5", 12},
        // A Chinese character ends the number: "２度".
        {"\xA3\xB2\xB6\xC8", 2},
        {"7\xB6\xC8", 7},
        {std::string("5\0"
                     "9",
                     3),
         5},
        // A lone lead byte at the end is not a character.
        {"4\xA3", 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WeatherNumber(c.text), c.value) << c.text;
    }
}

TEST(ParseWeatherRecord, NumberFields)
{
    const std::string answer = "{\"degree\":\"-3\",\"humidity\":\"12.7\",\"precipitation\":\"0\","
                               "\"pressure\":\"\",\"update_time\":\"t\",\"weather\":\"w\","
                               "\"weather_code\":\"00\"}";
    const WeatherRecord r = ParseWeatherRecord(answer);
    EXPECT_EQ(r.Degree, -3);
    EXPECT_EQ(r.Humidity, 12);
    EXPECT_EQ(r.Pressure, 0);
    EXPECT_EQ(r.UpdateTime, "t");
    EXPECT_EQ(r.WeatherText, "w");
}

TEST(SplitTips, EmptyPiecesDropped)
{
    EXPECT_EQ(SplitTips("a~~b~"), (TextArray{"a", "b"}));
    EXPECT_EQ(SplitTips("~~"), TextArray{});
    EXPECT_EQ(SplitTips(""), TextArray{});
    EXPECT_EQ(SplitTips("only"), TextArray{"only"});
}

TEST(SplitAdvice, Table)
{
    const std::string stop = "\xA1\xA3";
    const struct {
        std::string clothes;
        std::string aircon;
        std::string clothesExtra;
        std::string airconExtra;
    } cases[] = {
        // One sentence and the info tail: two pieces.
        {"warm" + stop + "\",\"info\":\"x\",", "cool" + stop + "tail", "warm", "cool"},
        {"no full stop", "cool" + stop + "tail", "", ""},
        {"", "cool" + stop, "", ""},
        {"a" + stop + "b", "", "a", ""},
        {"a" + stop + "b", "no stop", "a", "no stop"},
        {stop + "a" + stop + "b", stop + stop, "a", ""},
        // A sentence ending in the full stop alone is a single piece.
        {"only" + stop, "x" + stop + "y", "", ""},
    };
    for (const auto& c : cases) {
        const AdviceExtras extras = SplitAdvice(c.clothes, c.aircon);
        EXPECT_EQ(extras.clothes, c.clothesExtra) << c.clothes;
        EXPECT_EQ(extras.aircon, c.airconExtra) << c.aircon;
    }
}

TEST(ParseWeatherAnswer, HostileInputs)
{
    const std::string demo = DemoAnswer();
    std::string binary(1 << 16, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) {
        binary[i] = static_cast<char>((i * 2654435761u) >> 13);
    }
    std::string huge;
    while (huge.size() < (6u << 20)) {
        huge += demo;
    }
    std::string markerStorm;
    for (int i = 0; i < 20000; ++i) {
        markerStorm += "\",\"info\":\"{\"degree\":\"~\xA1\xA3";
    }
    for (const std::string& answer :
         {demo.substr(0, demo.size() / 2), demo.substr(0, 77), binary, huge, markerStorm}) {
        const ParsedAnswer parsed = ParseWeatherAnswer(answer);
        EXPECT_LE(parsed.record.TipsText.size(), answer.size());
    }
    // Several copies: the last observation and the first county-less alarm still win.
    EXPECT_EQ(ParseWeatherRecord(huge).Degree, 17);
}

} // namespace
