#pragma once
// Windows tests of the window handlers: the framework started as the program starts it, with
// the program's templates and the recording stand-in for VeneerCore.dll remembering what the
// handlers write, so that a test loads a real window, clicks its controls and reads back what
// the user would see. Header-only; each test executable includes it once.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "engine/EngineInterface.h"
#include "framework/Framework.h"
#include "framework/SystemServices.h"
#include "skin/VeneerLibrary.h"
#include "tests/support/TestEngine.h"
#include "tests/support/TestFolders.h"
#include "tests/support/UiDriver.h"
#include "weather/Globals.h"
#include "windows/Templates.h"

namespace testsupport {

struct RecordingHooks {
    void(ENGINE_CALL* remember)(engine::Word) = nullptr;
    engine::PtrWord(ENGINE_CALL* raiseEvent)(engine::ControlHandle, engine::Word,
                                             engine::PtrWord) = nullptr;
};

inline RecordingHooks& Hooks()
{
    static RecordingHooks hooks;
    return hooks;
}

// Starts the framework once for the whole test executable. Every test then has the global
// state fresh and ConfigPath in a folder of its own.
class HandlerEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_engineFolder = InstallRecordingEngine("skyvane-handlers-engine");
        ASSERT_FALSE(m_engineFolder.empty());

        static const framework::LibraryInfo* const kLibraries[7] = {nullptr, nullptr,
                                                                    &skin::VeneerLibraryInfo};
        ASSERT_TRUE(framework::Initialise(kLibraries, windows::AllTemplates()));
        auto module = static_cast<HMODULE>(skin::VeneerEngineModule());
        ASSERT_NE(module, nullptr) << "the binding found no engine";
        HookEngine(module, "Recording_Remember", Hooks().remember);
        HookEngine(module, "Recording_RaiseEvent", Hooks().raiseEvent);
        Hooks().remember(1);
    }

    void TearDown() override { RemoveRecordingEngine(m_engineFolder); }

private:
    std::string m_engineFolder;
};

// Per test: fresh globals, a settings file path of its own (the file itself not yet there), and
// no window left open afterwards.
class HandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        weather::FreeGlobals();
        weather::InitGlobals();
        m_folder = MakeTempFolder("skyvane-handlers");
        m_config = m_folder + "\\Config.ini";
        DeleteFileA(m_config.c_str());
        weather::ConfigPath.Set(m_config);
    }

    void TearDown() override
    {
        for (framework::WindowId window = 1; window <= 8; ++window) {
            framework::CloseUnit(window, 1);
        }
        // Lets through what is queued for this thread, a worker's call on a window just closed
        // among it (the alarm notice's slide), so that the worker finds the window gone and
        // ends. Nothing rests on how long: the slide acts only on the notice it was started
        // for, never on one the next test opens.
        PumpFor(std::chrono::milliseconds(100));
        DeleteFileA(m_config.c_str());
        RemoveDirectoryA(m_folder.c_str());
    }

    std::string Ini(const char* section, const char* key) const
    {
        return framework::ReadConfigValue(m_config, section, key, GbkText("<none>"));
    }

    void WriteIni(const char* section, const char* key, const std::string& value) const
    {
        framework::WriteConfigValue(m_config, section, key, value);
    }

    std::string m_folder;
    std::string m_config;
};

inline engine::ControlHandle ControlOf(framework::WindowId window, framework::UnitId unit)
{
    HWND host = framework::UnitWindowHandle(window, unit);
    return host == nullptr ? nullptr
                           : static_cast<engine::ControlHandle>(GetPropA(host, "Tab_Control"));
}

// Raises a skinned control's event as the engine does when the user acts on it; runs the
// bound handler on the calling (interface) thread. False when the control does not exist.
inline bool RaiseControlEvent(framework::WindowId window, framework::UnitId unit,
                              engine::Word eventNumber)
{
    engine::ControlHandle control = ControlOf(window, unit);
    if (control == nullptr) {
        return false;
    }
    Hooks().raiseEvent(control, eventNumber + engine::kEventCodeOrigin - control->eventBase, 0);
    return true;
}

inline bool Click(framework::WindowId window, framework::UnitId unit)
{
    return RaiseControlEvent(window, unit, engine::kEventMainAction);
}

// A check box clicked by the user: its state changes, then its event runs.
inline bool ClickCheckBox(framework::WindowId window, framework::UnitId unit, bool ticked)
{
    framework::SetUnitProperty(window, unit, 16, ticked);
    return Click(window, unit);
}

inline std::string Caption(framework::WindowId window, framework::UnitId unit)
{
    return framework::GetUnitProperty(window, unit, 20).AsText();
}

} // namespace testsupport
