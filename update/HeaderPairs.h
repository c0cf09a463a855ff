#pragma once
// The header pair lists of the share-note request: names and values collected pair by pair,
// then joined into the header text a web request takes. The lists are module state, empty at
// start and between requests; each call is safe from any thread.

#include "toolkit/Types.h"

namespace update {

// Appends name to the names and value to the values.
void AddHeaderPair(const GbkText& name, const GbkText& value);

// "name: value" lines joined by CR LF, nothing after the last value; the empty text for empty
// lists. Empties the lists afterwards unless keepPairs.
GbkText BuildHeaderText(bool keepPairs = false);

// Empties both lists.
void ClearHeaderPairs();

} // namespace update
