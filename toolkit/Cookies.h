#pragma once
// Cookie text of the web request client: pairs "name=value" joined by "; ", collected from the
// Set-Cookie lines of an answer and folded into the cookies that were sent.

#include "toolkit/Types.h"

namespace toolkit {

// How the "Set-Cookie:" marker is looked up inside a counting line. The two variants of the
// request client differ here only; on lines that begin with "Set-Cookie: " both find the same.
enum class MarkerCase { Exact, IgnoreCase };

// The cookies set by an answer, from its whole header text (lines joined by CR LF): one pair
// per line whose name before the first ": " is exactly "Set-Cookie", attributes left behind,
// in line order, joined by "; ". The empty text when the answer set none.
GbkText CollectSetCookies(const GbkText& headerText, MarkerCase markerCase);

// Folds the answer's cookies (newCookies) into the sent ones (oldCookies): the answer's pairs
// first, then the sent pairs whose names the answer did not use; pairs ending in "=deleted"
// and repeated whole pairs are dropped. oldCookies receives the merged text, which is also
// returned; newCookies is left trimmed (with a space after a final ";").
GbkText MergeCookies(GbkText& oldCookies, GbkText& newCookies);

// Trims the ASCII space and the full-width space (A1 A1) from both ends, stepping over
// double-byte characters so that a trail byte is never taken for half of a space.
GbkText TrimCookieSpaces(const GbkText& text);

} // namespace toolkit
