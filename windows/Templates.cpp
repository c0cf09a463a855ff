#include "windows/Templates.h"

namespace windows {
namespace {

using namespace framework;

// The main window as a bare frame until its units and handlers are laid out.
const WindowTemplate kMainWindow = {.id = MainWindow,
                                    .unit = 1,
                                    .name = "MainWindow",
                                    .caption = "Skyvane",
                                    .width = 775,
                                    .height = 413};

const WindowTemplate* const kTemplates[] = {&kMainWindow};

} // namespace

std::span<const WindowTemplate* const> AllTemplates()
{
    return kTemplates;
}

} // namespace windows
