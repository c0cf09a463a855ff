#pragma once
// Answers just at and just over the size limit of what the programs hold, for the tests of each
// reader. A body is sent as `copies` of one piece; the limit and the limit plus one both split
// into whole pieces (2^24 = 256 * 65536, 2^24 + 1 = 257 * 65281).

#include <cstddef>
#include <string>

namespace testsupport {

struct AnswerSizeCase {
    const char* name;
    std::size_t piece;
    int copies;
    bool noLength;
    bool whole; // false: refused
};

inline const AnswerSizeCase kAnswerSizeCases[] = {
    {"at_the_limit", 65536, 256, false, true},
    {"at_the_limit_without_length", 65536, 256, true, true},
    {"one_byte_over", 65281, 257, false, false},
    {"one_byte_over_without_length", 65281, 257, true, false},
};

} // namespace testsupport
