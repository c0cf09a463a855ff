// The eight window templates of the weather application, loaded through the framework with the
// skinned-control binding against the recording stand-in for VeneerCore.dll: what the engine is
// asked to create, in which order and where, with which stored look, and what the framework
// makes of the window properties and menus.
//
// The windows are loaded from copies of the templates without their event bindings, so that the
// fill handlers (tested with their windows) leave the stored look as it is; the bindings are
// checked on the templates themselves.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "engine/EngineInterface.h"
#include "engine/StoredData.h"
#include "framework/Framework.h"
#include "skin/VeneerLibrary.h"
#include "tests/support/QuietTemplates.h"
#include "tests/support/TestEngine.h"
#include "tests/support/UiDriver.h"
#include "toolkit/CodePage.h"
#include "windows/Handlers.h"
#include "windows/Pictures.h"
#include "windows/Templates.h"

using namespace framework;
using windows::PictureId;

namespace {

struct Hooks {
    const char*(ENGINE_CALL* log)() = nullptr;
    void(ENGINE_CALL* clear)() = nullptr;
};
Hooks g_hooks;

// ---- what the templates must hold
// ----------------------------------------------------------------

constexpr UnitTypeCode kWindowEx = 0x30001;
constexpr UnitTypeCode kPictureBoxEx = 0x30005;
constexpr UnitTypeCode kLabelEx = 0x30006;
constexpr UnitTypeCode kButtonEx = 0x30007;
constexpr UnitTypeCode kImagebuttonEx = 0x30008;
constexpr UnitTypeCode kChoiceboxEx = 0x3000C;
constexpr UnitTypeCode kComboboxEx = 0x30011;

constexpr std::int64_t W = 0xFFFFFFFF;
constexpr std::int64_t K = 0xFE000000;
constexpr std::int64_t kOrange = 0xFFFFC950;
constexpr std::int64_t kNoColour = -1;
constexpr std::uint32_t kHand = 32649;
constexpr std::uint32_t kArrow = 32512;

const char kButtonSkin[] = "\xC4\xAC\xC8\xCF\xC6\xA4\xB7\xF4\xB0\xB4\xC5\xA5";
const char kImageButtonSkin[] =
    "VENEER\xC4\xAC\xC8\xCF\xC6\xA4\xB7\xF4_\xCD\xBC\xC6\xAC\xB0\xB4\xC5\xA5";
const char kPictureBoxSkin[] = "Veneer\xC4\xAC\xC8\xCF\xC6\xA4\xB7\xF4_\xCD\xBC\xC6\xAC\xBF\xF2";
const char kWindowSkin[] = "veneer\xC4\xAC\xC8\xCF\xB4\xB0\xBF\xDA\xC6\xA4\xB7\xF4";
const char kFace[] = "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA";
const char kCross[] = "\xA1\xC1";
const char kCloseName[] = "\xB0\xB4\xC5\xA5"
                          "EX1";
const char kSkinName[] = "\xB4\xB0\xBF\xDA"
                         "EX1";

struct ExpectedPicture {
    std::uint16_t role;
    PictureId id;
};

struct ExpectedUnit {
    UnitId id;
    UnitTypeCode type;
    const char* name;
    Word left, top, width, height;
    bool visible = true;
    UnitId container = 0;
    // The stored look; a caption of nullptr expects no caption record.
    const char* caption = nullptr;
    std::int32_t fontSize = 0;
    std::uint32_t fontFlags = 0;
    std::int64_t colour = kNoColour;
    std::uint32_t cursor = 0;
    const char* skin = nullptr;
    const char* skinVariant = nullptr;
    std::vector<ExpectedPicture> pictures = {};
};

// The window skin's title buttons, three states each, the maximise button with the restore
// look's three after its own.
std::vector<ExpectedPicture> TitleButtons(bool withBackground)
{
    std::vector<ExpectedPicture> pictures;
    if (withBackground) {
        pictures.push_back({0, PictureId::SunnyBackground});
    }
    PictureId states[] = {
        PictureId::CloseButtonNormal,    PictureId::CloseButtonHover,
        PictureId::CloseButtonPressed,   PictureId::MaximiseButtonNormal,
        PictureId::MaximiseButtonHover,  PictureId::MaximiseButtonPressed,
        PictureId::RestoreButtonNormal,  PictureId::RestoreButtonHover,
        PictureId::RestoreButtonPressed, PictureId::MinimiseButtonNormal,
        PictureId::MinimiseButtonHover,  PictureId::MinimiseButtonPressed,
    };
    for (std::uint16_t i = 0; i < 12; ++i) {
        pictures.push_back({static_cast<std::uint16_t>(1 + i), states[i]});
    }
    return pictures;
}

ExpectedUnit Skin(UnitId id, bool withBackground = true)
{
    return {.id = id,
            .type = kWindowEx,
            .name = kSkinName,
            .left = 4,
            .top = 4,
            .width = 24,
            .height = 24,
            .skin = kWindowSkin,
            .skinVariant = "Clean",
            .pictures = TitleButtons(withBackground)};
}

ExpectedUnit CloseButton(UnitId id, Word left, Word top, const char* name = kCloseName)
{
    return {.id = id,
            .type = kButtonEx,
            .name = name,
            .left = left,
            .top = top,
            .width = 16,
            .height = 16,
            .caption = kCross,
            .fontSize = 12,
            .colour = W,
            .cursor = kHand,
            .skin = kButtonSkin};
}

ExpectedUnit Label(UnitId id, const char* name, Word left, Word top, Word width, Word height,
                   const char* caption, std::int32_t size, std::uint32_t flags, std::int64_t colour)
{
    return {.id = id,
            .type = kLabelEx,
            .name = name,
            .left = left,
            .top = top,
            .width = width,
            .height = height,
            .caption = caption,
            .fontSize = size,
            .fontFlags = flags,
            .colour = colour};
}

ExpectedUnit Hidden(ExpectedUnit unit)
{
    unit.visible = false;
    return unit;
}

ExpectedUnit WithCursor(ExpectedUnit unit, std::uint32_t cursor)
{
    unit.cursor = cursor;
    return unit;
}

ExpectedUnit Button(UnitId id, const char* name, Word left, Word top, Word width,
                    const char* caption)
{
    return {.id = id,
            .type = kButtonEx,
            .name = name,
            .left = left,
            .top = top,
            .width = width,
            .height = 22,
            .caption = caption,
            .fontSize = 12,
            .colour = K,
            .skin = kButtonSkin};
}

ExpectedUnit Picture(UnitId id, const char* name, Word left, Word top, Word width, Word height,
                     std::optional<PictureId> picture, std::uint32_t cursor)
{
    ExpectedUnit unit{.id = id,
                      .type = kPictureBoxEx,
                      .name = name,
                      .left = left,
                      .top = top,
                      .width = width,
                      .height = height,
                      .cursor = cursor,
                      .skin = kPictureBoxSkin,
                      .skinVariant = "Clean"};
    if (picture) {
        unit.pictures.push_back({0, *picture});
    }
    return unit;
}

ExpectedUnit Choice(UnitId id, const char* name, Word left, Word top, Word width,
                    const char* caption)
{
    return {.id = id,
            .type = kChoiceboxEx,
            .name = name,
            .left = left,
            .top = top,
            .width = width,
            .height = 26,
            .caption = caption,
            .fontSize = 12,
            .colour = W};
}

struct ExpectedWindow {
    WindowId id;
    const char* caption;
    Word width, height;
    // Border style [9], [12], movable [19], [22], in the taskbar [26], always on top [29], [30].
    std::int32_t movable, inTaskbar, onTop, property22, property30;
    std::vector<ExpectedUnit> units;
};

std::vector<ExpectedWindow> ExpectedWindows()
{
    namespace mu = windows::mainunits;
    namespace ad = windows::alarmdetailunits;
    namespace ab = windows::aboutunits;
    namespace su = windows::settingsunits;
    namespace ap = windows::alarmpopupunits;
    ExpectedUnit mainSkin = Skin(mu::WindowSkin);
    mainSkin.fontSize = 12;
    mainSkin.colour = K;
    ExpectedUnit combo{.id = su::IntervalCombo,
                       .type = kComboboxEx,
                       .name = "\xD7\xE9\xBA\xCF\xBF\xF2"
                               "EX1",
                       .left = 160,
                       .top = 128,
                       .width = 152,
                       .height = 26,
                       .caption = "10\xB7\xD6\xD6\xD3",
                       .fontSize = 12,
                       .colour = K};
    auto advice = [](WindowId id, UnitId info, UnitId detail, UnitId inside) {
        ExpectedUnit tip = Label(info, "\xCC\xE1\xCA\xBE", 50, 32, 280, 64, "0", 35, 0, W);
        ExpectedUnit more = Label(detail,
                                  "\xCC\xE1\xCA\xBE"
                                  "1",
                                  50, 152, 280, 80, "0", 15, 0, 0);
        if (inside == info) {
            tip.container = 5;
        } else if (inside == detail) {
            more.container = 5;
        }
        std::vector<ExpectedUnit> units;
        if (info < detail) {
            units = {tip, more};
        } else {
            units = {more, tip};
        }
        units.push_back(CloseButton(4, 355, 8));
        units.push_back(Skin(5));
        return ExpectedWindow{id, "", 380, 250, 1, 1, 0, 1, 0, units};
    };
    return {
        {windows::MainWindow,
         "Skyvane",
         775,
         413,
         1,
         1,
         0,
         0,
         0,
         {
             {.id = mu::MinimiseButton,
              .type = kImagebuttonEx,
              .name = "\xCD\xBC\xC6\xAC\xB0\xB4\xC5\xA5"
                      "EX2",
              .left = 693,
              .top = 10,
              .width = 16,
              .height = 16,
              .cursor = kHand,
              .skin = kImageButtonSkin,
              .pictures = {{0, PictureId::MinimiseGlyph}}},
             Hidden(Label(mu::ClothesLabel,
                          "\xBD\xA8\xD2\xE9"
                          "3",
                          125, 326, 55, 26, "\xB4\xA9\xD2\xC2\xBD\xA8\xD2\xE9", 12, 0, K)),
             Hidden(Label(mu::UmbrellaLabel,
                          "\xBD\xA8\xD2\xE9"
                          "2",
                          204, 326, 55, 26, "\xD3\xEA\xC9\xA1", 12, 0, K)),
             Hidden(Label(mu::AirconLabel, "\xBD\xA8\xD2\xE9", 45, 326, 55, 26,
                          "\xBF\xD5\xB5\xF7\xBD\xA8\xD2\xE9", 12, 0, K)),
             Hidden(Picture(mu::ClothesPicture, "\xB4\xA9\xD2\xC2\xBD\xA8\xD2\xE9\xCD\xBC\xC6\xAC",
                            128, 272, 50, 50, PictureId::ClothesPicture, kHand)),
             Hidden(Picture(mu::UmbrellaPicture, "\xD3\xEA\xC9\xA1\xCD\xBC\xC6\xAC", 210, 272, 50,
                            50, PictureId::UmbrellaPicture, kHand)),
             Hidden(Picture(mu::AirconPicture, "\xBF\xD5\xB5\xF7\xBD\xA8\xD2\xE9\xCD\xBC\xC6\xAC",
                            48, 272, 50, 50, PictureId::AirconPicture, kHand)),
             {.id = mu::MenuButton,
              .type = kImagebuttonEx,
              .name = "\xCD\xBC\xC6\xAC\xB0\xB4\xC5\xA5"
                      "EX1",
              .left = 720,
              .top = 10,
              .width = 16,
              .height = 16,
              .cursor = kHand,
              .skin = kImageButtonSkin,
              .pictures = {{0, PictureId::MenuGlyph}}},
             Hidden(Label(mu::AreaTimeLabel, "\xC7\xF8\xD3\xF2\xCA\xB1\xBC\xE4", 12, 385, 284, 18,
                          "", 10, 0, 0)),
             Hidden(Button(mu::RefreshButton, "\xCB\xA2\xD0\xC2", 200, 171, 119,
                           "\xCB\xA2\xD0\xC2\xCA\xFD\xBE\xDD")),
             Hidden(Button(mu::AlarmButton,
                           "\xB0\xB4\xC5\xA5"
                           "EX2",
                           42, 171, 152, "\xC6\xF8\xCF\xF3\xD4\xA4\xBE\xAF")),
             Label(mu::PressureLabel, "\xC6\xF8\xD1\xB9\xD6\xB8\xCA\xFD", 200, 144, 119, 22, "", 15,
                   0, W),
             Label(mu::WeatherStateLabel, "\xCC\xEC\xC6\xF8\xD7\xB4\xBF\xF6", 200, 80, 119, 22, "",
                   15, 0, W),
             Label(mu::TipLabel, "\xCC\xE1\xCA\xBE", 586, 168, 163, 20, "", 12, 0, W),
             Label(mu::HumidityLabel, "\xCA\xAA\xB6\xC8\xD6\xB8\xCA\xFD", 200, 112, 119, 22, "", 15,
                   0, W),
             CloseButton(mu::CloseButton, 747, 10),
             Label(mu::TemperatureLabel, "\xCE\xC2\xB6\xC8\xD6\xB8\xCA\xFD", 42, 80, 152, 86, "",
                   55, 1, W),
             Picture(mu::WeatherPicture, "\xCC\xEC\xC6\xF8\xCD\xBC\xC6\xAC", 608, 60, 120, 100,
                     std::nullopt, 0),
             Picture(mu::LoadingPicture,
                     "\xCD\xBC\xC6\xAC\xBF\xF2"
                     "EX1",
                     283, 432, 208, 144, PictureId::LoadingAnimation, 0),
             mainSkin,
         }},
        {windows::AlarmDetailWindow,
         "",
         380,
         250,
         1,
         1,
         0,
         0,
         0,
         {
             CloseButton(ad::CloseButton, 356, 10),
             Label(ad::AlarmTypeLabel, "\xD4\xA4\xBE\xAF\xC0\xE0\xD0\xCD", 24, 32, 328, 72, "0", 25,
                   1, kOrange),
             WithCursor(Label(ad::AlarmTextLabel,
                              "\xD4\xA4\xBE\xAF\xD0\xC5\xCF\xA2\xCF\xEA\xCF\xB8", 26, 144, 328, 96,
                              "0", 13, 0, 0),
                        kHand),
             Skin(ad::WindowSkin),
         }},
        {windows::AboutWindow,
         "",
         398,
         250,
         1,
         1,
         0,
         0,
         0,
         {
             // The service's name after the fixed words is ours.
             WithCursor(Label(ab::SourceLabel,
                              "\xC3\xFB\xB3\xC6"
                              "2",
                              37, 217, 323, 24, nullptr, 10, 0, 0),
                        kArrow),
             Label(ab::TaglineLabel,
                   "\xC3\xFB\xB3\xC6"
                   "1",
                   37, 189, 323, 24, nullptr, 13, 0, 0),
             CloseButton(ab::CloseButton, 374, 8, "X1"),
             Picture(ab::AppPicture,
                     "\xCD\xBC\xC6\xAC\xBF\xF2"
                     "EX1",
                     127, 32, 144, 96, PictureId::AppPicture, 0),
             Label(ab::NameLabel, "\xC3\xFB\xB3\xC6", 37, 144, 323, 43, "Skyvane(\xE1\xB0\xD6\xDB)",
                   25, 1, 0),
             Skin(ab::WindowSkin),
         }},
        {windows::SettingsWindow,
         "",
         360,
         368,
         1,
         1,
         0,
         1,
         0,
         {
             Button(su::RestoreDefaultsButton,
                    "\xD7\xD4\xB6\xA8\xD2\xE5\xCB\xF9\xD4\xDA\xC7\xF8\xD3\xF2"
                    "1",
                    19, 163, 107, "\xBB\xD6\xB8\xB4\xC4\xAC\xC8\xCF"),
             Label(su::RestartNoteLabel,
                   "\xB0\xE6\xB1\xBE"
                   "1",
                   20, 320, 112, 32,
                   "\xD6\xD8\xC6\xF4\xC8\xED\xBC\xFE\xD2\xD4\xB1\xA3\xB4\xE6\xC9\xE8\xD6\xC3", 10,
                   1, 0),
             Button(su::CustomLocationButton,
                    "\xD7\xD4\xB6\xA8\xD2\xE5\xCB\xF9\xD4\xDA\xC7\xF8\xD3\xF2", 160, 163, 152,
                    "\xD7\xD4\xB6\xA8\xD2\xE5\xCB\xF9\xD4\xDA\xC7\xF8\xD3\xF2"),
             combo,
             Choice(su::AutoRefreshCheck,
                    "\xD1\xA1\xD4\xF1\xBF\xF2"
                    "EX7",
                    24, 128, 97, "\xD7\xD4\xB6\xAF\xCB\xA2\xD0\xC2\xCA\xFD\xBE\xDD"),
             Label(su::VersionLabel, "\xB0\xE6\xB1\xBE", 152, 278, 192, 32,
                   "\xB5\xB1\xC7\xB0\xB0\xE6\xB1\xBE\xA3\xBA", 10, 1, 0),
             Button(su::CheckUpdateButton, "\xBC\xEC\xB2\xE9\xB8\xFC\xD0\xC2", 152, 318, 192,
                    "\xBC\xEC\xB2\xE9\xB8\xFC\xD0\xC2"),
             Label(su::UpdateTitleLabel, "\xC3\xFB\xB3\xC6", 152, 240, 192, 32, "Update", 25, 1, 0),
             Picture(su::AppPicture, "\xCC\xEC\xC6\xF8\xCD\xBC\xC6\xAC", 16, 231, 120, 100,
                     PictureId::AppPicture, kHand),
             Choice(su::CheckUpdateAtStartCheck,
                    "\xD1\xA1\xD4\xF1\xBF\xF2"
                    "EX6",
                    160, 64, 128, "\xC6\xF4\xB6\xAF\xCA\xB1\xBC\xEC\xB2\xE9\xB8\xFC\xD0\xC2"),
             Choice(su::TrayFollowsWeatherCheck,
                    "\xD1\xA1\xD4\xF1\xBF\xF2"
                    "EX5",
                    160, 96, 152,
                    "\xCD\xD0\xC5\xCC\xCD\xBC\xB1\xEA\xB8\xFA\xCB\xE6\xCC\xEC\xC6\xF8\xC7\xE9\xBF"
                    "\xF6"),
             Choice(su::ShowTrayIconCheck,
                    "\xD1\xA1\xD4\xF1\xBF\xF2"
                    "EX4",
                    24, 96, 104, "\xCF\xD4\xCA\xBE\xCD\xD0\xC5\xCC\xCD\xBC\xB1\xEA"),
             Choice(su::PushAlarmCheck,
                    "\xD1\xA1\xD4\xF1\xBF\xF2"
                    "EX3",
                    24, 64, 128,
                    "\xD7\xD4\xB6\xAF\xCD\xC6\xCB\xCD\xD4\xA4\xBE\xAF\xD0\xC5\xCF\xA2"),
             Choice(su::HideAtStartCheck,
                    "\xD1\xA1\xD4\xF1\xBF\xF2"
                    "EX2",
                    160, 32, 152, "\xC6\xF4\xB6\xAF\xCA\xB1\xD2\xFE\xB2\xD8"),
             Choice(su::RunAtStartupCheck,
                    "\xD1\xA1\xD4\xF1\xBF\xF2"
                    "EX1",
                    24, 32, 104, "\xBF\xAA\xBB\xFA\xD7\xD4\xB6\xAF\xD4\xCB\xD0\xD0"),
             CloseButton(su::CloseButton, 332, 11),
             Skin(su::WindowSkin),
         }},
        advice(windows::AirconAdviceWindow, windows::airconunits::InfoLabel,
               windows::airconunits::DetailLabel, 0),
        advice(windows::ClothesAdviceWindow, windows::clothesunits::InfoLabel,
               windows::clothesunits::DetailLabel, windows::clothesunits::InfoLabel),
        advice(windows::UmbrellaAdviceWindow, windows::umbrellaunits::InfoLabel,
               windows::umbrellaunits::DetailLabel, windows::umbrellaunits::DetailLabel),
        {windows::AlarmPopupWindow,
         "",
         349,
         114,
         0,
         0,
         1,
         0,
         1,
         {
             CloseButton(ap::CloseButton, 328, 6),
             WithCursor(Label(ap::AlarmTextLabel,
                              "\xD4\xA4\xBE\xAF\xC0\xE0\xD0\xCD_\xCF\xEA\xCF\xB8", 18, 48, 312, 56,
                              "XXX\xCA\xD0\xD3\xDAXXX\xB7\xD6\xB7\xA2\xB2\xBC\xB3\xC8\xC9\xAB\xD4"
                              "\xA4\xBE\xAF\xA3\xAC\xC7\xEB\xD7\xA2\xD2\xE2\xB7\xC0\xD3\xF9\xA1"
                              "\xA3",
                              15, 0, W),
                        kHand),
             Label(ap::AlarmTitleLabel, "\xD4\xA4\xBE\xAF\xC0\xE0\xD0\xCD_", 18, 12, 312, 32,
                   "XXX\xB3\xC8\xC9\xAB\xD4\xA4\xBE\xAF", 20, 1, kOrange),
             Skin(ap::WindowSkin, false),
         }},
    };
}

// ---- the windows as loaded
// -----------------------------------------------------------------------

const WindowTemplate* Template(WindowId id)
{
    for (const WindowTemplate* tpl : windows::AllTemplates()) {
        if (tpl->id == id) {
            return tpl;
        }
    }
    return nullptr;
}

const UnitTemplate* UnitOf(const WindowTemplate& tpl, UnitId id)
{
    for (const UnitTemplate& unit : tpl.units) {
        if (unit.id == id) {
            return &unit;
        }
    }
    return nullptr;
}

std::string g_engineFolder;
const LibraryInfo* const kLibraries[] = {nullptr, nullptr, &skin::VeneerLibraryInfo};

class TemplatesEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static const testsupport::QuietTemplates quiet(windows::AllTemplates());
        g_engineFolder = testsupport::InstallRecordingEngine("skyvane-templates");
        ASSERT_FALSE(g_engineFolder.empty());

