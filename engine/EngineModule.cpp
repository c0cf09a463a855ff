#include "engine/EngineModule.h"

namespace engine {

HINSTANCE EngineInstance()
{
    // Found from an address inside the engine, so the same code serves the DLL and a program
    // that links the engine in (the repaint benchmark).
    static HINSTANCE instance = [] {
        HMODULE module = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&EngineInstance), &module);
        return module;
    }();
    return instance;
}

} // namespace engine
