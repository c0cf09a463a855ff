#pragma once
// The stored look of a skinned control: the block a window template keeps for the control,
// that creation hands to VeneerCore.dll and that the engine gives back when asked for the
// control's whole data. Header-only and free of Windows calls, so that the engine, the binding's
// tests and the window templates (written as data) share one definition.
//
// Block layout, every number little-endian:
//   word 0   12
//   word 1   page number (0 = not on a page of a paged container)
//   then the engine's bytes:
//     u32  magic "VNSD"
//     u16  format version (kStoredDataVersion)
//     u16  0
//     u32  R, the number of record bytes that follow
//     R bytes of records, each: u16 tag, u16 slot, u32 length n, n bytes
// A reader skips tags it does not know, so later versions can add records; a different magic
// or a newer version makes the engine ignore the data and draw its defaults.
//
// Records (tag: content; slot):
//   1 Caption: UTF-16LE text; 0 (a combo box keeps its shown text here)
//   2 Font: i32 size in points, u32 flags (bit 0 bold, the large headings), UTF-16LE face;
//     the font's slot (a combo box has three: box, list, disabled)
//   3 Colour: u32 ARGB of the text drawn with the font of the same slot
//   4 Cursor: u32 resource id of the mouse pointer, IDC_HAND 32649 or IDC_ARROW 32512; 0
//   5 Skin: UTF-16LE skin name; slot 0 the skin, slot 1 its variant ("Clean")
//   6 Picture: a whole PNG or GIF file; the picture's role (kPicture...)
//   7 Item: UTF-16LE text of a combo-box item; the item's index
//   8 Checked: u32 0 or 1; 0
//   9 Selection: i32 current item, -1 none; 0

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

constexpr std::uint32_t kStoredDataHeadWord = 12;
constexpr std::uint32_t kStoredDataMagic = 0x4453'4E56; // "VNSD"
constexpr std::uint16_t kStoredDataVersion = 1;
constexpr std::size_t kStoredDataHeaderSize = 8;
constexpr std::size_t kEngineBytesHeadSize = 12;

enum StoredTag : std::uint16_t {
    kTagCaption = 1,
    kTagFont = 2,
    kTagColour = 3,
    kTagCursor = 4,
    kTagSkin = 5,
    kTagPicture = 6,
    kTagItem = 7,
    kTagChecked = 8,
    kTagSelection = 9,
};

// Picture roles. A window skin holds its background and three title buttons: close (normal,
// hover, pressed), maximise (the same three, then three of the restore look) and minimise.
enum PictureRole : std::uint16_t {
    kPictureMain = 0, // window background, picture-box picture, image-button glyph
    kPictureClose = 1,
    kPictureMaximise = 4,
    kPictureRestore = 7,
    kPictureMinimise = 10,
};

constexpr std::uint32_t kCursorHand = 32649;
constexpr std::uint32_t kCursorArrow = 32512;
constexpr std::uint32_t kFontBold = 1;

