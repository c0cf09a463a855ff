#pragma once
// A control's stored look as the engine keeps it: the records of its stored data, edited in
// place when a property is written, so that the whole data handed back for a re-creation is the
// look as it now stands. Free of Windows calls.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/StoredData.h"

namespace engine {

struct LookRecord {
    std::uint16_t tag = 0;
    std::uint16_t slot = 0;
    std::vector<std::uint8_t> body;
};

struct FontChoice {
    std::int32_t size = 12; // em height in pixels
    bool bold = false;
    std::u16string face;
};

class Look {
public:
    // Takes the records of a whole stored block (head word, page number, engine bytes). No
    // block, another magic or a newer version leaves the look empty: the control draws its
    // defaults.
    void Load(const void* block);

    const LookRecord* Find(std::uint16_t tag, std::uint16_t slot = 0) const;
    std::u16string Text(std::uint16_t tag, std::uint16_t slot = 0) const;
    std::optional<std::uint32_t> Number(std::uint16_t tag, std::uint16_t slot = 0) const;

    // Replaces the record with that tag and slot, or adds it at the end.
    void Set(std::uint16_t tag, std::uint16_t slot, const std::uint8_t* body, std::size_t size);
    void SetText(std::uint16_t tag, std::uint16_t slot, std::u16string_view text);
    void SetNumber(std::uint16_t tag, std::uint16_t slot, std::uint32_t value);
    void Remove(std::uint16_t tag, std::uint16_t slot);

    // The texts of the item records, ordered by their index.
    std::vector<std::u16string> Items() const;

    // The engine's bytes (magic, version, length, records) of the look as it stands.
    std::vector<std::uint8_t> EngineBytes() const;

    FontChoice Font(std::uint16_t slot, std::int32_t defaultSize = 12) const;
    // The text colour of a font slot as drawn (see DrawnColour).
    std::uint32_t Colour(std::uint16_t slot, std::uint32_t fallback = 0xFF000000u) const;

private:
    std::vector<LookRecord> m_records;
};

// Colours are stored as ARGB, but a value with no alpha at all comes from a plain RGB colour
// (0 is black there): it is drawn opaque rather than not at all.
constexpr std::uint32_t DrawnColour(std::uint32_t argb)
{
    return (argb & 0xFF000000u) == 0 ? argb | 0xFF000000u : argb;
}

} // namespace engine