        ASSERT_TRUE(Initialise(kLibraries, quiet.List()));
        auto module = static_cast<HMODULE>(skin::VeneerEngineModule());
        ASSERT_NE(module, nullptr) << "the binding found no engine";
        testsupport::HookEngine(module, "Recording_Log", g_hooks.log);
        testsupport::HookEngine(module, "Recording_Clear", g_hooks.clear);
    }

    void TearDown() override { testsupport::RemoveRecordingEngine(g_engineFolder); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new TemplatesEnvironment);

std::vector<std::string> CreateLines()
{
    std::vector<std::string> lines;
    std::string log = g_hooks.log();
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find('\n', start);
        std::string line = log.substr(start, end - start);
        if (line.rfind("CreateControl_", 0) == 0) {
            lines.push_back(line);
        }
        start = end == std::string::npos ? log.size() : end + 1;
    }
    return lines;
}

// The word after "<key>=" in a log line.
std::string Field(const std::string& line, const std::string& key)
{
    std::size_t at = line.find(" " + key + "=");
    if (at == std::string::npos) {
        return "";
    }
    at += key.size() + 2;
    return line.substr(at, line.find(' ', at) - at);
}

std::string Hex(PtrWord value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
    return text;
}

const char* ClassOf(UnitTypeCode type)
{
    switch (type) {
    case kWindowEx:
        return "WindowEx";
    case kPictureBoxEx:
        return "PictureBoxEx";
    case kLabelEx:
        return "LabelEx";
    case kButtonEx:
        return "ButtonEx";
    case kImagebuttonEx:
        return "ImagebuttonEx";
    case kChoiceboxEx:
        return "ChoiceboxEx";
    case kComboboxEx:
        return "ComboboxEx";
    default:
        return "?";
    }
}

