#pragma once
// The seven skinned control types the binding offers the framework: the type table, each
// type's get-interface routine and its create routine.

#include "framework/LibraryProtocol.h"

namespace skin {

constexpr int kVeneerTypeSlots = 35;
constexpr framework::Word kVeneerLibraryNumber = 3;

extern const framework::UnitTypeInfo VeneerTypeTable[kVeneerTypeSlots];

// Host window class names: the class name of the type, the window skin's in quotes.
constexpr const char* kWindowExClassName = "\"WindowEx\"";

using framework::PtrWord;
using framework::UnitHandle;
using framework::Word;

#define VENEER_DECLARE_TYPE(cls)                                                                   \
    framework::UnitRoutine FRAMEWORK_CALL GetInterface##cls(Word interfaceNumber);                 \
    UnitHandle FRAMEWORK_CALL CreateUnit##cls(                                                     \
        const void* storedData, Word storedSize, Word style, PtrWord parentWindow, Word controlId, \
        PtrWord menu, Word left, Word top, Word width, Word height, framework::WindowId windowId,  \
        framework::UnitId unitId, Word designTime1, Word designTime2);

// Create routine (interface 1) with the 14 arguments of the framework; answers the
// UnitHandle the framework made for the host window, or 0 when no host window came about.
// Get-interface routine: 1 create, 4 property written, 5 all property data, 6 property read;
// any other number nullptr.
VENEER_DECLARE_TYPE(WindowEx)
VENEER_DECLARE_TYPE(PictureBoxEx)
VENEER_DECLARE_TYPE(LabelEx)
VENEER_DECLARE_TYPE(ButtonEx)
VENEER_DECLARE_TYPE(ImagebuttonEx)
VENEER_DECLARE_TYPE(ChoiceboxEx)
VENEER_DECLARE_TYPE(ComboboxEx)

#undef VENEER_DECLARE_TYPE

} // namespace skin
