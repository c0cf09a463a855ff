#pragma once
// Tells whether a text is one whole JSON text (RFC 8259): one value with optional whitespace
// around it and nothing else. The JSON object hands answer texts from the network to a script
// engine as source code; only texts that pass this check may go there, so that an answer can
// never be more than data.

#include <cstddef>
#include <string_view>

namespace toolkit {

// Nesting deeper than this is refused: the script engine's parser recurses on nesting, and
// real answers stay far below it.
constexpr std::size_t kMaxJsonDepth = 256;

// True when text is exactly one JSON text of at most kMaxJsonDepth nested arrays and objects.
// The text is UTF-16 as the engine receives it; any code unit from U+0020 up is accepted
// inside strings (also unpaired surrogates, which the engine keeps as they are).
bool IsJsonText(std::u16string_view text);

} // namespace toolkit
