#pragma once
// How much of one answer from the network the programs ever hold. Whoever answers on the way
// (the geolocation goes over plain http, and the weather request tolerates a foreign
// certificate) could otherwise send a body without end and make the process copy it until it
// runs out of memory.

#include <cstddef>

namespace toolkit {

// An answer body larger than this counts as a failed request. No service of the system sends
// more than a few hundred kilobytes.
constexpr std::size_t kMaxAnswerBytes = 16u * 1024u * 1024u;

} // namespace toolkit
