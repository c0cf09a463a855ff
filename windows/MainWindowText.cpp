#include "windows/MainWindowText.h"

#include <string>

#include "toolkit/ChineseChars.h"
#include "toolkit/TextBetween.h"
#include "windows/TextPositions.h"

namespace windows {

namespace {

constexpr char kDegreeUnit[] = "\xA1\xE3"
                               "C";                                          // °C
constexpr char kHumidityLabel[] = "\xCA\xAA\xB6\xC8\xA3\xBA";                // 湿度：
constexpr char kPressureLabel[] = "\xC6\xF8\xD1\xB9\xA3\xBA";                // 气压：
constexpr char kAreaLabel[] = "\xCB\xF9\xD4\xDA\xC7\xF8\xD3\xF2\xA3\xBA";    // 所在区域：
constexpr char kUpdateLabel[] = " \xB8\xFC\xD0\xC2\xCA\xB1\xBC\xE4\xA3\xBA"; //  更新时间：

constexpr char kIssued[] = "\xB7\xA2\xB2\xBC";  // 发布
constexpr char kSignal[] = "\xD0\xC5\xBA\xC5";  // 信号
constexpr char kComma[] = "\xA3\xAC";           // ，
constexpr char kWill[] = "\xBD\xAB";            // 将
constexpr char kBecome[] = "\xCE\xAA";          // 为
constexpr char kWarning[] = "\xD4\xA4\xBE\xAF"; // 预警
constexpr char kColon[] = "\xA3\xBA";           // ：

} // namespace

GbkText DegreeCaption(int32_t degree)
{
    return std::to_string(degree) + kDegreeUnit;
}

GbkText HumidityCaption(int32_t humidity)
{
    return kHumidityLabel + std::to_string(humidity) + "%";
}

GbkText PressureCaption(int32_t pressure)
{
    return kPressureLabel + std::to_string(pressure) + "hPa";
}

GbkText AreaLine(const GbkText& customCity, const GbkText& city, const GbkText& updateTime)
{
    const GbkText& shown = customCity.empty() ? city : customCity;
    return kAreaLabel + shown + kUpdateLabel + updateTime;
}

GbkText TipCaption(const GbkText& tip)
{
    return toolkit::ExtractChineseChars(tip) + "~";
}

GbkText RemoveEscapedLineBreaks(const GbkText& alarmDetail)
{
    return ReplaceAtPositions(alarmDetail, "\\", "n", false);
}

GbkText AlarmTitleFromDetail(const GbkText& alarmDetail, const GbkText& city)
{
    // Alarm texts name their issuer in a few fixed phrasings; the first cut that gives a text
    // wins.
    const GbkText issuedByCity = kIssued + city;
    const GbkText willCity = kWill + city;
    const struct {
        const GbkText left;
        const char* right;
    } cuts[] = {
        {issuedByCity, kSignal}, {kIssued, kSignal}, {kIssued, kComma},
        {willCity, kBecome},     {kWarning, kComma},
    };
    GbkText title;
    for (const auto& cut : cuts) {
        title = toolkit::TextBetween(alarmDetail, cut.left, cut.right);
        if (!title.empty()) {
            break;
        }
    }
    if (FindTextNoCase(title, kWarning) == -1) {
        title = toolkit::TextBetween(alarmDetail, "", kColon);
    }
    return title;
}

} // namespace windows
