#pragma once
// Resource numbers of the application's pictures. Plain macros because assets/Pictures.rc,
// which the resource compiler reads, includes this file too; C++ code uses windows::PictureId.

// Weather pictures (PNG 200x200; the overcast one 134x134).
#define IDR_SUNNY_PICTURE 101
#define IDR_CLOUDY_PICTURE 102
#define IDR_OVERCAST_PICTURE 103
#define IDR_RAIN_PICTURE 104
#define IDR_SNOW_PICTURE 105
#define IDR_FROST_PICTURE 106
#define IDR_SAND_PICTURE 107
#define IDR_FOG_PICTURE 108

// Window backgrounds (PNG 1691x923).
#define IDR_SUNNY_BACKGROUND 121
#define IDR_OVERCAST_BACKGROUND 122
#define IDR_RAIN_BACKGROUND 123
#define IDR_SNOW_BACKGROUND 124

// Notification-area icons (ICO, images of 200, 48, 32, 24 and 16 pixels).
#define IDR_SUNNY_TRAY_ICON 141
#define IDR_CLOUDY_TRAY_ICON 142
#define IDR_RAIN_TRAY_ICON 143
#define IDR_SNOW_TRAY_ICON 144
#define IDR_APP_TRAY_ICON 145

// Pictures of the main, about and settings windows.
#define IDR_APP_PICTURE 161
#define IDR_CLOTHES_PICTURE 162
#define IDR_UMBRELLA_PICTURE 163
#define IDR_AIRCON_PICTURE 164
#define IDR_MENU_GLYPH 165
#define IDR_MINIMISE_GLYPH 166
#define IDR_LOADING_ANIMATION 167

// Title-button state pictures of the window skin (PNG 30x30).
#define IDR_CLOSE_BUTTON_NORMAL 181
#define IDR_CLOSE_BUTTON_HOVER 182
#define IDR_CLOSE_BUTTON_PRESSED 183
#define IDR_MAXIMISE_BUTTON_NORMAL 184
#define IDR_MAXIMISE_BUTTON_HOVER 185
#define IDR_MAXIMISE_BUTTON_PRESSED 186
#define IDR_RESTORE_BUTTON_NORMAL 187
#define IDR_RESTORE_BUTTON_HOVER 188
#define IDR_RESTORE_BUTTON_PRESSED 189
#define IDR_MINIMISE_BUTTON_NORMAL 190
#define IDR_MINIMISE_BUTTON_HOVER 191
#define IDR_MINIMISE_BUTTON_PRESSED 192
