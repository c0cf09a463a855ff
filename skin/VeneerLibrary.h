#pragma once
// The skinned-control library of the window framework: its library record, the engine loading
// at start-up and the one road from the binding into the framework.

#include "framework/LibraryProtocol.h"

namespace skin {

// The record the framework lists as its third library.
extern const framework::LibraryInfo VeneerLibraryInfo;

// The library's notify entry. Message 1 loads the engine (LoadVeneerKernel) and keeps
// argument 1 as the framework's notify function, answering 0; any other message answers -1.
framework::PtrWord FRAMEWORK_CALL VeneerProcessNotifyLib(framework::Word message,
                                                         framework::PtrWord argument1,
                                                         framework::PtrWord argument2);

// Finds, loads and binds VeneerCore.dll and makes its start call. True once the engine is
// loaded and has not refused; a later call after success returns true without searching.
bool LoadVeneerKernel();

// Passes a call on to the framework's notify function; 0 while none is kept.
framework::PtrWord VeneerNotifySys(framework::Word code, framework::PtrWord argument1,
                                   framework::PtrWord argument2);

// The loaded engine module while it is loaded and accepted, else nullptr.
void* VeneerEngineModule();

} // namespace skin
