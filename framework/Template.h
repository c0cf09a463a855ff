#pragma once
// Window templates as data: a window's own properties and its units in creation order, each with
// its type, geometry, stored look and the handlers bound to its events. Templates are constant
// tables; the framework reads them when it loads a window and never changes them.

#include <cstdint>
#include <optional>
#include <span>

#include "framework/LibraryProtocol.h"

namespace framework {

// Types of the framework's own library (library 1).
constexpr UnitTypeCode kTypeWindow = 0x10001;
constexpr UnitTypeCode kTypeMenuItem = 0x10003;
constexpr UnitTypeCode kTypeTimer = 0x10020;

// Event numbers the framework raises itself.
constexpr UnitEventNumber kEventCreated = 0;
constexpr UnitEventNumber kEventCloseQuery = 1;
constexpr UnitEventNumber kEventDestroying = 2;
constexpr UnitEventNumber kEventFirstActivation = 8;
constexpr UnitEventNumber kEventTrayIcon = 9;
constexpr UnitEventNumber kEventTimerTick = 0;
constexpr UnitEventNumber kEventMenuChosen = 0;

// What a handler receives: the unit the event belongs to and the event's arguments.
struct UnitEvent {
    WindowId window = 0;
    UnitId unit = 0;
    UnitEventNumber number = 0;
    Word argumentCount = 0;
    PtrWord arguments[5] = {};
};

// A handler gives a result or none. A close-query handler that gives 0 (false) keeps its window;
// a library event passes the result back to the library.
using EventResult = std::optional<PtrWord>;
using EventHandler = EventResult (*)(const UnitEvent& event);

struct EventBinding {
    UnitEventNumber event;
    EventHandler handler;
};

// An integer or logical property set at creation; texts and pictures of library units travel in
// their stored engine data instead.
struct StoredProperty {
    PropertyIndex index;
    std::int32_t value;
};

struct UnitTemplate {
    UnitId id = 0;
    UnitTypeCode type = 0;
    // Unique within the window; handlers' descriptions refer to units by it.
    const char* name = "";
    Word left = 0;
    Word top = 0;
    Word width = 0;
    Word height = 0;
    bool visible = true;
    // The unit whose window holds this one once it exists; 0 for the window itself.
    UnitId container = 0;
    // Library units: the stored property data (word 12, page number, the engine's bytes), handed
    // to the library's create routine unchanged; empty for none.
    std::span<const std::uint8_t> data = {};
    // Timer and other framework units: properties set at creation (a timer's interval is 8).
    std::span<const StoredProperty> properties = {};
    // Menu items: level 0 is a top item, level 1 an item under the previous top item; a hidden
    // top item exists only to be popped up.
    Word level = 0;
    bool hidden = false;
    const char* caption = "";
    std::span<const EventBinding> events = {};
};

struct WindowTemplate {
    WindowId id = 0;
    // The window's own unit, which carries the window-level properties and events.
    UnitId unit = 0;
    const char* name = "";
    const char* caption = "";
    // Position of the window and size of its client area.
    Word left = 50;
    Word top = 50;
    Word width = 0;
    Word height = 0;
    // Window properties that differ from the framework's defaults.
    std::span<const StoredProperty> properties = {};
    std::span<const EventBinding> events = {};
    std::span<const UnitTemplate> units = {};
};

// Window property indices the framework acts on.
namespace windowprop {
constexpr PropertyIndex kLeft = 0;
constexpr PropertyIndex kTop = 1;
constexpr PropertyIndex kWidth = 2;
constexpr PropertyIndex kHeight = 3;
constexpr PropertyIndex kTag = 4;
constexpr PropertyIndex kVisible = 5;
constexpr PropertyIndex kDisabled = 6;
constexpr PropertyIndex kMousePointer = 7;
constexpr PropertyIndex kCaption = 8;
constexpr PropertyIndex kBorderStyle = 9;
constexpr PropertyIndex kBackgroundColour = 10;
constexpr PropertyIndex kControlBox = 15;
constexpr PropertyIndex kMaximiseBox = 16;
constexpr PropertyIndex kMinimiseBox = 17;
// 0 normal, 1 centred on the screen, 2 minimised, 3 maximised.
constexpr PropertyIndex kPosition = 18;
constexpr PropertyIndex kMovable = 19;
constexpr PropertyIndex kInTaskbar = 26;
constexpr PropertyIndex kAlwaysOnTop = 29;
} // namespace windowprop

// A timer unit's interval in milliseconds; 0 or less stops it.
constexpr PropertyIndex kTimerInterval = 8;

} // namespace framework
