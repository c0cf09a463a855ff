#pragma once
// Native tests only: Chinese test data written readably in UTF-8 and turned into the code page
// 936 bytes the program works with, through glibc's converter. Byte values that a test pins
// down are written as escapes instead, so that they do not depend on this conversion.

#include <iconv.h>

#include <stdexcept>
#include <string>

namespace testsupport {

inline std::string Gbk(const std::string& utf8)
{
    iconv_t converter = iconv_open("GBK", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error("no UTF-8 to GBK converter");
    }
    std::string out(utf8.size() * 2 + 1, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* to = out.data();
    size_t outLeft = out.size();
    size_t done = iconv(converter, &in, &inLeft, &to, &outLeft);
    iconv_close(converter);
    if (done == static_cast<size_t>(-1)) {
        throw std::runtime_error("text not representable in GBK: " + utf8);
    }
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace testsupport
