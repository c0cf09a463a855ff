// A stand-in for VeneerCore.dll that records every call the binding makes, so that tests can
// check the words that cross the boundary. Built twice: with the start call and, with
// RECORDING_WITHOUT_START, without it. The start call answers the number in the environment
// variable SKYVANE_RECORDING_START_ANSWER (1 when it is not set).
//
// Property reads answer 100 + the property number, unless Recording_Remember turned on the
// memory: then a read answers what was last written to the property, or what the control's
// stored data gives it (caption, label colour, ticked state, combo selection), or 0 and the
// empty text.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "engine/EngineInterface.h"
#include "engine/StoredData.h"
#include "framework/LibraryProtocol.h"

using engine::ControlHandle;
using engine::ControlHandleHead;
using engine::PtrWord;
using engine::Word;

namespace {

std::string g_log;
engine::EventCallback g_callback = nullptr;
PtrWord g_sendAnswer = 0;
std::string g_block;

// The remembered properties, by control and property number.
struct Remembered {
    bool block = false;
    std::string bytes;
    PtrWord word = 0;
};
bool g_remember = false;
std::mutex g_memoryMutex;
std::map<std::pair<ControlHandle, Word>, Remembered> g_memory;

// Kinds of the engine's property numbers (the binding's property index - 8) per type: I integer,
// L logical, D and T a block (data or text). The first eight are alike in every type.
const char* OwnKinds(Word typeCode)
{
    switch (typeCode) {
    case engine::kTypeWindowEx:
        return "DDDIIIIIDITDD";
    case engine::kTypePictureBoxEx:
        return "DIILIIIDD";
    case engine::kTypeLabelEx:
        return "IIDITIDD";
    case engine::kTypeButtonEx:
        return "DDIITDD";
    case engine::kTypeImagebuttonEx:
        return "LIDD";
    case engine::kTypeChoiceboxEx:
        return "LDDIITIDD";
    case engine::kTypeComboboxEx:
        return "DIIIDIDIIIIIIIDIIIIIIIIIDLIIDTTDD";
    default:
        return "";
    }
}

bool IsBlock(ControlHandle control, Word number)
{
    static const char kCommon[] = "LLIIIDID";
    if (number < 0) {
        return false;
    }
    if (number < 8) {
        return kCommon[number] == 'D';
    }
    std::string own = OwnKinds(control->typeCode);
    std::size_t at = static_cast<std::size_t>(number - 8);
    return at < own.size() && (own[at] == 'D' || own[at] == 'T');
}

std::string AnsiText(const std::u16string& text)
{
    if (text.empty()) {
        return std::string();
    }
    auto* wide = reinterpret_cast<const wchar_t*>(text.c_str());
    int length = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, out.data(), length, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

// What the stored data of a new control gives the properties that handlers read back.
void SeedFromStoredData(ControlHandle control, const void* storedData)
{
    engine::StoredDataReader reader;
    if (storedData == nullptr || !reader.OpenBlock(storedData)) {
        return;
    }
    Word captionNumber =
        control->typeCode == engine::kTypeLabelEx || control->typeCode == engine::kTypeButtonEx
            ? 12
            : -1;
    std::lock_guard lock(g_memoryMutex);
    engine::StoredRecord record;
    while (reader.Next(record)) {
        if (record.tag == engine::kTagCaption && captionNumber >= 0) {
            g_memory[{control, captionNumber}] = {true, AnsiText(record.Text()), 0};
        } else if (record.tag == engine::kTagColour && record.slot == 0 &&
                   control->typeCode == engine::kTypeLabelEx) {
            g_memory[{control, 11}] = {false, std::string(), static_cast<PtrWord>(record.U32())};
        } else if (record.tag == engine::kTagChecked) {
            g_memory[{control, 8}] = {false, std::string(), static_cast<PtrWord>(record.U32())};
        } else if (record.tag == engine::kTagSelection) {
            g_memory[{control, 29}] = {false, std::string(),
                                       static_cast<PtrWord>(static_cast<Word>(record.U32()))};
        }
    }
}

void Remember(ControlHandle control, Word number, const framework::UnitPropertyValue& value)
{
    Remembered entry;
    entry.block = IsBlock(control, number);
    if (entry.block) {
        if (value.word0 != 0 && value.word1 > 0) {
            entry.bytes.assign(reinterpret_cast<const char*>(value.word0),
                               static_cast<std::size_t>(value.word1));
        }
    } else {
        entry.word = value.word0;
    }
    std::lock_guard lock(g_memoryMutex);
    g_memory[{control, number}] = std::move(entry);
}

void Recall(ControlHandle control, Word number, framework::UnitPropertyValue& value)
{
    std::lock_guard lock(g_memoryMutex);
    auto it = g_memory.find({control, number});
    if (it == g_memory.end()) {
        return;
    }
    if (it->second.block) {
        value.word0 = reinterpret_cast<PtrWord>(it->second.bytes.c_str());
        value.word1 = static_cast<PtrWord>(it->second.bytes.size());
    } else {
        value.word0 = it->second.word;
    }
}

void Forget(ControlHandle control)
{
    std::lock_guard lock(g_memoryMutex);
    for (auto it = g_memory.begin(); it != g_memory.end();) {
        it = it->first.first == control ? g_memory.erase(it) : std::next(it);
    }
}

void Log(const std::string& line)
{
    g_log += line;
    g_log += '\n';
}

std::string Hex(PtrWord value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
    return text;
}

// Logs "CreateControl_<cls> parent left top width height callback-set context: host unit
// window base data=<hex>|none zeros=<count of zero words after the eighth>" and binds a control.
PtrWord Create(const char* cls, Word typeCode, const PtrWord* words, int count)
{
    auto* context = reinterpret_cast<const engine::ControlContext*>(words[7]);
    int zeros = 0;
    for (int i = 8; i < count; ++i) {
        zeros += words[i] == 0 ? 1 : 0;
    }
    std::string line = std::string("CreateControl_") + cls + " first=" + Hex(words[0]) +
                       " parent=" + Hex(words[1]) + " rect=" + std::to_string(words[2]) + "," +
                       std::to_string(words[3]) + "," + std::to_string(words[4]) + "," +
                       std::to_string(words[5]) + " callback=" + (words[6] != 0 ? "set" : "none");
    line += " host=" + Hex(context->hostWindow) + " unit=" + std::to_string(context->unitId) +
            " window=" + std::to_string(context->windowId) +
            " base=" + std::to_string(context->eventBase) + " data=" +
            (context->storedData != nullptr ? Hex(PtrWord(context->storedData)) : "none") +
            " zeros=" + std::to_string(zeros) + "/" + std::to_string(count - 8);
    Log(line);

    g_callback = reinterpret_cast<engine::EventCallback>(words[6]);
    auto* control = new ControlHandleHead{};
    control->magic = 0x52454331;
    control->windowId = context->windowId;
    control->unitId = context->unitId;
    control->eventBase = context->eventBase;
    control->typeCode = typeCode;
    SetPropA(reinterpret_cast<HWND>(context->hostWindow), "Tab_Control", control);
    if (g_remember) {
        SeedFromStoredData(control, context->storedData);
    }
    return reinterpret_cast<PtrWord>(control);
}

} // namespace

extern "C" {

#ifndef RECORDING_WITHOUT_START
Word ENGINE_CALL CallInternalFunction_Ex(Word function, PtrWord module, PtrWord argument1,
                                         PtrWord argument2, Word stamp)
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&CallInternalFunction_Ex), &self);
    Log("CallInternalFunction_Ex " + std::to_string(function) + " " +
        (reinterpret_cast<HMODULE>(module) == self ? "self" : "other") + " " +
        std::to_string(argument1) + " " + std::to_string(argument2) + " " + std::to_string(stamp));
    const char* answer = std::getenv("SKYVANE_RECORDING_START_ANSWER");
    return answer != nullptr ? std::atoi(answer) : 1;
}
#endif

