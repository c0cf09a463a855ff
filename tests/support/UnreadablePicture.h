#pragma once
// Spoils a test's own picture file for a while, so that it does not decode: as when the memory
// of a 32-bit program runs short just as the full size is needed again. The test made the
// picture, so its bytes may be spoilt and mended.

#include <cstdint>
#include <vector>

#include "engine/Picture.h"

namespace testsupport {

class UnreadableFile {
public:
    explicit UnreadableFile(const engine::Picture& picture)
        : m_bytes(const_cast<std::vector<std::uint8_t>&>(picture.Bytes())), m_first(m_bytes[0])
    {
        m_bytes[0] = 0; // no longer the PNG signature
    }
    ~UnreadableFile() { m_bytes[0] = m_first; }
    UnreadableFile(const UnreadableFile&) = delete;
    UnreadableFile& operator=(const UnreadableFile&) = delete;

private:
    std::vector<std::uint8_t>& m_bytes;
    std::uint8_t m_first;
};

} // namespace testsupport
