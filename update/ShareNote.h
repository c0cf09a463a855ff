#pragma once
// The share-note reader: the first note of a public share of the file-share service, fetched
// through its share-view interface and turned into plain text. Both programs learn about new
// versions from it.
//
// A note carries its fields between pairs of one marker character each: the latest version
// between "*", the changelog between "=", the download-share link between "-". A field is the
// text between the first occurrence of its marker in the whole note and the next one (see
// TextBetweenAnyCase), so no marker may appear before its own field.

#include <oaidl.h>

#include <optional>

#include "toolkit/Types.h"

namespace update {

inline constexpr char kVersionMarker[] = "*";
inline constexpr char kChangelogMarker[] = "=";
inline constexpr char kLinkMarker[] = "-";

// The note of the share that shareUrl names (its key is the text after the last "/"), asked
// for with the password (absent: empty). When the answer is no JSON text, the text of the
// whole answer instead; the empty text when the request fails or the answer holds no note.
// The note decides what the updater downloads and runs, so the service's certificate is
// checked in full: a service that cannot prove who it is counts as unreachable.
// requestObject, when given, is a request object of the caller's to run the request on.
GbkText ReadShareNote(const GbkText& shareUrl,
                      const std::optional<GbkText>& password = std::nullopt,
                      IDispatch* requestObject = nullptr);

// A fresh request number: the digits of 10000 times the current time in milliseconds since
// 1970 plus a random number below 9999, as the script control computes it. Empty when the
// script control cannot run.
GbkText MakeRequestSeq();

// The digits 0-9 of text in their order; the empty text when it has none.
GbkText ExtractDigits(const GbkText& text);

} // namespace update
