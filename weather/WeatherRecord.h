#pragma once
// The parsed weather answer, as the windows show it. A field whose markers were missing from
// the last answer is empty (or 0).

#include <cstdint>

#include "toolkit/Types.h"

namespace weather {

struct WeatherRecord {
    GbkText WeatherText;
    int32_t Degree = 0;
    int32_t Humidity = 0;
    int32_t Pressure = 0;
    GbkText UpdateTime;
    GbkText TipsText;
    GbkText AlarmDetail;
    GbkText AirconDetail;
    GbkText AirconInfo;
    GbkText ClothesDetail;
    GbkText ClothesInfo;
    GbkText UmbrellaDetail;
    GbkText UmbrellaInfo;
};

} // namespace weather
