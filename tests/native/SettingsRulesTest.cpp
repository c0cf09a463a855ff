// The settings window's choices as stored texts and back.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "tests/support/GbkLiteral.h"
#include "windows/SettingsRules.h"

using namespace windows;
using testsupport::Gbk;

namespace {

TEST(RefreshInterval, StoredForEachComboItemWhenAutoRefreshIsTicked)
{
    EXPECT_EQ(IntervalToStore(true, 0), "3600000");
    EXPECT_EQ(IntervalToStore(true, 1), "1800000");
    EXPECT_EQ(IntervalToStore(true, 2), "600000");
    EXPECT_EQ(IntervalToStore(true, 3), "300000");
    EXPECT_EQ(IntervalToStore(true, -1), "3600000") << "nothing selected takes the first item";
}

TEST(RefreshInterval, NothingStoredForASelectionWithoutItem)
{
    EXPECT_EQ(IntervalToStore(true, 4), std::nullopt);
    EXPECT_EQ(IntervalToStore(true, -2), std::nullopt);
}

TEST(RefreshInterval, ZeroWhenAutoRefreshIsNotTickedWhateverTheCombo)
{
    for (int32_t selection : {-2, -1, 0, 3, 4}) {
        EXPECT_EQ(IntervalToStore(false, selection), "0") << selection;
    }
}

TEST(RefreshInterval, ShownSelectionOfEachStoredValue)
{
    EXPECT_EQ(SelectionForInterval("0"), -1);
    EXPECT_EQ(SelectionForInterval("3600000"), 0);
    EXPECT_EQ(SelectionForInterval("1800000"), 1);
    EXPECT_EQ(SelectionForInterval("600000"), 2);
    EXPECT_EQ(SelectionForInterval("300000"), 3);
    for (const char* other : {"", "60000", " 300000", "0300000", "3600000 "}) {
        EXPECT_EQ(SelectionForInterval(other), std::nullopt) << '"' << other << '"';
    }
}

TEST(RemoveSpaces, DropsAsciiAndFullWidthSpacesOnly)
{
    EXPECT_EQ(RemoveSpaces(Gbk(" 广 东　省 ")), Gbk("广东省"));
    EXPECT_EQ(RemoveSpaces(Gbk("　　")), "");
    EXPECT_EQ(RemoveSpaces("   "), "");
    EXPECT_EQ(RemoveSpaces("a\tb"), "a\tb") << "tabs stay";
    EXPECT_EQ(RemoveSpaces(""), "");
}

TEST(RemoveSpaces, NeverJoinsTwoCharactersIntoASpace)
{
    // 啊 (B0 A1) followed by 、 (A1 A2): the bytes A1 A1 in the middle belong to two characters.
    const std::string text = "\xB0\xA1\xA1\xA2";
    EXPECT_EQ(RemoveSpaces(text), text);
    // 啊 then a full-width space then 啊.
    EXPECT_EQ(RemoveSpaces("\xB0\xA1\xA1\xA1\xB0\xA1"), "\xB0\xA1\xB0\xA1");
}

TEST(RemoveSpaces, KeepsALoneLeadByteAtTheEnd)
{
    EXPECT_EQ(RemoveSpaces("a \xA1"), "a\xA1");
}

TEST(CityToStore, AppendsTheCityWordOnlyWhenMissing)
{
    EXPECT_EQ(CityToStore(Gbk("珠海")), Gbk("珠海市"));
    EXPECT_EQ(CityToStore(Gbk("珠海市")), Gbk("珠海市"));
    EXPECT_EQ(CityToStore(Gbk("市中区")), Gbk("市中区")) << "found anywhere";
    EXPECT_EQ(CityToStore(""), Gbk("市"));
}

} // namespace