GbkText Narrow(const std::u16string& text)
{
    ByteSet wide;
    for (char16_t unit : text) {
        wide.push_back(static_cast<std::uint8_t>(unit));
        wide.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    wide.push_back(0);
    wide.push_back(0);
    return toolkit::WideToMultiByte(wide, toolkit::kCodePageGbk);
}

// The records of a stored block, by tag and slot.
struct DecodedLook {
    std::map<std::pair<std::uint16_t, std::uint16_t>, engine::StoredRecord> records;
    std::vector<GbkText> items;
    std::vector<std::uint16_t> pictureRoles;
    bool opened = false;

    explicit DecodedLook(const void* block)
    {
        engine::StoredDataReader reader;
        opened = reader.OpenBlock(block);
        engine::StoredRecord record;
        while (reader.Next(record)) {
            records[{record.tag, record.slot}] = record;
            if (record.tag == engine::kTagItem) {
                items.push_back(Narrow(record.Text()));
            }
            if (record.tag == engine::kTagPicture) {
                pictureRoles.push_back(record.slot);
            }
        }
    }
    const engine::StoredRecord* Find(std::uint16_t tag, std::uint16_t slot = 0) const
    {
        auto it = records.find({tag, slot});
        return it == records.end() ? nullptr : &it->second;
    }
};

void CheckFont(const DecodedLook& look, std::uint16_t slot, std::int32_t size, std::uint32_t flags,
               std::int64_t colour)
{
    const engine::StoredRecord* font = look.Find(engine::kTagFont, slot);
    ASSERT_NE(font, nullptr) << "font slot " << slot;
    EXPECT_EQ(static_cast<std::int32_t>(font->U32(0)), size);
    EXPECT_EQ(font->U32(4), flags);
    EXPECT_EQ(Narrow(font->Text(8)), kFace);
    const engine::StoredRecord* colourRecord = look.Find(engine::kTagColour, slot);
    ASSERT_NE(colourRecord, nullptr) << "colour slot " << slot;
    EXPECT_EQ(colourRecord->U32(), static_cast<std::uint32_t>(colour));
}

void CheckLook(const ExpectedUnit& unit, const void* block)
{
    DecodedLook look(block);
    ASSERT_TRUE(look.opened);
    EXPECT_EQ(engine::StoredPageNumber(block), 0u);

    const engine::StoredRecord* caption = look.Find(engine::kTagCaption);
    if (unit.caption != nullptr) {
        ASSERT_NE(caption, nullptr);
        EXPECT_EQ(Narrow(caption->Text()), unit.caption);
    } else if (unit.type == kLabelEx) {
        ASSERT_NE(caption, nullptr) << "our own text, but some text";
        EXPECT_FALSE(caption->Text().empty());
    }
    if (unit.fontSize != 0) {
        CheckFont(look, 0, unit.fontSize, unit.fontFlags, unit.colour);
    } else {
        EXPECT_EQ(look.Find(engine::kTagFont), nullptr);
    }
    const engine::StoredRecord* cursor = look.Find(engine::kTagCursor);
    if (unit.cursor != 0) {
        ASSERT_NE(cursor, nullptr);
        EXPECT_EQ(cursor->U32(), unit.cursor);
    } else {
        EXPECT_EQ(cursor, nullptr);
    }
    const engine::StoredRecord* skin = look.Find(engine::kTagSkin, 0);
    if (unit.skin != nullptr) {
        ASSERT_NE(skin, nullptr);
        EXPECT_EQ(Narrow(skin->Text()), unit.skin);
        const engine::StoredRecord* variant = look.Find(engine::kTagSkin, 1);
        if (unit.skinVariant != nullptr) {
            ASSERT_NE(variant, nullptr);
            EXPECT_EQ(Narrow(variant->Text()), unit.skinVariant);
        } else {
            EXPECT_EQ(variant, nullptr);
        }
    } else {
        EXPECT_EQ(skin, nullptr);
    }

    std::vector<std::uint16_t> roles;
    for (const ExpectedPicture& picture : unit.pictures) {
        roles.push_back(picture.role);
        const engine::StoredRecord* stored = look.Find(engine::kTagPicture, picture.role);
        ASSERT_NE(stored, nullptr) << "picture " << picture.role;
        ByteSet file = windows::LoadPicture(picture.id);
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(ByteSet(stored->body, stored->body + stored->size), file)
            << "picture " << picture.role;
    }
    EXPECT_EQ(look.pictureRoles, roles);

    if (unit.type == kChoiceboxEx) {
        const engine::StoredRecord* checked = look.Find(engine::kTagChecked);
        ASSERT_NE(checked, nullptr);
        EXPECT_EQ(checked->U32(), 0u) << "stored not ticked";
    }
    if (unit.type == kComboboxEx) {
        EXPECT_EQ(look.items, (std::vector<GbkText>{"1\xD0\xA1\xCA\xB1", "30\xB7\xD6\xD6\xD3",
                                                    "10\xB7\xD6\xD6\xD3", "5\xB7\xD6\xD6\xD3"}));
        CheckFont(look, 1, 12, 0, K);
        CheckFont(look, 2, 12, 0, 0);
    }
}

class Templates : public ::testing::TestWithParam<std::size_t> {
protected:
    void TearDown() override
    {
        // The main window last: it owns the others.
        std::vector<ExpectedWindow> windows = ExpectedWindows();
        for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
            CloseUnit(it->id, 1);
        }
    }
};

} // namespace

