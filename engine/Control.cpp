#include "engine/Control.h"

#include <commctrl.h>

#include <map>

#include "engine/Drawing.h"
#include "engine/Surface.h"
#include "framework/LibraryProtocol.h"

namespace engine {
namespace {

std::map<const ControlHandleHead*, std::unique_ptr<Control>> g_controls;
std::uint64_t g_nextSerial = 1;

constexpr UINT_PTR kAnimationTimer = 0x564E;

// Engine property numbers (PropertyIndex - 8) the controls answer.
constexpr Word kPropertyVisible = 0;
constexpr Word kPropertyBackground = 7;  // window skin
constexpr Word kPropertyPicture = 8;     // picture box
constexpr Word kPropertyChecked = 8;     // check box
constexpr Word kPropertyTextColour = 11; // label
constexpr Word kPropertyCaption = 12;    // label, button
constexpr Word kPropertySelection = 29;  // combo box

LRESULT CALLBACK HostProc(HWND host, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR serial);

RECT HostRect(HWND host, HWND window)
{
    RECT rect{};
    GetWindowRect(host, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool HasHoverLook(ControlKind kind)
{
    return kind == ControlKind::Button || kind == ControlKind::ImageButton ||
           kind == ControlKind::CheckBox || kind == ControlKind::ComboBox;
}

void StartAnimation(Control& control)
{
    KillTimer(control.host, kAnimationTimer);
    if (control.picture && control.picture->Animated()) {
        SetTimer(control.host, kAnimationTimer,
                 static_cast<UINT>(control.picture->DelayMs(control.frame)), nullptr);
    }
}

void NextFrame(Control& control)
{
    if (!control.picture || !control.picture->Animated()) {
        KillTimer(control.host, kAnimationTimer);
        return;
    }
    control.frame = (control.frame + 1) % control.picture->FrameCount();
    SetTimer(control.host, kAnimationTimer,
             static_cast<UINT>(control.picture->DelayMs(control.frame)), nullptr);
    ControlChanged(control);
}

// Keeps the bytes as given (so the whole data gives them back) and decodes them; false when the
// control already showed the same picture.
bool SetPicture(Control& control, const std::uint8_t* bytes, std::size_t size)
{
    if (bytes == nullptr || size == 0) {
        control.look.Remove(kTagPicture, kPictureMain);
    } else {
        control.look.Set(kTagPicture, kPictureMain, bytes, size);
    }
    std::shared_ptr<const Picture> picture = DecodePicture(bytes, size);
    if (picture == control.picture) {
        return false;
    }
    control.picture = std::move(picture);
    control.frame = 0;
    StartAnimation(control);
    return true;
}

void LoadState(Control& control)
{
    if (const LookRecord* main = control.look.Find(kTagPicture, kPictureMain)) {
        control.picture = DecodePicture(main->body.data(), main->body.size());
    }
    if (control.kind == ControlKind::WindowSkin) {
        for (std::size_t role = kPictureClose; role < kTitlePictureCount; ++role) {
            if (const LookRecord* record =
                    control.look.Find(kTagPicture, static_cast<std::uint16_t>(role))) {
                control.titlePictures[role] =
                    DecodePicture(record->body.data(), record->body.size());
            }
        }
    }
    control.checked = control.look.Number(kTagChecked).value_or(0) != 0;
    control.items = control.look.Items();
    auto selection = static_cast<int>(control.look.Number(kTagSelection).value_or(~0u));
    control.selection =
        selection >= 0 && selection < static_cast<int>(control.items.size()) ? selection : -1;
}

void SetHover(Control& control, bool hover)
{
    if (control.hover == hover) {
        return;
    }
    control.hover = hover;
    if (HasHoverLook(control.kind)) {
        ControlChanged(control);
    }
}

void OnButtonDown(Control& control)
{
    if (control.kind == ControlKind::WindowSkin) {
        return;
    }
    if (control.kind == ControlKind::ComboBox) {
        if (control.dropList != nullptr) {
            CloseDropList(control);
        } else {
            OpenDropList(control);
        }
        return;
    }
    SetCapture(control.host);
    control.pressed = true;
    ControlChanged(control);
}

void OnButtonUp(Control& control, POINT point)
{
    if (!control.pressed) {
        return;
    }
    control.pressed = false;
    ReleaseCapture();
    ControlChanged(control);
    RECT client{};
    GetClientRect(control.host, &client);
    if (!PtInRect(&client, point)) {
        return;
    }
    if (control.kind == ControlKind::CheckBox) {
        // The handler reads the state it is told about, so it changes first.
        control.checked = !control.checked;
        control.look.SetNumber(kTagChecked, 0, control.checked ? 1u : 0u);
        ControlChanged(control);
    }
    RaiseEvent(control, kEventMainAction);
}

LRESULT CALLBACK HostProc(HWND host, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR serial)
{
    Control* control = FindControlBySerial(serial);
    if (control == nullptr) {
        return DefSubclassProc(host, message, wParam, lParam);
    }
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (message) {
    case WM_PAINT:
        if (control->surface != nullptr) {
            control->surface->PaintHost(*control);
            return 0;
        }
        break;
    case WM_NCHITTEST:
        // The window skin's own place is background: the window beneath takes the mouse.
        if (control->kind == ControlKind::WindowSkin) {
            return HTTRANSPARENT;
        }
        break;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            auto id = control->look.Number(kTagCursor).value_or(kCursorArrow);
            // Only a resource number names a system cursor; anything larger would be taken
            // for the address of a name.
            HCURSOR cursor = id <= 0xFFFF ? LoadCursorW(nullptr, MAKEINTRESOURCEW(id)) : nullptr;
            SetCursor(cursor != nullptr ? cursor : LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE:
        if (!control->trackingLeave) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, host, 0};
            control->trackingLeave = TrackMouseEvent(&track) != FALSE;
        }
        SetHover(*control, true);
        return 0;
    case WM_MOUSELEAVE:
        control->trackingLeave = false;
        SetHover(*control, false);
        return 0;
    case WM_LBUTTONDOWN:
        OnButtonDown(*control);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (control->kind == ControlKind::PictureBox) {
            RaiseEvent(*control, kEventDoubleClick);
            return 0;
        }
        // A quick second click is a click of its own everywhere else.
        OnButtonDown(*control);
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(*control, point);
        return 0;
    case WM_CAPTURECHANGED:
        if (control->pressed) {
            control->pressed = false;
            ControlChanged(*control);
        }
        break;
    case WM_TIMER:
        if (wParam == kAnimationTimer) {
            NextFrame(*control);
            return 0;
        }
        break;
    case WM_WINDOWPOSCHANGED: {
        const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
        if ((position->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) != 0 &&
            control->surface != nullptr) {
            control->surface->ControlShownOrHidden(*control);
        }
        if ((position->flags & SWP_HIDEWINDOW) != 0) {
            CloseDropList(*control);
        }
        break;
    }
    case WM_ENABLE:
        ControlChanged(*control);
        break;
    default:
        break;
    }
    return DefSubclassProc(host, message, wParam, lParam);
}

PtrWord WriteProperty(Control& control, Word number, const framework::UnitPropertyValue& value)
{
    if (number == kPropertyVisible) {
        ShowWindow(control.host, value.word0 != 0 ? SW_SHOWNA : SW_HIDE);
        return 0;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(value.word0);
    std::size_t size =
        bytes != nullptr && value.word1 > 0 ? static_cast<std::size_t>(value.word1) : 0;
    switch (control.kind) {
    case ControlKind::WindowSkin:
        if (number == kPropertyBackground && SetPicture(control, bytes, size) &&
            control.surface != nullptr) {
            control.surface->BackgroundChanged();
        }
        break;
    case ControlKind::PictureBox:
        if (number == kPropertyPicture && SetPicture(control, bytes, size)) {
            ControlChanged(control);
        }
        break;
    case ControlKind::Label:
        if (number == kPropertyTextColour) {
            control.look.SetNumber(kTagColour, 0, static_cast<std::uint32_t>(value.word0));
            ControlChanged(control);
            break;
        }
        [[fallthrough]];
    case ControlKind::Button:
        if (number == kPropertyCaption) {
            control.look.SetText(kTagCaption, 0,
                                 FromGbk(reinterpret_cast<const char*>(bytes), size));
            ControlChanged(control);
        }
        break;
    case ControlKind::CheckBox:
        if (number == kPropertyChecked) {
            control.checked = value.word0 != 0;
            control.look.SetNumber(kTagChecked, 0, control.checked ? 1u : 0u);
            ControlChanged(control);
        }
        break;
    case ControlKind::ComboBox:
        if (number == kPropertySelection) {
            auto index = static_cast<int>(value.word0);
            // A selection that no item has is not taken.
            if (index >= -1 && index < static_cast<int>(control.items.size())) {
                if (index == -1 && control.selection != -1) {
                    control.look.Remove(kTagCaption, 0);
                }
                SelectItem(control, index);
            }
        }
        break;
    case ControlKind::ImageButton:
        break;
    }
    // The engine changes its controls in place; nothing needs making again.
    return 0;
}

void ReadProperty(Control& control, Word number, framework::UnitPropertyValue& value)
{
    if (number == kPropertyVisible) {
        value.word0 = (GetWindowLongPtrW(control.host, GWL_STYLE) & WS_VISIBLE) != 0 ? 1 : 0;
        return;
    }
    auto answerBytes = [&](const LookRecord* record) {
        if (record != nullptr) {
            value.word0 = reinterpret_cast<PtrWord>(record->body.data());
            value.word1 = static_cast<PtrWord>(record->body.size());
        }
    };
    auto answerText = [&](const std::u16string& text) {
        control.readBuffer = ToGbk(text);
        value.word0 = reinterpret_cast<PtrWord>(control.readBuffer.c_str());
        value.word1 = static_cast<PtrWord>(control.readBuffer.size());
    };
    switch (control.kind) {
    case ControlKind::WindowSkin:
        if (number == kPropertyBackground) {
            answerBytes(control.look.Find(kTagPicture, kPictureMain));
        }
        break;
    case ControlKind::PictureBox:
        if (number == kPropertyPicture) {
            answerBytes(control.look.Find(kTagPicture, kPictureMain));
        }
        break;
    case ControlKind::Label:
        if (number == kPropertyTextColour) {
            value.word0 =
                static_cast<std::int32_t>(control.look.Number(kTagColour).value_or(0xFF000000u));
            break;
        }
        [[fallthrough]];
    case ControlKind::Button:
        if (number == kPropertyCaption) {
            answerText(control.look.Text(kTagCaption));
        }
        break;
    case ControlKind::CheckBox:
        if (number == kPropertyChecked) {
            value.word0 = control.checked ? 1 : 0;
        }
        break;
    case ControlKind::ComboBox:
        if (number == kPropertySelection) {
            value.word0 = control.selection;
        }
        break;
    case ControlKind::ImageButton:
        break;
    }
}

PtrWord AllData(Control& control)
{
    std::vector<std::uint8_t> bytes = control.look.EngineBytes();
    control.allData.clear();
    stored_detail::PutU32(control.allData, kStoredDataHeadWord);
    stored_detail::PutU32(control.allData, static_cast<std::uint32_t>(bytes.size()));
    control.allData.insert(control.allData.end(), bytes.begin(), bytes.end());
    return reinterpret_cast<PtrWord>(control.allData.data());
}

} // namespace

Control* CreateControl(ControlKind kind, Word typeCode, const PtrWord* words)
{
    const auto* context = reinterpret_cast<const ControlContext*>(words[7]);
    if (context == nullptr) {
        return nullptr;
    }
    auto host = reinterpret_cast<HWND>(context->hostWindow);
    if (!IsWindow(host)) {
        return nullptr;
    }
    auto window = reinterpret_cast<HWND>(words[1]);
    if (!IsWindow(window) || GetParent(host) != window) {
        // The control is drawn where its host window sits.
        window = GetParent(host);
    }
    if (window == nullptr) {
        return nullptr;
    }
    EnsureGdiplus();

    auto made = std::make_unique<Control>();
    Control& control = *made;
    control.head.magic = kControlMagic;
    control.head.kind = static_cast<std::uint32_t>(kind);
    control.head.windowId = context->windowId;
    control.head.unitId = context->unitId;
    control.head.eventBase = context->eventBase;
    control.head.typeCode = typeCode;
    control.kind = kind;
    control.serial = g_nextSerial++;
    control.host = host;
    control.window = window;
    control.rect = HostRect(host, window);
    control.callback = reinterpret_cast<EventCallback>(words[6]);
    control.look.Load(context->storedData);
    LoadState(control);
    g_controls[&control.head] = std::move(made);

    SetPropA(host, "Tab_Control", &control.head);
    SetWindowSubclass(host, &HostProc, 0, static_cast<DWORD_PTR>(control.serial));
    Surface& surface = Surface::Of(window);
    surface.Attach(control);
    if (kind == ControlKind::WindowSkin) {
        surface.SetSkin(control);
        control.rect = HostRect(host, window);
    }
    StartAnimation(control);
    return &control;
}

Control* FindControl(ControlHandle handle)
{
    auto found = g_controls.find(handle);
    return found == g_controls.end() ? nullptr : found->second.get();
}

Control* FindControlBySerial(std::uint64_t serial)
{
    for (auto& [head, control] : g_controls) {
        if (control->serial == serial) {
            return control.get();
        }
    }
    return nullptr;
}

Control* ControlOfHost(HWND host)
{
    Control* control = FindControl(static_cast<ControlHandle>(GetPropA(host, "Tab_Control")));
    return control != nullptr && control->host == host ? control : nullptr;
}

void DestroyControl(Control& control)
{
    CloseDropList(control);
    KillTimer(control.host, kAnimationTimer);
    RemoveWindowSubclass(control.host, &HostProc, 0);
    RemovePropA(control.host, "Tab_Control");
    if (control.surface != nullptr) {
        control.surface->Detach(control);
    }
    g_controls.erase(&control.head);
}

PtrWord SendControlMessage(Control& control, Word message, Word number, void* value)
{
    auto* property = static_cast<framework::UnitPropertyValue*>(value);
    switch (message) {
    case kMessageWriteProperty:
        return property != nullptr ? WriteProperty(control, number, *property) : 0;
    case kMessageReadProperty:
        if (property != nullptr) {
            ReadProperty(control, number, *property);
        }
        return 0;
    case kMessageAllData:
        return AllData(control);
    default:
        return 0;
    }
}

void FollowHost(Control& control, bool resized)
{
    RECT now = HostRect(control.host, control.window);
    if (EqualRect(&now, &control.rect)) {
        return;
    }
    RECT before = control.rect;
    control.rect = now;
    if (resized || now.right - now.left != before.right - before.left ||
        now.bottom - now.top != before.bottom - before.top) {
        control.layerValid = false;
    }
    CloseDropList(control);
    if (control.surface != nullptr) {
        control.surface->Invalidate(before);
        control.surface->Invalidate(now);
    }
}

PtrWord RaiseEvent(Control& control, Word number)
{
    if (control.callback == nullptr) {
        return 0;
    }
    return control.callback(&control.head, kEventCodeOrigin - control.head.eventBase + number, 0, 0,
                            0, 0);
}

void ControlChanged(Control& control)
{
    control.layerValid = false;
    if (control.surface != nullptr) {
        control.surface->Invalidate(control.rect);
    }
}

bool SelectItem(Control& combo, int index)
{
    if (index < -1 || index >= static_cast<int>(combo.items.size()) || index == combo.selection) {
        return false;
    }
    combo.selection = index;
    combo.look.SetNumber(kTagSelection, 0, static_cast<std::uint32_t>(index));
    if (index >= 0) {
        combo.look.SetText(kTagCaption, 0, combo.items[static_cast<std::size_t>(index)]);
    }
    ControlChanged(combo);
    return true;
}

} // namespace engine
