// The pictures as the program gets them: from its resources, decoded by the system's own GDI+
// and icon loader, at the sizes the windows are laid out for.
#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "windows/Pictures.h"

using windows::LoadPicture;
using windows::PictureId;

namespace {

enum class Kind { Png, Gif, Ico };

struct Expected {
    PictureId id;
    const char* name;
    Kind kind;
    UINT width;
    UINT height;
};

const Expected kPictures[] = {
    {PictureId::SunnyPicture, "SunnyPicture", Kind::Png, 200, 200},
    {PictureId::CloudyPicture, "CloudyPicture", Kind::Png, 200, 200},
    {PictureId::OvercastPicture, "OvercastPicture", Kind::Png, 134, 134},
    {PictureId::RainPicture, "RainPicture", Kind::Png, 200, 200},
    {PictureId::SnowPicture, "SnowPicture", Kind::Png, 200, 200},
    {PictureId::FrostPicture, "FrostPicture", Kind::Png, 200, 200},
    {PictureId::SandPicture, "SandPicture", Kind::Png, 200, 200},
    {PictureId::FogPicture, "FogPicture", Kind::Png, 200, 200},
    {PictureId::SunnyBackground, "SunnyBackground", Kind::Png, 1691, 923},
    {PictureId::OvercastBackground, "OvercastBackground", Kind::Png, 1691, 923},
    {PictureId::RainBackground, "RainBackground", Kind::Png, 1691, 923},
    {PictureId::SnowBackground, "SnowBackground", Kind::Png, 1691, 923},
    {PictureId::SunnyTrayIcon, "SunnyTrayIcon", Kind::Ico, 200, 200},
    {PictureId::CloudyTrayIcon, "CloudyTrayIcon", Kind::Ico, 200, 200},
    {PictureId::RainTrayIcon, "RainTrayIcon", Kind::Ico, 200, 200},
    {PictureId::SnowTrayIcon, "SnowTrayIcon", Kind::Ico, 200, 200},
    {PictureId::AppTrayIcon, "AppTrayIcon", Kind::Ico, 200, 200},
    {PictureId::AppPicture, "AppPicture", Kind::Png, 200, 200},
    {PictureId::ClothesPicture, "ClothesPicture", Kind::Png, 200, 200},
    {PictureId::UmbrellaPicture, "UmbrellaPicture", Kind::Png, 200, 200},
    {PictureId::AirconPicture, "AirconPicture", Kind::Png, 200, 200},
    {PictureId::MenuGlyph, "MenuGlyph", Kind::Png, 200, 200},
    {PictureId::MinimiseGlyph, "MinimiseGlyph", Kind::Png, 16, 16},
    {PictureId::LoadingAnimation, "LoadingAnimation", Kind::Gif, 32, 32},
    {PictureId::CloseButtonNormal, "CloseButtonNormal", Kind::Png, 30, 30},
    {PictureId::CloseButtonHover, "CloseButtonHover", Kind::Png, 30, 30},
    {PictureId::CloseButtonPressed, "CloseButtonPressed", Kind::Png, 30, 30},
    {PictureId::MaximiseButtonNormal, "MaximiseButtonNormal", Kind::Png, 30, 30},
    {PictureId::MaximiseButtonHover, "MaximiseButtonHover", Kind::Png, 30, 30},
    {PictureId::MaximiseButtonPressed, "MaximiseButtonPressed", Kind::Png, 30, 30},
    {PictureId::RestoreButtonNormal, "RestoreButtonNormal", Kind::Png, 30, 30},
    {PictureId::RestoreButtonHover, "RestoreButtonHover", Kind::Png, 30, 30},
    {PictureId::RestoreButtonPressed, "RestoreButtonPressed", Kind::Png, 30, 30},
    {PictureId::MinimiseButtonNormal, "MinimiseButtonNormal", Kind::Png, 30, 30},
    {PictureId::MinimiseButtonHover, "MinimiseButtonHover", Kind::Png, 30, 30},
    {PictureId::MinimiseButtonPressed, "MinimiseButtonPressed", Kind::Png, 30, 30},
};

const UINT kIconSizes[] = {200, 48, 32, 24, 16};

bool StartsWith(const ByteSet& bytes, const char* magic, size_t length)
{
    return bytes.size() >= length && std::memcmp(bytes.data(), magic, length) == 0;
}

class Pictures : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&s_token, &input, nullptr), Gdiplus::Ok);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(s_token); }

    // Decodes the bytes as the skinned controls do: GDI+ reading from a stream.
    struct Decoded {
        Gdiplus::Status status = Gdiplus::GenericError;
        UINT width = 0;
        UINT height = 0;
        Gdiplus::PixelFormat format = 0;
        UINT frames = 0;
        long loopCount = -1;
    };

    static Decoded Decode(const ByteSet& bytes)
    {
        Decoded result;
        IStream* stream = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
        if (!stream) {
            return result;
        }
        {
            Gdiplus::Bitmap bitmap(stream);
            result.status = bitmap.GetLastStatus();
            if (result.status == Gdiplus::Ok) {
                result.width = bitmap.GetWidth();
                result.height = bitmap.GetHeight();
                result.format = bitmap.GetPixelFormat();
                GUID time = Gdiplus::FrameDimensionTime;
                result.frames = bitmap.GetFrameCount(&time);
                UINT size = bitmap.GetPropertyItemSize(PropertyTagLoopCount);
                if (size >= sizeof(Gdiplus::PropertyItem)) {
                    std::vector<char> buffer(size);
                    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
                    if (bitmap.GetPropertyItem(PropertyTagLoopCount, size, item) == Gdiplus::Ok &&
                        item->length >= 2) {
                        result.loopCount = *static_cast<unsigned short*>(item->value);
                    }
                }
            }
        }
        stream->Release();
        return result;
    }

    static ULONG_PTR s_token;
};

