#include "windows/Templates.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "engine/StoredData.h"
#include "toolkit/CodePage.h"
#include "windows/Handlers.h"
#include "windows/Pictures.h"

namespace windows {
namespace {

using namespace framework;

// Type codes of the skinned controls: the binding is library 3, the number the slot plus one.
constexpr UnitTypeCode kWindowEx = 0x30001;
constexpr UnitTypeCode kPictureBoxEx = 0x30005;
constexpr UnitTypeCode kLabelEx = 0x30006;
constexpr UnitTypeCode kButtonEx = 0x30007;
constexpr UnitTypeCode kImagebuttonEx = 0x30008;
constexpr UnitTypeCode kChoiceboxEx = 0x3000C;
constexpr UnitTypeCode kComboboxEx = 0x30011;

constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kBlack = 0xFE000000;
constexpr std::uint32_t kClear = 0x00000000;
constexpr std::uint32_t kAlarmOrange = 0xFFFFC950;

constexpr std::uint32_t kHand = engine::kCursorHand;
constexpr std::uint32_t kArrow = engine::kCursorArrow;
constexpr std::uint32_t kBold = engine::kFontBold;

// Skin names, code page 936.
constexpr char kButtonSkin[] = "\xC4\xAC\xC8\xCF\xC6\xA4\xB7\xF4\xB0\xB4\xC5\xA5"; // 默认皮肤按钮
constexpr char kImageButtonSkin[] = "VENEER\xC4\xAC\xC8\xCF\xC6\xA4\xB7\xF4_"
                                    "\xCD\xBC\xC6\xAC\xB0\xB4\xC5\xA5"; // VENEER默认皮肤_图片按钮
constexpr char kPictureBoxSkin[] =
    "Veneer\xC4\xAC\xC8\xCF\xC6\xA4\xB7\xF4_\xCD\xBC\xC6\xAC\xBF\xF2"; // Veneer默认皮肤_图片框
constexpr char kWindowSkin[] =
    "veneer\xC4\xAC\xC8\xCF\xB4\xB0\xBF\xDA\xC6\xA4\xB7\xF4"; // veneer默认窗口皮肤
constexpr char kCleanVariant[] = "Clean";
constexpr char kFontFace[] = "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA"; // 微软雅黑

// How a unit's stored look is written; a kind reads only the fields it needs.
enum class LookKind {
    None,          // framework units: the window, the timer, menu items
    Label,         // caption, font, colour, cursor when given
    Button,        // caption, font, colour, the button skin
    CloseButton,   // "×" in white on the button skin, with the hand
    ImageButton,   // the hand, the image-button skin and a glyph
    Picture,       // the picture-box skin, a picture when given, cursor when given
    Choice,        // caption in white, not ticked
    IntervalCombo, // the refresh intervals
    WindowSkin,    // the window skin with its background and title buttons
    BareWindowSkin // the same without a background (the alarm notice lies on no weather)
};

struct Look {
    LookKind kind = LookKind::None;
    const char* caption = "";
    std::int32_t fontSize = 0;
    std::uint32_t fontFlags = 0;
    std::uint32_t colour = kClear;
    std::uint32_t cursor = 0;
    std::optional<PictureId> picture = std::nullopt;
};

// A unit as the tables write it: the template without its engine data, and the look that data
// is built from at start (the pictures live in the program's resources).
struct UnitRow {
    UnitTemplate unit = {};
    Look look = {};
};

struct WindowRow {
    WindowTemplate window = {};
    std::span<const UnitRow> units = {};
};

// ---- window properties -------------------------------------------------------------------------

// The window properties of the main window, the alarm detail and the about window. The settings
// and advice windows store none: the framework's defaults are theirs.
constexpr StoredProperty kPlainWindowProperties[] = {
    {windowprop::kBorderStyle, 2},
    {windowprop::kBackgroundColour, static_cast<std::int32_t>(0xFF000000u)},
    {12, 1},
    {14, 0},
    {windowprop::kControlBox, 1},
    {windowprop::kMaximiseBox, 0},
    {windowprop::kMinimiseBox, 1},
    {windowprop::kPosition, 1},
    {windowprop::kMovable, 1},
    {21, 0},
    {22, 0},
    {23, 0},
    {25, 0},
    {windowprop::kInTaskbar, 1},
    {27, 0},
    {28, 0},
    {windowprop::kAlwaysOnTop, 0},
    {30, 0},
};

// The alarm notice stays where it is put, above everything and out of the taskbar.
constexpr StoredProperty kNoticeWindowProperties[] = {
    {windowprop::kBorderStyle, 2},
    {windowprop::kBackgroundColour, static_cast<std::int32_t>(0xFF000000u)},
    {12, 1},
    {14, 0},
    {windowprop::kControlBox, 1},
    {windowprop::kMaximiseBox, 0},
    {windowprop::kMinimiseBox, 1},
    {windowprop::kPosition, 1},
    {windowprop::kMovable, 0},
    {21, 0},
    {22, 0},
    {23, 0},
    {25, 0},
    {windowprop::kInTaskbar, 0},
    {27, 0},
    {28, 0},
    {windowprop::kAlwaysOnTop, 1},
    {30, 1},
};

constexpr StoredProperty kStoppedTimer[] = {{kTimerInterval, 0}};

// ---- looks shared by several windows ------------------------------------------------------------

constexpr Look kCloseButtonLook = {.kind = LookKind::CloseButton};
constexpr Look kWindowSkinLook = {.kind = LookKind::WindowSkin};

constexpr const char* kCloseButtonName = "\xB0\xB4\xC5\xA5"
                                         "EX1"; // 按钮EX1
constexpr const char* kWindowSkinName = "\xB4\xB0\xBF\xDA"
                                        "EX1"; // 窗口EX1

template <EventHandler handler> constexpr EventBinding kOnAction[] = {{0, handler}};
template <EventHandler handler> constexpr EventBinding kOnCreated[] = {{kEventCreated, handler}};
template <EventHandler handler> constexpr EventBinding kOnDoubleClick[] = {{6, handler}};

constexpr UnitRow WindowSkinRow(UnitId id, Look look = kWindowSkinLook)
{
    return {.unit = {.id = id,
                     .type = kWindowEx,
                     .name = kWindowSkinName,
                     .left = 4,
                     .top = 4,
                     .width = 24,
                     .height = 24},
            .look = look};
}

// ---- MainWindow
// ----------------------------------------------------------------------------------

constexpr EventBinding kMainWindowEvents[] = {
    {kEventFirstActivation, OnMainFirstActivate},
    {kEventCloseQuery, OnMainQueryClose},
    {kEventDestroying, OnMainDestroy},
    {kEventTrayIcon, OnMainTrayEvent},
};

namespace mu = mainunits;

// The menu items stand between the advice pictures and the menu button, as the pop-ups were
// added there.
constexpr UnitRow kMainUnits[] = {
    {.unit = {.id = mu::MinimiseButton,
              .type = kImagebuttonEx,
              .name = "\xCD\xBC\xC6\xAC\xB0\xB4\xC5\xA5"
                      "EX2", // 图片按钮EX2
              .left = 693,
              .top = 10,
              .width = 16,
              .height = 16,
              .events = kOnAction<OnMinimiseClick>},
     .look = {.kind = LookKind::ImageButton, .picture = PictureId::MinimiseGlyph}},
    {.unit = {.id = mu::AutoRefreshTimer,
              .type = kTypeTimer,
              .name = "\xD7\xD4\xB6\xAF\xCB\xA2\xD0\xC2", // 自动刷新
              .left = 16,
              .top = 8,
              .width = 26,
              .height = 26,
              .properties = kStoppedTimer,
              .events = kOnAction<OnAutoRefreshTimer>}},
    {.unit = {.id = mu::ClothesLabel,
              .type = kLabelEx,
              .name = "\xBD\xA8\xD2\xE9"
                      "3", // 建议3
              .left = 125,
              .top = 326,
              .width = 55,
              .height = 26,
              .visible = false},
     .look = {.kind = LookKind::Label,
              .caption = "\xB4\xA9\xD2\xC2\xBD\xA8\xD2\xE9", // 穿衣建议
              .fontSize = 12,
              .colour = kBlack}},
    {.unit = {.id = mu::UmbrellaLabel,
              .type = kLabelEx,
              .name = "\xBD\xA8\xD2\xE9"
                      "2", // 建议2
              .left = 204,
              .top = 326,
              .width = 55,
              .height = 26,
              .visible = false},
     .look = {.kind = LookKind::Label,
              .caption = "\xD3\xEA\xC9\xA1", // 雨伞
              .fontSize = 12,
              .colour = kBlack}},
    {.unit = {.id = mu::AirconLabel,
              .type = kLabelEx,
              .name = "\xBD\xA8\xD2\xE9", // 建议
              .left = 45,
              .top = 326,
              .width = 55,
              .height = 26,
              .visible = false},
     .look = {.kind = LookKind::Label,
              .caption = "\xBF\xD5\xB5\xF7\xBD\xA8\xD2\xE9", // 空调建议
              .fontSize = 12,
              .colour = kBlack}},
    {.unit = {.id = mu::ClothesPicture,
              .type = kPictureBoxEx,
              .name = "\xB4\xA9\xD2\xC2\xBD\xA8\xD2\xE9\xCD\xBC\xC6\xAC", // 穿衣建议图片
              .left = 128,
              .top = 272,
              .width = 50,
              .height = 50,
              .visible = false,
              .events = kOnAction<OnClothesPictureClick>},
     .look = {.kind = LookKind::Picture, .cursor = kHand, .picture = PictureId::ClothesPicture}},
    {.unit = {.id = mu::UmbrellaPicture,
              .type = kPictureBoxEx,
              .name = "\xD3\xEA\xC9\xA1\xCD\xBC\xC6\xAC", // 雨伞图片
              .left = 210,
              .top = 272,
              .width = 50,
              .height = 50,
              .visible = false,
              .events = kOnAction<OnUmbrellaPictureClick>},
     .look = {.kind = LookKind::Picture, .cursor = kHand, .picture = PictureId::UmbrellaPicture}},
    {.unit = {.id = mu::AirconPicture,
              .type = kPictureBoxEx,
              .name = "\xBF\xD5\xB5\xF7\xBD\xA8\xD2\xE9\xCD\xBC\xC6\xAC", // 空调建议图片
              .left = 48,
              .top = 272,
              .width = 50,
              .height = 50,
              .visible = false,
              .events = kOnAction<OnAirconPictureClick>},
     .look = {.kind = LookKind::Picture, .cursor = kHand, .picture = PictureId::AirconPicture}},
    {.unit = {.id = mu::MainMenu,
              .type = kTypeMenuItem,
              .name = "MainMenu",
              .level = 0,
              .hidden = true,
              .caption = "a"}},
    {.unit = {.id = mu::MenuSettings,
              .type = kTypeMenuItem,
              .name = "\xC9\xE8\xD6\xC3", // 设置
              .level = 1,
              .caption = "\xC9\xE8\xD6\xC3",
              .events = kOnAction<OnMainMenuSettings>}},
    {.unit = {.id = mu::MenuAbout,
              .type = kTypeMenuItem,
              .name = "\xB9\xD8\xD3\xDA", // 关于
              .level = 1,
              .caption = "\xB9\xD8\xD3\xDA",
              .events = kOnAction<OnMainMenuAbout>}},
    {.unit = {.id = mu::TrayMenu,
              .type = kTypeMenuItem,
              .name = "TrayMenu",
              .level = 0,
              .hidden = true,
              .caption = "\xCD\xD0\xC5\xCC\xB5\xAF\xB3\xF6\xB2\xCB\xB5\xA5"}}, // 托盘弹出菜单
    {.unit = {.id = mu::TrayMenuOpenMain,
              .type = kTypeMenuItem,
              .name = "\xB4\xF2\xBF\xAA\xD6\xF7\xBD\xE7\xC3\xE6", // 打开主界面
              .level = 1,
              .caption = "\xB4\xF2\xBF\xAA\xD6\xF7\xBD\xE7\xC3\xE6",
              .events = kOnAction<OnTrayMenuOpenMain>}},
    {.unit = {.id = mu::TrayMenuQuit,
              .type = kTypeMenuItem,
              .name = "\xB3\xB9\xB5\xD7\xCD\xCB\xB3\xF6", // 彻底退出
              .level = 1,
              .caption = "\xB3\xB9\xB5\xD7\xCD\xCB\xB3\xF6",
              .events = kOnAction<OnTrayMenuQuit>}},
    {.unit = {.id = mu::MenuButton,
              .type = kImagebuttonEx,
              .name = "\xCD\xBC\xC6\xAC\xB0\xB4\xC5\xA5"
                      "EX1", // 图片按钮EX1
              .left = 720,
              .top = 10,
              .width = 16,
              .height = 16,
              .events = kOnAction<OnMenuButtonClick>},
     .look = {.kind = LookKind::ImageButton, .picture = PictureId::MenuGlyph}},
    {.unit = {.id = mu::AreaTimeLabel,
              .type = kLabelEx,
              .name = "\xC7\xF8\xD3\xF2\xCA\xB1\xBC\xE4", // 区域时间
              .left = 12,
              .top = 385,
              .width = 284,
              .height = 18,
              .visible = false},
     .look = {.kind = LookKind::Label, .fontSize = 10, .colour = kClear}},
    {.unit = {.id = mu::RefreshButton,
              .type = kButtonEx,
              .name = "\xCB\xA2\xD0\xC2", // 刷新
              .left = 200,
              .top = 171,
              .width = 119,
              .height = 22,
              .visible = false,
              .events = kOnAction<OnRefreshButtonClick>},
     .look = {.kind = LookKind::Button,
              .caption = "\xCB\xA2\xD0\xC2\xCA\xFD\xBE\xDD", // 刷新数据
              .fontSize = 12,
              .colour = kBlack}},
    {.unit = {.id = mu::AlarmButton,
              .type = kButtonEx,
              .name = "\xB0\xB4\xC5\xA5"
                      "EX2", // 按钮EX2
              .left = 42,
              .top = 171,
              .width = 152,
              .height = 22,
              .visible = false,
              .events = kOnAction<OnAlarmButtonClick>},
     .look = {.kind = LookKind::Button,
              .caption = "\xC6\xF8\xCF\xF3\xD4\xA4\xBE\xAF", // 气象预警
              .fontSize = 12,
              .colour = kBlack}},
    {.unit = {.id = mu::PressureLabel,
              .type = kLabelEx,
              .name = "\xC6\xF8\xD1\xB9\xD6\xB8\xCA\xFD", // 气压指数
              .left = 200,
              .top = 144,
              .width = 119,
              .height = 22},
     .look = {.kind = LookKind::Label, .fontSize = 15, .colour = kWhite}},
    {.unit = {.id = mu::WeatherStateLabel,
              .type = kLabelEx,
              .name = "\xCC\xEC\xC6\xF8\xD7\xB4\xBF\xF6", // 天气状况
              .left = 200,
              .top = 80,
              .width = 119,
              .height = 22},
     .look = {.kind = LookKind::Label, .fontSize = 15, .colour = kWhite}},
    {.unit = {.id = mu::TipLabel,
              .type = kLabelEx,
              .name = "\xCC\xE1\xCA\xBE", // 提示
              .left = 586,
              .top = 168,
              .width = 163,
              .height = 20},
     .look = {.kind = LookKind::Label, .fontSize = 12, .colour = kWhite}},
    {.unit = {.id = mu::HumidityLabel,
              .type = kLabelEx,
              .name = "\xCA\xAA\xB6\xC8\xD6\xB8\xCA\xFD", // 湿度指数
              .left = 200,
              .top = 112,
              .width = 119,
              .height = 22},
     .look = {.kind = LookKind::Label, .fontSize = 15, .colour = kWhite}},
    {.unit = {.id = mu::CloseButton,
              .type = kButtonEx,
              .name = kCloseButtonName,
              .left = 747,
              .top = 10,
              .width = 16,
              .height = 16,
              .events = kOnAction<OnCloseButtonClick>},
     .look = kCloseButtonLook},
    {.unit = {.id = mu::TemperatureLabel,
              .type = kLabelEx,
              .name = "\xCE\xC2\xB6\xC8\xD6\xB8\xCA\xFD", // 温度指数
              .left = 42,
              .top = 80,
              .width = 152,
              .height = 86},
     .look = {.kind = LookKind::Label, .fontSize = 55, .fontFlags = kBold, .colour = kWhite}},
    {.unit = {.id = mu::WeatherPicture,
              .type = kPictureBoxEx,
              .name = "\xCC\xEC\xC6\xF8\xCD\xBC\xC6\xAC", // 天气图片
              .left = 608,
              .top = 60,
              .width = 120,
              .height = 100},
     .look = {.kind = LookKind::Picture}},
    // Below the client area until the first activation brings it into view.
    {.unit = {.id = mu::LoadingPicture,
              .type = kPictureBoxEx,
              .name = "\xCD\xBC\xC6\xAC\xBF\xF2"
                      "EX1", // 图片框EX1
              .left = 283,
              .top = 432,
              .width = 208,
              .height = 144},
     .look = {.kind = LookKind::Picture, .picture = PictureId::LoadingAnimation}},
    WindowSkinRow(mu::WindowSkin, {.kind = LookKind::WindowSkin, .fontSize = 12, .colour = kBlack}),
};

// ---- AlarmDetailWindow
// ---------------------------------------------------------------------------

namespace adu = alarmdetailunits;

constexpr UnitRow kAlarmDetailUnits[] = {
    {.unit = {.id = adu::CloseButton,
              .type = kButtonEx,
              .name = kCloseButtonName,
              .left = 356,
              .top = 10,
              .width = 16,
              .height = 16,
              .events = kOnAction<OnAlarmDetailCloseClick>},
     .look = kCloseButtonLook},
    {.unit = {.id = adu::AlarmTypeLabel,
              .type = kLabelEx,
              .name = "\xD4\xA4\xBE\xAF\xC0\xE0\xD0\xCD", // 预警类型
              .left = 24,
              .top = 32,
              .width = 328,
              .height = 72},
     .look = {.kind = LookKind::Label,
              .caption = "0",
              .fontSize = 25,
              .fontFlags = kBold,
              .colour = kAlarmOrange}},
    {.unit = {.id = adu::AlarmTextLabel,
              .type = kLabelEx,
              .name = "\xD4\xA4\xBE\xAF\xD0\xC5\xCF\xA2\xCF\xEA\xCF\xB8", // 预警信息详细
              .left = 26,
              .top = 144,
              .width = 328,
              .height = 96,
              .events = kOnAction<OnAlarmDetailTextClick>},
     .look = {.kind = LookKind::Label,
              .caption = "0",
              .fontSize = 13,
              .colour = kClear,
              .cursor = kHand}},
    WindowSkinRow(adu::WindowSkin),
};

// ---- AboutWindow
// ---------------------------------------------------------------------------------

namespace abu = aboutunits;

constexpr UnitRow kAboutUnits[] = {
    {.unit = {.id = abu::SourceLabel,
              .type = kLabelEx,
              .name = "\xC3\xFB\xB3\xC6"
                      "2", // 名称2
              .left = 37,
              .top = 217,
              .width = 323,
              .height = 24},
     .look = {.kind = LookKind::Label,
              // 所有天气数据来自 腾讯天气
              .caption = "\xCB\xF9\xD3\xD0\xCC\xEC\xC6\xF8\xCA\xFD\xBE\xDD\xC0\xB4\xD7\xD4 "
                         "\xCC\xDA\xD1\xB6\xCC\xEC\xC6\xF8",
              .fontSize = 10,
              .colour = kClear,
              .cursor = kArrow}},
    {.unit = {.id = abu::TaglineLabel,
              .type = kLabelEx,
              .name = "\xC3\xFB\xB3\xC6"
                      "1", // 名称1
              .left = 37,
              .top = 189,
              .width = 323,
              .height = 24},
     .look = {.kind = LookKind::Label,
              .caption =
                  "\xBC\xF2\xBD\xE0\xB5\xC4\xD7\xC0\xC3\xE6\xCC\xEC\xC6\xF8", // 简洁的桌面天气
              .fontSize = 13,
              .colour = kClear}},
    {.unit = {.id = abu::CloseButton,
              .type = kButtonEx,
              .name = "X1",
              .left = 374,
              .top = 8,
              .width = 16,
              .height = 16,
              .events = kOnAction<OnAboutWindowCloseClick>},
     .look = kCloseButtonLook},
    {.unit = {.id = abu::AppPicture,
              .type = kPictureBoxEx,
              .name = "\xCD\xBC\xC6\xAC\xBF\xF2"
                      "EX1", // 图片框EX1
              .left = 127,
              .top = 32,
              .width = 144,
              .height = 96},
     .look = {.kind = LookKind::Picture, .picture = PictureId::AppPicture}},
    {.unit = {.id = abu::NameLabel,
              .type = kLabelEx,
              .name = "\xC3\xFB\xB3\xC6", // 名称
              .left = 37,
              .top = 144,
              .width = 323,
              .height = 43},
     .look = {.kind = LookKind::Label,
              .caption = "Skyvane(\xE1\xB0\xD6\xDB)", // Skyvane(岚舟)
              .fontSize = 25,
              .fontFlags = kBold,
              .colour = kClear}},
    WindowSkinRow(abu::WindowSkin),
};

// ---- SettingsWindow
// ------------------------------------------------------------------------------

namespace su = settingsunits;

constexpr Look ButtonLook(const char* caption)
{
    return {.kind = LookKind::Button, .caption = caption, .fontSize = 12, .colour = kBlack};
}

constexpr Look ChoiceLook(const char* caption)
{
    return {.kind = LookKind::Choice, .caption = caption, .fontSize = 12, .colour = kWhite};
}

constexpr UnitRow ChoiceRow(UnitId id, const char* name, Word left, Word top, Word width,
                            std::span<const EventBinding> events, const char* caption)
{
    return {.unit = {.id = id,
                     .type = kChoiceboxEx,
                     .name = name,
                     .left = left,
                     .top = top,
                     .width = width,
                     .height = 26,
                     .events = events},
            .look = ChoiceLook(caption)};
}

// The check boxes are stored not ticked; the settings window ticks them from the settings.
constexpr UnitRow kSettingsUnits[] = {
    {.unit = {.id = su::RestoreDefaultsButton,
              .type = kButtonEx,
              .name = "\xD7\xD4\xB6\xA8\xD2\xE5\xCB\xF9\xD4\xDA\xC7\xF8\xD3\xF2"
                      "1", // 自定义所在区域1
              .left = 19,
              .top = 163,
              .width = 107,
              .height = 22,
              .events = kOnAction<OnRestoreDefaultsClick>},
     .look = ButtonLook("\xBB\xD6\xB8\xB4\xC4\xAC\xC8\xCF")}, // 恢复默认
    {.unit = {.id = su::RestartNoteLabel,
              .type = kLabelEx,
              .name = "\xB0\xE6\xB1\xBE"
                      "1", // 版本1
              .left = 20,
              .top = 320,
              .width = 112,
              .height = 32},
     .look = {.kind = LookKind::Label,
              // 重启软件以保存设置
              .caption = "\xD6\xD8\xC6\xF4\xC8\xED\xBC\xFE\xD2\xD4\xB1\xA3\xB4\xE6\xC9\xE8\xD6\xC3",
              .fontSize = 10,
              .fontFlags = kBold,
              .colour = kClear}},
    {.unit = {.id = su::CustomLocationButton,
              .type = kButtonEx,
              .name = "\xD7\xD4\xB6\xA8\xD2\xE5\xCB\xF9\xD4\xDA\xC7\xF8\xD3\xF2", // 自定义所在区域
              .left = 160,
              .top = 163,
              .width = 152,
              .height = 22,
              .events = kOnAction<OnCustomLocationClick>},
     .look = ButtonLook("\xD7\xD4\xB6\xA8\xD2\xE5\xCB\xF9\xD4\xDA\xC7\xF8\xD3\xF2")},
    {.unit = {.id = su::IntervalCombo,
              .type = kComboboxEx,
              .name = "\xD7\xE9\xBA\xCF\xBF\xF2"
                      "EX1", // 组合框EX1
              .left = 160,
              .top = 128,
              .width = 152,
              .height = 26,
              .events = kOnAction<OnIntervalComboChanged>},
     .look = {.kind = LookKind::IntervalCombo}},
    ChoiceRow(su::AutoRefreshCheck,
              "\xD1\xA1\xD4\xF1\xBF\xF2"
              "EX7",
              24, 128, 97, kOnAction<OnAutoRefreshCheck>,
              "\xD7\xD4\xB6\xAF\xCB\xA2\xD0\xC2\xCA\xFD\xBE\xDD"), // 自动刷新数据
    {.unit = {.id = su::VersionLabel,
              .type = kLabelEx,
              .name = "\xB0\xE6\xB1\xBE", // 版本
              .left = 152,
              .top = 278,
              .width = 192,
              .height = 32},
     .look = {.kind = LookKind::Label,
              .caption = "\xB5\xB1\xC7\xB0\xB0\xE6\xB1\xBE\xA3\xBA", // 当前版本：
              .fontSize = 10,
              .fontFlags = kBold,
              .colour = kClear}},
    {.unit = {.id = su::CheckUpdateButton,
              .type = kButtonEx,
              .name = "\xBC\xEC\xB2\xE9\xB8\xFC\xD0\xC2", // 检查更新
              .left = 152,
              .top = 318,
              .width = 192,
              .height = 22,
              .events = kOnAction<OnCheckUpdateClick>},
     .look = ButtonLook("\xBC\xEC\xB2\xE9\xB8\xFC\xD0\xC2")},
    {.unit = {.id = su::UpdateTitleLabel,
              .type = kLabelEx,
              .name = "\xC3\xFB\xB3\xC6", // 名称
              .left = 152,
              .top = 240,
              .width = 192,
              .height = 32},
     .look = {.kind = LookKind::Label,
              .caption = "Update",
              .fontSize = 25,
              .fontFlags = kBold,
              .colour = kClear}},
    {.unit = {.id = su::AppPicture,
              .type = kPictureBoxEx,
              .name = "\xCC\xEC\xC6\xF8\xCD\xBC\xC6\xAC", // 天气图片
              .left = 16,
              .top = 231,
              .width = 120,
              .height = 100,
              .events = kOnDoubleClick<OnWeatherPictureDoubleClick>},
     .look = {.kind = LookKind::Picture, .cursor = kHand, .picture = PictureId::AppPicture}},
    ChoiceRow(su::CheckUpdateAtStartCheck,
              "\xD1\xA1\xD4\xF1\xBF\xF2"
              "EX6",
              160, 64, 128, kOnAction<OnCheckUpdateAtStartCheck>,
              "\xC6\xF4\xB6\xAF\xCA\xB1\xBC\xEC\xB2\xE9\xB8\xFC\xD0\xC2"), // 启动时检查更新
    ChoiceRow(su::TrayFollowsWeatherCheck,
              "\xD1\xA1\xD4\xF1\xBF\xF2"
              "EX5",
              160, 96, 152, kOnAction<OnTrayFollowsWeatherCheck>,
              // 托盘图标跟随天气情况
              "\xCD\xD0\xC5\xCC\xCD\xBC\xB1\xEA\xB8\xFA\xCB\xE6\xCC\xEC\xC6\xF8\xC7\xE9\xBF\xF6"),
    ChoiceRow(su::ShowTrayIconCheck,
              "\xD1\xA1\xD4\xF1\xBF\xF2"
              "EX4",
              24, 96, 104, kOnAction<OnShowTrayIconCheck>,
              "\xCF\xD4\xCA\xBE\xCD\xD0\xC5\xCC\xCD\xBC\xB1\xEA"), // 显示托盘图标
    ChoiceRow(
        su::PushAlarmCheck,
        "\xD1\xA1\xD4\xF1\xBF\xF2"
        "EX3",
        24, 64, 128, kOnAction<OnPushAlarmCheck>,
        "\xD7\xD4\xB6\xAF\xCD\xC6\xCB\xCD\xD4\xA4\xBE\xAF\xD0\xC5\xCF\xA2"), // 自动推送预警信息
    ChoiceRow(su::HideAtStartCheck,
              "\xD1\xA1\xD4\xF1\xBF\xF2"
              "EX2",
              160, 32, 152, kOnAction<OnHideAtStartCheck>,
              "\xC6\xF4\xB6\xAF\xCA\xB1\xD2\xFE\xB2\xD8"), // 启动时隐藏
    ChoiceRow(su::RunAtStartupCheck,
              "\xD1\xA1\xD4\xF1\xBF\xF2"
              "EX1",
              24, 32, 104, kOnAction<OnRunAtStartupCheck>,
              "\xBF\xAA\xBB\xFA\xD7\xD4\xB6\xAF\xD4\xCB\xD0\xD0"), // 开机自动运行
    {.unit = {.id = su::CloseButton,
              .type = kButtonEx,
              .name = kCloseButtonName,
              .left = 332,
              .top = 11,
              .width = 16,
              .height = 16,
              .events = kOnAction<OnSettingsCloseClick>},
     .look = kCloseButtonLook},
    WindowSkinRow(su::WindowSkin),
};

// The refresh intervals, in the order the settings map them.
constexpr const char* kIntervalItems[] = {
    "1\xD0\xA1\xCA\xB1",  // 1小时
    "30\xB7\xD6\xD6\xD3", // 30分钟
    "10\xB7\xD6\xD6\xD3", // 10分钟
    "5\xB7\xD6\xD6\xD3",  // 5分钟
};
constexpr const char* kIntervalShown = "10\xB7\xD6\xD6\xD3";

// ---- advice windows
// ------------------------------------------------------------------------------

// One layout for the three advice windows; they differ in their handlers, in which of the two
// labels comes first and in which one names the skin as its container.
constexpr UnitRow AdviceInfoRow(UnitId id, UnitId container)
{
    return {.unit = {.id = id,
                     .type = kLabelEx,
                     .name = "\xCC\xE1\xCA\xBE", // 提示
                     .left = 50,
                     .top = 32,
                     .width = 280,
                     .height = 64,
                     .container = container},
            .look = {.kind = LookKind::Label, .caption = "0", .fontSize = 35, .colour = kWhite}};
}

constexpr UnitRow AdviceDetailRow(UnitId id, UnitId container)
{
    return {.unit = {.id = id,
                     .type = kLabelEx,
                     .name = "\xCC\xE1\xCA\xBE"
                             "1", // 提示1
                     .left = 50,
                     .top = 152,
                     .width = 280,
                     .height = 80,
                     .container = container},
            .look = {.kind = LookKind::Label, .caption = "0", .fontSize = 15, .colour = kClear}};
}

constexpr UnitRow AdviceCloseRow(UnitId id, std::span<const EventBinding> events)
{
    return {.unit = {.id = id,
                     .type = kButtonEx,
                     .name = kCloseButtonName,
                     .left = 355,
                     .top = 8,
                     .width = 16,
                     .height = 16,
                     .events = events},
            .look = kCloseButtonLook};
}

constexpr UnitRow kAirconUnits[] = {
    AdviceDetailRow(airconunits::DetailLabel, 0),
    AdviceInfoRow(airconunits::InfoLabel, 0),
    AdviceCloseRow(airconunits::CloseButton, kOnAction<OnAirconWindowCloseClick>),
    WindowSkinRow(airconunits::WindowSkin),
};

constexpr UnitRow kClothesUnits[] = {
    AdviceDetailRow(clothesunits::DetailLabel, 0),
    AdviceInfoRow(clothesunits::InfoLabel, clothesunits::WindowSkin),
    AdviceCloseRow(clothesunits::CloseButton, kOnAction<OnClothesWindowCloseClick>),
    WindowSkinRow(clothesunits::WindowSkin),
};

constexpr UnitRow kUmbrellaUnits[] = {
    AdviceInfoRow(umbrellaunits::InfoLabel, 0),
    AdviceDetailRow(umbrellaunits::DetailLabel, umbrellaunits::WindowSkin),
    AdviceCloseRow(umbrellaunits::CloseButton, kOnAction<OnUmbrellaWindowCloseClick>),
    WindowSkinRow(umbrellaunits::WindowSkin),
};

// ---- AlarmPopupWindow
// ----------------------------------------------------------------------------

namespace apu = alarmpopupunits;

constexpr UnitRow kAlarmPopupUnits[] = {
    {.unit = {.id = apu::CloseButton,
              .type = kButtonEx,
              .name = kCloseButtonName,
              .left = 328,
              .top = 6,
              .width = 16,
              .height = 16,
              .events = kOnAction<OnAlarmPopupCloseClick>},
     .look = kCloseButtonLook},
    {.unit = {.id = apu::AlarmTextLabel,
              .type = kLabelEx,
              .name = "\xD4\xA4\xBE\xAF\xC0\xE0\xD0\xCD_\xCF\xEA\xCF\xB8", // 预警类型_详细
              .left = 18,
              .top = 48,
              .width = 312,
              .height = 56,
              .events = kOnAction<OnAlarmPopupTextClick>},
     .look = {.kind = LookKind::Label,
              // XXX市于XXX分发布橙色预警，请注意防御。
              .caption = "XXX\xCA\xD0\xD3\xDAXXX\xB7\xD6\xB7\xA2\xB2\xBC\xB3\xC8\xC9\xAB\xD4\xA4"
                         "\xBE\xAF\xA3\xAC\xC7\xEB\xD7\xA2\xD2\xE2\xB7\xC0\xD3\xF9\xA1\xA3",
              .fontSize = 15,
              .colour = kWhite,
              .cursor = kHand}},
    {.unit = {.id = apu::AlarmTitleLabel,
              .type = kLabelEx,
              .name = "\xD4\xA4\xBE\xAF\xC0\xE0\xD0\xCD_", // 预警类型_
              .left = 18,
              .top = 12,
              .width = 312,
              .height = 32},
     .look = {.kind = LookKind::Label,
              .caption = "XXX\xB3\xC8\xC9\xAB\xD4\xA4\xBE\xAF", // XXX橙色预警
              .fontSize = 20,
              .fontFlags = kBold,
              .colour = kAlarmOrange}},
    WindowSkinRow(apu::WindowSkin, {.kind = LookKind::BareWindowSkin}),
};

// ---- the windows
// ---------------------------------------------------------------------------------

constexpr WindowRow kWindows[] = {
    {.window = {.id = MainWindow,
                .unit = mu::Window,
                .name = "MainWindow",
                .caption = "Skyvane",
                .width = 775,
                .height = 413,
                .properties = kPlainWindowProperties,
                .events = kMainWindowEvents},
     .units = kMainUnits},
    {.window = {.id = AlarmDetailWindow,
                .unit = adu::Window,
                .name = "AlarmDetailWindow",
                .width = 380,
                .height = 250,
                .properties = kPlainWindowProperties,
                .events = kOnCreated<OnAlarmDetailCreated>},
     .units = kAlarmDetailUnits},
    {.window = {.id = AboutWindow,
                .unit = abu::Window,
                .name = "AboutWindow",
                .width = 398,
                .height = 250,
                .properties = kPlainWindowProperties,
                .events = kOnCreated<OnAboutWindowCreated>},
     .units = kAboutUnits},
    {.window = {.id = SettingsWindow,
                .unit = su::Window,
                .name = "SettingsWindow",
                .width = 360,
                .height = 368,
                .events = kOnCreated<OnSettingsCreated>},
     .units = kSettingsUnits},
    {.window = {.id = AirconAdviceWindow,
                .unit = airconunits::Window,
                .name = "AirconAdviceWindow",
                .width = 380,
                .height = 250,
                .events = kOnCreated<OnAirconWindowCreated>},
     .units = kAirconUnits},
    {.window = {.id = ClothesAdviceWindow,
                .unit = clothesunits::Window,
                .name = "ClothesAdviceWindow",
                .width = 380,
                .height = 250,
                .events = kOnCreated<OnClothesWindowCreated>},
     .units = kClothesUnits},
    {.window = {.id = UmbrellaAdviceWindow,
                .unit = umbrellaunits::Window,
                .name = "UmbrellaAdviceWindow",
                .width = 380,
                .height = 250,
                .events = kOnCreated<OnUmbrellaWindowCreated>},
     .units = kUmbrellaUnits},
    {.window = {.id = AlarmPopupWindow,
                .unit = apu::Window,
                .name = "AlarmPopupWindow",
                .width = 349,
                .height = 114,
                .properties = kNoticeWindowProperties,
                .events = kOnCreated<OnAlarmPopupCreated>},
     .units = kAlarmPopupUnits},
};

// ---- stored looks
// --------------------------------------------------------------------------------

std::u16string Wide(const char* gbk)
{
    ByteSet bytes = toolkit::GbkToUtf16(gbk);
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char16_t unit = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        if (unit == 0) {
            break;
        }
        text.push_back(unit);
    }
    return text;
}

void AddPicture(engine::StoredDataBuilder& look, std::uint16_t role, PictureId id)
{
    ByteSet file = LoadPicture(id);
    look.Picture(role, file);
}

// The title buttons of a window skin, each with its state pictures in the order normal, hover,
// pressed.
void AddTitleButtons(engine::StoredDataBuilder& look)
{
    struct Button {
        std::uint16_t role;
        PictureId states[3];
    };
    static constexpr Button kButtons[] = {
        {engine::kPictureClose,
         {PictureId::CloseButtonNormal, PictureId::CloseButtonHover,
          PictureId::CloseButtonPressed}},
        {engine::kPictureMaximise,
         {PictureId::MaximiseButtonNormal, PictureId::MaximiseButtonHover,
          PictureId::MaximiseButtonPressed}},
        {engine::kPictureRestore,
         {PictureId::RestoreButtonNormal, PictureId::RestoreButtonHover,
          PictureId::RestoreButtonPressed}},
        {engine::kPictureMinimise,
         {PictureId::MinimiseButtonNormal, PictureId::MinimiseButtonHover,
          PictureId::MinimiseButtonPressed}},
    };
    for (const Button& button : kButtons) {
        for (std::uint16_t state = 0; state < 3; ++state) {
            AddPicture(look, static_cast<std::uint16_t>(button.role + state), button.states[state]);
        }
    }
}

ByteSet BuildLook(const Look& look)
{
    engine::StoredDataBuilder data;
    switch (look.kind) {
    case LookKind::None:
        return {};
    case LookKind::Label:
        data.Caption(Wide(look.caption)).Font(look.fontSize, look.fontFlags).Colour(look.colour);
        if (look.cursor != 0) {
            data.Cursor(look.cursor);
        }
        break;
    case LookKind::Button:
        data.Caption(Wide(look.caption))
            .Font(look.fontSize, look.fontFlags)
            .Colour(look.colour)
            .Skin(Wide(kButtonSkin));
        break;
    case LookKind::CloseButton:
        data.Caption(Wide("\xA1\xC1")) // ×
            .Font(12, 0)
            .Colour(kWhite)
            .Cursor(kHand)
            .Skin(Wide(kButtonSkin));
        break;
    case LookKind::ImageButton:
        data.Cursor(kHand).Skin(Wide(kImageButtonSkin));
        AddPicture(data, engine::kPictureMain, *look.picture);
        break;
    case LookKind::Picture:
        if (look.cursor != 0) {
            data.Cursor(look.cursor);
        }
        data.Skin(Wide(kPictureBoxSkin), Wide(kCleanVariant));
        if (look.picture) {
            AddPicture(data, engine::kPictureMain, *look.picture);
        }
        break;
    case LookKind::Choice:
        data.Caption(Wide(look.caption))
            .Font(look.fontSize, look.fontFlags)
            .Colour(look.colour)
            .Checked(false);
        break;
    case LookKind::IntervalCombo:
        for (const char* item : kIntervalItems) {
            data.Item(Wide(item));
        }
        // The box, its drop-down list and the look while disabled.
        data.Caption(Wide(kIntervalShown))
            .Font(12, 0, Wide(kFontFace), 0)
            .Colour(kBlack, 0)
            .Font(12, 0, Wide(kFontFace), 1)
            .Colour(kBlack, 1)
            .Font(12, 0, Wide(kFontFace), 2)
            .Colour(kClear, 2);
        break;
    case LookKind::WindowSkin:
    case LookKind::BareWindowSkin:
        data.Skin(Wide(kWindowSkin), Wide(kCleanVariant));
        if (look.fontSize != 0) {
            data.Font(look.fontSize, look.fontFlags).Colour(look.colour);
        }
        if (look.kind == LookKind::WindowSkin) {
            AddPicture(data, engine::kPictureMain, PictureId::SunnyBackground);
        }
        AddTitleButtons(data);
        break;
    }
    return data.Block(0);
}

// The templates with their engine data, made once: the tables above give everything but the
// bytes, which need the pictures of the program's resources.
struct BuiltTemplates {
    std::deque<ByteSet> looks;
    std::deque<std::vector<UnitTemplate>> units;
    std::deque<WindowTemplate> windows;
    std::vector<const WindowTemplate*> list;

    // Units with the same look share one copy of its bytes: the window skins of seven windows
    // each carry the whole background picture, 300 KB, for the whole run.
    const ByteSet& Kept(ByteSet look)
    {
        for (const ByteSet& kept : looks) {
            if (kept == look) {
                return kept;
            }
        }
        return looks.emplace_back(std::move(look));
    }

    BuiltTemplates()
    {
        for (const WindowRow& row : kWindows) {
            std::vector<UnitTemplate>& made = units.emplace_back();
            for (const UnitRow& unit : row.units) {
                UnitTemplate copy = unit.unit;
                if (unit.look.kind != LookKind::None) {
                    copy.data = Kept(BuildLook(unit.look));
                }
                made.push_back(copy);
            }
            WindowTemplate& window = windows.emplace_back(row.window);
            window.units = made;
            list.push_back(&window);
        }
    }
};

} // namespace

std::span<const WindowTemplate* const> AllTemplates()
{
    static const BuiltTemplates built;
    return built.list;
}

} // namespace windows