// Every create export names its full word count so that the 32-bit stack balances.
PtrWord ENGINE_CALL CreateControl_WindowEx(PtrWord a0, PtrWord a1, PtrWord a2, PtrWord a3,
                                           PtrWord a4, PtrWord a5, PtrWord a6, PtrWord a7,
                                           PtrWord a8, PtrWord a9, PtrWord a10, PtrWord a11,
                                           PtrWord a12, PtrWord a13, PtrWord a14, PtrWord a15,
                                           PtrWord a16, PtrWord a17, PtrWord a18, PtrWord a19,
                                           PtrWord a20, PtrWord a21, PtrWord a22, PtrWord a23,
                                           PtrWord a24, PtrWord a25, PtrWord a26, PtrWord a27)
{
    const PtrWord words[] = {a0,  a1,  a2,  a3,  a4,  a5,  a6,  a7,  a8,  a9,  a10, a11, a12, a13,
                             a14, a15, a16, a17, a18, a19, a20, a21, a22, a23, a24, a25, a26, a27};
    return Create("WindowEx", engine::kTypeWindowEx, words, 28);
}

PtrWord ENGINE_CALL CreateControl_PictureBoxEx(PtrWord a0, PtrWord a1, PtrWord a2, PtrWord a3,
                                               PtrWord a4, PtrWord a5, PtrWord a6, PtrWord a7,
                                               PtrWord a8, PtrWord a9, PtrWord a10, PtrWord a11,
                                               PtrWord a12, PtrWord a13, PtrWord a14, PtrWord a15,
                                               PtrWord a16, PtrWord a17, PtrWord a18, PtrWord a19,
                                               PtrWord a20, PtrWord a21, PtrWord a22, PtrWord a23,
                                               PtrWord a24)
{
    const PtrWord words[] = {a0,  a1,  a2,  a3,  a4,  a5,  a6,  a7,  a8,  a9,  a10, a11, a12,
                             a13, a14, a15, a16, a17, a18, a19, a20, a21, a22, a23, a24};
    return Create("PictureBoxEx", engine::kTypePictureBoxEx, words, 25);
}