ULONG_PTR Pictures::s_token = 0;

TEST_F(Pictures, EveryPictureDecodesAtItsSize)
{
    for (const Expected& picture : kPictures) {
        SCOPED_TRACE(picture.name);
        ByteSet bytes = LoadPicture(picture.id);
        ASSERT_FALSE(bytes.empty());
        switch (picture.kind) {
        case Kind::Png:
            EXPECT_TRUE(StartsWith(bytes, "\x89PNG\r\n\x1a\n", 8));
            break;
        case Kind::Gif:
            EXPECT_TRUE(StartsWith(bytes, "GIF89a", 6));
            break;
        case Kind::Ico:
            EXPECT_TRUE(StartsWith(bytes, "\0\0\1\0\5\0", 6));
            break;
        }
        Decoded decoded = Decode(bytes);
        ASSERT_EQ(decoded.status, Gdiplus::Ok);
        EXPECT_EQ(decoded.width, picture.width);
        EXPECT_EQ(decoded.height, picture.height);
        if (picture.kind == Kind::Png) {
            EXPECT_TRUE(Gdiplus::IsAlphaPixelFormat(decoded.format));
        }
    }
}

TEST_F(Pictures, LoadingAnimationHasTwelveFramesAndLoops)
{
    Decoded decoded = Decode(LoadPicture(PictureId::LoadingAnimation));
    ASSERT_EQ(decoded.status, Gdiplus::Ok);
    EXPECT_EQ(decoded.frames, 12u);
    EXPECT_EQ(decoded.loopCount, 0) << "0 means for ever";
}