TEST(TemplatesTable, EveryWindowIsRegisteredOnceWithItsOwnUnitFirst)
{
    std::vector<WindowId> ids;
    for (const WindowTemplate* tpl : windows::AllTemplates()) {
        ids.push_back(tpl->id);
        EXPECT_EQ(tpl->unit, 1) << tpl->name;
        EXPECT_EQ(tpl->left, 50) << tpl->name;
        EXPECT_EQ(tpl->top, 50) << tpl->name;
        std::map<UnitId, int> seenIds;
        std::map<std::string, int> seenNames;
        for (const UnitTemplate& unit : tpl->units) {
            EXPECT_NE(unit.id, tpl->unit) << tpl->name;
            EXPECT_EQ(++seenIds[unit.id], 1) << tpl->name << " unit " << unit.id;
            EXPECT_EQ(++seenNames[unit.name], 1) << tpl->name << " unit " << unit.id;
        }
    }
    std::vector<WindowId> expected;
    for (const ExpectedWindow& window : ExpectedWindows()) {
        expected.push_back(window.id);
    }
    EXPECT_EQ(ids, expected);
}

TEST(TemplatesTable, EventsAreBoundToTheirHandlers)
{
    namespace mu = windows::mainunits;
    namespace su = windows::settingsunits;
    using namespace windows;
    struct Case {
        WindowId window;
        UnitId unit;
        UnitEventNumber event;
        EventHandler handler;
    } cases[] = {
        {MainWindow, mu::Window, 8, OnMainFirstActivate},
        {MainWindow, mu::Window, 1, OnMainQueryClose},
        {MainWindow, mu::Window, 2, OnMainDestroy},
        {MainWindow, mu::Window, 9, OnMainTrayEvent},
        {MainWindow, mu::MinimiseButton, 0, OnMinimiseClick},
        {MainWindow, mu::AutoRefreshTimer, 0, OnAutoRefreshTimer},
        {MainWindow, mu::ClothesPicture, 0, OnClothesPictureClick},
        {MainWindow, mu::UmbrellaPicture, 0, OnUmbrellaPictureClick},
        {MainWindow, mu::AirconPicture, 0, OnAirconPictureClick},
        {MainWindow, mu::MenuSettings, 0, OnMainMenuSettings},
        {MainWindow, mu::MenuAbout, 0, OnMainMenuAbout},
        {MainWindow, mu::TrayMenuOpenMain, 0, OnTrayMenuOpenMain},
        {MainWindow, mu::TrayMenuQuit, 0, OnTrayMenuQuit},
        {MainWindow, mu::MenuButton, 0, OnMenuButtonClick},
        {MainWindow, mu::RefreshButton, 0, OnRefreshButtonClick},
        {MainWindow, mu::AlarmButton, 0, OnAlarmButtonClick},
        {MainWindow, mu::CloseButton, 0, OnCloseButtonClick},
        {AlarmDetailWindow, alarmdetailunits::Window, 0, OnAlarmDetailCreated},
        {AlarmDetailWindow, alarmdetailunits::CloseButton, 0, OnAlarmDetailCloseClick},
        {AlarmDetailWindow, alarmdetailunits::AlarmTextLabel, 0, OnAlarmDetailTextClick},
        {AboutWindow, aboutunits::Window, 0, OnAboutWindowCreated},
        {AboutWindow, aboutunits::CloseButton, 0, OnAboutWindowCloseClick},
        {SettingsWindow, su::Window, 0, OnSettingsCreated},
        {SettingsWindow, su::RestoreDefaultsButton, 0, OnRestoreDefaultsClick},
        {SettingsWindow, su::CustomLocationButton, 0, OnCustomLocationClick},
        {SettingsWindow, su::IntervalCombo, 0, OnIntervalComboChanged},
        {SettingsWindow, su::AutoRefreshCheck, 0, OnAutoRefreshCheck},
        {SettingsWindow, su::CheckUpdateButton, 0, OnCheckUpdateClick},
        {SettingsWindow, su::AppPicture, 6, OnWeatherPictureDoubleClick},
        {SettingsWindow, su::CheckUpdateAtStartCheck, 0, OnCheckUpdateAtStartCheck},
        {SettingsWindow, su::TrayFollowsWeatherCheck, 0, OnTrayFollowsWeatherCheck},
        {SettingsWindow, su::ShowTrayIconCheck, 0, OnShowTrayIconCheck},
        {SettingsWindow, su::PushAlarmCheck, 0, OnPushAlarmCheck},
        {SettingsWindow, su::HideAtStartCheck, 0, OnHideAtStartCheck},
        {SettingsWindow, su::RunAtStartupCheck, 0, OnRunAtStartupCheck},
        {SettingsWindow, su::CloseButton, 0, OnSettingsCloseClick},
        {AirconAdviceWindow, airconunits::Window, 0, OnAirconWindowCreated},
        {AirconAdviceWindow, airconunits::CloseButton, 0, OnAirconWindowCloseClick},
        {ClothesAdviceWindow, clothesunits::Window, 0, OnClothesWindowCreated},
        {ClothesAdviceWindow, clothesunits::CloseButton, 0, OnClothesWindowCloseClick},
        {UmbrellaAdviceWindow, umbrellaunits::Window, 0, OnUmbrellaWindowCreated},
        {UmbrellaAdviceWindow, umbrellaunits::CloseButton, 0, OnUmbrellaWindowCloseClick},
        {AlarmPopupWindow, alarmpopupunits::Window, 0, OnAlarmPopupCreated},
        {AlarmPopupWindow, alarmpopupunits::CloseButton, 0, OnAlarmPopupCloseClick},
        {AlarmPopupWindow, alarmpopupunits::AlarmTextLabel, 0, OnAlarmPopupTextClick},
    };
    // Every binding of every template, to be ticked off by the cases.
    std::map<std::tuple<WindowId, UnitId, UnitEventNumber>, EventHandler> bound;
    for (const WindowTemplate* tpl : AllTemplates()) {
        for (const EventBinding& binding : tpl->events) {
            bound[{tpl->id, tpl->unit, binding.event}] = binding.handler;
        }
        for (const UnitTemplate& unit : tpl->units) {
            for (const EventBinding& binding : unit.events) {
                bound[{tpl->id, unit.id, binding.event}] = binding.handler;
            }
        }
    }
    for (const Case& c : cases) {
        auto it = bound.find({c.window, c.unit, c.event});
        ASSERT_NE(it, bound.end())
            << "window " << c.window << " unit " << c.unit << " event " << c.event;
        EXPECT_EQ(it->second, c.handler)
            << "window " << c.window << " unit " << c.unit << " event " << c.event;
        bound.erase(it);
    }
    for (const auto& [key, handler] : bound) {
        ADD_FAILURE() << "unexpected binding: window " << std::get<0>(key) << " unit "
                      << std::get<1>(key) << " event " << std::get<2>(key);
    }
}