PtrWord ENGINE_CALL CreateControl_LabelEx(PtrWord a0, PtrWord a1, PtrWord a2, PtrWord a3,
                                          PtrWord a4, PtrWord a5, PtrWord a6, PtrWord a7,
                                          PtrWord a8, PtrWord a9, PtrWord a10, PtrWord a11,
                                          PtrWord a12, PtrWord a13, PtrWord a14, PtrWord a15,
                                          PtrWord a16, PtrWord a17, PtrWord a18, PtrWord a19,
                                          PtrWord a20, PtrWord a21, PtrWord a22)
{
    const PtrWord words[] = {a0,  a1,  a2,  a3,  a4,  a5,  a6,  a7,  a8,  a9,  a10, a11,
                             a12, a13, a14, a15, a16, a17, a18, a19, a20, a21, a22};
    return Create("LabelEx", engine::kTypeLabelEx, words, 23);
}

PtrWord ENGINE_CALL CreateControl_ButtonEx(PtrWord a0, PtrWord a1, PtrWord a2, PtrWord a3,
                                           PtrWord a4, PtrWord a5, PtrWord a6, PtrWord a7,
                                           PtrWord a8, PtrWord a9, PtrWord a10, PtrWord a11,
                                           PtrWord a12, PtrWord a13, PtrWord a14, PtrWord a15,
                                           PtrWord a16, PtrWord a17, PtrWord a18, PtrWord a19,
                                           PtrWord a20, PtrWord a21)
{
    const PtrWord words[] = {a0,  a1,  a2,  a3,  a4,  a5,  a6,  a7,  a8,  a9,  a10,
                             a11, a12, a13, a14, a15, a16, a17, a18, a19, a20, a21};
    return Create("ButtonEx", engine::kTypeButtonEx, words, 22);
}

PtrWord ENGINE_CALL CreateControl_ImagebuttonEx(PtrWord a0, PtrWord a1, PtrWord a2, PtrWord a3,
                                                PtrWord a4, PtrWord a5, PtrWord a6, PtrWord a7,
                                                PtrWord a8, PtrWord a9, PtrWord a10, PtrWord a11,
                                                PtrWord a12, PtrWord a13, PtrWord a14, PtrWord a15,
                                                PtrWord a16, PtrWord a17, PtrWord a18, PtrWord a19)
{
    const PtrWord words[] = {a0,  a1,  a2,  a3,  a4,  a5,  a6,  a7,  a8,  a9,
                             a10, a11, a12, a13, a14, a15, a16, a17, a18, a19};
    return Create("ImagebuttonEx", engine::kTypeImagebuttonEx, words, 20);
}

PtrWord ENGINE_CALL CreateControl_ChoiceboxEx(PtrWord a0, PtrWord a1, PtrWord a2, PtrWord a3,
                                              PtrWord a4, PtrWord a5, PtrWord a6, PtrWord a7,
                                              PtrWord a8, PtrWord a9, PtrWord a10, PtrWord a11,
                                              PtrWord a12, PtrWord a13, PtrWord a14, PtrWord a15,
                                              PtrWord a16, PtrWord a17, PtrWord a18, PtrWord a19,
                                              PtrWord a20, PtrWord a21, PtrWord a22)
{
    const PtrWord words[] = {a0,  a1,  a2,  a3,  a4,  a5,  a6,  a7,  a8,  a9,  a10, a11,
                             a12, a13, a14, a15, a16, a17, a18, a19, a20, a21, a22};
    return Create("ChoiceboxEx", engine::kTypeChoiceboxEx, words, 23);
}

