#pragma once
// Conversions at the edge between our code page 936 texts and the UTF-8 and UTF-16 that
// services and wide Windows calls speak, through MultiByteToWideChar and WideCharToMultiByte.
// No routine reports an error: an empty input or a failed conversion gives an empty result.

#include <cstdint>

#include "toolkit/Types.h"

namespace toolkit {

constexpr uint32_t kCodePageAnsi = 0;  // the system ANSI code page (936 on our users' machines)
constexpr uint32_t kCodePageGbk = 936; // code page of every GbkText
constexpr uint32_t kCodePageUtf8 = 65001;

// PercentEncodeBytes of the UTF-8 form of text when asUtf8 is true, else of its own bytes.
GbkText UrlEncode(const GbkText& text, bool keepUnreserved = false, bool asUtf8 = false);

// UTF-8 bytes of text, no terminator.
ByteSet GbkToUtf8(const GbkText& text);

// UTF-16LE of text, ending in one zero unit.
ByteSet GbkToUtf16(const GbkText& text);

// UTF-16LE of bytes in codePage, ending in one zero unit; bytes after a zero byte are ignored.
ByteSet MultiByteToUtf16(const ByteSet& bytes, uint32_t codePage);

// utf16 (UTF-16LE, up to its first zero unit) in codePage, without a terminator.
ByteSet Utf16ToMultiByte(const ByteSet& utf16, uint32_t codePage);

// Text in the system ANSI code page of UTF-8 bytes up to their first malformed place;
// characters the code page lacks become its default character.
GbkText Utf8ToAnsiText(const ByteSet& utf8);

// The code page 936 text of a text whose bytes are UTF-8.
GbkText Utf8BytesToText(const GbkText& utf8Text);

// UTF-16LE of text in codePage, ending in one zero unit. The room is measured by reading text
// in the system ANSI code page, which never needs fewer units than valid UTF-8; when the room
// is short the result stays all zero bytes.
ByteSet MultiByteToWide(const GbkText& text, uint32_t codePage = kCodePageUtf8);

// utf16 (up to its first zero unit) as a text in codePage.
GbkText WideToMultiByte(const ByteSet& utf16, uint32_t codePage = kCodePageAnsi);

} // namespace toolkit