TEST(TemplatesTable, MainWindowMenuAndTimerStandInTheirPlaces)
{
    namespace mu = windows::mainunits;
    const WindowTemplate* tpl = Template(windows::MainWindow);
    ASSERT_NE(tpl, nullptr);
    std::vector<UnitId> order;
    for (const UnitTemplate& unit : tpl->units) {
        order.push_back(unit.id);
    }
    // The menu items between the air-conditioner picture and the menu button, the timer second.
    EXPECT_EQ(
        order,
        (std::vector<UnitId>{
            mu::MinimiseButton,   mu::AutoRefreshTimer, mu::ClothesLabel,    mu::UmbrellaLabel,
            mu::AirconLabel,      mu::ClothesPicture,   mu::UmbrellaPicture, mu::AirconPicture,
            mu::MainMenu,         mu::MenuSettings,     mu::MenuAbout,       mu::TrayMenu,
            mu::TrayMenuOpenMain, mu::TrayMenuQuit,     mu::MenuButton,      mu::AreaTimeLabel,
            mu::RefreshButton,    mu::AlarmButton,      mu::PressureLabel,   mu::WeatherStateLabel,
            mu::TipLabel,         mu::HumidityLabel,    mu::CloseButton,     mu::TemperatureLabel,
            mu::WeatherPicture,   mu::LoadingPicture,   mu::WindowSkin}));
    struct Item {
        UnitId id;
        Word level;
        bool hidden;
        const char* caption;
    } items[] = {
        {mu::MainMenu, 0, true, "a"},
        {mu::MenuSettings, 1, false, "\xC9\xE8\xD6\xC3"},
        {mu::MenuAbout, 1, false, "\xB9\xD8\xD3\xDA"},
        {mu::TrayMenu, 0, true, "\xCD\xD0\xC5\xCC\xB5\xAF\xB3\xF6\xB2\xCB\xB5\xA5"},
        {mu::TrayMenuOpenMain, 1, false, "\xB4\xF2\xBF\xAA\xD6\xF7\xBD\xE7\xC3\xE6"},
        {mu::TrayMenuQuit, 1, false, "\xB3\xB9\xB5\xD7\xCD\xCB\xB3\xF6"},
    };
    for (const Item& item : items) {
        const UnitTemplate* unit = UnitOf(*tpl, item.id);
        ASSERT_NE(unit, nullptr);
        EXPECT_EQ(unit->type, kTypeMenuItem);
        EXPECT_EQ(unit->level, item.level) << item.caption;
        EXPECT_EQ(unit->hidden, item.hidden) << item.caption;
        EXPECT_STREQ(unit->caption, item.caption);
    }
    const UnitTemplate* timer = UnitOf(*tpl, mu::AutoRefreshTimer);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->type, kTypeTimer);
    EXPECT_STREQ(timer->name, "\xD7\xD4\xB6\xAF\xCB\xA2\xD0\xC2");
    EXPECT_EQ(timer->properties.size(), 1u);
    EXPECT_EQ(timer->properties[0].index, kTimerInterval);
    EXPECT_EQ(timer->properties[0].value, 0) << "stored stopped";
}

