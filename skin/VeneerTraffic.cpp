#include "skin/VeneerTraffic.h"

#include <cstring>

#include "skin/EngineExports.h"
#include "skin/VeneerLibrary.h"

namespace skin {
namespace {

using framework::PtrWord;
using framework::Word;

constexpr std::uint32_t kStoredHeadWord = 12;

PtrWord SendToEngine(engine::ControlHandle control, Word message, Word number, void* value)
{
    static const int kSlot = EngineExportIndex("ControlSendMessage");
    auto send = reinterpret_cast<engine::ControlSendMessageRoutine>(EngineEntry(kSlot));
    if (send == nullptr) {
        return 0;
    }
    return send(control, message, number, value, 0, 0);
}

void SynchroniseWithHost(HWND host, Word resized)
{
    static const int kSlot = EngineExportIndex("ControPonintSizeSynchronise");
    auto synchronise = reinterpret_cast<engine::SizeSynchroniseRoutine>(EngineEntry(kSlot));
    if (synchronise != nullptr) {
        synchronise(reinterpret_cast<PtrWord>(host), resized);
    }
}

void DestroyEngineControl(engine::ControlHandle control)
{
    static const int kSlot = EngineExportIndex("ControlDestroy");
    auto destroy = reinterpret_cast<engine::ControlDestroyRoutine>(EngineEntry(kSlot));
    if (destroy != nullptr) {
        destroy(control);
    }
}

// The host window's end: the framework forgets, detaches and deletes its unit before the
// engine frees the control, so no framework call can reach a freed control.
LRESULT EndHostWindow(HWND window, WPARAM wParam, LPARAM lParam)
{
    SetPropA(window, "Tab_WM_DESTROY", reinterpret_cast<HANDLE>(1));
    engine::ControlHandle control = VeneerControlFromWindow(window);
    if (control == nullptr) {
        return 0;
    }
    auto unit = reinterpret_cast<PtrWord>(GetPropA(window, "hUnit"));
    VeneerNotifySys(framework::kNotifyUnitGone, control->windowId, control->unitId);
    VeneerNotifySys(framework::kNotifyDetachUnitObject, unit, 0);
    VeneerNotifySys(framework::kNotifyDeleteUnitObject, unit, 0);
    DestroyEngineControl(control);
    return DefWindowProcW(window, WM_NCDESTROY, wParam, lParam);
}

} // namespace

engine::ControlHandle VeneerControlFromWindow(HWND hostWindow)
{
    if (hostWindow == nullptr) {
        return nullptr;
    }
    return static_cast<engine::ControlHandle>(GetPropA(hostWindow, "Tab_Control"));
}

engine::ControlHandle VeneerControlFromUnit(framework::UnitHandle unit)
{
    if (unit == 0) {
        return nullptr;
    }
    auto* object = reinterpret_cast<const framework::UnitObject*>(unit);
    return VeneerControlFromWindow(reinterpret_cast<HWND>(object->hostWindow));
}

Word FRAMEWORK_CALL VeneerNotifyPropertyChanged(framework::UnitHandle unit, Word number,
                                                framework::UnitPropertyValue* value, PtrWord)
{
    if (unit == 0) {
        return 0;
    }
    return static_cast<Word>(
        SendToEngine(VeneerControlFromUnit(unit), engine::kMessageWriteProperty, number, value));
}

Word FRAMEWORK_CALL VeneerGetPropertyData(framework::UnitHandle unit, Word number,
                                          framework::UnitPropertyValue* value)
{
    if (unit == 0) {
        return 1;
    }
    return static_cast<Word>(
        SendToEngine(VeneerControlFromUnit(unit), engine::kMessageReadProperty, number, value));
}

PtrWord FRAMEWORK_CALL VeneerGetAllPropertyData(framework::UnitHandle unit)
{
    if (unit == 0) {
        return 0;
    }
    engine::ControlHandle control = VeneerControlFromUnit(unit);
    auto* block = reinterpret_cast<const engine::DataBlockHead*>(
        SendToEngine(control, engine::kMessageAllData, -1, nullptr));
    if (block == nullptr || block->length <= 0) {
        return 0;
    }
    SIZE_T size = static_cast<SIZE_T>(block->length) + sizeof(engine::DataBlockHead);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (memory == nullptr) {
        return 0;
    }
    auto* bytes = static_cast<std::uint8_t*>(GlobalLock(memory));
    if (bytes == nullptr) {
        GlobalFree(memory);
        return 0;
    }
    std::memcpy(bytes, block, size);
    std::uint32_t page = 0;
    if (control != nullptr && control->parent != nullptr &&
        control->parent->typeCode == engine::kTypePagedContainer) {
        page = static_cast<std::uint32_t>(control->pageIndex + 1);
    }
    std::memcpy(bytes, &kStoredHeadWord, 4);
    std::memcpy(bytes + 4, &page, 4);
    GlobalUnlock(memory);
    return reinterpret_cast<PtrWord>(memory);
}

LRESULT CALLBACK VeneerHostWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOVE:
        SynchroniseWithHost(window, 0);
        break;
    case WM_SIZE:
        SynchroniseWithHost(window, 1);
        break;
    case WM_ERASEBKGND:
        // The engine paints the whole control; erasing first would only flash the class brush.
        return 1;
    case WM_NCDESTROY:
        return EndHostWindow(window, wParam, lParam);
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

engine::PtrWord ENGINE_CALL VeneerEventCallback(engine::ControlHandle control, engine::Word code,
                                                engine::PtrWord argument1,
                                                engine::PtrWord argument2,
                                                engine::PtrWord argument3,
                                                engine::PtrWord argument4)
{
    if (code >= engine::kEventCodeLimit || control == nullptr) {
        return 0;
    }
    framework::UnitEventRecord record = {};
    record.windowId = control->windowId;
    record.unitId = control->unitId;
    record.eventNumber = code + control->eventBase - engine::kEventCodeOrigin;
    record.argumentCount = 4;
    record.arguments[0] = argument1;
    record.arguments[1] = argument2;
    record.arguments[2] = argument3;
    record.arguments[3] = argument4;
    record.result = 0;
    VeneerNotifySys(framework::kNotifyRaiseEvent, reinterpret_cast<PtrWord>(&record), 0);
    return record.result;
}

} // namespace skin
