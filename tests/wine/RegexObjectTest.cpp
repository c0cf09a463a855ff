// The regular-expression object over the real VBScript.RegExp under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "toolkit/RegexObject.h"

using toolkit::RegexObject;

namespace {

// "中" and "文" in code page 936, and "#引号".
const char* const kZhong = "\xD6\xD0";
const char* const kWen = "\xCE\xC4";
const char* const kPlaceholder = "#\xD2\xFD\xBA\xC5";

ByteSet Utf16(const wchar_t* text)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text);
    return ByteSet(bytes, bytes + wcslen(text) * sizeof(wchar_t));
}

std::vector<GbkText> AllMatches(RegexObject& regex)
{
    std::vector<GbkText> texts;
    for (std::int32_t i = 1; i <= regex.RegexCount(); ++i) {
        texts.push_back(regex.RegexMatchText(i));
    }
    return texts;
}

} // namespace

TEST(RegexObject, MatchesAndFlags)
{
    using Flag = std::optional<bool>;
    struct Case {
        const char* name;
        GbkText pattern;
        GbkText subject;
        Flag caseSensitive, multiline, global;
        std::vector<GbkText> matches;
    };
    const Case cases[] = {
        {"digits", "\\d", "a1b22", {}, {}, {}, {"1", "2", "2"}},
        {"no match", "\\d", "abc", {}, {}, {}, {}},
        {"case ignored by default", "A", "a", {}, {}, {}, {"a"}},
        {"case sensitive", "A", "a", true, {}, {}, {}},
        {"case sensitive given false", "A", "a", false, {}, {}, {"a"}},
        {"global off", "\\d+", "1 22 333", {}, {}, false, {"1"}},
        {"multiline by default", "^\\w+$", "one\ntwo", {}, {}, {}, {"one", "two"}},
        {"multiline off", "^\\w+$", "one\ntwo", {}, false, {}, {}},
        {"dot stops at a line feed", "a.b", "a\nb axb", {}, {}, {}, {"axb"}},
        {"lazy", "<.+?>", "<a><b>", {}, {}, {}, {"<a>", "<b>"}},
        {"chinese",
         std::string(kZhong) + "+",
         std::string("x") + kZhong + kZhong + "y" + kZhong,
         {},
         {},
         {},
         {std::string(kZhong) + kZhong, kZhong}},
    };
    for (const Case& c : cases) {
        RegexObject regex;
        EXPECT_TRUE(
            regex.RegexExecute(c.pattern, c.subject, c.caseSensitive, c.multiline, c.global))
            << c.name;
        EXPECT_EQ(AllMatches(regex), c.matches) << c.name;
        EXPECT_EQ(regex.RegexMatchText(0), "") << c.name;
        EXPECT_EQ(regex.RegexMatchText(regex.RegexCount() + 1), "") << c.name;
    }
}

TEST(RegexObject, SubMatches)
{
    RegexObject regex;
    ASSERT_TRUE(regex.RegexExecute("(\\w+)=(\\d+)?(;)?", "a=1; b=; cc=33"));
    EXPECT_EQ(regex.RegexCount(), 3);
    EXPECT_EQ(regex.RegexSubMatchCount(), 3);
    EXPECT_EQ(regex.RegexSubMatchText(1, 1), "a");
    EXPECT_EQ(regex.RegexSubMatchText(1, 2), "1");
    EXPECT_EQ(regex.RegexSubMatchText(1, 3), ";");
    // A group that took no part gives the empty text.
    EXPECT_EQ(regex.RegexSubMatchText(2, 2), "");
    EXPECT_TRUE(regex.RegexSubMatch(2, 2).empty());
    EXPECT_EQ(regex.RegexSubMatchText(3, 2), "33");
    EXPECT_EQ(regex.RegexSubMatch(3, 1), Utf16(L"cc"));
    EXPECT_EQ(regex.RegexMatchValue(3), Utf16(L"cc=33"));
    // Numbers outside the collections.
    EXPECT_EQ(regex.RegexSubMatchText(1, 0), "");
    EXPECT_EQ(regex.RegexSubMatchText(1, 4), "");
    EXPECT_EQ(regex.RegexSubMatchText(4, 1), "");
    EXPECT_TRUE(regex.RegexSubMatch(0, 1).empty());
    EXPECT_TRUE(regex.RegexMatchValue(4).empty());

    ASSERT_TRUE(regex.RegexExecute("(x)", "none"));
    EXPECT_EQ(regex.RegexSubMatchCount(), 0);
}