// Each window loaded as its own parent would load it: its skinned controls made in the engine
// in template order, at their places, with their stored look, hidden where stored.
TEST_P(Templates, LoadedWindowCreatesItsControlsAsStored)
{
    const ExpectedWindow expected = ExpectedWindows()[GetParam()];
    const WindowTemplate* tpl = Template(expected.id);
    ASSERT_NE(tpl, nullptr);
    SCOPED_TRACE(tpl->name);
    bool modal = expected.id != windows::MainWindow;
    if (modal) {
        ASSERT_TRUE(LoadWindow(windows::MainWindow));
    }
    g_hooks.clear();
    ASSERT_TRUE(LoadWindow(
        expected.id, modal ? std::optional<WindowId>(windows::MainWindow) : std::nullopt, modal));
    HWND window = WindowHandle(expected.id);
    ASSERT_NE(window, nullptr);

    std::vector<std::string> creates = CreateLines();
    ASSERT_EQ(creates.size(), expected.units.size()) << g_hooks.log();
    std::vector<UnitId> skinnedOrder;
    for (const UnitTemplate& unit : tpl->units) {
        if ((unit.type >> 16) == 3) {
            skinnedOrder.push_back(unit.id);
        }
    }
    std::vector<UnitId> expectedOrder;
    for (const ExpectedUnit& unit : expected.units) {
        expectedOrder.push_back(unit.id);
    }
    EXPECT_EQ(skinnedOrder, expectedOrder);

    for (std::size_t i = 0; i < expected.units.size(); ++i) {
        const ExpectedUnit& unit = expected.units[i];
        const std::string& line = creates[i];
        SCOPED_TRACE(line);
        const UnitTemplate* stored = UnitOf(*tpl, unit.id);
        ASSERT_NE(stored, nullptr);
        EXPECT_EQ(stored->type, unit.type);
        EXPECT_STREQ(stored->name, unit.name);
        EXPECT_EQ(stored->container, unit.container);

        EXPECT_EQ(line.rfind(std::string("CreateControl_") + ClassOf(unit.type) + " ", 0), 0u);
        EXPECT_EQ(Field(line, "unit"), std::to_string(unit.id));
        EXPECT_EQ(Field(line, "window"), std::to_string(expected.id));
        EXPECT_EQ(Field(line, "rect"), std::to_string(unit.left) + "," + std::to_string(unit.top) +
                                           "," + std::to_string(unit.width) + "," +
                                           std::to_string(unit.height));
        // Every control sits on the window: the one container, the skin, comes last.
        EXPECT_EQ(Field(line, "parent"), Hex(reinterpret_cast<PtrWord>(window)));
        HWND host = UnitWindowHandle(expected.id, unit.id);
        ASSERT_NE(host, nullptr);
        EXPECT_EQ(GetParent(host), window);
        EXPECT_EQ(IsWindowVisible(host) != FALSE, unit.visible);

        std::string data = Field(line, "data");
        ASSERT_NE(data, "none");
        CheckLook(unit, reinterpret_cast<const void*>(std::stoull(data, nullptr, 16)));
    }
}

