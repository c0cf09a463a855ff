#include "skin/VeneerTypes.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <utility>

#include "engine/EngineInterface.h"
#include "engine/StoredData.h"
#include "skin/EngineExports.h"
#include "skin/VeneerLibrary.h"
#include "skin/VeneerTraffic.h"

namespace skin {
namespace {

using framework::UnitPropertyInfo;

constexpr std::uint16_t kFrameworkPropertyFlags = 0xE000;

// "程序缺少界面运行库必须依赖的 VeneerCore.dll 文件" in code page 936.
constexpr char kMissingEngineText[] =
    "\xB3\xCC\xD0\xF2\xC8\xB1\xC9\xD9\xBD\xE7\xC3\xE6\xD4\xCB\xD0\xD0\xBF\xE2\xB1\xD8"
    "\xD0\xEB\xD2\xC0\xC0\xB5\xB5\xC4 VeneerCore.dll \xCE\xC4\xBC\xFE";

// Properties 0-15 are alike in every type: the framework's eight, then eight engine ones.
constexpr char kCommonProperties[] = "IIIITLLM"
                                     "LLIIIDID";

constexpr std::uint16_t PropertyType(char letter)
{
    switch (letter) {
    case 'I':
        return framework::kPropertyInteger;
    case 'L':
        return framework::kPropertyLogical;
    case 'T':
        return framework::kPropertyText;
    case 'M':
        return framework::kPropertyMousePointer;
    default:
        return framework::kPropertyEngineData;
    }
}

// A type's property list from the letters of its own properties (16 on): I integer,
// L logical, T text, D engine data.
template <std::size_t OwnLength> constexpr auto PropertyList(const char (&own)[OwnLength])
{
    constexpr std::size_t kCommon = sizeof kCommonProperties - 1;
    std::array<UnitPropertyInfo, kCommon + OwnLength - 1> list{};
    for (std::size_t i = 0; i < list.size(); ++i) {
        char letter = i < kCommon ? kCommonProperties[i] : own[i - kCommon];
        list[i].type = PropertyType(letter);
        list[i].flags = i < framework::kFrameworkPropertyCount ? kFrameworkPropertyFlags : 0;
    }
    return list;
}

constexpr auto kWindowExProperties = PropertyList("DDDIIIIIDITDD");
constexpr auto kPictureBoxExProperties = PropertyList("DIILIIIDD");
constexpr auto kLabelExProperties = PropertyList("IIDITIDD");
constexpr auto kButtonExProperties = PropertyList("DDIITDD");
constexpr auto kImagebuttonExProperties = PropertyList("LIDD");
constexpr auto kChoiceboxExProperties = PropertyList("LDDIITIDD");
constexpr auto kComboboxExProperties = PropertyList("DIIIDIDIIIIIIIDIIIIIIIIIDLIIDTTDD");

static_assert(kWindowExProperties.size() == 29);
static_assert(kPictureBoxExProperties.size() == 25);
static_assert(kLabelExProperties.size() == 24);
static_assert(kButtonExProperties.size() == 23);
static_assert(kImagebuttonExProperties.size() == 20);
static_assert(kChoiceboxExProperties.size() == 25);
static_assert(kComboboxExProperties.size() == 49);

// What tells the seven types apart at creation.
struct SkinnedType {
    const char* className;
    Word eventBase;
    const char* exportName;
    int exportArguments;
    bool registered;
};

enum TypeNumber {
    kWindowEx,
    kPictureBoxEx,
    kLabelEx,
    kButtonEx,
    kImagebuttonEx,
    kChoiceboxEx,
    kComboboxEx
};

SkinnedType g_types[] = {
    {kWindowExClassName, 11, "CreateControl_WindowEx", 28, false},
    {"PictureBoxEx", 0, "CreateControl_PictureBoxEx", 25, false},
    {"LabelEx", 0, "CreateControl_LabelEx", 23, false},
    {"ButtonEx", 0, "CreateControl_ButtonEx", 22, false},
    {"ImagebuttonEx", 0, "CreateControl_ImagebuttonEx", 20, false},
    {"ChoiceboxEx", 0, "CreateControl_ChoiceboxEx", 23, false},
    {"ComboboxEx", 2, "CreateControl_ComboboxEx", 47, false},
};

HINSTANCE ProgramInstance()
{
    static HINSTANCE instance = GetModuleHandleA(nullptr);
    return instance;
}

template <std::size_t> using AnyWord = PtrWord;

// Calls an engine export of N words with the callee-cleans convention: the routine type must
// name exactly N arguments for the 32-bit stack to balance.
template <std::size_t... Index>
void CallWithWords(void* routine, const PtrWord* words, std::index_sequence<Index...>)
{
    using Routine = PtrWord(ENGINE_CALL*)(AnyWord<Index>...);
    reinterpret_cast<Routine>(routine)(words[Index]...);
}

template <std::size_t Count> void CallCreateControl(void* routine, const PtrWord* words)
{
    CallWithWords(routine, words, std::make_index_sequence<Count>{});
}

void CallCreateControl(int argumentCount, void* routine, const PtrWord* words)
{
    switch (argumentCount) {
    case 20:
        return CallCreateControl<20>(routine, words);
    case 22:
        return CallCreateControl<22>(routine, words);
    case 23:
        return CallCreateControl<23>(routine, words);
    case 25:
        return CallCreateControl<25>(routine, words);
    case 28:
        return CallCreateControl<28>(routine, words);
    case 47:
        return CallCreateControl<47>(routine, words);
    default:
        return;
    }
}

constexpr std::size_t kMostCreateArguments = 47;

UnitHandle CreateSkinnedUnit(TypeNumber number, const void* storedData, Word style,
                             PtrWord parentWindow, Word controlId, Word left, Word top, Word width,
                             Word height, framework::WindowId windowId, framework::UnitId unitId)
{
    SkinnedType& type = g_types[number];
    if (!type.registered) {
        WNDCLASSA windowClass = {};
        windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        windowClass.lpfnWndProc = VeneerHostWndProc;
        windowClass.hInstance = ProgramInstance();
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = type.className;
        type.registered = RegisterClassA(&windowClass) != 0;
    }

    // Every type asks the window skin's entry: it is there exactly when the engine was found.
    static const int kWindowExSlot = EngineExportIndex("CreateControl_WindowEx");
    if (EngineEntry(kWindowExSlot) == nullptr) {
        MessageBoxA(nullptr, kMissingEngineText, "Warning", MB_OK);
    }

    HWND host =
        CreateWindowExA(WS_EX_TOPMOST | WS_EX_TRANSPARENT, type.className, nullptr,
                        static_cast<DWORD>(style) | WS_CHILD, left, top, width, height,
                        reinterpret_cast<HWND>(parentWindow),
                        reinterpret_cast<HMENU>(static_cast<PtrWord>(controlId)), nullptr, nullptr);
    UnitHandle unit =
        VeneerNotifySys(framework::kNotifyMakeUnitObject, reinterpret_cast<PtrWord>(host), 0);
    if (host == nullptr) {
        return unit;
    }
    SetPropA(host, "hUnit", reinterpret_cast<HANDLE>(unit));

    engine::ControlContext context = {};
    context.hostWindow = reinterpret_cast<PtrWord>(host);
    context.unitId = unitId;
    context.windowId = windowId;
    context.eventBase = type.eventBase;
    context.storedData = storedData;

    std::uint32_t page = engine::StoredPageNumber(storedData);
    if (page != 0) {
        SetPropA(host, "PageId_F", reinterpret_cast<HANDLE>(static_cast<PtrWord>(page)));
    }

    // The control sits in the parent window; the host window only stands in for it towards
    // the framework, so the engine is told the parent.
    void* routine = EngineEntry(EngineExportIndex(type.exportName));
    if (routine != nullptr) {
        PtrWord words[kMostCreateArguments] = {};
        words[1] = parentWindow;
        words[2] = left;
        words[3] = top;
        words[4] = width;
        words[5] = height;
        words[6] = reinterpret_cast<PtrWord>(&VeneerEventCallback);
        words[7] = reinterpret_cast<PtrWord>(&context);
        CallCreateControl(type.exportArguments, routine, words);
    }
    return unit;
}

framework::UnitRoutine SharedInterface(Word interfaceNumber, framework::UnitRoutine create)
{
    switch (interfaceNumber) {
    case framework::kInterfaceCreate:
        return create;
    case framework::kInterfacePropertyWritten:
        return reinterpret_cast<framework::UnitRoutine>(&VeneerNotifyPropertyChanged);
    case framework::kInterfaceAllPropertyData:
        return reinterpret_cast<framework::UnitRoutine>(&VeneerGetAllPropertyData);
    case framework::kInterfacePropertyRead:
        return reinterpret_cast<framework::UnitRoutine>(&VeneerGetPropertyData);
    default:
        return nullptr;
    }
}

} // namespace

#define VENEER_DEFINE_TYPE(cls)                                                                    \
    UnitHandle FRAMEWORK_CALL CreateUnit##cls(                                                     \
        const void* storedData, Word, Word style, PtrWord parentWindow, Word controlId, PtrWord,   \
        Word left, Word top, Word width, Word height, framework::WindowId windowId,                \
        framework::UnitId unitId, Word, Word)                                                      \
    {                                                                                              \
        return CreateSkinnedUnit(k##cls, storedData, style, parentWindow, controlId, left, top,    \
                                 width, height, windowId, unitId);                                 \
    }                                                                                              \
    framework::UnitRoutine FRAMEWORK_CALL GetInterface##cls(Word interfaceNumber)                  \
    {                                                                                              \
        return SharedInterface(interfaceNumber,                                                    \
                               reinterpret_cast<framework::UnitRoutine>(&CreateUnit##cls));        \
    }

VENEER_DEFINE_TYPE(WindowEx)
VENEER_DEFINE_TYPE(PictureBoxEx)
VENEER_DEFINE_TYPE(LabelEx)
VENEER_DEFINE_TYPE(ButtonEx)
VENEER_DEFINE_TYPE(ImagebuttonEx)
VENEER_DEFINE_TYPE(ChoiceboxEx)
VENEER_DEFINE_TYPE(ComboboxEx)

#undef VENEER_DEFINE_TYPE

namespace {

constexpr framework::UnitTypeInfo TypeInfo(const char* name, const char* className, Word flags,
                                           Word propertyCount, const UnitPropertyInfo* properties,
                                           framework::GetInterfaceRoutine getInterface)
{
    framework::UnitTypeInfo info = {};
    info.name = name;
    info.englishName = className;
    info.flags = flags;
    info.propertyCount = propertyCount;
    info.properties = properties;
    info.getInterface = getInterface;
    return info;
}

#define VENEER_TYPE_INFO(name, cls, flags)                                                         \
    TypeInfo(name, #cls, flags, static_cast<Word>(k##cls##Properties.size()),                      \
             k##cls##Properties.data(), &GetInterface##cls)

} // namespace

// Type names in code page 936: 窗口EX, 图片框EX, 标签EX, 按钮EX, 图片按钮EX, 选择框EX, 组合框EX.
const framework::UnitTypeInfo VeneerTypeTable[kVeneerTypeSlots] = {
    VENEER_TYPE_INFO("\xB4\xB0\xBF\xDA"
                     "EX",
                     WindowEx, 0x80C0),
    {},
    {},
    {},
    VENEER_TYPE_INFO("\xCD\xBC\xC6\xAC\xBF\xF2"
                     "EX",
                     PictureBoxEx, 0x80C0),
    VENEER_TYPE_INFO("\xB1\xEA\xC7\xA9"
                     "EX",
                     LabelEx, 0x8040),
    VENEER_TYPE_INFO("\xB0\xB4\xC5\xA5"
                     "EX",
                     ButtonEx, 0x8040),
    VENEER_TYPE_INFO("\xCD\xBC\xC6\xAC\xB0\xB4\xC5\xA5"
                     "EX",
                     ImagebuttonEx, 0x8040),
    {},
    {},
    {},
    VENEER_TYPE_INFO("\xD1\xA1\xD4\xF1\xBF\xF2"
                     "EX",
                     ChoiceboxEx, 0x8040),
    {},
    {},
    {},
    {},
    VENEER_TYPE_INFO("\xD7\xE9\xBA\xCF\xBF\xF2"
                     "EX",
                     ComboboxEx, 0x80C0),
};

#undef VENEER_TYPE_INFO

} // namespace skin
