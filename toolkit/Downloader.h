#pragma once
// The file downloader: one GET through WinINet, the body written into a local file as it
// arrives, optionally continuing a partial file with a Range request, with a progress report
// after every read.

#include <cstdint>

#include "toolkit/Types.h"

namespace toolkit {

// Called after every read with the Content-Length of the answer (0 when unknown), the bytes
// counted so far (the resume offset included; low 32 bits), the milliseconds since the first
// read (never 0), the bytes this call received (low 32 bits) and 0.
using DownloadProgress = void (*)(std::int32_t total, std::int32_t done, std::int32_t elapsedMs,
                                  std::int32_t received, std::int32_t reserved);

// Fetches url into filePath in reads of 10240 bytes. resume false empties or creates the file;
// resume true keeps it, writes at its end and asks for the body from byte offset from on (the
// caller's offset alone decides; the file's size is not measured). progress may be null.
//
// Redirects are followed one by one; from an https address every hop must be https as well,
// and an address of another scheme is refused before it is asked.
//
// Returns 0 when the whole body was written. Returns -1 when the request cannot be made, the
// file cannot be opened, a read fails or the body ends before its announced length (the file
// then keeps what arrived, ready to be resumed); and, with the file left untouched, when an
// https address leads to another scheme, when the redirects do not end, and when the answer is
// not 200 OK (206 Partial Content when resuming), an error page, say, or a whole body where a
// part was asked for; and for a negative from when resuming.
std::int32_t DownloadFile(const GbkText& url, const GbkText& filePath, DownloadProgress progress,
                          std::int32_t from, bool resume);

// The updater's progress callback: it shows nothing, so it does nothing.
void ProgressCallback(std::int32_t total, std::int32_t done, std::int32_t elapsedMs,
                      std::int32_t received, std::int32_t reserved);

} // namespace toolkit
