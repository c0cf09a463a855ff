#pragma once
// Property indices of the skinned controls that the windows' code writes and reads.
// 0-7 are the framework's (the host window's place); from 8 on the index less 8 goes to the
// engine unchanged.

#include "framework/LibraryProtocol.h"

namespace windows::skinprop {

using framework::PropertyIndex;

constexpr PropertyIndex kLeft = 0;
constexpr PropertyIndex kTop = 1;
constexpr PropertyIndex kWidth = 2;
constexpr PropertyIndex kHeight = 3;
constexpr PropertyIndex kVisible = 8;
// The background picture of a WindowEx (PNG file bytes).
constexpr PropertyIndex kBackgroundImage = 15;
// The picture of a PictureBoxEx (PNG file bytes).
constexpr PropertyIndex kPicture = 16;
// Whether a ChoiceboxEx is ticked (1) or not (0).
constexpr PropertyIndex kTicked = 16;
// The text colour of a LabelEx (0xAARRGGBB).
constexpr PropertyIndex kTextColour = 19;
// The caption of a LabelEx or ButtonEx (code page 936).
constexpr PropertyIndex kCaption = 20;
// The chosen item of a ComboboxEx, from 0.
constexpr PropertyIndex kSelection = 37;

} // namespace windows::skinprop
