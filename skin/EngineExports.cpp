#include "skin/EngineExports.h"

#include <windows.h>

#include <cstddef>

namespace skin {
namespace {

// One stretch of the table: its size in slots and the names of its first entries (and, for a
// stretch that ends in a known name, `lastName`). The engine's export list has 685 entries,
// of which this binding knows the names below; the unknown ones keep their places as empty
// slots so that the known ones after them sit where the engine's order puts them.
struct ExportRun {
    int slots;
    const char* names[11];
    const char* lastName = nullptr;
};

#define VENEER_CLASS_RUN(cls, size)                                                                \
    ExportRun                                                                                      \
    {                                                                                              \
        size,                                                                                      \
        {                                                                                          \
            "CreateControl_" #cls, "SetAttribute_" #cls, "GetAttribute_" #cls                      \
        }                                                                                          \
    }

// The class runs with their own operations: three entries for the simple classes, 21 for the
// window skin and 27 for the combo box. The slack of the whole table lies in the boxes run,
// whose size alone is not fixed by what the binding relies on.
constexpr int kBoxesRunSlots = 229;

constexpr ExportRun kRuns[] = {
    {1, {"CallInternalFunction_Ex"}},
    {106,
     {"LoadImageEx", "DestroyImageEx", "GetImageAttributeEx", "GetImageData", "CreateBinEx",
      "GetBInExCache", "ControlCreate", "ControlDestroy", "ControlSendMessage",
      "ControPonintSizeSynchronise", "ControlResetElem"}},
    {40, {}},             // element attributes, ten element kinds
    {kBoxesRunSlots, {}}, // message, input, tip, time and colour boxes
    {32, {"Create_MenuEx"}},
    {21, {"Create_DownlistEx"}},
    {14, {"CreateSlowMotionTaskEx"}, "LoadThemeEx"},
    {46, {"Create_WindowBoxEx"}},
    {48, {"Create_StructEx"}},
    VENEER_CLASS_RUN(WindowEx, 21),
    VENEER_CLASS_RUN(LabelEx, 3),
    VENEER_CLASS_RUN(FilterEx, 3),
    VENEER_CLASS_RUN(ButtonEx, 3),
    VENEER_CLASS_RUN(ImagebuttonEx, 3),
    VENEER_CLASS_RUN(SuperbuttonEx, 3),
    VENEER_CLASS_RUN(ChoiceboxEx, 3),
    VENEER_CLASS_RUN(RadiobuttonEx, 3),
    VENEER_CLASS_RUN(EditboxEx, 3),
    VENEER_CLASS_RUN(ComboboxEx, 27),
    VENEER_CLASS_RUN(MinutesboxEx, 3),
    VENEER_CLASS_RUN(MultifunctionButtonEx, 3),
    VENEER_CLASS_RUN(PictureBoxEx, 3),
    VENEER_CLASS_RUN(ProgressbarEx, 3),
    VENEER_CLASS_RUN(ScrollbarEx, 3),
    VENEER_CLASS_RUN(SliderbarEx, 3),
    VENEER_CLASS_RUN(SelectthefolderEx, 3),
    VENEER_CLASS_RUN(ToolbarEx, 3),
    VENEER_CLASS_RUN(ListboxEx, 3),
    VENEER_CLASS_RUN(SuperListboxEx, 3),
    VENEER_CLASS_RUN(IcoListboxEx, 3),
    VENEER_CLASS_RUN(TreeListEx, 3),
    VENEER_CLASS_RUN(WebBrowserEx, 3),
    VENEER_CLASS_RUN(CalendarBoxEx, 3),
    VENEER_CLASS_RUN(ColorPickEx, 3),
    VENEER_CLASS_RUN(RichEditEx, 3),
    VENEER_CLASS_RUN(ExtendEx, 3),
    VENEER_CLASS_RUN(AnimationbuttonEx, 3),
    VENEER_CLASS_RUN(AdvancedFormEx, 3),
    VENEER_CLASS_RUN(SlideButtonEx, 3),
    VENEER_CLASS_RUN(PieChartEx, 3),
    VENEER_CLASS_RUN(BarChartEx, 3),
    VENEER_CLASS_RUN(CurveChartEx, 3),
    VENEER_CLASS_RUN(CandleChartEx, 3),
    // The drawing panel's run ends the table with its drawing operations.
    {4,
     {"CreateControl_DrawPanelEx", "SetAttribute_DrawPanelEx", "GetAttribute_DrawPanelEx"},
     "GetGraphicsData_DrawPanelEx"},
};

constexpr int TotalSlots()
{
    int total = 0;
    for (const ExportRun& run : kRuns) {
        total += run.slots;
    }
    return total;
}
static_assert(TotalSlots() == kEngineExportCount, "export runs do not add up");

constexpr std::array<const char*, kEngineExportCount> BuildNames()
{
    std::array<const char*, kEngineExportCount> names{};
    int at = 0;
    for (const ExportRun& run : kRuns) {
        int slot = at;
        for (const char* name : run.names) {
            if (name != nullptr) {
                names[slot++] = name;
            }
        }
        if (run.lastName != nullptr) {
            names[at + run.slots - 1] = run.lastName;
        }
        at += run.slots;
    }
    return names;
}

#undef VENEER_CLASS_RUN

std::array<void*, kEngineExportCount> g_entries{};

} // namespace

const std::array<const char*, kEngineExportCount> kEngineExportNames = BuildNames();

int EngineExportIndex(std::string_view name)
{
    for (int slot = 0; slot < kEngineExportCount; ++slot) {
        if (kEngineExportNames[slot] != nullptr && name == kEngineExportNames[slot]) {
            return slot;
        }
    }
    return -1;
}

void* EngineEntry(int slot)
{
    if (slot < 0 || slot >= kEngineExportCount) {
        return nullptr;
    }
    return g_entries[slot];
}

void BindEngineExports(void* module)
{
    for (int slot = 0; slot < kEngineExportCount; ++slot) {
        const char* name = kEngineExportNames[slot];
        if (module == nullptr || name == nullptr) {
            g_entries[slot] = nullptr;
            continue;
        }
        g_entries[slot] =
            reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
    }
}

} // namespace skin
