#pragma once
// What passes between VeneerCore.dll and a program that drives it: the routine signatures of
// the operations a binding calls, the context record of a creation, the engine messages, and
// the head of the engine's control object that a binding reads.
//
// Every argument is one 32-bit word in the 32-bit build; words that carry a pointer or a handle
// widen to pointer size in the 64-bit build. No standard-library type crosses this boundary.

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define ENGINE_CALL __stdcall
#else
#define ENGINE_CALL
#endif

namespace engine {

using Word = std::int32_t;
using PtrWord = std::intptr_t;

// Handed to a CreateControl_<Class> call; it lives only for the duration of the call.
struct ControlContext {
    PtrWord hostWindow;
    Word unitId;
    Word windowId;
    Word eventBase;
    const void* storedData; // word 12, page number, then the engine's bytes; or none
};

// The head of every control object the engine hands out as a ControlHandle. The fields between
// the ones a binding reads are the engine's; the order is fixed so that a binding built against
// this header and the 32-bit layout below agree.
struct ControlHandleHead {
    std::uint32_t magic;
    std::uint32_t kind;
    Word windowId;
    Word unitId;
    std::uint32_t flags;
    Word eventBase;
    std::uint32_t reserved24;
    std::uint32_t reserved28;
    ControlHandleHead* parent; // none for a control without a parent control
    Word typeCode;
    std::uint32_t reserved40;
    std::uint32_t reserved44;
    Word pageIndex; // 0-based page on the parent control
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(offsetof(ControlHandleHead, windowId) == 8);
static_assert(offsetof(ControlHandleHead, unitId) == 12);
static_assert(offsetof(ControlHandleHead, eventBase) == 20);
static_assert(offsetof(ControlHandleHead, parent) == 32);
static_assert(offsetof(ControlHandleHead, typeCode) == 36);
static_assert(offsetof(ControlHandleHead, pageIndex) == 48);
#elif INTPTR_MAX == INT64_MAX
// The parent pointer takes eight bytes here; the fields after it move by four.
static_assert(offsetof(ControlHandleHead, windowId) == 8);
static_assert(offsetof(ControlHandleHead, unitId) == 12);
static_assert(offsetof(ControlHandleHead, eventBase) == 20);
static_assert(offsetof(ControlHandleHead, parent) == 32);
static_assert(offsetof(ControlHandleHead, typeCode) == 40);
static_assert(offsetof(ControlHandleHead, pageIndex) == 52);
#endif

using ControlHandle = ControlHandleHead*;

// Engine type codes (ControlHandleHead::typeCode). A control placed on a page of a paged
// container has that container as its parent; the page number a binding stores for it is its
// page index + 1.
constexpr Word kTypeWindowEx = 1100;
constexpr Word kTypeLabelEx = 1101;
constexpr Word kTypeButtonEx = 1103;
constexpr Word kTypeImagebuttonEx = 1104;
constexpr Word kTypeChoiceboxEx = 1106;
constexpr Word kTypeComboboxEx = 1109;
constexpr Word kTypePictureBoxEx = 1112;
constexpr Word kTypePagedContainer = 1300;

// ControlSendMessage messages.
constexpr Word kMessageWriteProperty = 0x2801; // number, address of the new UnitPropertyValue
constexpr Word kMessageReadProperty = 0x2802;  // number, address of a zeroed UnitPropertyValue
constexpr Word kMessageAllData = 0x2803;       // -1, 0; answers the address of a DataBlock

// The answer to kMessageAllData; `length` bytes of the engine's stored data follow the head.
struct DataBlockHead {
    Word version;
    Word length;
};

// Event codes: code + the control's event base - 660 is the event number a window template
// binds; codes from 700 on are never raised.
constexpr Word kEventCodeOrigin = 660;
constexpr Word kEventCodeLimit = 700;
constexpr Word kEventMainAction = 0; // click, check, change of selection
constexpr Word kEventDoubleClick = 6;

// The start call a binding makes right after loading.
constexpr Word kStartFunction = 2008;
constexpr Word kStartStamp = 20210612;

using EventCallback = PtrWord(ENGINE_CALL*)(ControlHandle control, Word code, PtrWord argument1,
                                            PtrWord argument2, PtrWord argument3,
                                            PtrWord argument4);
using CallInternalFunctionRoutine = Word(ENGINE_CALL*)(Word function, PtrWord module,
                                                       PtrWord argument1, PtrWord argument2,
                                                       Word stamp);
using ControlSendMessageRoutine = PtrWord(ENGINE_CALL*)(ControlHandle control, Word message,
                                                        Word number, void* value, PtrWord reserved1,
                                                        PtrWord reserved2);
using SizeSynchroniseRoutine = Word(ENGINE_CALL*)(PtrWord hostWindow, Word resized);
using ControlDestroyRoutine = Word(ENGINE_CALL*)(ControlHandle control);

} // namespace engine
