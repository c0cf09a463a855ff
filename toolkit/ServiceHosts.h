#pragma once
// The one place that names the outside services. Each host has a working default and can be
// pointed elsewhere (a local test server, a mirror) through an environment variable, read at
// every call so that a running program follows a change. Hosts carry the scheme and no
// trailing slash; the paths, queries and markers stay with the code that speaks to each
// service.

#include "toolkit/Types.h"

namespace toolkit {

// "http://ip-api.com", or SKYVANE_GEO_HOST.
GbkText GeolocationHost();

// "https://wis.qq.com", or SKYVANE_WEATHER_HOST.
GbkText WeatherHost();

// "https://share.weiyun.com", or SKYVANE_SHARE_HOST.
GbkText ShareHost();

// "https://www.lanzoux.com/", or SKYVANE_DOWNLOAD_HOST; share links are resolved below it, so
// this root ends with a slash (one is added when the variable lacks it).
GbkText DownloadShareRoot();

} // namespace toolkit
