// The rendered text of HTML fragments, as a browser's outerText gives it.
#include <gtest/gtest.h>

#include <string>

#include "toolkit/HtmlText.h"

using toolkit::HtmlFragmentText;

namespace {

std::string Utf8(const std::u16string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

struct HtmlCase {
    const char16_t* html;
    const char* text; // UTF-8 for readable failures
};

const HtmlCase kCases[] = {
    {u"", ""},
    {u"plain", "plain"},
    {u"  a \n\t b  ", "a b"},
    {u"<p>one</p><p>two</p>", "one\r\n\r\ntwo"},
    {u"<div>one</div><div>two</div>", "one\r\ntwo"},
    {u"a<br>b<br/>c<BR >d", "a\r\nb\r\nc\r\nd"},
    {u"a<br><br>b", "a\r\n\r\nb"},
    {u"<br>a", "\r\na"},
    {u"a <br> b", "a\r\nb"},
    {u"<p>a<br></p><p>b</p>", "a\r\n\r\n\r\nb"},
    // Nested blocks ask for breaks that merge into the largest one.
    {u"<div><div><p>x</p></div></div><div>y</div>", "x\r\n\r\ny"},
    {u"<div> <span>a</span> <b>b</b> </div>", "a b"},
    {u"<ul><li>one</li><li>two <i>2</i></li></ul>after", "one\r\ntwo 2\r\nafter"},
    {u"<h1>T</h1>body<h2>U</h2>", "T\r\nbody\r\nU"},
    {u"<table><tr><td>a</td><td>b</td></tr><tr><th>c</th><td>d</td></tr></table>", "a\tb\r\nc\td"},
    // Inline markup inside a word does not split it.
    {u"in<b>li</b>ne", "inline"},
    {u"a &amp; b &lt;c&gt; &quot;d&quot; &apos;e&apos;", "a & b <c> \"d\" 'e'"},
    {u"&#20013;&#x6587;&#X41;&#65", "中文AA"},
    {u"&#128512;", "\xF0\x9F\x98\x80"},
    {u"&#0;&#xD800;&#x110000;", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    {u"&#150;", "\xE2\x80\x93"},
    {u"&ldquo;x&rdquo; &mdash; &hellip;", "\xE2\x80\x9Cx\xE2\x80\x9D \xE2\x80\x94 \xE2\x80\xA6"},
    // A no-break space is kept (and written as a space), plain spaces around it collapse.
    {u"a&nbsp;&nbsp;b", "a  b"},
    {u"a &nbsp; b", "a   b"},
    {u"&ampx &copy2026 &unknown; & alone &#; &#x;", "&x ©2026 &unknown; & alone &#; &#x;"},
    {u"a<script>document.write('<p>no</p>')</script>b", "ab"},
    {u"a<style type=\"text/css\">p{color:red}</style>b", "ab"},
    {u"a<!-- <p>hidden</p> -->b<!---->c<!-->d", "abcd"},
    {u"<!DOCTYPE html><?xml x?>t", "t"},
    {u"a < b and c<3", "a < b and c<3"},
    {u"<a href=\"x>y\" title='p>q'>link</a>", "link"},
    {u"<pre>\n  keep   this\n  too</pre>x", "  keep   this\r\n  too\r\nx"},
    {u"<p>unterminated <b", "unterminated"},
    {u"<script>never closed", ""},
    {u"<P CLASS=x>Upper</P>Case", "Upper\r\n\r\nCase"},
    {u"<p>版本 <b>更新</b>说明</p>", "版本 更新说明"},
    {u"</p>x</br>y", "x\r\ny"},
    {u"<head><title>t</title></head>body", "body"},
};

TEST(HtmlFragmentText, Table)
{
    for (const HtmlCase& c : kCases) {
        EXPECT_EQ(Utf8(HtmlFragmentText(c.html)), c.text) << Utf8(c.html);
    }
}

// The share note as the note editor of the file-share service stores it: the version, the
// changelog and the link in three paragraphs, with the editor's spans and spacing.
TEST(HtmlFragmentText, ShareNoteKeepsItsThreeFields)
{
    const char16_t* note =
        u"<p style=\"margin:0\"><span style=\"font-size:14px\">*2.3.1*</span></p>\n"
        u"<p>=修复了天气图标不更新的问题；<br>新增&nbsp;空调建议窗口&#12290;=</p>\n"
        u"<p><a href=\"https://share.example/s/AbC\">-https://share.example/s/AbC_x9-</a></p>";
    const std::string text = Utf8(HtmlFragmentText(note));
    EXPECT_EQ(text, "*2.3.1*\r\n\r\n=修复了天气图标不更新的问题；\r\n新增 空调建议窗口。=\r\n\r\n"
                    "-https://share.example/s/AbC_x9-");
}

TEST(HtmlFragmentText, LargeAndHostileInputEnds)
{
    std::u16string html;
    for (int i = 0; i < 20000; ++i) {
        html += u"<div><p>段落&amp;<b";
    }
    EXPECT_LT(HtmlFragmentText(html).size(), html.size());
    std::u16string binary;
    for (int i = 0; i < 70000; ++i) {
        binary.push_back(static_cast<char16_t>(i * 2654435761u >> 16));
    }
    HtmlFragmentText(binary);
}

} // namespace
