#pragma once
// Cutting the weather service's answer (code page 936 text) into the weather record, its tips
// and the first sentences of two advice texts. No Windows calls: the refresh feeds these.

#include <cstdint>

#include "toolkit/Types.h"
#include "weather/WeatherRecord.h"

namespace weather {

// The thirteen fields cut out of the answer by their markers; a field whose markers are
// missing is empty or 0. Nothing of an earlier record survives.
WeatherRecord ParseWeatherRecord(const GbkText& answer);

// The text between the last rightMarker and the nearest leftMarker before it, as
// toolkit::TextBetweenFromEnd gives it for non-empty markers (empty markers give the empty
// text here), but through a byte search that one pass over the answer makes safe for
// double-byte text. ParseWeatherRecord makes its cuts this way.
GbkText CutFromEnd(const GbkText& answer, const GbkText& leftMarker, const GbkText& rightMarker);

// A number field of the answer: full-width ASCII forms and the ideographic space read as their
// ASCII forms, then the leading decimal number by the atof rules (0 when there is none),
// truncated toward zero and held within the 32-bit range.
int32_t WeatherNumber(const GbkText& text);

// The tips text cut at "~", empty pieces dropped.
TextArray SplitTips(const GbkText& tipsText);

struct AdviceExtras {
    GbkText clothes;
    GbkText aircon;
};

// The first sentence (before the Chinese full stop) of each advice detail. Both are empty
// unless the clothes detail holds at least two pieces; an air-conditioner detail without any
// piece gives an empty sentence.
AdviceExtras SplitAdvice(const GbkText& clothesDetail, const GbkText& airconDetail);

// Everything one answer gives: what the refresh stores.
struct ParsedAnswer {
    WeatherRecord record;
    TextArray tips;
    AdviceExtras advice;
};
ParsedAnswer ParseWeatherAnswer(const GbkText& answer);

} // namespace weather
