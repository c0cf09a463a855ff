// The stored look of a skinned control: what a template writes must read back the same in the
// engine, and damaged bytes must not be read past their end.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/StoredData.h"

using engine::StoredDataBuilder;
using engine::StoredDataReader;
using engine::StoredRecord;

namespace {

std::vector<StoredRecord> ReadAll(const std::vector<std::uint8_t>& block)
{
    StoredDataReader reader;
    std::vector<StoredRecord> records;
    if (!reader.OpenBlock(block.data(), block.size())) {
        return records;
    }
    StoredRecord record;
    while (reader.Next(record)) {
        records.push_back(record);
    }
    return records;
}

TEST(StoredData, BlockRoundTrip)
{
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 1, 2, 3};
    StoredDataBuilder builder;
    builder.Caption(u"刷新数据")
        .Font(55, engine::kFontBold)
        .Colour(0xFFFFFFFF)
        .Cursor(engine::kCursorHand)
        .Skin(u"veneer默认窗口皮肤", u"Clean")
        .Picture(engine::kPictureMain, png)
        .Item(u"1小时")
        .Item(u"30分钟")
        .Selection(-1)
        .Checked(true);
    std::vector<std::uint8_t> block = builder.Block(3);

    std::uint32_t head = 0;
    std::memcpy(&head, block.data(), 4);
    EXPECT_EQ(head, 12u);
    EXPECT_EQ(engine::StoredPageNumber(block.data()), 3u);

    std::vector<StoredRecord> records = ReadAll(block);
    ASSERT_EQ(records.size(), 11u);
    EXPECT_EQ(records[0].tag, engine::kTagCaption);
    EXPECT_EQ(records[0].Text(), u"刷新数据");
    EXPECT_EQ(records[1].tag, engine::kTagFont);
    EXPECT_EQ(static_cast<std::int32_t>(records[1].U32(0)), 55);
    EXPECT_EQ(records[1].U32(4), engine::kFontBold);
    EXPECT_EQ(records[1].Text(8), u"微软雅黑");
    EXPECT_EQ(records[2].U32(), 0xFFFFFFFFu);
    EXPECT_EQ(records[3].U32(), 32649u);
    EXPECT_EQ(records[4].Text(), u"veneer默认窗口皮肤");
    EXPECT_EQ(records[5].slot, 1);
    EXPECT_EQ(records[5].Text(), u"Clean");
    EXPECT_EQ(records[6].tag, engine::kTagPicture);
    EXPECT_EQ(std::vector<std::uint8_t>(records[6].body, records[6].body + records[6].size), png);
    EXPECT_EQ(records[7].slot, 0);
    EXPECT_EQ(records[8].slot, 1);
    EXPECT_EQ(records[8].Text(), u"30分钟");
    EXPECT_EQ(static_cast<std::int32_t>(records[9].U32()), -1);
    EXPECT_EQ(records[10].U32(), 1u);

    // The engine's bytes alone read the same without their head words.
    std::vector<std::uint8_t> bytes = builder.EngineBytes();
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), block.begin() + 8));
}

TEST(StoredData, RejectsForeignAndDamagedData)
{
    std::vector<std::uint8_t> good = StoredDataBuilder().Caption(u"abc").Block();
    StoredDataReader reader;

    std::vector<std::uint8_t> foreign = good;
    foreign[8] ^= 0xFF; // magic
    EXPECT_FALSE(reader.OpenBlock(foreign.data(), foreign.size()));

    std::vector<std::uint8_t> newer = good;
    newer[12] = engine::kStoredDataVersion + 1;
    EXPECT_FALSE(reader.OpenBlock(newer.data(), newer.size()));

    // A length beyond what the caller knows is there.
    EXPECT_FALSE(reader.OpenBlock(good.data(), good.size() - 1));
    EXPECT_FALSE(reader.OpenBlock(good.data(), 10));
    EXPECT_FALSE(reader.OpenBlock(nullptr));

    // A record that claims more bytes than its block holds ends the walk.
    std::vector<std::uint8_t> longRecord = good;
    longRecord[8 + 12 + 4] = 0x7F;
    ASSERT_TRUE(reader.OpenBlock(longRecord.data(), longRecord.size()));
    StoredRecord record;
    EXPECT_FALSE(reader.Next(record));

    EXPECT_EQ(ReadAll(StoredDataBuilder().Block()).size(), 0u);
    EXPECT_EQ(engine::StoredPageNumber(nullptr), 0u);
}

TEST(StoredData, SkipsUnknownRecords)
{
    const std::uint8_t body[] = {1, 2, 3};
    std::vector<std::uint8_t> block =
        StoredDataBuilder().Record(200, 0, body, sizeof body).Checked(true).Block();
    std::vector<StoredRecord> records = ReadAll(block);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].tag, engine::kTagChecked);
    EXPECT_EQ(records[1].U32(), 1u);
}

} // namespace