TEST_P(Templates, WindowTakesItsStoredProperties)
{
    const ExpectedWindow expected = ExpectedWindows()[GetParam()];
    SCOPED_TRACE(expected.id);
    ASSERT_TRUE(LoadWindow(expected.id));
    HWND window = WindowHandle(expected.id);
    ASSERT_NE(window, nullptr);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, expected.width);
    EXPECT_EQ(client.bottom, expected.height);
    EXPECT_EQ(testsupport::WindowText(window), expected.caption);

    struct Property {
        PropertyIndex index;
        std::int32_t value;
    } properties[] = {
        {9, 2},
        {10, static_cast<std::int32_t>(0xFF000000u)},
        {12, 1},
        {15, 1},
        {16, 0},
        {17, 1},
        {18, 1},
        {19, expected.movable},
        {22, expected.property22},
        {26, expected.inTaskbar},
        {29, expected.onTop},
        {30, expected.property30},
    };
    for (const Property& property : properties) {
        EXPECT_EQ(GetUnitProperty(expected.id, 1, property.index).AsInt(), property.value)
            << "property " << property.index;
    }
    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    EXPECT_EQ(style & WS_THICKFRAME, 0) << "fixed border";
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_EQ((exStyle & WS_EX_TOPMOST) != 0, expected.onTop == 1);
    EXPECT_EQ((exStyle & WS_EX_APPWINDOW) != 0, expected.inTaskbar == 1);
    HMENU system = GetSystemMenu(window, FALSE);
    EXPECT_EQ(GetMenuState(system, SC_MOVE, MF_BYCOMMAND) != static_cast<UINT>(-1),
              expected.movable == 1);
}

