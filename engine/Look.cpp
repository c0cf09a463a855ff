#include "engine/Look.h"

#include <algorithm>

namespace engine {

void Look::Load(const void* block)
{
    m_records.clear();
    StoredDataReader reader;
    if (!reader.OpenBlock(block)) {
        return;
    }
    StoredRecord record;
    while (reader.Next(record)) {
        m_records.push_back({record.tag, record.slot,
                             std::vector<std::uint8_t>(record.body, record.body + record.size)});
    }
}

const LookRecord* Look::Find(std::uint16_t tag, std::uint16_t slot) const
{
    for (const LookRecord& record : m_records) {
        if (record.tag == tag && record.slot == slot) {
            return &record;
        }
    }
    return nullptr;
}

std::u16string Look::Text(std::uint16_t tag, std::uint16_t slot) const
{
    const LookRecord* record = Find(tag, slot);
    if (record == nullptr) {
        return {};
    }
    StoredRecord view{record->tag, record->slot, record->body.data(), record->body.size()};
    return view.Text();
}

std::optional<std::uint32_t> Look::Number(std::uint16_t tag, std::uint16_t slot) const
{
    const LookRecord* record = Find(tag, slot);
    if (record == nullptr || record->body.size() < 4) {
        return std::nullopt;
    }
    return stored_detail::GetU32(record->body.data());
}

void Look::Set(std::uint16_t tag, std::uint16_t slot, const std::uint8_t* body, std::size_t size)
{
    std::vector<std::uint8_t> bytes(body, body + size);
    for (LookRecord& record : m_records) {
        if (record.tag == tag && record.slot == slot) {
            record.body = std::move(bytes);
            return;
        }
    }
    m_records.push_back({tag, slot, std::move(bytes)});
}

void Look::SetText(std::uint16_t tag, std::uint16_t slot, std::u16string_view text)
{
    std::vector<std::uint8_t> body;
    stored_detail::PutText(body, text);
    Set(tag, slot, body.data(), body.size());
}

void Look::SetNumber(std::uint16_t tag, std::uint16_t slot, std::uint32_t value)
{
    std::vector<std::uint8_t> body;
    stored_detail::PutU32(body, value);
    Set(tag, slot, body.data(), body.size());
}

void Look::Remove(std::uint16_t tag, std::uint16_t slot)
{
    std::erase_if(m_records, [&](const LookRecord& record) {
        return record.tag == tag && record.slot == slot;
    });
}

std::vector<std::u16string> Look::Items() const
{
    std::vector<const LookRecord*> items;
    for (const LookRecord& record : m_records) {
        if (record.tag == kTagItem) {
            items.push_back(&record);
        }
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const LookRecord* a, const LookRecord* b) { return a->slot < b->slot; });
    std::vector<std::u16string> texts;
    for (const LookRecord* record : items) {
        texts.push_back(Text(kTagItem, record->slot));
    }
    return texts;
}

std::vector<std::uint8_t> Look::EngineBytes() const
{
    StoredDataBuilder builder;
    for (const LookRecord& record : m_records) {
        builder.Record(record.tag, record.slot, record.body.data(), record.body.size());
    }
    return builder.EngineBytes();
}

FontChoice Look::Font(std::uint16_t slot, std::int32_t defaultSize) const
{
    FontChoice font;
    font.size = defaultSize;
    const LookRecord* record = Find(kTagFont, slot);
    if (record == nullptr) {
        return font;
    }
    StoredRecord view{record->tag, record->slot, record->body.data(), record->body.size()};
    auto size = static_cast<std::int32_t>(view.U32(0));
    if (size > 0) {
        font.size = size;
    }
    font.bold = (view.U32(4) & kFontBold) != 0;
    font.face = view.Text(8);
    return font;
}

std::uint32_t Look::Colour(std::uint16_t slot, std::uint32_t fallback) const
{
    return DrawnColour(Number(kTagColour, slot).value_or(fallback));
}

} // namespace engine
