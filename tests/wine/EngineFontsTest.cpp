// The engine's font choice: a face the system lacks falls back to one that has the Chinese
// glyphs, so that no caption is left blank.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/Drawing.h"

namespace {

// Whether a GDI font of that face has its own glyph for every character of `text`.
bool HasGlyphs(const std::u16string& face, const std::u16string& text)
{
    LOGFONTW font = {};
    font.lfHeight = -16;
    font.lfCharSet = DEFAULT_CHARSET;
    face.copy(reinterpret_cast<char16_t*>(font.lfFaceName), LF_FACESIZE - 1);
    HFONT handle = CreateFontIndirectW(&font);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, handle);
    std::wstring wide(text.begin(), text.end());
    std::vector<WORD> glyphs(wide.size());
    DWORD done = GetGlyphIndicesW(dc, wide.c_str(), static_cast<int>(wide.size()), glyphs.data(),
                                  GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(handle);
    if (done == GDI_ERROR) {
        return false;
    }
    for (WORD glyph : glyphs) {
        if (glyph == 0xFFFF) {
            return false;
        }
    }
    return true;
}

TEST(EngineFonts, EveryFaceEndsInOneWithChineseGlyphs)
{
    ASSERT_TRUE(engine::EnsureGdiplus());
    for (const std::u16string& face :
         {std::u16string(u"微软雅黑"), std::u16string(u"NoSuchFace"), std::u16string()}) {
        std::u16string resolved = engine::ResolvedFace(face);
        std::string shown(resolved.begin(), resolved.end());
        ASSERT_FALSE(resolved.empty());
        EXPECT_TRUE(HasGlyphs(resolved, u"预警信息刷新数据")) << "fell back to " << shown;
        EXPECT_NE(engine::FontFor({12, true, face}), nullptr);
        EXPECT_EQ(engine::FontFor({12, true, face})->GetLastStatus(), Gdiplus::Ok) << shown;
    }
}

} // namespace
