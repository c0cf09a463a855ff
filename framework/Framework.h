#pragma once
// The window framework: loads windows from their templates, keeps their units and properties,
// raises the events bound in the templates and runs the message loop. Every window lives on the
// interface thread (the thread that called Initialise); a call from another thread is carried
// out there and waits for it. A call that names a window or unit that no longer exists does
// nothing and reports false or an empty value.

#include <functional>
#include <optional>
#include <span>

#include <windows.h>

#include "framework/LibraryProtocol.h"
#include "framework/PropertyValue.h"
#include "framework/Template.h"

namespace framework {

// Makes the run directory the current directory, keeps the library table (library number n is
// entry n - 1; an empty entry is a library without a record), calls every library's notify entry
// with (1, the framework's notify function, 0) and keeps the templates. Call once, on the thread
// that is to run the windows.
bool Initialise(std::span<const LibraryInfo* const> libraries,
                std::span<const WindowTemplate* const> templates);

// Runs the message loop until the last window is gone or the program quits; returns the exit
// code of the quit.
int RunMessageLoop();

// Creates the window and its units in template order, raises its event 0 and shows it. With
// modal true the program's other windows are disabled until this one is destroyed. A window
// that is already open is brought to the front instead. Returns false when the template is
// unknown or the window could not be created.
bool LoadWindow(WindowId window, std::optional<WindowId> parent = std::nullopt, bool modal = false);

// Destroys a window (raising its event 2) when `unit` is the window's own unit, else the unit.
bool CloseUnit(WindowId window, UnitId unit);

bool SetUnitProperty(WindowId window, UnitId unit, PropertyIndex index, const PropertyValue& value);
// The empty value for a window or unit that does not exist.
PropertyValue GetUnitProperty(WindowId window, UnitId unit, PropertyIndex index);

enum class PopupStyle {
    // At the cursor or the point given, tracking the right button.
    Normal,
    // For the notification icon: the window comes to the front and the menu opens right-aligned
    // 5 pixels up and left of the cursor.
    Tray,
};
// Pops up the hidden top-level menu item `menu` of the window; the chosen item raises its
// event 0. Returns once the menu has closed.
bool PopupMenu(WindowId window, UnitId menu, PopupStyle style = PopupStyle::Normal,
               std::optional<Word> x = std::nullopt, std::optional<Word> y = std::nullopt);

// The window's single notification-area icon. An icon (ICO file bytes) given: added, or, when
// one is shown, replaced with the new tip (none clears it). No icon given: the shown icon is
// removed. The tip keeps its first 62 bytes. An icon the shell lost (it restarted) is added
// again, both when the shell announces itself and when the icon is next replaced. Returns false
// when nothing could be done (bytes that are no icon, no such window, the shell refused).
bool SetTrayIcon(WindowId window, std::optional<ByteSet> icon = std::nullopt,
                 std::optional<GbkText> tip = std::nullopt);

// What a window's notification icon was last set with: the ICO file and the tip as kept.
struct TrayIconSet {
    ByteSet icon;
    GbkText tip;
};
// The window's icon as SetTrayIcon last set it, for setting it again after taking it away;
// nothing when the window shows none.
std::optional<TrayIconSet> ShownTrayIcon(WindowId window);

// Handles the messages pending for the calling thread and returns.
void ProcessEvents();

// Runs `work` on the interface thread and waits for it. The services called inside run there
// directly, so that a worker can look at a window and act on it with nothing coming between
// (the window closed and another one opened under its id).
void RunOnInterfaceThread(const std::function<void()>& work);

// The top-level window of an open window, or null; for owners of boxes and for tests.
HWND WindowHandle(WindowId window);
// The window of a unit that has one (a library unit's host window, the window's own unit), or
// null.
HWND UnitWindowHandle(WindowId window, UnitId unit);

// The notify function libraries receive at start; exposed for the libraries' tests.
PtrWord FRAMEWORK_CALL FrameworkNotify(Word code, PtrWord argument1, PtrWord argument2);

// Identifier the notification icon is shown under, and the message it reports with.
constexpr UINT kTrayIconId = 100;
constexpr UINT kTrayCallbackMessage = 0x8064;

} // namespace framework
