#pragma once
// The unpacker program: a hidden window whose creation extracts "Temp.zip" over the run
// directory, deletes it, starts the updater again and ends the program.

#include "framework/Template.h"

namespace updater {

inline constexpr framework::WindowId UnpackWindow = 1;

// The program entry: the framework with the zip component as library 2, then the window.
int UnpackerEntry();

// Loads the hidden window (modal, no parent); returns 0.
int UnpackerStartup();

// Event 0 of the window: the whole unpacking. Never returns; the program ends in it.
framework::EventResult OnUnpackWindowCreated(const framework::UnitEvent& event);

} // namespace updater
