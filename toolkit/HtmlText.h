#pragma once
// HTML to the plain text a browser shows for it. The document object that would do this has
// no engine under Wine and renders differently across Windows versions, so the conversion is
// our own: a fragment is read as the content of a document body, and the result follows what
// the body's outerText gives in a browser.

#include <string>
#include <string_view>

#include "toolkit/Types.h"

namespace toolkit {

// The rendered text of an HTML fragment: paragraphs are set apart by an empty line; div, li,
// headings, table rows and the other block elements start a new line; br is a line break;
// table cells are separated by a tab. Character references are decoded, script, style and
// comments left out, white space collapsed outside pre. Lines end in CR LF; no line break
// leads or trails the text unless a br put it there.
std::u16string HtmlFragmentText(std::u16string_view html);

// The same on code page 936 text, both ways. Characters that code page 936 lacks become "?".
// Windows only.
GbkText HtmlToText(const GbkText& html);

} // namespace toolkit
