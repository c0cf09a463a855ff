// The engine's copy of a control's stored look: edits by property writes, what it gives back as
// the control's whole data, and how it reads fonts and colours.
#include <gtest/gtest.h>

#include <vector>

#include "engine/Look.h"

using engine::Look;
using engine::StoredDataBuilder;

namespace {

Look Loaded(const StoredDataBuilder& builder)
{
    std::vector<std::uint8_t> block = builder.Block(0);
    Look look;
    look.Load(block.data());
    return look;
}

TEST(EngineLook, EditsKeepTheOtherRecordsAndTheirOrder)
{
    Look look = Loaded(StoredDataBuilder()
                           .Caption(u"10分钟")
                           .Font(12, 0)
                           .Colour(0xFE000000)
                           .Item(u"1小时")
                           .Item(u"30分钟"));
    look.SetText(engine::kTagCaption, 0, u"30分钟");
    look.SetNumber(engine::kTagSelection, 0, 1);
    look.Remove(engine::kTagColour, 0);

    std::vector<std::uint8_t> bytes = look.EngineBytes();
    engine::StoredDataReader reader;
    ASSERT_TRUE(reader.Open(bytes.data(), bytes.size()));
    engine::StoredRecord record;
    std::vector<std::uint16_t> tags;
    while (reader.Next(record)) {
        tags.push_back(record.tag);
        if (record.tag == engine::kTagCaption) {
            EXPECT_TRUE(record.Text() == u"30分钟") << "replaced in place";
        }
    }
    const std::vector<std::uint16_t> expected = {engine::kTagCaption, engine::kTagFont,
                                                 engine::kTagItem, engine::kTagItem,
                                                 engine::kTagSelection};
    EXPECT_EQ(tags, expected);
    EXPECT_EQ(look.Number(engine::kTagSelection), 1u);
}

TEST(EngineLook, ItemsComeInTheirIndexOrder)
{
    Look look;
    look.SetText(engine::kTagItem, 2, u"c");
    look.SetText(engine::kTagItem, 0, u"a");
    look.SetText(engine::kTagItem, 1, u"b");
    EXPECT_EQ(look.Items(), (std::vector<std::u16string>{u"a", u"b", u"c"}));
}

TEST(EngineLook, FontsAndColoursOfASlotWithTheirDefaults)
{
    Look look = Loaded(StoredDataBuilder()
                           .Font(55, engine::kFontBold, u"微软雅黑", 0)
                           .Font(0, 0, u"", 1)
                           .Colour(0x00000000, 0)
                           .Colour(0xFFFFC950, 1));
    engine::FontChoice big = look.Font(0);
    EXPECT_EQ(big.size, 55);
    EXPECT_TRUE(big.bold);
    EXPECT_TRUE(big.face == u"微软雅黑");
    EXPECT_EQ(look.Font(1, 9).size, 9) << "a size of 0 takes the default";
    EXPECT_EQ(look.Font(2, 12).size, 12) << "no record for the slot";

    const struct {
        std::uint16_t slot;
        std::uint32_t drawn;
    } colours[] = {
        {0, 0xFF000000}, // stored without alpha: a plain RGB black, drawn opaque
        {1, 0xFFFFC950},
        {2, 0xFF000000}, // no record
    };
    for (const auto& c : colours) {
        EXPECT_EQ(look.Colour(c.slot), c.drawn) << "slot " << c.slot;
    }
}

TEST(EngineLook, ForeignOrMissingDataLeavesTheLookEmpty)
{
    std::vector<std::uint8_t> foreign = StoredDataBuilder().Caption(u"x").Block(0);
    foreign[8] ^= 0xFF; // the magic
    for (const void* block :
         {static_cast<const void*>(nullptr), static_cast<const void*>(foreign.data())}) {
        Look look;
        look.Load(block);
        EXPECT_EQ(look.Find(engine::kTagCaption), nullptr);
        EXPECT_EQ(look.EngineBytes().size(), engine::kEngineBytesHeadSize);
    }
}

} // namespace
