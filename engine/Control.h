#pragma once
// One skinned control inside the engine: the head the binding reads, the stored look, the state
// the user changes, and the layer its look is drawn into. Everything here runs on the thread
// that owns the control's window.

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/EngineInterface.h"
#include "engine/Look.h"
#include "engine/Picture.h"

namespace engine {

class Surface;

enum class ControlKind : std::uint32_t {
    WindowSkin = 1,
    PictureBox,
    Label,
    Button,
    ImageButton,
    CheckBox,
    ComboBox,
};

constexpr std::uint32_t kControlMagic = 0x5443'4E56; // "VNCT"
constexpr std::size_t kTitlePictureCount = 13;

struct Control {
    // First, so that the address of the control is the ControlHandle the binding reads.
    ControlHandleHead head{};
    ControlKind kind = ControlKind::Label;
    // Tells a live control from a freed one whose address came round again.
    std::uint64_t serial = 0;
    HWND host = nullptr;
    // The window the control is drawn in (the host window's parent).
    HWND window = nullptr;
    Surface* surface = nullptr;
    RECT rect{}; // in the window's client area
    EventCallback callback = nullptr;
    Look look;

    // Window background, picture-box picture or image-button glyph.
    std::shared_ptr<const Picture> picture;
    std::size_t frame = 0;
    // Title-button states of a window skin, by picture role.
    std::array<std::shared_ptr<const Picture>, kTitlePictureCount> titlePictures;

    bool hover = false;
    bool pressed = false;
    bool trackingLeave = false;
    bool checked = false;
    std::vector<std::u16string> items;
    int selection = -1;
    HWND dropList = nullptr;

    Dib layer;
    bool layerValid = false;

    // Answers handed out by reads and the all-data request stay alive until the next one.
    std::string readBuffer;
    std::vector<std::uint8_t> allData;
};

// Makes a control from the words of a CreateControl_<Class> call (parent window, place, event
// callback, context at words 1-7) and binds it to the host window named in the context.
// nullptr when the words name no context or no host window.
Control* CreateControl(ControlKind kind, Word typeCode, const PtrWord* words);

// The live control behind a handle, or nullptr for a handle the engine does not hold.
Control* FindControl(ControlHandle handle);
Control* FindControlBySerial(std::uint64_t serial);
Control* ControlOfHost(HWND host);

void DestroyControl(Control& control);

// Engine messages: property written, property read, all data.
PtrWord SendControlMessage(Control& control, Word message, Word number, void* value);

// Follows the host window after it moved (resized false) or changed size.
void FollowHost(Control& control, bool resized);

// Raises event `number` of the control through the binding's callback and answers what it
// returns. The handler may destroy the control: callers touch it afterwards only when
// FindControlBySerial still finds it.
PtrWord RaiseEvent(Control& control, Word number);

// The control's look needs drawing again.
void ControlChanged(Control& control);

// Draws the control's look into its layer (one per kind).
void PaintLayer(Control& control);

// The combo box's list of items, opened below it; closing it with a choice changes the
// selection and raises event 0 when the selection is a different one.
void OpenDropList(Control& combo);
void CloseDropList(Control& combo);
int DropListItemHeight(const Control& combo);
// Makes `index` the combo box's selection and its shown text; false when nothing changed.
bool SelectItem(Control& combo, int index);

} // namespace engine
