#pragma once
// The entry points of VeneerCore.dll as the binding keeps them: one slot per export, filled by
// name after loading, in the engine's fixed export order.

#include <array>
#include <string_view>

namespace skin {

constexpr int kEngineExportCount = 685;

// Export names in table order. A slot whose name this binding does not know holds nullptr and
// stays empty after binding.
extern const std::array<const char*, kEngineExportCount> kEngineExportNames;

// Slot of an export by name, -1 when the table has no such name. Usable at compile time for
// the entries the binding calls.
int EngineExportIndex(std::string_view name);

// The filled entry point of a slot, or nullptr (not loaded, export missing, slot out of range).
void* EngineEntry(int slot);

// Fills every named slot from `module` (nullptr empties the table).
void BindEngineExports(void* module);

} // namespace skin
