#pragma once
// The application's pictures, carried as resources of the program (assets/Pictures.rc). Each
// is one whole file: PNG (8-bit RGBA), GIF or ICO, handed to the skinned controls and the
// notification-area icon unchanged.

#include "toolkit/Types.h"
#include "windows/PictureIds.h"

namespace windows {

enum class PictureId : int {
    SunnyPicture = IDR_SUNNY_PICTURE,       // PNG 200x200, for "晴"
    CloudyPicture = IDR_CLOUDY_PICTURE,     // PNG 200x200, for "多云"
    OvercastPicture = IDR_OVERCAST_PICTURE, // PNG 134x134, for "阴"
    RainPicture = IDR_RAIN_PICTURE,         // PNG 200x200, for "雨"
    SnowPicture = IDR_SNOW_PICTURE,         // PNG 200x200, for "雪"
    FrostPicture = IDR_FROST_PICTURE,       // PNG 200x200, for "霜"
    SandPicture = IDR_SAND_PICTURE,         // PNG 200x200, for "沙"
    FogPicture = IDR_FOG_PICTURE,           // PNG 200x200, for "雾"

    // PNG 1691x923. The sunny one is also the stored background of every window skin but
    // the alarm notice's.
    SunnyBackground = IDR_SUNNY_BACKGROUND,
    OvercastBackground = IDR_OVERCAST_BACKGROUND,
    RainBackground = IDR_RAIN_BACKGROUND,
    SnowBackground = IDR_SNOW_BACKGROUND,

    // ICO files, each with uncompressed 32-bit images of 200, 48, 32, 24 and 16 pixels.
    SunnyTrayIcon = IDR_SUNNY_TRAY_ICON,
    CloudyTrayIcon = IDR_CLOUDY_TRAY_ICON,
    RainTrayIcon = IDR_RAIN_TRAY_ICON,
    SnowTrayIcon = IDR_SNOW_TRAY_ICON,
    AppTrayIcon = IDR_APP_TRAY_ICON,

    AppPicture = IDR_APP_PICTURE,             // PNG 200x200, about and settings windows
    ClothesPicture = IDR_CLOTHES_PICTURE,     // PNG 200x200, 穿衣建议图片
    UmbrellaPicture = IDR_UMBRELLA_PICTURE,   // PNG 200x200, 雨伞图片
    AirconPicture = IDR_AIRCON_PICTURE,       // PNG 200x200, 空调建议图片
    MenuGlyph = IDR_MENU_GLYPH,               // PNG 200x200, 图片按钮EX1
    MinimiseGlyph = IDR_MINIMISE_GLYPH,       // PNG 16x16, 图片按钮EX2
    LoadingAnimation = IDR_LOADING_ANIMATION, // GIF 32x32, 12 frames, looping
    // Title-button states of the window skin, PNG 30x30 each. The maximise button has six:
    // its own three and the three of the restore button it turns into.
    CloseButtonNormal = IDR_CLOSE_BUTTON_NORMAL,
    CloseButtonHover = IDR_CLOSE_BUTTON_HOVER,
    CloseButtonPressed = IDR_CLOSE_BUTTON_PRESSED,
    MaximiseButtonNormal = IDR_MAXIMISE_BUTTON_NORMAL,
    MaximiseButtonHover = IDR_MAXIMISE_BUTTON_HOVER,
    MaximiseButtonPressed = IDR_MAXIMISE_BUTTON_PRESSED,
    RestoreButtonNormal = IDR_RESTORE_BUTTON_NORMAL,
    RestoreButtonHover = IDR_RESTORE_BUTTON_HOVER,
    RestoreButtonPressed = IDR_RESTORE_BUTTON_PRESSED,
    MinimiseButtonNormal = IDR_MINIMISE_BUTTON_NORMAL,
    MinimiseButtonHover = IDR_MINIMISE_BUTTON_HOVER,
    MinimiseButtonPressed = IDR_MINIMISE_BUTTON_PRESSED,
};

// A copy of the picture's file bytes from the running program's resources. Returns the empty
// set when the program was linked without them.
ByteSet LoadPicture(PictureId id);

} // namespace windows
