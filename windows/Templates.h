#pragma once
// The weather application's window templates and the ids the handlers address them by.

#include <span>

#include "framework/Template.h"

namespace windows {

inline constexpr framework::WindowId MainWindow = 1;

// Every template of the application, for the framework's start.
std::span<const framework::WindowTemplate* const> AllTemplates();

} // namespace windows
