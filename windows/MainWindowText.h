#pragma once
// The texts that the main window shows, made from the weather record: the three number
// captions, the area line, the tip of the day and the alarm button's title. Chinese bytes in
// code page 936 (see toolkit/TextBetween.h).

#include <cstdint>

#include "toolkit/Types.h"

namespace windows {

// "-3°C": the degree sign is the code page 936 character A1 E3; no space before a unit.
GbkText DegreeCaption(int32_t degree);
// "湿度：85%".
GbkText HumidityCaption(int32_t humidity);
// "气压：1012hPa".
GbkText PressureCaption(int32_t pressure);

// "所在区域：<city> 更新时间：<time>", where the city is customCity when that is not empty,
// else city.
GbkText AreaLine(const GbkText& customCity, const GbkText& city, const GbkText& updateTime);

// The tip as the tip label shows it: only its Chinese characters, then "~".
GbkText TipCaption(const GbkText& tip);

// The escaped line breaks of the weather answer (a backslash up to the next "n") removed; the
// lines run together.
GbkText RemoveEscapedLineBreaks(const GbkText& alarmDetail);

// The short title of an alarm, cut out of its detail by the first of these that gives a text:
// between "发布"+city and "信号", "发布" and "信号", "发布" and "，", "将"+city and "为", "预警"
// and "，". A title that then lacks the word "预警" (or none found) is replaced by the text
// before the detail's first "：", empty when there is none.
GbkText AlarmTitleFromDetail(const GbkText& alarmDetail, const GbkText& city);

} // namespace windows
