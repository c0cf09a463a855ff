// HtmlToText on code page 936 text, through the system's conversions.
#include <gtest/gtest.h>

#include "toolkit/HtmlText.h"

using toolkit::HtmlToText;

TEST(HtmlToText, CodePage936InAndOut)
{
    // "<p>*1.0.2*</p><p>=修复&amp;改进=</p><p>-https://s.example/x-</p>" in code page 936.
    const GbkText note = "<p>*1.0.2*</p><p>=\xD0\xDE\xB8\xB4&amp;\xB8\xC4\xBD\xF8=</p>"
                         "<p>-https://s.example/x-</p>";
    EXPECT_EQ(HtmlToText(note),
              "*1.0.2*\r\n\r\n=\xD0\xDE\xB8\xB4&\xB8\xC4\xBD\xF8=\r\n\r\n-https://s.example/x-");
}

TEST(HtmlToText, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(HtmlToText("a&#128512;b&#20013;"), "a?b\xD6\xD0");
    EXPECT_EQ(HtmlToText(""), "");
    EXPECT_EQ(HtmlToText("<script>x</script>"), "");
}
