#pragma once
// The settings file "Config.ini": the nine values read into the in-memory settings once at
// start, and the defaults written on the first run.

namespace weather {

// Reads the nine settings from the file at ConfigPath (a missing key reads "0"). When the file
// does not exist yet, writes the defaults into it first and holds the defaults in memory, so
// that the first run behaves like every later one. Runs once, on the interface thread, after
// WeatherUrl is built.
void LoadConfig();

// Writes the nine defaults to ConfigPath in their fixed order, "URL" "To" being the current
// WeatherUrl. Leaves every other key of the file alone.
void WriteDefaultConfig();

// Thread entry (for StartThread) that runs WriteDefaultConfig.
void WriteDefaultConfigThread(void* unused);

} // namespace weather