namespace stored_detail {

inline void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

inline std::uint32_t GetU32(const std::uint8_t* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

inline std::uint16_t GetU16(const std::uint8_t* at)
{
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

inline void PutText(std::vector<std::uint8_t>& out, std::u16string_view text)
{
    for (char16_t unit : text) {
        PutU16(out, static_cast<std::uint16_t>(unit));
    }
}

} // namespace stored_detail

// Writes the records of one control's look. Records come out in the order they are added.
class StoredDataBuilder {
public:
    StoredDataBuilder& Caption(std::u16string_view text) { return Text(kTagCaption, 0, text); }
    StoredDataBuilder& Font(std::int32_t size, std::uint32_t flags,
                            std::u16string_view face = u"微软雅黑", std::uint16_t slot = 0)
    {
        std::vector<std::uint8_t> body;
        stored_detail::PutU32(body, static_cast<std::uint32_t>(size));
        stored_detail::PutU32(body, flags);
        stored_detail::PutText(body, face);
        return Record(kTagFont, slot, body.data(), body.size());
    }
    StoredDataBuilder& Colour(std::uint32_t argb, std::uint16_t slot = 0)
    {
        return Number(kTagColour, slot, argb);
    }
    StoredDataBuilder& Cursor(std::uint32_t resourceId)
    {
        return Number(kTagCursor, 0, resourceId);
    }
    StoredDataBuilder& Skin(std::u16string_view name, std::u16string_view variant = {})
    {
        Text(kTagSkin, 0, name);
        if (!variant.empty()) {
            Text(kTagSkin, 1, variant);
        }
        return *this;
    }
    StoredDataBuilder& Picture(std::uint16_t role, const std::uint8_t* file, std::size_t size)
    {
        return Record(kTagPicture, role, file, size);
    }
    StoredDataBuilder& Picture(std::uint16_t role, const std::vector<std::uint8_t>& file)
    {
        return Picture(role, file.data(), file.size());
    }
    StoredDataBuilder& Item(std::u16string_view text)
    {
        return Text(kTagItem, m_itemCount++, text);
    }
    StoredDataBuilder& Checked(bool ticked) { return Number(kTagChecked, 0, ticked ? 1u : 0u); }
    StoredDataBuilder& Selection(std::int32_t index)
    {
        return Number(kTagSelection, 0, static_cast<std::uint32_t>(index));
    }

    StoredDataBuilder& Record(std::uint16_t tag, std::uint16_t slot, const std::uint8_t* body,
                              std::size_t size)
    {
        stored_detail::PutU16(m_records, tag);
        stored_detail::PutU16(m_records, slot);
        stored_detail::PutU32(m_records, static_cast<std::uint32_t>(size));
        m_records.insert(m_records.end(), body, body + size);
        return *this;
    }

    // The engine's bytes: magic, version, length and the records.
    std::vector<std::uint8_t> EngineBytes() const
    {
        std::vector<std::uint8_t> out;
        out.reserve(kEngineBytesHeadSize + m_records.size());
        stored_detail::PutU32(out, kStoredDataMagic);
        stored_detail::PutU16(out, kStoredDataVersion);
        stored_detail::PutU16(out, 0);
        stored_detail::PutU32(out, static_cast<std::uint32_t>(m_records.size()));
        out.insert(out.end(), m_records.begin(), m_records.end());
        return out;
    }

    // The whole block as a template stores it.
    std::vector<std::uint8_t> Block(std::uint32_t pageNumber = 0) const
    {
        std::vector<std::uint8_t> out;
        stored_detail::PutU32(out, kStoredDataHeadWord);
        stored_detail::PutU32(out, pageNumber);
        std::vector<std::uint8_t> bytes = EngineBytes();
        out.insert(out.end(), bytes.begin(), bytes.end());
        return out;
    }

private:
    StoredDataBuilder& Text(std::uint16_t tag, std::uint16_t slot, std::u16string_view text)
    {
        std::vector<std::uint8_t> body;
        stored_detail::PutText(body, text);
        return Record(tag, slot, body.data(), body.size());
    }
    StoredDataBuilder& Number(std::uint16_t tag, std::uint16_t slot, std::uint32_t value)
    {
        std::vector<std::uint8_t> body;
        stored_detail::PutU32(body, value);
        return Record(tag, slot, body.data(), body.size());
    }

    std::vector<std::uint8_t> m_records;
    std::uint16_t m_itemCount = 0;
};

struct StoredRecord {
    std::uint16_t tag = 0;
    std::uint16_t slot = 0;
    const std::uint8_t* body = nullptr;
    std::size_t size = 0;

    std::uint32_t U32(std::size_t at = 0) const
    {
        return size >= at + 4 ? stored_detail::GetU32(body + at) : 0;
    }
    std::u16string Text(std::size_t at = 0) const
    {
        std::u16string text;
        for (std::size_t i = at; i + 1 < size; i += 2) {
            text.push_back(static_cast<char16_t>(stored_detail::GetU16(body + i)));
        }
        return text;
    }
};

// Walks the records of engine bytes. The bytes carry their own length, since the engine gets
// only the address of a stored block.
class StoredDataReader {
public:
    // Engine bytes at `bytes` (after the block's two header words). `limit` bounds the read
    // when the caller knows the size; SIZE_MAX trusts the length inside. False for another
    // magic, a newer version or a length beyond `limit`.
    bool Open(const std::uint8_t* bytes, std::size_t limit = SIZE_MAX)
    {
        m_at = m_end = nullptr;
        if (bytes == nullptr || limit < kEngineBytesHeadSize) {
            return false;
        }
        if (stored_detail::GetU32(bytes) != kStoredDataMagic ||
            stored_detail::GetU16(bytes + 4) == 0 ||
            stored_detail::GetU16(bytes + 4) > kStoredDataVersion) {
            return false;
        }
        std::size_t length = stored_detail::GetU32(bytes + 8);
        if (length > limit - kEngineBytesHeadSize) {
            return false;
        }
        m_at = bytes + kEngineBytesHeadSize;
        m_end = m_at + length;
        return true;
    }

    // A whole stored block (head word 12, page number, engine bytes).
    bool OpenBlock(const void* block, std::size_t limit = SIZE_MAX)
    {
        auto* bytes = static_cast<const std::uint8_t*>(block);
        if (bytes == nullptr || limit < kStoredDataHeaderSize) {
            return false;
        }
        return Open(bytes + kStoredDataHeaderSize,
                    limit == SIZE_MAX ? SIZE_MAX : limit - kStoredDataHeaderSize);
    }

    // False at the end or at a record that runs past the end (the rest is not trusted).
    bool Next(StoredRecord& record)
    {
        if (m_at == nullptr || m_end - m_at < 8) {
            return false;
        }
        std::size_t size = stored_detail::GetU32(m_at + 4);
        if (size > static_cast<std::size_t>(m_end - m_at) - 8) {
            m_at = m_end;
            return false;
        }
        record.tag = stored_detail::GetU16(m_at);
        record.slot = stored_detail::GetU16(m_at + 2);
        record.body = m_at + 8;
        record.size = size;
        m_at += 8 + size;
        return true;
    }

private:
    const std::uint8_t* m_at = nullptr;
    const std::uint8_t* m_end = nullptr;
};

// Page number of a stored block, 0 for none.
inline std::uint32_t StoredPageNumber(const void* block)
{
    return block == nullptr ? 0
                            : stored_detail::GetU32(static_cast<const std::uint8_t*>(block) + 4);
}

} // namespace engine
