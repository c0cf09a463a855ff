#pragma once
// The engine's own module.

#include <windows.h>

namespace engine {

// The DLL's instance handle, for the window classes the engine registers.
HINSTANCE EngineInstance();

} // namespace engine
