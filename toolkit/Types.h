#pragma once
// The three value types that every subsystem passes around.

#include <cstdint>
#include <string>
#include <vector>

// Bytes in code page 936. Lengths and positions count bytes; the empty text stands for an
// absent value or a failure.
using GbkText = std::string;

// A counted byte array: answers of requests, UTF-16 and UTF-8 buffers, pictures.
using ByteSet = std::vector<std::uint8_t>;

// A list of texts: tips, split results.
using TextArray = std::vector<std::string>;