TEST(RegexObject, BytePositions)
{
    struct Case {
        const char* name;
        GbkText pattern;
        GbkText subject;
        std::int32_t match;
        std::int32_t position;
    };
    const std::string zhong = kZhong;
    const Case cases[] = {
        {"at the start", "a", "abc", 1, 0},
        {"behind one chinese character", "a", zhong + "a", 1, 2},
        {"behind mixed text", "\\d+", zhong + "x" + kWen + "12", 1, 5},
        {"second of equal matches behind chinese", "a", zhong + zhong + zhong + "aXa", 2, 8},
        {"chinese match", zhong, "ab" + zhong + kWen + zhong, 2, 6},
        {"after a line feed", "^b", "a\r\n" + zhong + "\nb", 1, 6},
        {"no such match", "a", zhong + "a", 2, 0},
        {"no such match in an empty subject", "a", "", 1, -2},
    };
    for (const Case& c : cases) {
        RegexObject regex;
        ASSERT_TRUE(regex.RegexExecute(c.pattern, c.subject)) << c.name;
        std::int32_t position = -99;
        GbkText text = regex.RegexMatchText(c.match, &position);
        EXPECT_EQ(position, c.position) << c.name;
        if (position >= 0) {
            EXPECT_EQ(c.subject.compare(position, text.size(), text), 0) << c.name;
        }
    }

    RegexObject regex;
    ASSERT_TRUE(regex.RegexExecute(zhong + "(\\d)(" + kWen + ")", "1" + zhong + "2" + kWen));
    std::int32_t position = -99;
    EXPECT_EQ(regex.RegexSubMatchText(1, 1, &position), "2");
    EXPECT_EQ(position, 3);
    EXPECT_EQ(regex.RegexSubMatchText(1, 2, &position), kWen);
    EXPECT_EQ(position, 4);
    EXPECT_EQ(regex.RegexSubMatchText(1, 5, &position), "");
    EXPECT_EQ(position, 1);
}

TEST(RegexObject, QuotePlaceholder)
{
    const std::string pattern =
        std::string(kPlaceholder) + "(/fn\\?[^" + kPlaceholder + "]{10,})" + kPlaceholder;
    const std::string page = "<a href=\"/fn?abcdefghijk\">x</a>";

    RegexObject regex;
    ASSERT_TRUE(regex.RegexExecute(pattern, page, {}, {}, {}, true));
    EXPECT_EQ(regex.RegexGetPattern(), "\"(/fn\\?[^\"]{10,})\"");
    EXPECT_EQ(regex.RegexCount(), 1);
    EXPECT_EQ(regex.RegexSubMatchText(1, 1), "/fn?abcdefghijk");

    // Without the flag (given false or absent) the placeholder is matched as it stands.
    for (std::optional<bool> flag : {std::optional<bool>(false), std::optional<bool>()}) {
        ASSERT_TRUE(regex.RegexExecute(pattern, page, {}, {}, {}, flag));
        EXPECT_EQ(regex.RegexGetPattern(), pattern);
        EXPECT_EQ(regex.RegexCount(), 0);
        const std::string literal = std::string(kPlaceholder) + "/fn?abcdefghijk" + kPlaceholder;
        ASSERT_TRUE(regex.RegexExecute(pattern, literal, {}, {}, {}, flag));
        EXPECT_EQ(regex.RegexCount(), 1);
    }
}

