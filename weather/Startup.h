#pragma once
// Start-up of the weather application: one copy only, then where the user is and which
// weather address to ask.

#include <span>

#include "framework/Template.h"
#include "toolkit/Types.h"

namespace weather {

// Name of the event whose existence tells that a copy is running.
inline constexpr char kInstanceEventName[] = "_LumarcApp_Lumo_Skyvane_";

// The windows the program runs with, which the window code owns: every window template, and
// the main window that start-up opens.
struct ProgramWindows {
    std::span<const framework::WindowTemplate* const> templates;
    framework::WindowId mainWindow = 0;
};

// The program's whole life, called once when the process starts; returns 0 at its end.
int ProgramEntry(const ProgramWindows& windows);

// One copy only, then LocateUser for the run directory, the random generator seeded again and
// the settings loaded; opens mainWindow. Returns 0.
int Startup(framework::WindowId mainWindow);

// Ends the process at once (exit routines run, exit code 0) when another process holds the
// event of this name; otherwise creates the event, which then lives as long as this process.
void EnsureSingleInstance(const GbkText& name);

// Sets ConfigPath to runDirectory + "\Config.ini", Province and City from the geolocation
// service (City from the settings' [URL] City_ when that is not empty), and WeatherUrl for
// them. Without an answer Province and the geolocated City are empty and the address is still
// built.
void LocateUser(const GbkText& runDirectory);

// The geolocation answer as a text in the system code page; empty without an answer.
GbkText ReadGeolocationAnswer();

// Province and city cut out of a geolocation answer; empty when their markers are missing.
GbkText ProvinceFromAnswer(const GbkText& answer);
GbkText CityFromAnswer(const GbkText& answer);

// The weather request address for a province and a city, each percent-encoded as UTF-8.
GbkText MakeWeatherUrl(const GbkText& province, const GbkText& city);

} // namespace weather
