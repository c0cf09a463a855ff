#include "windows/MainWindowFill.h"

#include <windows.h>

#include <mutex>
#include <random>

#include "framework/Framework.h"
#include "framework/SystemServices.h"
#include "weather/Globals.h"
#include "windows/AlarmCheck.h"
#include "windows/SkinProperties.h"
#include "windows/MainWindowText.h"
#include "windows/Pictures.h"
#include "windows/Templates.h"
#include "windows/WeatherKeywords.h"

namespace windows {

namespace {

using framework::PropertyValue;
using framework::UnitId;
namespace units = mainunits;

// The refresh button takes the alarm button's place when there is no alarm.
constexpr int32_t kAlarmButtonLeft = 42;

bool SetMain(UnitId unit, framework::PropertyIndex index, const PropertyValue& value)
{
    return framework::SetUnitProperty(MainWindow, unit, index, value);
}

// A 0-based index below count. rand() keeps its state per thread in the C runtime, and every
// refresh but the first fills the window from a new thread, which would draw the same first
// number each time; one generator for the whole process lets every tip come up.
size_t RandomIndex(size_t count)
{
    static std::mutex mutex;
    static std::minstd_rand generator(GetTickCount());
    std::lock_guard lock(mutex);
    return std::uniform_int_distribution<size_t>(0, count - 1)(generator);
}

void ShowTip()
{
    TextArray tips = weather::TipList.Get();
    if (tips.empty()) {
        return;
    }
    SetMain(units::TipLabel, skinprop::kCaption, TipCaption(tips[RandomIndex(tips.size())]));
}

void ShowAlarm(const GbkText& alarmDetail)
{
    bool hasAlarm = !alarmDetail.empty();
    SetMain(units::AlarmButton, skinprop::kVisible, hasAlarm);
    if (hasAlarm) {
        GbkText title = AlarmTitleFromDetail(alarmDetail, weather::City.Get());
        SetMain(units::AlarmButton, skinprop::kCaption, title);
        weather::AlarmTitle.Set(title);
    } else {
        // Decided from the detail rather than read back from the button: a button on a hidden
        // window reads as invisible too, and would move the refresh button for no alarm.
        PropertyValue width =
            framework::GetUnitProperty(MainWindow, units::TemperatureLabel, skinprop::kWidth);
        SetMain(units::RefreshButton, skinprop::kLeft, kAlarmButtonLeft);
        SetMain(units::RefreshButton, skinprop::kWidth, width.AsInt());
    }
    SetMain(units::RefreshButton, skinprop::kVisible, true);
}

void ShowWeatherLook(const weather::WeatherRecord& record)
{
    const WeatherLook* look = FindWeatherLook(record.WeatherText);
    if (look == nullptr) {
        return;
    }
    SetMain(units::WeatherPicture, skinprop::kPicture, LoadPicture(look->picture));
    ByteSet background = LoadPicture(look->background);
    SetMain(units::WindowSkin, skinprop::kBackgroundImage, background);
    weather::WeatherImage.Set(std::move(background));
    if (weather::TrayFollowsWeather.Get() == "1") {
        framework::SetTrayIcon(MainWindow, LoadPicture(look->trayIcon),
                               DegreeCaption(record.Degree) + " " + record.WeatherText);
    }
}

} // namespace

void FillMainWindow()
{
    GbkText customCity = framework::ReadConfigValue(weather::ConfigPath.Get(), "URL", "City_");
    // The escaped line breaks leave the record itself in one step, so that the alarm windows
    // read the detail as shown here.
    weather::WeatherRecord record =
        weather::CurrentWeather.Update([](weather::WeatherRecord& current) {
            current.AlarmDetail = RemoveEscapedLineBreaks(current.AlarmDetail);
            return current;
        });

    SetMain(units::TemperatureLabel, skinprop::kCaption, DegreeCaption(record.Degree));
    SetMain(units::HumidityLabel, skinprop::kCaption, HumidityCaption(record.Humidity));
    SetMain(units::PressureLabel, skinprop::kCaption, PressureCaption(record.Pressure));
    SetMain(units::WeatherStateLabel, skinprop::kCaption, record.WeatherText);
    SetMain(units::AreaTimeLabel, skinprop::kCaption,
            AreaLine(customCity, weather::City.Get(), record.UpdateTime));
    SetMain(units::AreaTimeLabel, skinprop::kVisible, true);
    ShowTip();
    ShowAlarm(record.AlarmDetail);
    ShowWeatherLook(record);
    ShowIndexControls();
    // The record and AlarmTitle are this refresh's by now, which is what the check compares.
    framework::StartThread(CheckWeatherAlarmThread);
}

void ShowIndexControls()
{
    const UnitId shown[] = {units::AirconPicture, units::UmbrellaPicture, units::ClothesPicture,
                            units::AirconLabel,   units::UmbrellaLabel,   units::ClothesLabel};
    for (UnitId unit : shown) {
        SetMain(unit, skinprop::kVisible, true);
    }
}

} // namespace windows
