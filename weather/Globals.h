#pragma once
// The weather application's module-level state. The interface thread and refresh threads
// replace these values while window handlers read them, so each value sits behind its own
// small lock: a reader always gets a whole copy, never a text half replaced. Larger
// read-modify-write steps (one refresh at a time) are kept apart by their callers.

#include <mutex>
#include <utility>

#include "toolkit/Types.h"
#include "weather/WeatherRecord.h"

namespace weather {

template <typename T> class Guarded {
public:
    Guarded() = default;
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

    T Get() const
    {
        std::lock_guard lock(m_mutex);
        return m_value;
    }

    void Set(T value)
    {
        // The old value is released after the lock is given up.
        {
            std::lock_guard lock(m_mutex);
            std::swap(m_value, value);
        }
    }

    // Runs f on the value under the lock, for a change that must not interleave with another.
    template <typename F> auto Update(F&& f)
    {
        std::lock_guard lock(m_mutex);
        return f(m_value);
    }

    void Clear() { Set(T{}); }

private:
    mutable std::mutex m_mutex;
    T m_value{};
};

// Run directory + "\Config.ini".
extern Guarded<GbkText> ConfigPath;
// Province as the geolocation service names it.
extern Guarded<GbkText> Province;
// The custom city of the settings when one is set, else the geolocated city.
extern Guarded<GbkText> City;
// The whole weather request address.
extern Guarded<GbkText> WeatherUrl;

// The settings as read once at start; the settings window changes only the file.
extern Guarded<GbkText> RunAtStartup;
extern Guarded<GbkText> HideAtStart;
extern Guarded<GbkText> PushAlarms;
extern Guarded<GbkText> CheckUpdateAtStart;
extern Guarded<GbkText> ShowTrayIcon;
extern Guarded<GbkText> TrayFollowsWeather;
extern Guarded<GbkText> RefreshInterval;
extern Guarded<GbkText> SavedWeatherUrl;
extern Guarded<GbkText> CustomLocationOn;

// The weather record of the last parsed answer.
extern Guarded<WeatherRecord> CurrentWeather;
// The tips of the last answer.
extern Guarded<TextArray> TipList;
// The update note as plain text.
extern Guarded<GbkText> ShareNoteText;
// The share-note request's header names and values, pair by pair.
extern Guarded<TextArray> HeaderNames;
extern Guarded<TextArray> HeaderValues;
// First sentences of the clothes and air-conditioner advice.
extern Guarded<GbkText> ClothesExtra;
extern Guarded<GbkText> AirconExtra;
// Title of the current weather alarm.
extern Guarded<GbkText> AlarmTitle;
// The window background (PNG) chosen by the current weather, shared by the other windows.
extern Guarded<ByteSet> WeatherImage;

// Gives the weather record all fields empty or zero and empties the tips and header lists;
// runs before anything reads the state.
void InitGlobals();

// Empties every value above, in the order declared; the program's exit routine.
void FreeGlobals();

} // namespace weather
