#pragma once
// What passes between the window framework and a control library: the library's record in the
// framework's library table, the type and property descriptions it offers, the value and event
// records, the notify codes and the unit interfaces with their signatures.
//
// A control library links against nothing of the framework but this header. In the 32-bit build
// every field is one 32-bit word, as the libraries were written for; in the 64-bit build the
// fields that carry a pointer or a handle widen to pointer size, and both sides compile from
// this one header.

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define FRAMEWORK_CALL __stdcall
#else
// The standard calling convention has no meaning outside 32-bit x86.
#define FRAMEWORK_CALL
#endif

namespace framework {

// A plain 32-bit word of the protocol.
using Word = std::int32_t;
// A word that may carry a pointer or a handle (window, global memory, unit).
using PtrWord = std::intptr_t;

using WindowId = Word;
using UnitId = Word;
using PropertyIndex = Word;
using UnitEventNumber = Word;
// (library number << 16) | type number; the library number is the 1-based place of the library
// in the framework's table, the type number the 1-based slot in the library's type table.
using UnitTypeCode = Word;

// The framework's window object for a library unit, made by notify 1007 for a host window. A
// `UnitHandle` is the address of one; the library reads `hostWindow` to find its control.
struct UnitObject {
    PtrWord hostWindow;
};
using UnitHandle = PtrWord;

// Properties 0-7 (left, top, width, height, text, two logicals, mouse pointer) belong to the
// framework; a library sees index - kFrameworkPropertyCount for every other one.
constexpr PropertyIndex kFrameworkPropertyCount = 8;

// Type codes of `UnitPropertyInfo::type`.
constexpr std::uint16_t kPropertyInteger = 1001;
constexpr std::uint16_t kPropertyLogical = 1003;
constexpr std::uint16_t kPropertyText = 1005;
constexpr std::uint16_t kPropertyMousePointer = 1011;
constexpr std::uint16_t kPropertyEngineData = 1024;

// One property value as it passes through a property write or read. Integers, logicals (0 or 1)
// and mouse pointers are in `word0`; a text (code page 936, not NUL-terminated) or a byte block
// is `word0` = its address and `word1` = its length in bytes. The memory stays the writer's:
// on a write the framework's, on a read the library's, and the framework copies it at once.
struct UnitPropertyValue {
    PtrWord word0;
    PtrWord word1;
};

// An event raised by a library (notify 2008). The library fills everything up to the arguments;
// the framework runs the handler bound to (windowId, unitId, eventNumber) and, when the handler
// gives a result, sets hasResult to 1 and stores the result.
struct UnitEventRecord {
    WindowId windowId;
    UnitId unitId;
    UnitEventNumber eventNumber;
    Word argumentCount;
    PtrWord arguments[5];
    Word hasResult;
    PtrWord result;
};

// Notify function of the framework and notify entry of a library alike.
using NotifyRoutine = PtrWord(FRAMEWORK_CALL*)(Word code, PtrWord argument1, PtrWord argument2);

// Codes a library's notify entry receives.
// (1, the framework's NotifyRoutine, 0), once at start-up after the run directory became the
// current directory and before any window exists.
constexpr Word kLibraryStart = 1;

// Codes the framework's notify function answers.
// (1007, host window, 0) -> UnitHandle: makes the framework's window object for the host window
// and attaches it; 0 for no window.
constexpr Word kNotifyMakeUnitObject = 1007;
// (1008, UnitHandle, 0) -> 0: deletes that window object.
constexpr Word kNotifyDeleteUnitObject = 1008;
// (1009, UnitHandle, 0) -> 0: detaches the window object from its host window.
constexpr Word kNotifyDetachUnitObject = 1009;
// (2000, WindowId, UnitId) -> 0: the unit is gone; the framework forgets it.
constexpr Word kNotifyUnitGone = 2000;
// (2008, address of a UnitEventRecord, 0) -> 0: raises the event.
constexpr Word kNotifyRaiseEvent = 2008;

// Unit interfaces, asked for through a type's get-interface routine.
constexpr Word kInterfaceCreate = 1;
constexpr Word kInterfacePropertyWritten = 4;
constexpr Word kInterfaceAllPropertyData = 5;
constexpr Word kInterfacePropertyRead = 6;

// The get-interface routine answers a generic routine (or none) that the framework casts to the
// signature of the interface asked for.
using UnitRoutine = void(FRAMEWORK_CALL*)();
using GetInterfaceRoutine = UnitRoutine(FRAMEWORK_CALL*)(Word interfaceNumber);

// Interface 1: creates the unit and returns its UnitHandle (0 when creation failed). The stored
// property data is a block of word 12, page number, then the engine's bytes, or none.
using CreateUnitRoutine = UnitHandle(FRAMEWORK_CALL*)(const void* storedData, Word storedSize,
                                                      Word style, PtrWord parentWindow,
                                                      Word controlId, PtrWord menu, Word left,
                                                      Word top, Word width, Word height,
                                                      WindowId windowId, UnitId unitId,
                                                      Word designTime1, Word designTime2);
// Interface 4: property `number` (index - 8) was written with `value`; an answer of 1 asks the
// framework to re-create the unit from its whole property data.
using PropertyWrittenRoutine = Word(FRAMEWORK_CALL*)(UnitHandle unit, Word number,
                                                     UnitPropertyValue* value, PtrWord unused);
// Interface 5: the unit's whole property data as movable global memory that the caller owns,
// or 0.
using AllPropertyDataRoutine = PtrWord(FRAMEWORK_CALL*)(UnitHandle unit);
// Interface 6: fills the zeroed `value` with property `number` (index - 8).
using PropertyReadRoutine = Word(FRAMEWORK_CALL*)(UnitHandle unit, Word number,
                                                  UnitPropertyValue* value);

// One property of a type; the position in the type's list is its PropertyIndex.
struct UnitPropertyInfo {
    const char* name;
    const char* englishName;
    const char* explanation;
    std::uint16_t type;
    std::uint16_t flags;
    const char* const* choices;
};

// One slot of a library's type table; a slot that is all zero offers no type.
struct UnitTypeInfo {
    const char* name;
    const char* englishName;
    const char* explanation;
    Word methodCount;
    const Word* methods;
    Word flags;
    Word iconId;
    Word eventCount;
    const void* events;
    Word propertyCount;
    const UnitPropertyInfo* properties;
    GetInterfaceRoutine getInterface;
    Word elementCount;
    const void* elements;
};

constexpr Word kLibraryMagic = 20000101;

// A library's record in the framework's library table.
struct LibraryInfo {
    Word magic;
    const char* identifier;
    Word majorVersion;
    Word minorVersion;
    Word buildNumber;
    Word requiredFrameworkMajor;
    Word requiredFrameworkMinor;
    Word requiredCoreMajor;
    Word requiredCoreMinor;
    const char* name;
    Word language;
    const char* descriptions[10];
    Word typeCount;
    const UnitTypeInfo* types;
    // Categories, commands and command routines; the framework calls no library commands.
    PtrWord commandFields[7];
    NotifyRoutine notify;
    PtrWord reserved[5];
};

#if defined(_WIN32) && !defined(_WIN64)
// The libraries were built against these exact layouts.
static_assert(sizeof(UnitObject) == 4);
static_assert(sizeof(UnitPropertyValue) == 8);
static_assert(sizeof(UnitEventRecord) == 44);
static_assert(offsetof(UnitEventRecord, arguments) == 16);
static_assert(offsetof(UnitEventRecord, hasResult) == 36);
static_assert(sizeof(UnitPropertyInfo) == 20);
static_assert(offsetof(UnitPropertyInfo, type) == 12);
static_assert(offsetof(UnitPropertyInfo, flags) == 14);
static_assert(sizeof(UnitTypeInfo) == 56);
static_assert(offsetof(UnitTypeInfo, flags) == 20);
static_assert(offsetof(UnitTypeInfo, propertyCount) == 36);
static_assert(offsetof(UnitTypeInfo, getInterface) == 44);
static_assert(sizeof(LibraryInfo) == 144);
static_assert(offsetof(LibraryInfo, typeCount) == 84);
static_assert(offsetof(LibraryInfo, types) == 88);
static_assert(offsetof(LibraryInfo, notify) == 120);
#endif

} // namespace framework