PtrWord ENGINE_CALL CreateControl_ComboboxEx(
    PtrWord a0, PtrWord a1, PtrWord a2, PtrWord a3, PtrWord a4, PtrWord a5, PtrWord a6, PtrWord a7,
    PtrWord a8, PtrWord a9, PtrWord a10, PtrWord a11, PtrWord a12, PtrWord a13, PtrWord a14,
    PtrWord a15, PtrWord a16, PtrWord a17, PtrWord a18, PtrWord a19, PtrWord a20, PtrWord a21,
    PtrWord a22, PtrWord a23, PtrWord a24, PtrWord a25, PtrWord a26, PtrWord a27, PtrWord a28,
    PtrWord a29, PtrWord a30, PtrWord a31, PtrWord a32, PtrWord a33, PtrWord a34, PtrWord a35,
    PtrWord a36, PtrWord a37, PtrWord a38, PtrWord a39, PtrWord a40, PtrWord a41, PtrWord a42,
    PtrWord a43, PtrWord a44, PtrWord a45, PtrWord a46)
{
    const PtrWord words[] = {a0,  a1,  a2,  a3,  a4,  a5,  a6,  a7,  a8,  a9,  a10, a11,
                             a12, a13, a14, a15, a16, a17, a18, a19, a20, a21, a22, a23,
                             a24, a25, a26, a27, a28, a29, a30, a31, a32, a33, a34, a35,
                             a36, a37, a38, a39, a40, a41, a42, a43, a44, a45, a46};
    return Create("ComboboxEx", engine::kTypeComboboxEx, words, 47);
}

PtrWord ENGINE_CALL ControlSendMessage(ControlHandle control, Word message, Word number,
                                       void* value, PtrWord reserved1, PtrWord reserved2)
{
    auto* property = static_cast<framework::UnitPropertyValue*>(value);
    std::string line =
        "ControlSendMessage unit=" + std::to_string(control != nullptr ? control->unitId : -1) +
        " message=" + Hex(message) + " number=" + std::to_string(number);
    if (message == engine::kMessageWriteProperty && property != nullptr) {
        line += " value=" + std::to_string(property->word0) + "," + std::to_string(property->word1);
    } else {
        line += std::string(" value=") + (value != nullptr ? "set" : "none");
    }
    line += " rest=" + std::to_string(reserved1) + "," + std::to_string(reserved2);
    Log(line);
    if (g_remember && control != nullptr && property != nullptr) {
        if (message == engine::kMessageWriteProperty) {
            Remember(control, number, *property);
        } else if (message == engine::kMessageReadProperty) {
            Recall(control, number, *property);
        }
    } else if (message == engine::kMessageReadProperty && property != nullptr) {
        property->word0 = 100 + number;
    }
    if (message == engine::kMessageAllData) {
        return g_block.empty() ? 0 : reinterpret_cast<PtrWord>(g_block.data());
    }
    return g_sendAnswer;
}

Word ENGINE_CALL ControPonintSizeSynchronise(PtrWord hostWindow, Word resized)
{
    Log("ControPonintSizeSynchronise host=" + Hex(hostWindow) + " " + std::to_string(resized));
    return 0;
}

Word ENGINE_CALL ControlDestroy(ControlHandle control)
{
    Log("ControlDestroy unit=" + std::to_string(control->unitId));
    Forget(control);
    delete control;
    return 0;
}

// Test hooks.
// Turns the property memory on or off; what was remembered is forgotten either way.
void ENGINE_CALL Recording_Remember(Word on)
{
    std::lock_guard lock(g_memoryMutex);
    g_memory.clear();
    g_remember = on != 0;
}

const char* ENGINE_CALL Recording_Log()
{
    return g_log.c_str();
}

// Lets a test's stand-in framework write its own calls into the same ordered log.
void ENGINE_CALL Recording_Note(const char* line)
{
    Log(line);
}

void ENGINE_CALL Recording_Clear()
{
    g_log.clear();
}

void ENGINE_CALL Recording_SetSendAnswer(PtrWord answer)
{
    g_sendAnswer = answer;
}

// The block the all-data message answers: `size` bytes, or none for size 0.
void ENGINE_CALL Recording_SetBlock(const char* bytes, Word size)
{
    g_block.assign(bytes, bytes + size);
}

void ENGINE_CALL Recording_SetParent(ControlHandle control, ControlHandle parent, Word pageIndex)
{
    control->parent = parent;
    control->pageIndex = pageIndex;
}

// A control object that no host window knows, to stand as a parent.
ControlHandle ENGINE_CALL Recording_NewControl(Word typeCode)
{
    auto* control = new ControlHandleHead{};
    control->typeCode = typeCode;
    return control;
}

PtrWord ENGINE_CALL Recording_RaiseEvent(ControlHandle control, Word code, PtrWord argument1)
{
    return g_callback == nullptr ? -1 : g_callback(control, code, argument1, 2, 3, 4);
}

} // extern "C"
