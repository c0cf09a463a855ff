// The gate in front of the script engine: only whole JSON texts pass.
#include <gtest/gtest.h>

#include <string>

#include "toolkit/JsonText.h"

using toolkit::IsJsonText;
using toolkit::kMaxJsonDepth;

namespace {

struct Case {
    const char16_t* text;
    bool valid;
};

std::u16string Nested(std::size_t depth, char16_t open, char16_t close)
{
    return std::u16string(depth, open) + std::u16string(depth, close);
}

} // namespace

TEST(JsonText, Grammar)
{
    const Case cases[] = {
        // Every kind of value at the top, with whitespace around it.
        {u"{}", true},
        {u"[]", true},
        {u" \t\r\n{ \"a\" : [ 1 , -2.5e+3 , true , false , null , \"x\" ] } \n", true},
        {u"\"text\"", true},
        {u"0", true},
        {u"-0", true},
        {u"1E9", true},
        {u"3.25e-7", true},
        {u"null", true},
        {u"true", true},
        {u"{\"a\":{\"b\":{\"c\":[[],{}]}}}", true},
        {u"\"\\\" \\\\ \\/ \\b \\f \\n \\r \\t \\u00e9 \\uABCD\"", true},
        {u"\"\u4E2D\u6587 \u2400\"", true},
        {u"{\"\":\"\"}", true},
        // Not a whole text.
        {u"", false},
        {u"   ", false},
        {u"{} {}", false},
        {u"[1] x", false},
        {u"{\"a\":1", false},
        {u"[1,2", false},
        {u"\"open", false},
        {u"tru", false},
        {u"nulls", false},
        // What script accepts but JSON does not.
        {u"{a:1}", false},
        {u"{'a':1}", false},
        {u"['a']", false},
        {u"[1,]", false},
        {u"{\"a\":1,}", false},
        {u"[,1]", false},
        {u"01", false},
        {u"+1", false},
        {u".5", false},
        {u"1.", false},
        {u"1e", false},
        {u"0x10", false},
        {u"NaN", false},
        {u"Infinity", false},
        {u"undefined", false},
        {u"\"\\x41\"", false},
        {u"\"\\u12G4\"", false},
        {u"\"\\u12\"", false},
        {u"\"a\\\"", false},
        {u"\"tab\tinside\"", false},
        {u"\"line\nbreak\"", false},
        {u"[1 2]", false},
        {u"{\"a\" 1}", false},
        {u"{\"a\":}", false},
        {u"\u00A0{}", false},
        {u"{}\u3000", false},
        {u"/* c */ {}", false},
        {u"{} // c", false},
    };
    for (const Case& c : cases) {
        std::u16string text = c.text;
        EXPECT_EQ(IsJsonText(text), c.valid) << std::string(text.begin(), text.end());
    }
}

TEST(JsonText, HostileScriptIsRefused)
{
    const char16_t* hostile[] = {
        u"new ActiveXObject('WScript.Shell').Run('calc')",
        u"{\"a\":1}; new ActiveXObject('WScript.Shell')",
        u"{\"a\":(function(){return 1})()}",
        u"{\"a\":f()}",
        u"[1, alert(1)]",
        u"({\"a\":1})",
        u"{\"a\":1}\n;x=1",
        u"\"x\" + y",
        u"{\"a\":\"b\"}/*@cc_on @*/",
        u"{\"a\":1}\u2028x()",
    };
    for (const char16_t* text : hostile) {
        std::u16string value = text;
        EXPECT_FALSE(IsJsonText(value)) << std::string(value.begin(), value.end());
    }
    // An embedded NUL ends nothing: the text goes on and must still be JSON.
    EXPECT_FALSE(IsJsonText(std::u16string(u"{}\0x()", 6)));
    EXPECT_FALSE(IsJsonText(std::u16string(u"[1]\0", 4)));
    EXPECT_FALSE(IsJsonText(std::u16string(u"\"a\0b\"", 5)));
}

TEST(JsonText, NestingDepthIsBounded)
{
    EXPECT_TRUE(IsJsonText(Nested(kMaxJsonDepth, u'[', u']')));
    EXPECT_FALSE(IsJsonText(Nested(kMaxJsonDepth + 1, u'[', u']')));

    std::u16string objects;
    for (std::size_t i = 0; i < kMaxJsonDepth; ++i) {
        objects += u"{\"k\":";
    }
    objects += u"1";
    objects += std::u16string(kMaxJsonDepth, u'}');
    EXPECT_TRUE(IsJsonText(objects));
    EXPECT_FALSE(IsJsonText(u"[" + objects + u"]"));

    // Far past the limit, and unbalanced: refused without running out of stack.
    EXPECT_FALSE(IsJsonText(std::u16string(1000000, u'[')));
    EXPECT_FALSE(IsJsonText(Nested(100000, u'[', u']')));
}

TEST(JsonText, HugeTexts)
{
    std::u16string array = u"[";
    for (int i = 0; i < 200000; ++i) {
        array += u"{\"id\":12345,\"name\":\"\u4E2D\u6587\\n\",\"ok\":true},";
    }
    array += u"null]";
    EXPECT_TRUE(IsJsonText(array));
    array.back() = u',';
    EXPECT_FALSE(IsJsonText(array));

    std::u16string longString = u"\"" + std::u16string(8 * 1024 * 1024, u'x') + u"\"";
    EXPECT_TRUE(IsJsonText(longString));
    EXPECT_FALSE(IsJsonText(longString.substr(0, longString.size() - 1)));
}
