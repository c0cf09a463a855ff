// The entry points of VeneerCore.dll. Each is a plain stdcall routine of 32-bit words (pointer
// words in the 64-bit build); nothing but words crosses, and the create routines name every
// word of their count so that the callee-cleaned stack balances.
#include <windows.h>

#include "engine/Control.h"
#include "engine/Drawing.h"
#include "engine/EngineInterface.h"

using engine::ControlHandle;
using engine::ControlKind;
using engine::PtrWord;
using engine::Word;

namespace {

template <typename... Words> constexpr int WordCount(PtrWord(ENGINE_CALL*)(Words...))
{
    return static_cast<int>(sizeof...(Words));
}

PtrWord Create(ControlKind kind, Word typeCode, const PtrWord* words)
{
    engine::Control* control = engine::CreateControl(kind, typeCode, words);
    return control != nullptr ? reinterpret_cast<PtrWord>(&control->head) : 0;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

#define W PtrWord

extern "C" {

// The start call: function 2008 with the binding's stamp is accepted; anything else is refused
// with 0.
Word ENGINE_CALL CallInternalFunction_Ex(Word function, PtrWord, PtrWord, PtrWord, Word stamp)
{
    if (function != engine::kStartFunction || stamp != engine::kStartStamp) {
        return 0;
    }
    return engine::EnsureGdiplus() ? 1 : 0;
}

PtrWord ENGINE_CALL CreateControl_WindowEx(W a0, W a1, W a2, W a3, W a4, W a5, W a6, W a7, W, W, W,
                                           W, W, W, W, W, W, W, W, W, W, W, W, W, W, W, W, W)
{
    const PtrWord words[] = {a0, a1, a2, a3, a4, a5, a6, a7};
    return Create(ControlKind::WindowSkin, engine::kTypeWindowEx, words);
}

PtrWord ENGINE_CALL CreateControl_PictureBoxEx(W a0, W a1, W a2, W a3, W a4, W a5, W a6, W a7, W, W,
                                               W, W, W, W, W, W, W, W, W, W, W, W, W, W, W)
{
    const PtrWord words[] = {a0, a1, a2, a3, a4, a5, a6, a7};
    return Create(ControlKind::PictureBox, engine::kTypePictureBoxEx, words);
}

PtrWord ENGINE_CALL CreateControl_LabelEx(W a0, W a1, W a2, W a3, W a4, W a5, W a6, W a7, W, W, W,
                                          W, W, W, W, W, W, W, W, W, W, W, W)
{
    const PtrWord words[] = {a0, a1, a2, a3, a4, a5, a6, a7};
    return Create(ControlKind::Label, engine::kTypeLabelEx, words);
}

PtrWord ENGINE_CALL CreateControl_ButtonEx(W a0, W a1, W a2, W a3, W a4, W a5, W a6, W a7, W, W, W,
                                           W, W, W, W, W, W, W, W, W, W, W)
{
    const PtrWord words[] = {a0, a1, a2, a3, a4, a5, a6, a7};
    return Create(ControlKind::Button, engine::kTypeButtonEx, words);
}

PtrWord ENGINE_CALL CreateControl_ImagebuttonEx(W a0, W a1, W a2, W a3, W a4, W a5, W a6, W a7, W,
                                                W, W, W, W, W, W, W, W, W, W, W)
{
    const PtrWord words[] = {a0, a1, a2, a3, a4, a5, a6, a7};
    return Create(ControlKind::ImageButton, engine::kTypeImagebuttonEx, words);
}

PtrWord ENGINE_CALL CreateControl_ChoiceboxEx(W a0, W a1, W a2, W a3, W a4, W a5, W a6, W a7, W, W,
                                              W, W, W, W, W, W, W, W, W, W, W, W, W)
{
    const PtrWord words[] = {a0, a1, a2, a3, a4, a5, a6, a7};
    return Create(ControlKind::CheckBox, engine::kTypeChoiceboxEx, words);
}

PtrWord ENGINE_CALL CreateControl_ComboboxEx(W a0, W a1, W a2, W a3, W a4, W a5, W a6, W a7, W, W,
                                             W, W, W, W, W, W, W, W, W, W, W, W, W, W, W, W, W, W,
                                             W, W, W, W, W, W, W, W, W, W, W, W, W, W, W, W, W, W,
                                             W)
{
    const PtrWord words[] = {a0, a1, a2, a3, a4, a5, a6, a7};
    return Create(ControlKind::ComboBox, engine::kTypeComboboxEx, words);
}

PtrWord ENGINE_CALL ControlSendMessage(ControlHandle handle, Word message, Word number, void* value,
                                       PtrWord, PtrWord)
{
    engine::Control* control = engine::FindControl(handle);
    return control != nullptr ? engine::SendControlMessage(*control, message, number, value) : 0;
}

Word ENGINE_CALL ControPonintSizeSynchronise(PtrWord hostWindow, Word resized)
{
    engine::Control* control = engine::ControlOfHost(reinterpret_cast<HWND>(hostWindow));
    if (control != nullptr) {
        engine::FollowHost(*control, resized != 0);
    }
    return 0;
}

Word ENGINE_CALL ControlDestroy(ControlHandle handle)
{
    engine::Control* control = engine::FindControl(handle);
    if (control != nullptr) {
        engine::DestroyControl(*control);
    }
    return 0;
}

} // extern "C"

#undef W

// The binding calls each create routine with exactly this many words.
static_assert(WordCount(&CreateControl_WindowEx) == 28);
static_assert(WordCount(&CreateControl_PictureBoxEx) == 25);
static_assert(WordCount(&CreateControl_LabelEx) == 23);
static_assert(WordCount(&CreateControl_ButtonEx) == 22);
static_assert(WordCount(&CreateControl_ImagebuttonEx) == 20);
static_assert(WordCount(&CreateControl_ChoiceboxEx) == 23);
static_assert(WordCount(&CreateControl_ComboboxEx) == 47);