INSTANTIATE_TEST_SUITE_P(EightWindows, Templates, ::testing::Range<std::size_t>(0, 8));

// The two hidden top items are the pop-ups the main window opens; each holds its two items.
TEST(MainWindowMenus, PopupsHoldTheirItems)
{
    namespace mu = windows::mainunits;
    ASSERT_TRUE(LoadWindow(windows::MainWindow));
    EXPECT_EQ(GetMenu(WindowHandle(windows::MainWindow)), nullptr) << "no menu bar";
    struct Case {
        UnitId menu;
        std::vector<std::string> items;
    } cases[] = {
        {mu::MainMenu, {"\xC9\xE8\xD6\xC3", "\xB9\xD8\xD3\xDA"}},
        {mu::TrayMenu,
         {"\xB4\xF2\xBF\xAA\xD6\xF7\xBD\xE7\xC3\xE6", "\xB3\xB9\xB5\xD7\xCD\xCB\xB3\xF6"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> seen;
        std::thread user([&] {
            HWND menu = testsupport::WaitForTopWindow("#32768", nullptr);
            if (menu == nullptr) {
                return;
            }
            auto handle = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
            for (int i = 0; i < GetMenuItemCount(handle); ++i) {
                char text[64] = {};
                GetMenuStringA(handle, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
                seen.push_back(text);
            }
            PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        });
        EXPECT_TRUE(PopupMenu(windows::MainWindow, c.menu, PopupStyle::Normal, 100, 100));
        user.join();
        EXPECT_EQ(seen, c.items);
    }
    CloseUnit(windows::MainWindow, mu::Window);
}
