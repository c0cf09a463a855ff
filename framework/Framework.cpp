#include "framework/Framework.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "framework/IconBytes.h"
#include "framework/SystemServices.h"
#include "toolkit/ScopedWin.h"

namespace framework {
namespace {

constexpr UINT kRunOnInterfaceThread = WM_APP + 0x101;
constexpr UINT kRaiseFirstActivation = WM_APP + 0x102;
constexpr char kWindowClass[] = "SkyvaneFrameworkWindow";
constexpr char kDispatcherClass[] = "SkyvaneFrameworkDispatcher";
constexpr UINT kFirstMenuCommand = 1000;
constexpr Word kFirstControlId = 100;
constexpr Word kControlIdStep = 10;
constexpr std::size_t kTrayTipBytes = 62;

struct Unit {
    const UnitTemplate* tpl = nullptr;
    UnitId id = 0;
    UnitTypeCode type = 0;
    Word left = 0;
    Word top = 0;
    Word width = 0;
    Word height = 0;
    bool visible = true;
    bool disabled = false;
    // Library units.
    const UnitTypeInfo* typeInfo = nullptr;
    UnitHandle handle = 0;
    HWND host = nullptr;
    // The property data the control was last made again from; until then the template's, which
    // lives as long as the program and is not copied (a window skin's carries its background).
    ByteSet data;
    Word controlId = 0;
    // Set while the unit's control is torn down to be made again, so that the library's report
    // of its end does not forget the unit.
    bool recreating = false;
    // Timers.
    UINT_PTR timerId = 0;
    Word interval = 0;
    // Menu items: the pop-up of a top item, the command of an item under one.
    HMENU popup = nullptr;
    UINT command = 0;
    // Whatever else was written, read back as written.
    std::map<PropertyIndex, PropertyValue> stored;
};

struct Window {
    const WindowTemplate* tpl = nullptr;
    WindowId id = 0;
    HWND hwnd = nullptr;
    bool activated = false;
    bool shown = false;
    // Windows this one disabled when it was loaded modal; enabled again when it goes.
    std::vector<WindowId> disabledByMe;
    std::map<PropertyIndex, PropertyValue> props;
    std::vector<std::unique_ptr<Unit>> units;
    // The notification icon as last set, kept so that it can be shown again: the shell forgets
    // it when it restarts, and a caller may take it away for a while and want it back.
    toolkit::ScopedIcon trayIcon;
    ByteSet trayFile;
    GbkText trayTip;
    HMENU lastTopMenu = nullptr;
    // Pop-ups of hidden top items belong to no menu bar and are destroyed with the window.
    std::vector<HMENU> loosePopups;
    UINT nextCommand = kFirstMenuCommand;
    UINT_PTR nextTimerId = 1;
    Word nextControlId = kFirstControlId;
};

std::vector<const LibraryInfo*> g_libraries;
std::vector<const WindowTemplate*> g_templates;
DWORD g_interfaceThread = 0;
// What the shell broadcasts to the top-level windows once it has (re)started; its icons are gone.
UINT g_taskbarCreated = 0;
HWND g_dispatcher = nullptr;
bool g_loopRunning = false;
// Touched on the interface thread only.
std::map<WindowId, std::unique_ptr<Window>> g_windows;
std::set<UnitObject*> g_unitObjects;
// Window handles are also looked up from other threads (owners of message boxes).
std::mutex g_handleMutex;
std::map<WindowId, HWND> g_handles;

// Runs `work` on the interface thread and waits for it. A sent message is handled even while
// that thread sits in a message box, a menu or a wait that pumps messages, so this cannot hang
// on those; when the dispatcher is gone (the program is ending) the work is dropped.
void OnInterfaceThread(const std::function<void()>& work)
{
    if (g_dispatcher == nullptr || GetCurrentThreadId() == g_interfaceThread) {
        work();
        return;
    }
    SendMessageA(g_dispatcher, kRunOnInterfaceThread, 0, reinterpret_cast<LPARAM>(&work));
}

LRESULT CALLBACK DispatcherProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRunOnInterfaceThread) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

Window* FindWindowState(WindowId id)
{
    auto it = g_windows.find(id);
    return it == g_windows.end() ? nullptr : it->second.get();
}

Window* FindWindowByHandle(HWND hwnd)
{
    for (auto& [id, window] : g_windows) {
        if (window->hwnd == hwnd) {
            return window.get();
        }
    }
    return nullptr;
}

Unit* FindUnit(Window& window, UnitId id)
{
    for (auto& unit : window.units) {
        if (unit->id == id) {
            return unit.get();
        }
    }
    return nullptr;
}

Unit* FindUnit(WindowId windowId, UnitId unitId)
{
    Window* window = FindWindowState(windowId);
    return window == nullptr ? nullptr : FindUnit(*window, unitId);
}

const WindowTemplate* FindTemplate(WindowId id)
{
    for (const WindowTemplate* tpl : g_templates) {
        if (tpl != nullptr && tpl->id == id) {
            return tpl;
        }
    }
    return nullptr;
}

const UnitTypeInfo* LibraryType(UnitTypeCode code)
{
    std::size_t library = static_cast<std::uint32_t>(code) >> 16;
    Word slot = code & 0xFFFF;
    if (library < 1 || library > g_libraries.size()) {
        return nullptr;
    }
    const LibraryInfo* info = g_libraries[library - 1];
    if (info == nullptr || info->types == nullptr || slot < 1 || slot > info->typeCount) {
        return nullptr;
    }
    const UnitTypeInfo* type = &info->types[slot - 1];
    return type->getInterface != nullptr ? type : nullptr;
}

template <typename Routine> Routine Interface(const Unit& unit, Word number)
{
    if (unit.typeInfo == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Routine>(unit.typeInfo->getInterface(number));
}

EventResult Raise(WindowId windowId, UnitId unitId, UnitEventNumber number,
                  std::span<const PtrWord> arguments = {})
{
    Window* window = FindWindowState(windowId);
    if (window == nullptr) {
        return std::nullopt;
    }
    std::span<const EventBinding> bindings;
    if (unitId == window->tpl->unit) {
        bindings = window->tpl->events;
    } else if (Unit* unit = FindUnit(*window, unitId); unit != nullptr && unit->tpl != nullptr) {
        bindings = unit->tpl->events;
    }
    auto binding = std::find_if(bindings.begin(), bindings.end(),
                                [number](const EventBinding& b) { return b.event == number; });
    if (binding == bindings.end() || binding->handler == nullptr) {
        return std::nullopt;
    }
    UnitEvent event;
    event.window = windowId;
    event.unit = unitId;
    event.number = number;
    event.argumentCount = static_cast<Word>(std::min<std::size_t>(arguments.size(), 5));
    std::copy_n(arguments.begin(), event.argumentCount, event.arguments);
    // The handler may destroy the window; nothing of it is touched afterwards.
    return binding->handler(event);
}

std::int32_t StoredInt(const Window& window, PropertyIndex index)
{
    auto it = window.props.find(index);
    return it == window.props.end() ? 0 : it->second.AsInt();
}

// Window properties of a template that stores none; a template lists only its differences.
void SetDefaultWindowProperties(Window& window)
{
    using namespace windowprop;
    window.props[kVisible] = true;
    window.props[kBorderStyle] = 2;
    window.props[kBackgroundColour] = static_cast<std::int32_t>(0xFF000000u);
    window.props[12] = 1;
    window.props[kControlBox] = true;
    window.props[kMaximiseBox] = false;
    window.props[kMinimiseBox] = true;
    window.props[kPosition] = 1;
    window.props[kMovable] = true;
    window.props[22] = true;
    window.props[kInTaskbar] = true;
}

void WindowStyles(const Window& window, bool hasParent, DWORD& style, DWORD& exStyle)
{
    using namespace windowprop;
    style = WS_CLIPCHILDREN;
    exStyle = 0;
    // Border styles: 0 none, 1 sizable, 2 fixed, 3 and 4 the same with a narrow title bar,
    // 5 and 6 the same with a dialog frame.
    std::int32_t border = StoredInt(window, kBorderStyle);
    if (border == 0) {
        style |= WS_POPUP;
    } else {
        style |= WS_OVERLAPPED | WS_CAPTION;
        if (border % 2 == 1) {
            style |= WS_THICKFRAME;
        }
        if (border == 3 || border == 4) {
            exStyle |= WS_EX_TOOLWINDOW;
        }
        if (border == 5 || border == 6) {
            exStyle |= WS_EX_DLGMODALFRAME;
        }
        if (StoredInt(window, kControlBox) != 0) {
            style |= WS_SYSMENU;
            if (StoredInt(window, kMaximiseBox) != 0) {
                style |= WS_MAXIMIZEBOX;
            }
            if (StoredInt(window, kMinimiseBox) != 0) {
                style |= WS_MINIMIZEBOX;
            }
        }
    }
    if (StoredInt(window, kAlwaysOnTop) != 0) {
        exStyle |= WS_EX_TOPMOST;
    }
    if (StoredInt(window, kInTaskbar) != 0) {
        exStyle |= WS_EX_APPWINDOW;
    } else if (!hasParent) {
        exStyle |= WS_EX_TOOLWINDOW;
    }
}

bool HasMenuBar(const WindowTemplate& tpl)
{
    return std::any_of(tpl.units.begin(), tpl.units.end(), [](const UnitTemplate& unit) {
        return unit.type == kTypeMenuItem && unit.level == 0 && !unit.hidden;
    });
}

void AddMenuItem(Window& window, Unit& unit)
{
    if (unit.tpl->level <= 0) {
        unit.popup = CreatePopupMenu();
        window.lastTopMenu = unit.popup;
        if (unit.tpl->hidden) {
            window.loosePopups.push_back(unit.popup);
            return;
        }
        HMENU bar = GetMenu(window.hwnd);
        if (bar == nullptr) {
            bar = CreateMenu();
            SetMenu(window.hwnd, bar);
        }
        AppendMenuA(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(unit.popup),
                    unit.tpl->caption);
        DrawMenuBar(window.hwnd);
        return;
    }
    unit.command = window.nextCommand++;
    if (window.lastTopMenu != nullptr && !unit.tpl->hidden) {
        AppendMenuA(window.lastTopMenu, MF_STRING, unit.command, unit.tpl->caption);
    }
}

void SetTimerInterval(Window& window, Unit& unit, Word interval)
{
    unit.interval = interval;
    if (interval > 0) {
        SetTimer(window.hwnd, unit.timerId, static_cast<UINT>(interval), nullptr);
    } else {
        KillTimer(window.hwnd, unit.timerId);
    }
}

// Makes the library's control for a unit whose record exists; leaves the unit without a control
// when the library refuses.
void CreateLibraryControl(WindowId windowId, UnitId unitId)
{
    Unit* unit = FindUnit(windowId, unitId);
    Window* window = FindWindowState(windowId);
    if (unit == nullptr || window == nullptr) {
        return;
    }
    auto create = Interface<CreateUnitRoutine>(*unit, kInterfaceCreate);
    if (create == nullptr) {
        return;
    }
    HWND parent = window->hwnd;
    if (unit->tpl->container != 0) {
        // A container made later than the unit (the templates keep their skin last) cannot hold
        // it yet, and the unit sits on the window.
        if (Unit* container = FindUnit(*window, unit->tpl->container);
            container != nullptr && container->host != nullptr) {
            parent = container->host;
        }
    }
    Word style = (unit->visible ? WS_VISIBLE : 0) | (unit->disabled ? WS_DISABLED : 0);
    std::span<const std::uint8_t> stored =
        unit->data.empty() ? unit->tpl->data : std::span<const std::uint8_t>(unit->data);
    const void* data = stored.empty() ? nullptr : stored.data();
    UnitHandle handle = create(data, static_cast<Word>(stored.size()), style,
                               reinterpret_cast<PtrWord>(parent), unit->controlId, 0, unit->left,
                               unit->top, unit->width, unit->height, windowId, unitId, 0, 0);
    unit = FindUnit(windowId, unitId);
    if (unit == nullptr) {
        return;
    }
    unit->handle = handle;
    auto* object = reinterpret_cast<UnitObject*>(handle);
    unit->host =
        g_unitObjects.count(object) != 0 ? reinterpret_cast<HWND>(object->hostWindow) : nullptr;
}

void CreateUnit(WindowId windowId, const UnitTemplate& tpl)
{
    Window* window = FindWindowState(windowId);
    if (window == nullptr) {
        return;
    }
    auto unit = std::make_unique<Unit>();
    unit->tpl = &tpl;
    unit->id = tpl.id;
    unit->type = tpl.type;
    unit->left = tpl.left;
    unit->top = tpl.top;
    unit->width = tpl.width;
    unit->height = tpl.height;
    unit->visible = tpl.visible;
    Unit& made = *unit;
    window->units.push_back(std::move(unit));
    if (tpl.type == kTypeMenuItem) {
        AddMenuItem(*window, made);
        return;
    }
    if (tpl.type == kTypeTimer) {
        made.timerId = window->nextTimerId++;
        for (const StoredProperty& property : tpl.properties) {
            if (property.index == kTimerInterval) {
                SetTimerInterval(*window, made, property.value);
            } else {
                made.stored[property.index] = property.value;
            }
        }
        return;
    }
    for (const StoredProperty& property : tpl.properties) {
        made.stored[property.index] = property.value;
    }
    made.typeInfo = LibraryType(tpl.type);
    if (made.typeInfo == nullptr) {
        // A type no library offers (or one without a window, such as the zip component) keeps
        // its properties and nothing more.
        return;
    }
    made.controlId = window->nextControlId;
    window->nextControlId += kControlIdStep;
    CreateLibraryControl(windowId, tpl.id);
}

// Gives the windows that a modal window disabled their input back.
void EnableDisabledWindows(Window& window)
{
    for (WindowId id : window.disabledByMe) {
        if (Window* other = FindWindowState(id); other != nullptr) {
            EnableWindow(other->hwnd, TRUE);
        }
    }
    window.disabledByMe.clear();
}

// Tells the shell about the window's notification icon; with an icon, the tip and the callback
// message go along.
bool NotifyShell(DWORD action, const Window& window, HICON icon, const GbkText& tip)
{
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window.hwnd;
    data.uID = kTrayIconId;
    if (icon != nullptr) {
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = kTrayCallbackMessage;
        data.hIcon = icon;
        std::memcpy(data.szTip, tip.data(), std::min(tip.size(), kTrayTipBytes));
    }
    return Shell_NotifyIconA(action, &data) != FALSE;
}

void ForgetTrayIcon(Window& window)
{
    window.trayIcon.Reset();
    window.trayFile = ByteSet();
    window.trayTip = GbkText();
}

void DestroyFrameworkWindow(WindowId id)
{
    Window* window = FindWindowState(id);
    if (window == nullptr) {
        return;
    }
    // Enabled before the window goes, so that activation returns to its owner.
    EnableDisabledWindows(*window);
    DestroyWindow(window->hwnd);
}

void OnWindowDestroy(WindowId id)
{
    Window* window = FindWindowState(id);
    if (window == nullptr) {
        return;
    }
    Raise(id, window->tpl->unit, kEventDestroying);
    window = FindWindowState(id);
    if (window == nullptr) {
        return;
    }
    if (window->trayIcon) {
        NotifyShell(NIM_DELETE, *window, nullptr, GbkText());
        ForgetTrayIcon(*window);
    }
    for (auto& unit : window->units) {
        if (unit->timerId != 0) {
            KillTimer(window->hwnd, unit->timerId);
        }
    }
    EnableDisabledWindows(*window);
}

void OnWindowGone(WindowId id)
{
    auto it = g_windows.find(id);
    if (it == g_windows.end()) {
        return;
    }
    std::unique_ptr<Window> window = std::move(it->second);
    g_windows.erase(it);
    {
        std::lock_guard lock(g_handleMutex);
        g_handles.erase(id);
    }
    for (HMENU popup : window->loosePopups) {
        DestroyMenu(popup);
    }
    // Window objects of controls whose library never reported their end.
    for (auto& unit : window->units) {
        auto* object = reinterpret_cast<UnitObject*>(unit->handle);
        if (object != nullptr && g_unitObjects.erase(object) != 0) {
            delete object;
        }
    }
    if (g_loopRunning && g_windows.empty()) {
        PostQuitMessage(0);
    }
}

void FillBackground(const Window& window, HDC dc)
{
    RECT client;
    GetClientRect(window.hwnd, &client);
    auto colour = static_cast<std::uint32_t>(StoredInt(window, windowprop::kBackgroundColour));
    // A colour with its top byte set stands for the system's window colour.
    COLORREF fill = (colour & 0xFF000000u) != 0 ? GetSysColor(COLOR_BTNFACE) : colour;
    toolkit::ScopedBrush brush(CreateSolidBrush(fill));
    FillRect(dc, &client, brush.Get());
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* window = FindWindowByHandle(hwnd);
    if (window == nullptr) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    WindowId id = window->id;
    UnitId own = window->tpl->unit;
    if (message == g_taskbarCreated && g_taskbarCreated != 0) {
        // A new shell knows none of the old one's icons. Without this one a window hidden into
        // the notification area could not be reached again.
        if (window->trayIcon) {
            NotifyShell(NIM_ADD, *window, window->trayIcon.Get(), window->trayTip);
        }
        return 0;
    }
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !window->activated) {
            window->activated = true;
            // Raised from the queue, not inside the activation, so that a long handler (the
            // first refresh) does not run nested in LoadWindow or in a caller's sent message.
            PostMessageA(hwnd, kRaiseFirstActivation, 0, 0);
        }
        break;
    case kRaiseFirstActivation:
        Raise(id, own, kEventFirstActivation);
        return 0;
    case WM_CLOSE: {
        EventResult keep = Raise(id, own, kEventCloseQuery);
        if (keep.has_value() && *keep == 0) {
            return 0;
        }
        DestroyFrameworkWindow(id);
        return 0;
    }
    case WM_DESTROY:
        OnWindowDestroy(id);
        break;
    case WM_NCDESTROY:
        OnWindowGone(id);
        break;
    case WM_TIMER:
        for (auto& unit : window->units) {
            if (unit->timerId == wParam) {
                Raise(id, unit->id, kEventTimerTick);
                break;
            }
        }
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && lParam == 0) {
            for (auto& unit : window->units) {
                if (unit->command != 0 && unit->command == LOWORD(wParam)) {
                    Raise(id, unit->id, kEventMenuChosen);
                    break;
                }
            }
            return 0;
        }
        break;
    case kTrayCallbackMessage: {
        PtrWord kind = 0;
        switch (LOWORD(lParam)) {
        case WM_LBUTTONUP:
            kind = 1;
            break;
        case WM_LBUTTONDBLCLK:
            kind = 2;
            break;
        case WM_RBUTTONUP:
        case WM_CONTEXTMENU:
            kind = 3;
            break;
        default:
            return 0;
        }
        PtrWord arguments[] = {kind};
        Raise(id, own, kEventTrayIcon, arguments);
        return 0;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MOVE && StoredInt(*window, windowprop::kMovable) == 0) {
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        FillBackground(*window, reinterpret_cast<HDC>(wParam));
        return 1;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool LoadOnInterfaceThread(WindowId id, std::optional<WindowId> parentId, bool modal)
{
    if (Window* open = FindWindowState(id); open != nullptr) {
        SetForegroundWindow(open->hwnd);
        return true;
    }
    const WindowTemplate* tpl = FindTemplate(id);
    if (tpl == nullptr) {
        return false;
    }
    auto made = std::make_unique<Window>();
    made->tpl = tpl;
    made->id = id;
    SetDefaultWindowProperties(*made);
    for (const StoredProperty& property : tpl->properties) {
        made->props[property.index] = property.value;
    }
    made->props[windowprop::kCaption] = GbkText(tpl->caption);

    HWND parent = nullptr;
    if (parentId) {
        if (Window* owner = FindWindowState(*parentId); owner != nullptr) {
            parent = owner->hwnd;
        }
    }
    DWORD style = 0;
    DWORD exStyle = 0;
    WindowStyles(*made, parent != nullptr, style, exStyle);
    RECT outer{0, 0, tpl->width, tpl->height};
    AdjustWindowRectEx(&outer, style, HasMenuBar(*tpl) ? TRUE : FALSE, exStyle);
    int width = outer.right - outer.left;
    int height = outer.bottom - outer.top;
    int left = tpl->left;
    int top = tpl->top;
    // Centred now rather than at showing, so that a created handler that places the window
    // (the alarm notice) is not overruled.
    if (StoredInt(*made, windowprop::kPosition) == 1) {
        left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }
    HWND hwnd = CreateWindowExA(exStyle, kWindowClass, tpl->caption, style, left, top, width,
                                height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd == nullptr) {
        return false;
    }
    made->hwnd = hwnd;
    g_windows[id] = std::move(made);
    {
        std::lock_guard lock(g_handleMutex);
        g_handles[id] = hwnd;
    }
    if (StoredInt(*FindWindowState(id), windowprop::kMovable) == 0) {
        RemoveMenu(GetSystemMenu(hwnd, FALSE), SC_MOVE, MF_BYCOMMAND);
    }
    for (const UnitTemplate& unit : tpl->units) {
        CreateUnit(id, unit);
    }
    Raise(id, tpl->unit, kEventCreated);

    Window* window = FindWindowState(id);
    if (window == nullptr) {
        return true;
    }
    if (modal) {
        for (auto& [otherId, other] : g_windows) {
            if (otherId != id && IsWindowEnabled(other->hwnd)) {
                EnableWindow(other->hwnd, FALSE);
                window->disabledByMe.push_back(otherId);
            }
        }
    }
    window->shown = true;
    if (window->props[windowprop::kVisible].AsBool()) {
        std::int32_t position = StoredInt(*window, windowprop::kPosition);
        ShowWindow(hwnd, position == 2   ? SW_SHOWMINIMIZED
                         : position == 3 ? SW_SHOWMAXIMIZED
                                         : SW_SHOW);
        UpdateWindow(hwnd);
    }
    return true;
}

// ---- properties -------------------------------------------------------------------------------

RECT WindowRectOf(HWND hwnd)
{
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
}

// Left, top, width and height of a child window in its parent's client area.
RECT ChildRect(HWND hwnd)
{
    RECT rect = WindowRectOf(hwnd);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::int32_t GeometryPart(const RECT& rect, PropertyIndex index)
{
    switch (index) {
    case 0:
        return rect.left;
    case 1:
        return rect.top;
    case 2:
        return rect.right - rect.left;
    default:
        return rect.bottom - rect.top;
    }
}

void SetGeometryPart(Word& left, Word& top, Word& width, Word& height, PropertyIndex index,
                     Word value)
{
    Word* parts[] = {&left, &top, &width, &height};
    *parts[index] = value;
}

bool SetWindowProperty(Window& window, PropertyIndex index, const PropertyValue& value)
{
    using namespace windowprop;
    HWND hwnd = window.hwnd;
    if (index >= kLeft && index <= kHeight) {
        RECT rect = WindowRectOf(hwnd);
        Word left = rect.left;
        Word top = rect.top;
        Word width = rect.right - rect.left;
        Word height = rect.bottom - rect.top;
        SetGeometryPart(left, top, width, height, index, value.AsInt());
        SetWindowPos(hwnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        return true;
    }
    window.props[index] = value;
    switch (index) {
    case kVisible:
        // Before the window is first shown, loading shows it or not by this value.
        if (window.shown) {
            ShowWindow(hwnd, value.AsBool() ? SW_SHOW : SW_HIDE);
        }
        break;
    case kDisabled:
        EnableWindow(hwnd, value.AsBool() ? FALSE : TRUE);
        break;
    case kCaption:
        SetWindowTextA(hwnd, value.AsText().c_str());
        break;
    case kPosition:
        switch (value.AsInt()) {
        case 0:
            ShowWindow(hwnd, SW_RESTORE);
            break;
        case 1: {
            RECT rect = WindowRectOf(hwnd);
            int width = rect.right - rect.left;
            int height = rect.bottom - rect.top;
            SetWindowPos(hwnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                         (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        }
        case 2:
            ShowWindow(hwnd, SW_MINIMIZE);
            break;
        case 3:
            ShowWindow(hwnd, SW_MAXIMIZE);
            break;
        default:
            break;
        }
        break;
    case kAlwaysOnTop:
        SetWindowPos(hwnd, value.AsBool() ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        break;
    default:
        break;
    }
    return true;
}

PropertyValue GetWindowProperty(const Window& window, PropertyIndex index)
{
    using namespace windowprop;
    HWND hwnd = window.hwnd;
    if (index >= kLeft && index <= kHeight) {
        return GeometryPart(WindowRectOf(hwnd), index);
    }
    switch (index) {
    case kVisible:
        return window.shown ? IsWindowVisible(hwnd) != FALSE : window.props.at(kVisible).AsBool();
    case kDisabled:
        return IsWindowEnabled(hwnd) == FALSE;
    case kCaption: {
        std::string caption(static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
        caption.resize(static_cast<std::size_t>(
            GetWindowTextA(hwnd, caption.data(), static_cast<int>(caption.size()))));
        return GbkText(caption);
    }
    case kPosition:
        if (IsIconic(hwnd)) {
            return 2;
        }
        if (IsZoomed(hwnd)) {
            return 3;
        }
        if (std::int32_t stored = StoredInt(window, kPosition); stored == 2 || stored == 3) {
            return 0;
        }
        break;
    default:
        break;
    }
    auto it = window.props.find(index);
    return it == window.props.end() ? PropertyValue() : it->second;
}

void RecreateLibraryControl(WindowId windowId, UnitId unitId)
{
    Unit* unit = FindUnit(windowId, unitId);
    if (unit == nullptr || unit->handle == 0) {
        return;
    }
    if (auto allData = Interface<AllPropertyDataRoutine>(*unit, kInterfaceAllPropertyData)) {
        if (auto memory = reinterpret_cast<HGLOBAL>(allData(unit->handle)); memory != nullptr) {
            if (const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(memory))) {
                unit->data.assign(bytes, bytes + GlobalSize(memory));
                GlobalUnlock(memory);
            }
            GlobalFree(memory);
        }
    }
    HWND oldHost = unit->host;
    unit->recreating = true;
    if (oldHost != nullptr) {
        DestroyWindow(oldHost);
    }
    unit = FindUnit(windowId, unitId);
    if (unit == nullptr) {
        return;
    }
    unit->recreating = false;
    unit->handle = 0;
    unit->host = nullptr;
    CreateLibraryControl(windowId, unitId);
}

const UnitPropertyInfo* LibraryProperty(const Unit& unit, PropertyIndex index)
{
    if (unit.typeInfo == nullptr || unit.typeInfo->properties == nullptr || index < 0 ||
        index >= unit.typeInfo->propertyCount) {
        return nullptr;
    }
    return &unit.typeInfo->properties[index];
}

bool IsBlockType(std::uint16_t type)
{
    return type == kPropertyText || type == kPropertyEngineData;
}

bool SetLibraryProperty(WindowId windowId, Unit& unit, PropertyIndex index,
                        const PropertyValue& value)
{
    const UnitPropertyInfo* info = LibraryProperty(unit, index);
    auto written = Interface<PropertyWrittenRoutine>(unit, kInterfacePropertyWritten);
    if (info == nullptr || written == nullptr || unit.handle == 0) {
        return false;
    }
    UnitPropertyValue raw{};
    if (IsBlockType(info->type)) {
        if (value.GetKind() == PropertyValue::Kind::Bytes) {
            raw.word0 = reinterpret_cast<PtrWord>(value.AsBytes().data());
            raw.word1 = static_cast<PtrWord>(value.AsBytes().size());
        } else {
            raw.word0 = reinterpret_cast<PtrWord>(value.AsText().c_str());
            raw.word1 = static_cast<PtrWord>(value.AsText().size());
        }
    } else {
        raw.word0 = value.AsInt();
    }
    UnitId unitId = unit.id;
    if (written(unit.handle, index - kFrameworkPropertyCount, &raw, 0) == 1) {
        RecreateLibraryControl(windowId, unitId);
    }
    return true;
}

PropertyValue GetLibraryProperty(const Unit& unit, PropertyIndex index)
{
    const UnitPropertyInfo* info = LibraryProperty(unit, index);
    auto read = Interface<PropertyReadRoutine>(unit, kInterfacePropertyRead);
    if (info == nullptr || read == nullptr || unit.handle == 0) {
        return {};
    }
    UnitPropertyValue raw{};
    read(unit.handle, index - kFrameworkPropertyCount, &raw);
    const auto* bytes = reinterpret_cast<const char*>(raw.word0);
    switch (info->type) {
    case kPropertyLogical:
        return raw.word0 != 0;
    case kPropertyText: {
        if (bytes == nullptr) {
            return GbkText();
        }
        std::size_t length = raw.word1 > 0 ? static_cast<std::size_t>(raw.word1) : strlen(bytes);
        return GbkText(bytes, length);
    }
    case kPropertyEngineData:
        if (bytes == nullptr || raw.word1 <= 0) {
            return ByteSet();
        }
        return ByteSet(bytes, bytes + raw.word1);
    default:
        return static_cast<std::int32_t>(raw.word0);
    }
}

bool SetUnitPropertyOnInterfaceThread(WindowId windowId, UnitId unitId, PropertyIndex index,
                                      const PropertyValue& value)
{
    Window* window = FindWindowState(windowId);
    if (window == nullptr) {
        return false;
    }
    if (unitId == window->tpl->unit) {
        return SetWindowProperty(*window, index, value);
    }
    Unit* unit = FindUnit(*window, unitId);
    if (unit == nullptr) {
        return false;
    }
    if (unit->type == kTypeTimer && index == kTimerInterval) {
        SetTimerInterval(*window, *unit, value.AsInt());
        return true;
    }
    if (unit->typeInfo == nullptr || index >= kFrameworkPropertyCount) {
        if (unit->typeInfo != nullptr) {
            return SetLibraryProperty(windowId, *unit, index, value);
        }
        unit->stored[index] = value;
        return true;
    }
    // Properties 0-7 of a library unit are the framework's: geometry and state of its host
    // window, the rest kept as written.
    if (index <= 3) {
        SetGeometryPart(unit->left, unit->top, unit->width, unit->height, index, value.AsInt());
        if (unit->host != nullptr) {
            RECT rect = ChildRect(unit->host);
            Word left = rect.left;
            Word top = rect.top;
            Word width = rect.right - rect.left;
            Word height = rect.bottom - rect.top;
            SetGeometryPart(left, top, width, height, index, value.AsInt());
            MoveWindow(unit->host, left, top, width, height, TRUE);
        }
        return true;
    }
    if (index == windowprop::kVisible) {
        unit->visible = value.AsBool();
        if (unit->host != nullptr) {
            ShowWindow(unit->host, unit->visible ? SW_SHOW : SW_HIDE);
        }
        return true;
    }
    if (index == windowprop::kDisabled) {
        unit->disabled = value.AsBool();
        if (unit->host != nullptr) {
            EnableWindow(unit->host, unit->disabled ? FALSE : TRUE);
        }
        return true;
    }
    unit->stored[index] = value;
    return true;
}

PropertyValue GetUnitPropertyOnInterfaceThread(WindowId windowId, UnitId unitId,
                                               PropertyIndex index)
{
    Window* window = FindWindowState(windowId);
    if (window == nullptr) {
        return {};
    }
    if (unitId == window->tpl->unit) {
        return GetWindowProperty(*window, index);
    }
    Unit* unit = FindUnit(*window, unitId);
    if (unit == nullptr) {
        return {};
    }
    if (unit->type == kTypeTimer && index == kTimerInterval) {
        return unit->interval;
    }
    if (unit->typeInfo != nullptr && index >= kFrameworkPropertyCount) {
        return GetLibraryProperty(*unit, index);
    }
    if (unit->typeInfo != nullptr && index <= 3) {
        if (unit->host != nullptr) {
            return GeometryPart(ChildRect(unit->host), index);
        }
        Word parts[] = {unit->left, unit->top, unit->width, unit->height};
        return parts[index];
    }
    if (unit->typeInfo != nullptr && index == windowprop::kVisible) {
        return unit->host != nullptr ? IsWindowVisible(unit->host) != FALSE : unit->visible;
    }
    if (unit->typeInfo != nullptr && index == windowprop::kDisabled) {
        return unit->host != nullptr ? IsWindowEnabled(unit->host) == FALSE : unit->disabled;
    }
    auto it = unit->stored.find(index);
    return it == unit->stored.end() ? PropertyValue() : it->second;
}

bool CloseUnitOnInterfaceThread(WindowId windowId, UnitId unitId)
{
    Window* window = FindWindowState(windowId);
    if (window == nullptr) {
        return false;
    }
    if (unitId == window->tpl->unit) {
        DestroyFrameworkWindow(windowId);
        return true;
    }
    Unit* unit = FindUnit(*window, unitId);
    if (unit == nullptr) {
        return false;
    }
    if (unit->timerId != 0) {
        KillTimer(window->hwnd, unit->timerId);
    }
    if (unit->command != 0) {
        DeleteMenu(GetMenu(window->hwnd), unit->command, MF_BYCOMMAND);
        for (HMENU popup : window->loosePopups) {
            DeleteMenu(popup, unit->command, MF_BYCOMMAND);
        }
    }
    if (unit->host != nullptr) {
        // The library reports the end of its control (2000) and the unit is forgotten then.
        DestroyWindow(unit->host);
    }
    window = FindWindowState(windowId);
    if (window == nullptr) {
        return true;
    }
    auto it = std::find_if(window->units.begin(), window->units.end(),
                           [unitId](const auto& u) { return u->id == unitId; });
    if (it != window->units.end()) {
        auto* object = reinterpret_cast<UnitObject*>((*it)->handle);
        if (object != nullptr && g_unitObjects.erase(object) != 0) {
            delete object;
        }
        window->units.erase(it);
    }
    return true;
}

bool PopupOnInterfaceThread(WindowId windowId, UnitId menuId, PopupStyle style,
                            std::optional<Word> x, std::optional<Word> y)
{
    Window* window = FindWindowState(windowId);
    if (window == nullptr) {
        return false;
    }
    Unit* menu = FindUnit(*window, menuId);
    if (menu == nullptr || menu->popup == nullptr) {
        return false;
    }
    HWND hwnd = window->hwnd;
    POINT cursor{};
    GetCursorPos(&cursor);
    UINT command = 0;
    if (style == PopupStyle::Tray) {
        // Without the window in front the menu would not close when the user clicks elsewhere;
        // the null message afterwards lets it close on the first click next time.
        SetForegroundWindow(hwnd);
        command = static_cast<UINT>(TrackPopupMenu(menu->popup,
                                                   TPM_RIGHTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                                   cursor.x - 5, cursor.y - 5, 0, hwnd, nullptr));
        PostMessageA(hwnd, WM_NULL, 0, 0);
    } else {
        command = static_cast<UINT>(TrackPopupMenu(menu->popup, TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                                   x.value_or(cursor.x), y.value_or(cursor.y), 0,
                                                   hwnd, nullptr));
    }
    if (command == 0) {
        return true;
    }
    window = FindWindowState(windowId);
    if (window == nullptr) {
        return true;
    }
    for (auto& unit : window->units) {
        if (unit->command == command) {
            Raise(windowId, unit->id, kEventMenuChosen);
            break;
        }
    }
    return true;
}

bool SetTrayOnInterfaceThread(WindowId windowId, std::optional<ByteSet> icon,
                              const std::optional<GbkText>& tip)
{
    Window* window = FindWindowState(windowId);
    if (window == nullptr) {
        return false;
    }
    if (!icon) {
        if (!window->trayIcon) {
            return true;
        }
        bool deleted = NotifyShell(NIM_DELETE, *window, nullptr, GbkText());
        ForgetTrayIcon(*window);
        return deleted;
    }
    toolkit::ScopedIcon made(IconFromIcoBytes(*icon, GetSystemMetrics(SM_CXSMICON)));
    if (!made) {
        return false;
    }
    GbkText text = tip.value_or(GbkText());
    text.resize(std::min(text.size(), kTrayTipBytes));
    // An icon the shell lost is added anew: the shell restarted, and its announcement has not
    // come yet or never will.
    bool shown = (window->trayIcon && NotifyShell(NIM_MODIFY, *window, made.Get(), text)) ||
                 NotifyShell(NIM_ADD, *window, made.Get(), text);
    if (!shown) {
        return false;
    }
    // The shell keeps its own copy; the old icon is freed only once the new one is shown.
    window->trayIcon = std::move(made);
    window->trayFile = std::move(*icon);
    window->trayTip = std::move(text);
    return true;
}

std::optional<TrayIconSet> TrayIconOnInterfaceThread(WindowId windowId)
{
    Window* window = FindWindowState(windowId);
    if (window == nullptr || !window->trayIcon) {
        return std::nullopt;
    }
    return TrayIconSet{window->trayFile, window->trayTip};
}

PtrWord NotifyOnInterfaceThread(Word code, PtrWord argument1, PtrWord argument2)
{
    switch (code) {
    case kNotifyMakeUnitObject: {
        auto host = reinterpret_cast<HWND>(argument1);
        if (host == nullptr || !IsWindow(host)) {
            return 0;
        }
        auto* object = new UnitObject{argument1};
        g_unitObjects.insert(object);
        return reinterpret_cast<PtrWord>(object);
    }
    case kNotifyDetachUnitObject: {
        auto* object = reinterpret_cast<UnitObject*>(argument1);
        if (g_unitObjects.count(object) != 0) {
            object->hostWindow = 0;
        }
        return 0;
    }
    case kNotifyDeleteUnitObject: {
        auto* object = reinterpret_cast<UnitObject*>(argument1);
        if (g_unitObjects.erase(object) == 0) {
            return 0;
        }
        delete object;
        for (auto& [id, window] : g_windows) {
            for (auto& unit : window->units) {
                if (unit->handle == argument1) {
                    unit->handle = 0;
                    unit->host = nullptr;
                }
            }
        }
        return 0;
    }
    case kNotifyUnitGone: {
        Window* window = FindWindowState(static_cast<WindowId>(argument1));
        if (window == nullptr) {
            return 0;
        }
        auto it = std::find_if(window->units.begin(), window->units.end(), [&](const auto& u) {
            return u->id == static_cast<UnitId>(argument2);
        });
        if (it != window->units.end() && !(*it)->recreating) {
            window->units.erase(it);
        }
        return 0;
    }
    case kNotifyRaiseEvent: {
        auto* record = reinterpret_cast<UnitEventRecord*>(argument1);
        if (record == nullptr) {
            return 0;
        }
        std::size_t count = std::clamp<Word>(record->argumentCount, 0, 5);
        EventResult result = Raise(record->windowId, record->unitId, record->eventNumber,
                                   std::span<const PtrWord>(record->arguments, count));
        if (result.has_value()) {
            record->hasResult = 1;
            record->result = *result;
        }
        return 0;
    }
    default:
        return 0;
    }
}

} // namespace

bool Initialise(std::span<const LibraryInfo* const> libraries,
                std::span<const WindowTemplate* const> templates)
{
    g_interfaceThread = GetCurrentThreadId();
    // Libraries find their own files relative to the current directory.
    SetCurrentDirectoryA(RunDirectory().c_str());
    g_libraries.assign(libraries.begin(), libraries.end());
    g_templates.assign(templates.begin(), templates.end());

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
    WNDCLASSA dispatcherClass{};
    dispatcherClass.lpfnWndProc = DispatcherProc;
    dispatcherClass.hInstance = instance;
    dispatcherClass.lpszClassName = kDispatcherClass;
    RegisterClassA(&dispatcherClass);
    g_taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    g_dispatcher = CreateWindowExA(0, kDispatcherClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   instance, nullptr);

    for (const LibraryInfo* library : g_libraries) {
        if (library != nullptr && library->notify != nullptr) {
            library->notify(kLibraryStart, reinterpret_cast<PtrWord>(&FrameworkNotify), 0);
        }
    }
    return g_dispatcher != nullptr;
}

int RunMessageLoop()
{
    g_loopRunning = true;
    MSG message{};
    int exitCode = 0;
    while (!g_windows.empty()) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            exitCode = static_cast<int>(message.wParam);
            break;
        }
        if (got == -1) {
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    g_loopRunning = false;
    return exitCode;
}

bool LoadWindow(WindowId window, std::optional<WindowId> parent, bool modal)
{
    bool loaded = false;
    OnInterfaceThread([&] { loaded = LoadOnInterfaceThread(window, parent, modal); });
    return loaded;
}

bool CloseUnit(WindowId window, UnitId unit)
{
    bool closed = false;
    OnInterfaceThread([&] { closed = CloseUnitOnInterfaceThread(window, unit); });
    return closed;
}

bool SetUnitProperty(WindowId window, UnitId unit, PropertyIndex index, const PropertyValue& value)
{
    bool set = false;
    OnInterfaceThread([&] { set = SetUnitPropertyOnInterfaceThread(window, unit, index, value); });
    return set;
}

PropertyValue GetUnitProperty(WindowId window, UnitId unit, PropertyIndex index)
{
    PropertyValue value;
    OnInterfaceThread([&] { value = GetUnitPropertyOnInterfaceThread(window, unit, index); });
    return value;
}

bool PopupMenu(WindowId window, UnitId menu, PopupStyle style, std::optional<Word> x,
               std::optional<Word> y)
{
    bool shown = false;
    OnInterfaceThread([&] { shown = PopupOnInterfaceThread(window, menu, style, x, y); });
    return shown;
}

bool SetTrayIcon(WindowId window, std::optional<ByteSet> icon, std::optional<GbkText> tip)
{
    bool done = false;
    OnInterfaceThread([&] { done = SetTrayOnInterfaceThread(window, std::move(icon), tip); });
    return done;
}

std::optional<TrayIconSet> ShownTrayIcon(WindowId window)
{
    std::optional<TrayIconSet> shown;
    OnInterfaceThread([&] { shown = TrayIconOnInterfaceThread(window); });
    return shown;
}

void ProcessEvents()
{
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Left for the message loop, which is what the quit is meant for.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void RunOnInterfaceThread(const std::function<void()>& work)
{
    OnInterfaceThread(work);
}

HWND WindowHandle(WindowId window)
{
    std::lock_guard lock(g_handleMutex);
    auto it = g_handles.find(window);
    return it == g_handles.end() ? nullptr : it->second;
}

HWND UnitWindowHandle(WindowId window, UnitId unit)
{
    HWND hwnd = nullptr;
    OnInterfaceThread([&] {
        Window* state = FindWindowState(window);
        if (state == nullptr) {
            return;
        }
        if (unit == state->tpl->unit) {
            hwnd = state->hwnd;
        } else if (Unit* found = FindUnit(*state, unit); found != nullptr) {
            hwnd = found->host;
        }
    });
    return hwnd;
}

PtrWord FRAMEWORK_CALL FrameworkNotify(Word code, PtrWord argument1, PtrWord argument2)
{
    PtrWord result = 0;
    OnInterfaceThread([&] { result = NotifyOnInterfaceThread(code, argument1, argument2); });
    return result;
}

} // namespace framework