// The animation lies over the window's background, so every frame must come out of GDI+ with
// see-through corners and visible dots.
TEST_F(Pictures, LoadingAnimationFramesAreTransparentAroundTheDots)
{
    ByteSet bytes = LoadPicture(PictureId::LoadingAnimation);
    IStream* stream = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
    ASSERT_NE(stream, nullptr);
    {
        Gdiplus::Bitmap bitmap(stream);
        ASSERT_EQ(bitmap.GetLastStatus(), Gdiplus::Ok);
        GUID time = Gdiplus::FrameDimensionTime;
        for (UINT frame = 0; frame < bitmap.GetFrameCount(&time); ++frame) {
            SCOPED_TRACE(frame);
            ASSERT_EQ(bitmap.SelectActiveFrame(&time, frame), Gdiplus::Ok);
            Gdiplus::Color corner;
            bitmap.GetPixel(0, 0, &corner);
            EXPECT_EQ(corner.GetA(), 0);
            int opaque = 0;
            for (INT y = 0; y < 32; ++y) {
                for (INT x = 0; x < 32; ++x) {
                    Gdiplus::Color pixel;
                    bitmap.GetPixel(x, y, &pixel);
                    opaque += pixel.GetA() == 255;
                }
            }
            EXPECT_GT(opaque, 20);
        }
    }
    stream->Release();
}

TEST(PictureLookup, UnknownIdGivesNoBytes)
{
    EXPECT_TRUE(LoadPicture(static_cast<PictureId>(9999)).empty());
}

// The notification icon is made from one image of the file; every size must make a real icon
// of its own size, with a colour bitmap carrying the alpha channel.
TEST_F(Pictures, EveryTrayIconImageBecomesAnIcon)
{
    for (const Expected& picture : kPictures) {
        if (picture.kind != Kind::Ico) {
            continue;
        }
        SCOPED_TRACE(picture.name);
        ByteSet bytes = LoadPicture(picture.id);
        ASSERT_GE(bytes.size(), 6u + 16u * 5u);
        for (int i = 0; i < 5; ++i) {
            const std::uint8_t* entry = bytes.data() + 6 + 16 * i;
            UINT size = entry[0] ? entry[0] : 256;
            DWORD length = 0;
            DWORD offset = 0;
            std::memcpy(&length, entry + 8, 4);
            std::memcpy(&offset, entry + 12, 4);
            SCOPED_TRACE(size);
            EXPECT_EQ(size, kIconSizes[i]);
            ASSERT_LE(static_cast<size_t>(offset) + length, bytes.size());
            HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(bytes.data() + offset), length,
                                                  TRUE, 0x00030000, 0, 0, 0);
            ASSERT_NE(icon, nullptr);
            ICONINFO info = {};
            ASSERT_TRUE(GetIconInfo(icon, &info));
            BITMAP colour = {};
            ASSERT_NE(info.hbmColor, nullptr);
            GetObjectW(info.hbmColor, sizeof colour, &colour);
            EXPECT_EQ(static_cast<UINT>(colour.bmWidth), size);
            EXPECT_EQ(static_cast<UINT>(colour.bmHeight), size);
            EXPECT_EQ(colour.bmBitsPixel, 32);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
    }
}

TEST(PicturesInProgram, SkyvaneCarriesTheSamePictures)
{
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    ASSERT_GT(length, 0u);
    std::wstring program(path, length);
    program = program.substr(0, program.find_last_of(L"\\/")) + L"\\..\\bin\\Skyvane.exe";
    HMODULE skyvane = LoadLibraryExW(program.c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(skyvane, nullptr) << "build Skyvane.exe first";
    for (const Expected& picture : kPictures) {
        SCOPED_TRACE(picture.name);
        HRSRC found = FindResourceW(skyvane, MAKEINTRESOURCEW(static_cast<int>(picture.id)),
                                    MAKEINTRESOURCEW(10));
        ASSERT_NE(found, nullptr);
        DWORD size = SizeofResource(skyvane, found);
        const auto* data =
            static_cast<const std::uint8_t*>(LockResource(LoadResource(skyvane, found)));
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(ByteSet(data, data + size), LoadPicture(picture.id));
    }
    FreeLibrary(skyvane);
}

} // namespace
