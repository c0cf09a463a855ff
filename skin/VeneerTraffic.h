#pragma once
// What passes through the binding once a skinned control exists: property writes and reads
// (unit interfaces 4, 5 and 6), the host window's moves, resizes and end, and the engine's
// events on their way to the framework.

#include <windows.h>

#include "engine/EngineInterface.h"
#include "framework/LibraryProtocol.h"

namespace skin {

// Interface 4: writes property `number` (PropertyIndex - 8) to the engine and answers the
// engine's reply (1 asks the framework to re-create the control). 0 for no unit or no engine.
framework::Word FRAMEWORK_CALL VeneerNotifyPropertyChanged(framework::UnitHandle unit,
                                                           framework::Word number,
                                                           framework::UnitPropertyValue* value,
                                                           framework::PtrWord unused);

// Interface 6: has the engine fill `value` with property `number`; 1 without a call for no
// unit.
framework::Word FRAMEWORK_CALL VeneerGetPropertyData(framework::UnitHandle unit,
                                                     framework::Word number,
                                                     framework::UnitPropertyValue* value);

// Interface 5: the control's whole data as movable global memory (word 12, page number, the
// engine's bytes) that the caller owns; 0 for no unit, no or an empty engine block, or no
// memory.
framework::PtrWord FRAMEWORK_CALL VeneerGetAllPropertyData(framework::UnitHandle unit);

// The engine's control behind a unit or a host window, nullptr when the engine bound none.
engine::ControlHandle VeneerControlFromUnit(framework::UnitHandle unit);
engine::ControlHandle VeneerControlFromWindow(HWND hostWindow);

// Window procedure of every host window class.
LRESULT CALLBACK VeneerHostWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Given to the engine at creation: raises event code + event base - 660 of the control in the
// framework and answers the handler's result (0 without one); codes from 700 on are dropped.
engine::PtrWord ENGINE_CALL VeneerEventCallback(engine::ControlHandle control, engine::Word code,
                                                engine::PtrWord argument1,
                                                engine::PtrWord argument2,
                                                engine::PtrWord argument3,
                                                engine::PtrWord argument4);

} // namespace skin
