#pragma once
// The header text of the web request client: lines "Name: value" joined by CR LF, completed
// with browser-like defaults, names capitalised, and cut into the name/value pairs that are
// set on the request.

#include <string>
#include <utility>
#include <vector>

#include "toolkit/Types.h"

namespace toolkit {

// The HTTP verb of a method index: 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE,
// 6 TRACE, 7 CONNECT; any other index is GET.
const char* VerbOfMethodIndex(int methodIndex);

// Appends, in a fixed order, each default line whose probe ("Accept:", "Referer:",
// "Accept-Language:", "User-Agent:", and "Content-Type:" for a POST) occurs nowhere in the
// text, ignoring ASCII case; every appended line is preceded by CR LF.
void AddDefaultHeaderLines(GbkText& headers, const GbkText& requestUrl, int methodIndex);

// Capitalises the first letter of every name and each letter after a "-" in it (ASCII a-z
// only), drops pieces without ":" and joins the rest with CR LF, none after the last line.
GbkText NormaliseHeaderLines(const GbkText& headers);

using HeaderPair = std::pair<GbkText, GbkText>;

// The SetRequestHeader calls the header text asks for, in text order. Names and values are
// trimmed of spaces; a piece with an empty name sets nothing. A text with several lines skips
// the line "Connection: keep-alive" (the object manages the connection itself); a one-line
// text is always set as it is.
std::vector<HeaderPair> HeaderCalls(const GbkText& headers);

} // namespace toolkit
