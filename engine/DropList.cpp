// The combo box's drop-down list: a pop-up window below the box that holds the mouse while it
// is open, so that a click anywhere else closes it.
#include <map>

#include "engine/Control.h"
#include "engine/Drawing.h"
#include "engine/EngineModule.h"

namespace engine {
namespace {

constexpr wchar_t kDropListClass[] = L"VeneerDropList";

struct DropList {
    std::uint64_t combo = 0;
    int hot = -1;
    // The button-up of the press that opened the list lands outside it and must not close it.
    bool armed = false;
    Dib buffer;
};

std::map<HWND, DropList> g_lists;

Control* ComboOf(HWND list)
{
    auto found = g_lists.find(list);
    return found == g_lists.end() ? nullptr : FindControlBySerial(found->second.combo);
}

int ItemAt(HWND list, POINT point)
{
    Control* combo = ComboOf(list);
    RECT client{};
    GetClientRect(list, &client);
    if (combo == nullptr || !PtInRect(&client, point)) {
        return -1;
    }
    int index = (point.y - 1) / DropListItemHeight(*combo);
    return index >= 0 && index < static_cast<int>(combo->items.size()) ? index : -1;
}

void PaintList(HWND list, HDC target)
{
    auto found = g_lists.find(list);
    Control* combo = ComboOf(list);
    if (found == g_lists.end() || combo == nullptr) {
        return;
    }
    DropList& state = found->second;
    RECT client{};
    GetClientRect(list, &client);
    if ((!state.buffer.IsValid() || state.buffer.Width() != client.right ||
         state.buffer.Height() != client.bottom) &&
        !state.buffer.Create(client.right, client.bottom)) {
        return;
    }
    state.buffer.Clear();
    {
        Canvas canvas(state.buffer);
        Gdiplus::Graphics& graphics = canvas.Graphics();
        auto width = static_cast<Gdiplus::REAL>(client.right);
        auto height = static_cast<Gdiplus::REAL>(client.bottom);
        Gdiplus::SolidBrush paper(ArgbColour(0xFFFFFFFFu));
        graphics.FillRectangle(&paper, 0.0f, 0.0f, width, height);
        FontChoice font = combo->look.Font(1);
        std::uint32_t colour = combo->look.Colour(1);
        int itemHeight = DropListItemHeight(*combo);
        for (std::size_t i = 0; i < combo->items.size(); ++i) {
            Gdiplus::RectF row(1.0f,
                               static_cast<Gdiplus::REAL>(1 + itemHeight * static_cast<int>(i)),
                               width - 2, static_cast<Gdiplus::REAL>(itemHeight));
            std::uint32_t text = colour;
            if (static_cast<int>(i) == state.hot) {
                Gdiplus::SolidBrush hot(ArgbColour(0xFF2D7DD2u));
                graphics.FillRectangle(&hot, row);
                text = 0xFFFFFFFFu;
            } else if (static_cast<int>(i) == combo->selection) {
                Gdiplus::SolidBrush chosen(ArgbColour(0xFFE3EEFAu));
                graphics.FillRectangle(&chosen, row);
            }
            Gdiplus::RectF textBox(row.X + 6, row.Y, row.Width - 8, row.Height);
            PaintText(graphics, combo->items[i], font, text, textBox, TextLayout::LeftMiddleTrim);
        }
        Gdiplus::Pen border(ArgbColour(0xFFA9B8CCu), 1.0f);
        graphics.DrawRectangle(&border, 0.5f, 0.5f, width - 1, height - 1);
    }
    GdiFlush();
    BitBlt(target, 0, 0, client.right, client.bottom, state.buffer.Dc(), 0, 0, SRCCOPY);
}

void Choose(HWND list, int index)
{
    Control* combo = ComboOf(list);
    if (combo == nullptr) {
        DestroyWindow(list);
        return;
    }
    CloseDropList(*combo);
    if (index >= 0 && SelectItem(*combo, index)) {
        RaiseEvent(*combo, kEventMainAction);
    }
}

LRESULT CALLBACK DropListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(list, &paint);
        if (dc != nullptr) {
            PaintList(list, dc);
            EndPaint(list, &paint);
        }
        return 0;
    }
    case WM_MOUSEMOVE: {
        int hot = ItemAt(list, point);
        auto found = g_lists.find(list);
        if (found != g_lists.end() && found->second.hot != hot) {
            found->second.hot = hot;
            InvalidateRect(list, nullptr, FALSE);
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (ItemAt(list, point) < 0) {
            RECT client{};
            GetClientRect(list, &client);
            if (!PtInRect(&client, point)) {
                Choose(list, -1);
            }
        }
        return 0;
    case WM_LBUTTONUP: {
        int index = ItemAt(list, point);
        if (index >= 0) {
            Choose(list, index);
            return 0;
        }
        RECT client{};
        GetClientRect(list, &client);
        auto found = g_lists.find(list);
        if (found != g_lists.end() && !found->second.armed) {
            found->second.armed = true;
        } else if (!PtInRect(&client, point)) {
            Choose(list, -1);
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        // Another window took the mouse (a box, another program): the list is over.
        if (reinterpret_cast<HWND>(lParam) != list && g_lists.count(list) != 0) {
            if (Control* combo = ComboOf(list)) {
                CloseDropList(*combo);
            } else {
                DestroyWindow(list);
            }
        }
        return 0;
    case WM_NCDESTROY:
        g_lists.erase(list);
        break;
    default:
        break;
    }
    return DefWindowProcW(list, message, wParam, lParam);
}

bool RegisterDropList()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &DropListProc;
        windowClass.hInstance = EngineInstance();
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        windowClass.lpszClassName = kDropListClass;
        registered =
            RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }
    return registered;
}

} // namespace

int DropListItemHeight(const Control& combo)
{
    return combo.look.Font(1).size + 10;
}

void OpenDropList(Control& combo)
{
    if (combo.dropList != nullptr || combo.items.empty() || !RegisterDropList()) {
        return;
    }
    RECT box{};
    GetWindowRect(combo.host, &box);
    int width = box.right - box.left;
    int height = DropListItemHeight(combo) * static_cast<int>(combo.items.size()) + 2;
    int top = box.bottom;
    HMONITOR monitor = MonitorFromRect(&box, MONITOR_DEFAULTTONEAREST);
    MONITORINFO screen = {};
    screen.cbSize = sizeof screen;
    if (GetMonitorInfoW(monitor, &screen) && top + height > screen.rcWork.bottom) {
        top = box.top - height;
    }
    HWND list =
        CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kDropListClass, L"",
                        WS_POPUP, box.left, top, width, height, GetAncestor(combo.host, GA_ROOT),
                        nullptr, EngineInstance(), nullptr);
    if (list == nullptr) {
        return;
    }
    g_lists[list].combo = combo.serial;
    combo.dropList = list;
    ShowWindow(list, SW_SHOWNOACTIVATE);
    SetCapture(list);
    ControlChanged(combo);
}

void CloseDropList(Control& combo)
{
    HWND list = combo.dropList;
    if (list == nullptr) {
        return;
    }
    combo.dropList = nullptr;
    g_lists.erase(list);
    if (GetCapture() == list) {
        ReleaseCapture();
    }
    DestroyWindow(list);
    ControlChanged(combo);
}

} // namespace engine
