#pragma once
// The weather application's window templates and the ids the handlers address them by.
//
// Unit ids are given in each window's creation order, the window's own unit first; the comment
// on each id is the unit's name as its template stores it.

#include <span>

#include "framework/Template.h"

namespace windows {

inline constexpr framework::WindowId MainWindow = 1;
inline constexpr framework::WindowId AlarmDetailWindow = 2;
inline constexpr framework::WindowId AboutWindow = 3;
inline constexpr framework::WindowId SettingsWindow = 4;
inline constexpr framework::WindowId AirconAdviceWindow = 5;
inline constexpr framework::WindowId ClothesAdviceWindow = 6;
inline constexpr framework::WindowId UmbrellaAdviceWindow = 7;
inline constexpr framework::WindowId AlarmPopupWindow = 8;

namespace mainunits {
using framework::UnitId;
inline constexpr UnitId Window = 1;
inline constexpr UnitId MinimiseButton = 2;   // 图片按钮EX2
inline constexpr UnitId AutoRefreshTimer = 3; // 自动刷新
inline constexpr UnitId ClothesLabel = 4;     // 建议3
inline constexpr UnitId UmbrellaLabel = 5;    // 建议2
inline constexpr UnitId AirconLabel = 6;      // 建议
inline constexpr UnitId ClothesPicture = 7;   // 穿衣建议图片
inline constexpr UnitId UmbrellaPicture = 8;  // 雨伞图片
inline constexpr UnitId AirconPicture = 9;    // 空调建议图片
inline constexpr UnitId MainMenu = 10;        // a (hidden pop-up top of 图片按钮EX1)
inline constexpr UnitId MenuSettings = 11;    // 设置
inline constexpr UnitId MenuAbout = 12;       // 关于
inline constexpr UnitId TrayMenu = 13; // 托盘弹出菜单 (hidden pop-up top of the tray icon)
inline constexpr UnitId TrayMenuOpenMain = 14;  // 打开主界面
inline constexpr UnitId TrayMenuQuit = 15;      // 彻底退出
inline constexpr UnitId MenuButton = 16;        // 图片按钮EX1
inline constexpr UnitId AreaTimeLabel = 17;     // 区域时间
inline constexpr UnitId RefreshButton = 18;     // 刷新
inline constexpr UnitId AlarmButton = 19;       // 按钮EX2
inline constexpr UnitId PressureLabel = 20;     // 气压指数
inline constexpr UnitId WeatherStateLabel = 21; // 天气状况
inline constexpr UnitId TipLabel = 22;          // 提示
inline constexpr UnitId HumidityLabel = 23;     // 湿度指数
inline constexpr UnitId CloseButton = 24;       // 按钮EX1
inline constexpr UnitId TemperatureLabel = 25;  // 温度指数
inline constexpr UnitId WeatherPicture = 26;    // 天气图片
inline constexpr UnitId LoadingPicture = 27;    // 图片框EX1
inline constexpr UnitId WindowSkin = 28;        // 窗口EX1
} // namespace mainunits

namespace alarmdetailunits {
using framework::UnitId;
inline constexpr UnitId Window = 1;
inline constexpr UnitId CloseButton = 2;    // 按钮EX1
inline constexpr UnitId AlarmTypeLabel = 3; // 预警类型
inline constexpr UnitId AlarmTextLabel = 4; // 预警信息详细
inline constexpr UnitId WindowSkin = 5;     // 窗口EX1
} // namespace alarmdetailunits

namespace aboutunits {
using framework::UnitId;
inline constexpr UnitId Window = 1;
inline constexpr UnitId SourceLabel = 2;  // 名称2
inline constexpr UnitId TaglineLabel = 3; // 名称1
inline constexpr UnitId CloseButton = 4;  // X1
inline constexpr UnitId AppPicture = 5;   // 图片框EX1
inline constexpr UnitId NameLabel = 6;    // 名称
inline constexpr UnitId WindowSkin = 7;   // 窗口EX1
} // namespace aboutunits

namespace settingsunits {
using framework::UnitId;
inline constexpr UnitId Window = 1;
inline constexpr UnitId RestoreDefaultsButton = 2;    // 自定义所在区域1
inline constexpr UnitId RestartNoteLabel = 3;         // 版本1
inline constexpr UnitId CustomLocationButton = 4;     // 自定义所在区域
inline constexpr UnitId IntervalCombo = 5;            // 组合框EX1
inline constexpr UnitId AutoRefreshCheck = 6;         // 选择框EX7
inline constexpr UnitId VersionLabel = 7;             // 版本
inline constexpr UnitId CheckUpdateButton = 8;        // 检查更新
inline constexpr UnitId UpdateTitleLabel = 9;         // 名称
inline constexpr UnitId AppPicture = 10;              // 天气图片
inline constexpr UnitId CheckUpdateAtStartCheck = 11; // 选择框EX6
inline constexpr UnitId TrayFollowsWeatherCheck = 12; // 选择框EX5
inline constexpr UnitId ShowTrayIconCheck = 13;       // 选择框EX4
inline constexpr UnitId PushAlarmCheck = 14;          // 选择框EX3
inline constexpr UnitId HideAtStartCheck = 15;        // 选择框EX2
inline constexpr UnitId RunAtStartupCheck = 16;       // 选择框EX1
inline constexpr UnitId CloseButton = 17;             // 按钮EX1
inline constexpr UnitId WindowSkin = 18;              // 窗口EX1
} // namespace settingsunits

// The three advice windows share one layout; only the order of their two labels differs.
namespace airconunits {
using framework::UnitId;
inline constexpr UnitId Window = 1;
inline constexpr UnitId DetailLabel = 2; // 提示1
inline constexpr UnitId InfoLabel = 3;   // 提示
inline constexpr UnitId CloseButton = 4; // 按钮EX1
inline constexpr UnitId WindowSkin = 5;  // 窗口EX1
} // namespace airconunits

namespace clothesunits {
using framework::UnitId;
inline constexpr UnitId Window = 1;
inline constexpr UnitId DetailLabel = 2; // 提示1
inline constexpr UnitId InfoLabel = 3;   // 提示 (inside 窗口EX1)
inline constexpr UnitId CloseButton = 4; // 按钮EX1
inline constexpr UnitId WindowSkin = 5;  // 窗口EX1
} // namespace clothesunits

namespace umbrellaunits {
using framework::UnitId;
inline constexpr UnitId Window = 1;
inline constexpr UnitId InfoLabel = 2;   // 提示
inline constexpr UnitId DetailLabel = 3; // 提示1 (inside 窗口EX1)
inline constexpr UnitId CloseButton = 4; // 按钮EX1
inline constexpr UnitId WindowSkin = 5;  // 窗口EX1
} // namespace umbrellaunits

namespace alarmpopupunits {
using framework::UnitId;
inline constexpr UnitId Window = 1;
inline constexpr UnitId CloseButton = 2;     // 按钮EX1
inline constexpr UnitId AlarmTextLabel = 3;  // 预警类型_详细
inline constexpr UnitId AlarmTitleLabel = 4; // 预警类型_
inline constexpr UnitId WindowSkin = 5;      // 窗口EX1
} // namespace alarmpopupunits

// Every template of the application, for the framework's start.
std::span<const framework::WindowTemplate* const> AllTemplates();

} // namespace windows