TEST(RegexObject, Replace)
{
    RegexObject regex;
    EXPECT_EQ(regex.RegexReplace("#"), "");
    EXPECT_TRUE(regex.RegexReplaceVariant(Utf16(L"#")).empty());

    ASSERT_TRUE(regex.RegexExecute("\\d", "a1b2"));
    EXPECT_EQ(regex.RegexReplace("#"), "a#b#");
    EXPECT_EQ(regex.RegexReplace(), "ab");
    EXPECT_EQ(regex.RegexReplaceVariant(Utf16(L"#")), Utf16(L"a#b#"));

    ASSERT_TRUE(regex.RegexExecute("(\\w+)@(\\w+)", "me@home, you@work", {}, {}, false));
    EXPECT_EQ(regex.RegexReplace("$2:$1"), "home:me, you@work");

    ASSERT_TRUE(regex.RegexExecute(kZhong, std::string("x") + kZhong + "y" + kZhong));
    EXPECT_EQ(regex.RegexReplace(kWen), std::string("x") + kWen + "y" + kWen);
}

TEST(RegexObject, ByteSubjects)
{
    RegexObject regex;
    ASSERT_TRUE(regex.RegexExecuteBytes("\\d+", Utf16(L"ab12\u4E2D345")));
    EXPECT_EQ(regex.RegexCount(), 2);
    EXPECT_EQ(regex.RegexMatchText(2), "345");
    std::int32_t position = -99;
    regex.RegexMatchText(2, &position);
    EXPECT_EQ(position, 6);
    EXPECT_EQ(regex.RegexReplace("#"), std::string("ab#") + kZhong + "#");

    ASSERT_TRUE(regex.RegexExecuteBytes("x", std::nullopt));
    EXPECT_EQ(regex.RegexCount(), 0);
}

TEST(RegexObject, InvalidPatternsAndUnexecutedObjects)
{
    RegexObject fresh;
    EXPECT_EQ(fresh.RegexCount(), 0);
    EXPECT_EQ(fresh.RegexGetPattern(), "");
    EXPECT_EQ(fresh.RegexMatchText(1), "");
    EXPECT_EQ(fresh.RegexSubMatchCount(), 0);
    std::int32_t position = -99;
    fresh.RegexMatchText(1, &position);
    EXPECT_EQ(position, -2);
    fresh.RegexNothing();

    const char* const invalid[] = {"(", "a)", "[z-a]", "*x", "a{2,1}"};
    for (const char* pattern : invalid) {
        RegexObject regex;
        ASSERT_TRUE(regex.RegexExecute("a", "a"));
        EXPECT_FALSE(regex.RegexExecute(pattern, "aaa")) << pattern;
        EXPECT_EQ(regex.RegexCount(), 0) << pattern;
        EXPECT_EQ(regex.RegexMatchText(1), "") << pattern;
        EXPECT_EQ(regex.RegexSubMatchText(1, 1), "") << pattern;
        EXPECT_EQ(regex.RegexReplace("#"), "") << pattern;
        // Usable again afterwards.
        EXPECT_TRUE(regex.RegexExecute("a", "a")) << pattern;
        EXPECT_EQ(regex.RegexCount(), 1) << pattern;
    }
}

TEST(RegexObject, CopiesAndComBalance)
{
    std::thread([] {
        {
            auto regex = std::make_unique<RegexObject>();
            ASSERT_TRUE(regex->RegexExecute("\\d", "a1b2"));
            std::unique_ptr<RegexObject> copy = regex->RegexObjectCopy();
            regex->RegexObjectDestroy();
            regex.reset();
            EXPECT_EQ(copy->RegexCount(), 2);
            EXPECT_EQ(copy->RegexReplace("#"), "a#b#");
            copy->RegexObjectDestroy();
            EXPECT_EQ(copy->RegexCount(), 0);
        }
        HRESULT result = CoInitialize(nullptr);
        CoUninitialize();
        EXPECT_EQ(result, S_OK);
    }).join();
}
