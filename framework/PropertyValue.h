#pragma once
// The value of one unit property as the window services pass it: an integer, a logical, a text
// or a byte set. Reading a value as another kind than it holds gives that kind's empty value, so
// a handler that asks for the wrong kind sees 0, false or "" instead of failing.

#include <cstdint>
#include <string>
#include <utility>

#include "toolkit/Types.h"

namespace framework {

class PropertyValue {
public:
    enum class Kind { Empty, Integer, Logical, Text, Bytes };

    PropertyValue() = default;
    PropertyValue(std::int32_t number) : m_kind(Kind::Integer), m_number(number) {}
    PropertyValue(bool logical) : m_kind(Kind::Logical), m_number(logical ? 1 : 0) {}
    PropertyValue(const char* text) : m_kind(Kind::Text), m_text(text != nullptr ? text : "") {}
    PropertyValue(GbkText text) : m_kind(Kind::Text), m_text(std::move(text)) {}
    PropertyValue(ByteSet bytes) : m_kind(Kind::Bytes), m_bytes(std::move(bytes)) {}

    Kind GetKind() const { return m_kind; }
    bool IsEmpty() const { return m_kind == Kind::Empty; }

    // Integers and logicals read as each other (a logical is 0 or 1).
    std::int32_t AsInt() const { return IsNumber() ? m_number : 0; }
    bool AsBool() const { return IsNumber() && m_number != 0; }
    const GbkText& AsText() const { return m_text; }
    const ByteSet& AsBytes() const { return m_bytes; }

private:
    bool IsNumber() const { return m_kind == Kind::Integer || m_kind == Kind::Logical; }

    Kind m_kind = Kind::Empty;
    std::int32_t m_number = 0;
    GbkText m_text;
    ByteSet m_bytes;
};

} // namespace framework
