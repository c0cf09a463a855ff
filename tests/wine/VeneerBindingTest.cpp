// The skinned-control binding against a recording stand-in for VeneerCore.dll: how the engine
// is found and started (each case in a fresh probe process), and in this process the type
// table, creation, property traffic, events and the host window's end.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/EngineInterface.h"
#include "engine/StoredData.h"
#include "framework/LibraryProtocol.h"
#include "skin/EngineExports.h"
#include "skin/VeneerLibrary.h"
#include "skin/VeneerTraffic.h"
#include "skin/VeneerTypes.h"

namespace {

using framework::PtrWord;
using framework::Word;

std::string TestsDirectory()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory = path;
    return directory.substr(0, directory.find_last_of('\\'));
}

// A fresh folder of its own under the temporary folder, removed with everything in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name)
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        m_path = std::string(temp) + "veneer-" + std::to_string(GetCurrentProcessId()) + "-" + name;
        Remove(m_path);
        CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~ScratchFolder() { Remove(m_path); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }

    // Makes every folder on the way to `relative` and returns the full path.
    std::string Make(const std::string& relative) const
    {
        std::string path = m_path;
        std::size_t start = 0;
        while (start < relative.size()) {
            std::size_t end = relative.find('\\', start);
            if (end == std::string::npos) {
                end = relative.size();
            }
            path += '\\';
            path.append(relative, start, end - start);
            CreateDirectoryA(path.c_str(), nullptr);
            start = end + 1;
        }
        return path;
    }

private:
    static void Remove(const std::string& path)
    {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::string name = found.cFileName;
                if (name == "." || name == "..") {
                    continue;
                }
                std::string child = path + "\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    Remove(child);
                } else {
                    DeleteFileA(child.c_str());
                }
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(path.c_str());
    }

    std::string m_path;
};

void PlaceEngine(const std::string& folder, const char* variant = "RecordingEngine",
                 const char* name = "VeneerCore.dll")
{
    std::string source = TestsDirectory() + "\\" + variant + ".dll";
    ASSERT_TRUE(CopyFileA(source.c_str(), (folder + "\\" + name).c_str(), FALSE))
        << source << " -> " << folder;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// An engine-path file on drive C: or D: for one test; removed at the end.
class EnginePathFile {
public:
    EnginePathFile(const char* path, const std::string& content) : m_path(path)
    {
        WriteFileBytes(m_path, content);
    }
    ~EnginePathFile() { DeleteFileA(m_path.c_str()); }
    EnginePathFile(const EnginePathFile&) = delete;
    EnginePathFile& operator=(const EnginePathFile&) = delete;

private:
    std::string m_path;
};

struct ProbeRun {
    std::string cwd;
    std::string extraPath;   // put in front of PATH
    std::string startAnswer; // SKYVANE_RECORDING_START_ANSWER, empty for unset
    std::string argument;
};

// Runs the probe and returns what it printed.
std::string RunProbe(const ProbeRun& run)
{
    std::string environment;
    for (const char* entry = GetEnvironmentStringsA(); *entry != '\0';
         entry += std::strlen(entry) + 1) {
        std::string line = entry;
        if (_strnicmp(entry, "PATH=", 5) == 0 && !run.extraPath.empty()) {
            line = "PATH=" + run.extraPath + ";" + line.substr(5);
        }
        if (_strnicmp(entry, "SKYVANE_RECORDING_START_ANSWER=", 31) == 0) {
            continue;
        }
        environment += line + '\0';
    }
    if (!run.startAnswer.empty()) {
        environment += "SKYVANE_RECORDING_START_ANSWER=" + run.startAnswer + '\0';
    }
    environment += '\0';

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"";
    commandLine += TestsDirectory();
    commandLine += "\\VeneerProbe.exe\" ";
    commandLine += run.argument;
    BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                  environment.data(), run.cwd.c_str(), &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        // A probe that hangs fails its test instead of holding the whole run.
        DWORD deadline = GetTickCount() + 20000;
        bool ended = false;
        while (true) {
            DWORD available = 0;
            char buffer[4096];
            DWORD read = 0;
            if (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
                if (!ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) || read == 0) {
                    break;
                }
                output.append(buffer, read);
                continue;
            }
            if (ended) {
                break;
            }
            ended = WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0;
            if (!ended && GetTickCount() > deadline) {
                TerminateProcess(process.hProcess, 9);
                output += "(probe hung)\n";
                break;
            }
        }
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(readEnd);
    return output;
}

std::string Field(const std::string& output, const std::string& name)
{
    std::size_t at = output.find(name + "=");
    if (at == std::string::npos) {
        return "(missing)";
    }
    at += name.size() + 1;
    std::size_t end = output.find_first_of("\r\n", at);
    return output.substr(at, end - at);
}

bool SamePath(const std::string& a, const std::string& b)
{
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// Drive D: is mapped by the test set-up (tests/tools/map-drive-d.sh).
bool HaveDriveD()
{
    return GetFileAttributesA("D:\\") != INVALID_FILE_ATTRIBUTES;
}

const char kStartLine[] = "CallInternalFunction_Ex 2008 self 0 0 20210612";

// ---------------------------------------------------------------------------------------------
// Finding the engine.

struct SearchCase {
    const char* name;
    bool inRunDirectory;
    bool inLibFolder;
    bool onSystemPath;
    const char* expected; // "run", "lib", "path" or "none"
};

class EngineSearch : public testing::TestWithParam<SearchCase> {};

TEST_P(EngineSearch, LoadsFromTheFirstPlaceThatHasIt)
{
    const SearchCase& test = GetParam();
    ScratchFolder folder(std::string("search-") + test.name);
    std::string run = folder.Make("run");
    std::string lib = folder.Make("run\\lib\\VeneerCore");
    std::string path = folder.Make("path");
    if (test.inRunDirectory) {
        PlaceEngine(run);
    }
    if (test.inLibFolder) {
        PlaceEngine(lib);
    }
    if (test.onSystemPath) {
        PlaceEngine(path);
    }
    std::string output = RunProbe({run, path, "", ""});
    std::string expected = std::string(test.expected) == "run"    ? run + "\\VeneerCore.dll"
                           : std::string(test.expected) == "lib"  ? lib + "\\VeneerCore.dll"
                           : std::string(test.expected) == "path" ? path + "\\VeneerCore.dll"
                                                                  : "none";
    EXPECT_TRUE(SamePath(Field(output, "module"), expected)) << output;
    EXPECT_EQ(Field(output, "answer"), "0") << output;
    if (expected == "none") {
        EXPECT_EQ(Field(output, "filled"), "0") << output;
    } else {
        // The stand-in exports the start call, seven creates and three control operations.
        EXPECT_EQ(Field(output, "filled"), "11") << output;
        EXPECT_EQ(Count(output, kStartLine), 1u) << output;
    }
}

INSTANTIATE_TEST_SUITE_P(Binding, EngineSearch,
                         testing::Values(SearchCase{"run", true, true, true, "run"},
                                         SearchCase{"lib", false, true, true, "lib"},
                                         SearchCase{"path", false, false, true, "path"},
                                         SearchCase{"nowhere", false, false, false, "none"}),
                         [](const testing::TestParamInfo<SearchCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(EngineSearch, RelativeLibPathServesARunDirectoryTooLongForTheFullPath)
{
    ScratchFolder folder("long");
    // Long enough that the run directory with "\lib\VeneerCore\VeneerCore.dll" overflows the
    // 256-byte path buffer, short enough for "\VeneerCore.dll".
    const std::size_t target = 232;
    std::string relative;
    while (folder.Path().size() + 1 + relative.size() + 11 < target) {
        relative += relative.empty() ? "" : "\\";
        relative += "abcdefghij";
    }
    std::size_t rest = target - folder.Path().size() - relative.size() - 2;
    relative += '\\';
    relative.append(rest, 'x');
    std::string run = folder.Make(relative);
    run = folder.Make(relative);
    std::string lib = folder.Make(relative + "\\lib\\VeneerCore");
    ASSERT_GT(run.size() + 30, 255u);
    ASSERT_LT(run.size() + 15, 254u);
    PlaceEngine(lib);
    std::string output = RunProbe({run, "", "", ""});
    EXPECT_NE(Field(output, "module"), "none") << output;
    EXPECT_EQ(Count(output, kStartLine), 1u) << output;
}

// Cases of the engine-path files, with no engine anywhere else.
TEST(EngineSearch, EnginePathFiles)
{
    ScratchFolder folder("inifile");
    std::string run = folder.Make("run");
    std::string engineFolder = folder.Make("engine");
    PlaceEngine(engineFolder, "RecordingEngine", "Other.dll");
    std::string engine = engineFolder + "\\Other.dll";

    {
        EnginePathFile file("C:\\VeneerCore.ini", engine);
        std::string output = RunProbe({run, "", "", ""});
        EXPECT_TRUE(SamePath(Field(output, "module"), engine)) << output;
    }
    {
        // The content is used as it stands: the line break makes the path name nothing.
        EnginePathFile file("C:\\VeneerCore.ini", engine + "\r\n");
        std::string output = RunProbe({run, "", "", ""});
        EXPECT_EQ(Field(output, "module"), "none") << output;
        EXPECT_EQ(Field(output, "filled"), "0") << output;
    }
    {
        // Only the first 255 bytes are read; pad the path up to exactly that with steps
        // that name the same folder.
        const std::size_t tail = std::strlen("\\Other.dll");
        std::string padded = engineFolder;
        if ((255 - padded.size() - tail) % 2 != 0) {
            folder.Make("engine\\x");
            padded += "\\x\\..";
        }
        while (padded.size() + tail < 255) {
            padded += "\\.";
        }
        padded += "\\Other.dll";
        ASSERT_EQ(padded.size(), 255u);
        EnginePathFile file("C:\\VeneerCore.ini", padded + "tail beyond the limit");
        std::string output = RunProbe({run, "", "", ""});
        EXPECT_TRUE(SamePath(Field(output, "module"), engine)) << output;
    }

    ASSERT_TRUE(HaveDriveD()) << "drive D: is not mapped";
    {
        EnginePathFile file("D:\\VeneerCore.ini", engine);
        std::string output = RunProbe({run, "", "", ""});
        EXPECT_TRUE(SamePath(Field(output, "module"), engine)) << output;
    }
    {
        // A C: file that opens wins even when its path fails.
        EnginePathFile fileD("D:\\VeneerCore.ini", engine);
        EnginePathFile fileC("C:\\VeneerCore.ini", engine + "\n");
        std::string output = RunProbe({run, "", "", ""});
        EXPECT_EQ(Field(output, "module"), "none") << output;
    }
}

// ---------------------------------------------------------------------------------------------
// The start call and the notify entry.

TEST(EngineStart, RefusalDropsTheMarkButKeepsTheEntries)
{
    ScratchFolder folder("refused");
    PlaceEngine(folder.Path());
    std::string output = RunProbe({folder.Path(), "", "0", ""});
    EXPECT_EQ(Count(output, kStartLine), 1u) << output;
    EXPECT_EQ(Field(output, "module"), "none") << output;
    EXPECT_TRUE(SamePath(Field(output, "bound"), folder.Path() + "\\VeneerCore.dll")) << output;
    EXPECT_EQ(Field(output, "filled"), "11") << output;
    // The notify entry answers 0 and keeps the framework's notify function all the same.
    EXPECT_EQ(Field(output, "answer"), "0") << output;
    EXPECT_EQ(Field(output, "notify"), "1") << output;
}

TEST(EngineStart, EngineWithoutStartCallIsBoundWithoutIt)
{
    ScratchFolder folder("nostart");
    PlaceEngine(folder.Path(), "RecordingEngineNoStart");
    std::string output = RunProbe({folder.Path(), "", "", ""});
    EXPECT_TRUE(SamePath(Field(output, "module"), folder.Path() + "\\VeneerCore.dll")) << output;
    EXPECT_EQ(Count(output, "CallInternalFunction_Ex"), 0u) << output;
    EXPECT_EQ(Field(output, "filled"), "10") << output;
}

TEST(EngineStart, SecondStartNotifyKeepsTheEngineAndReplacesTheNotifyFunction)
{
    ScratchFolder folder("twice");
    PlaceEngine(folder.Path());
    std::string output = RunProbe({folder.Path(), "", "", "twice"});
    EXPECT_EQ(Count(output, kStartLine), 1u) << output;
    EXPECT_EQ(Field(output, "before"), "0") << output;
    EXPECT_EQ(Field(output, "notify"), "2") << output;
    EXPECT_EQ(Field(output, "other"), "-1") << output;
}

TEST(EngineStart, MissingEngineIsReportedAtCreationAndNeverCalled)
{
    ScratchFolder folder("missing");
    std::string output = RunProbe({folder.Path(), "", "", "create"});
    EXPECT_EQ(Field(output, "box caption"), "Warning") << output;
    EXPECT_EQ(Field(output, "box text"),
              "\xB3\xCC\xD0\xF2\xC8\xB1\xC9\xD9\xBD\xE7\xC3\xE6\xD4\xCB\xD0\xD0\xBF\xE2\xB1\xD8"
              "\xD0\xEB\xD2\xC0\xC0\xB5\xB5\xC4 VeneerCore.dll \xCE\xC4\xBC\xFE")
        << output;
    // The host window is still made and handed to the framework, without a skinned control.
    EXPECT_EQ(Field(output, "unit"), "1") << output;
    EXPECT_EQ(Field(output, "host"), "LabelEx control=none") << output;
}

// ---------------------------------------------------------------------------------------------
// In this process: the stand-in engine loaded once, and a stand-in framework that answers the
// binding's notify calls and writes them into the engine's log, so one log shows the order of
// both sides.

struct RecordingHooks {
    const char*(ENGINE_CALL* log)();
    void(ENGINE_CALL* clear)();
    void(ENGINE_CALL* note)(const char*);
    void(ENGINE_CALL* setSendAnswer)(PtrWord);
    void(ENGINE_CALL* setBlock)(const char*, Word);
    void(ENGINE_CALL* setParent)(engine::ControlHandle, engine::ControlHandle, Word);
    engine::ControlHandle(ENGINE_CALL* newControl)(Word);
    PtrWord(ENGINE_CALL* raiseEvent)(engine::ControlHandle, Word, PtrWord);
};

RecordingHooks g_hooks = {};
PtrWord g_handlerResult = 0;
bool g_handlerGivesResult = false;
framework::UnitEventRecord g_lastEvent = {};
int g_eventCount = 0;

PtrWord FRAMEWORK_CALL StandInFramework(Word code, PtrWord argument1, PtrWord argument2)
{
    if (code == framework::kNotifyMakeUnitObject) {
        if (argument1 == 0) {
            return 0;
        }
        return reinterpret_cast<PtrWord>(new framework::UnitObject{argument1});
    }
    if (code == framework::kNotifyRaiseEvent) {
        auto* record = reinterpret_cast<framework::UnitEventRecord*>(argument1);
        g_lastEvent = *record;
        ++g_eventCount;
        if (g_handlerGivesResult) {
            record->hasResult = 1;
            record->result = g_handlerResult;
        }
        return 0;
    }
    std::string line = "framework " + std::to_string(code) + " ";
    if (code == framework::kNotifyUnitGone) {
        line += std::to_string(argument1) + "," + std::to_string(argument2);
    } else {
        line += argument1 == 0 ? "none" : "unit";
    }
    g_hooks.note(line.c_str());
    if (code == framework::kNotifyDeleteUnitObject) {
        delete reinterpret_cast<framework::UnitObject*>(argument1);
    }
    return 0;
}

template <typename Routine> void Hook(HMODULE module, const char* name, Routine& routine)
{
    routine = reinterpret_cast<Routine>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    ASSERT_NE(routine, nullptr) << name;
}

class BindingInProcess : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static ScratchFolder folder("inprocess");
        PlaceEngine(folder.Path());
        SetCurrentDirectoryA(folder.Path().c_str());
        skin::VeneerProcessNotifyLib(framework::kLibraryStart,
                                     reinterpret_cast<PtrWord>(&StandInFramework), 0);
        HMODULE module = GetModuleHandleA("VeneerCore.dll");
        ASSERT_NE(module, nullptr);
        Hook(module, "Recording_Log", g_hooks.log);
        Hook(module, "Recording_Clear", g_hooks.clear);
        Hook(module, "Recording_Note", g_hooks.note);
        Hook(module, "Recording_SetSendAnswer", g_hooks.setSendAnswer);
        Hook(module, "Recording_SetBlock", g_hooks.setBlock);
        Hook(module, "Recording_SetParent", g_hooks.setParent);
        Hook(module, "Recording_NewControl", g_hooks.newControl);
        Hook(module, "Recording_RaiseEvent", g_hooks.raiseEvent);
    }

    void SetUp() override
    {
        ASSERT_NE(g_hooks.log, nullptr);
        m_parent = CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                   nullptr, nullptr, nullptr, nullptr);
        g_hooks.clear();
        g_hooks.setSendAnswer(0);
        g_hooks.setBlock("", 0);
        g_handlerGivesResult = false;
        g_eventCount = 0;
    }

    void TearDown() override
    {
        if (IsWindow(m_parent)) {
            DestroyWindow(m_parent);
        }
    }

    static std::string Log() { return g_hooks.log(); }

    static HWND HostOf(framework::UnitHandle unit)
    {
        return reinterpret_cast<HWND>(reinterpret_cast<framework::UnitObject*>(unit)->hostWindow);
    }

    framework::UnitHandle Create(framework::CreateUnitRoutine create, const void* data = nullptr,
                                 Word left = 10, Word top = 20, Word width = 30, Word height = 40)
    {
        return create(data, 0, WS_VISIBLE, reinterpret_cast<PtrWord>(m_parent), 110, 0, left, top,
                      width, height, 7, 3, 0, 0);
    }

    HWND m_parent = nullptr;
};

std::string HexWord(PtrWord value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
    return text;
}

struct TypeCase {
    int slot;
    const char* className;
    Word eventBase;
    int zeros;
    Word propertyCount;
    Word flags;
};

const TypeCase kTypes[] = {
    {0, "\"WindowEx\"", 11, 20, 29, 0x80C0}, {4, "PictureBoxEx", 0, 17, 25, 0x80C0},
    {5, "LabelEx", 0, 15, 24, 0x8040},       {6, "ButtonEx", 0, 14, 23, 0x8040},
    {7, "ImagebuttonEx", 0, 12, 20, 0x8040}, {11, "ChoiceboxEx", 0, 15, 25, 0x8040},
    {16, "ComboboxEx", 2, 39, 49, 0x80C0},
};

std::string EnglishName(const TypeCase& type)
{
    std::string name = type.className;
    return name[0] == '"' ? name.substr(1, name.size() - 2) : name;
}

framework::CreateUnitRoutine CreateRoutine(int slot)
{
    return reinterpret_cast<framework::CreateUnitRoutine>(
        skin::VeneerTypeTable[slot].getInterface(framework::kInterfaceCreate));
}

TEST(BindingTables, LibraryRecord)
{
    const framework::LibraryInfo& info = skin::VeneerLibraryInfo;
    EXPECT_EQ(info.magic, 20000101);
    EXPECT_STREQ(info.identifier, "8C3E1A5B07D94f2cB6A0E4F19D27C3A8");
    EXPECT_EQ(info.majorVersion, 2021);
    EXPECT_EQ(info.minorVersion, 6);
    EXPECT_EQ(info.buildNumber, 12);
    EXPECT_EQ(info.requiredFrameworkMajor, 3);
    EXPECT_EQ(info.requiredCoreMajor, 3);
    EXPECT_STREQ(info.name, "VENEER++20210612");
    EXPECT_EQ(info.language, 1);
    EXPECT_EQ(info.typeCount, 35);
    EXPECT_EQ(info.types, skin::VeneerTypeTable);
    EXPECT_EQ(info.notify, &skin::VeneerProcessNotifyLib);
    for (const char* description : info.descriptions) {
        EXPECT_EQ(description, nullptr);
    }
    for (PtrWord field : info.commandFields) {
        EXPECT_EQ(field, 0);
    }
}

TEST(BindingTables, TypeSlotsAndProperties)
{
    std::vector<bool> used(skin::kVeneerTypeSlots, false);
    for (const TypeCase& type : kTypes) {
        const framework::UnitTypeInfo& info = skin::VeneerTypeTable[type.slot];
        used[type.slot] = true;
        EXPECT_EQ(EnglishName(type), info.englishName);
        EXPECT_EQ(info.flags, type.flags) << info.englishName;
        ASSERT_EQ(info.propertyCount, type.propertyCount) << info.englishName;
        EXPECT_EQ(info.eventCount, 0);
        EXPECT_EQ(info.methodCount, 0);
        for (Word i = 0; i < info.propertyCount; ++i) {
            EXPECT_EQ(info.properties[i].flags, i < 8 ? 0xE000 : 0) << info.englishName << i;
            EXPECT_EQ(info.properties[i].name, nullptr);
        }
        // Properties 0-15 are alike in all seven types.
        const std::uint16_t common[16] = {1001, 1001, 1001, 1001, 1005, 1003, 1003, 1011,
                                          1003, 1003, 1001, 1001, 1001, 1024, 1001, 1024};
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(info.properties[i].type, common[i]) << info.englishName << i;
        }
        EXPECT_EQ(info.getInterface(2), nullptr);
        EXPECT_EQ(info.getInterface(7), nullptr);
        EXPECT_EQ(info.getInterface(framework::kInterfacePropertyWritten),
                  reinterpret_cast<framework::UnitRoutine>(&skin::VeneerNotifyPropertyChanged));
        EXPECT_EQ(info.getInterface(framework::kInterfaceAllPropertyData),
                  reinterpret_cast<framework::UnitRoutine>(&skin::VeneerGetAllPropertyData));
        EXPECT_EQ(info.getInterface(framework::kInterfacePropertyRead),
                  reinterpret_cast<framework::UnitRoutine>(&skin::VeneerGetPropertyData));
        EXPECT_NE(info.getInterface(framework::kInterfaceCreate), nullptr);
    }
    for (int slot = 0; slot < skin::kVeneerTypeSlots; ++slot) {
        if (!used[slot]) {
            EXPECT_EQ(skin::VeneerTypeTable[slot].englishName, nullptr) << slot;
            EXPECT_EQ(skin::VeneerTypeTable[slot].getInterface, nullptr) << slot;
        }
    }
    // A sample of the types' own properties, where a slip would shift a write to the wrong
    // kind of value.
    EXPECT_EQ(skin::VeneerTypeTable[5].properties[20].type, 1005); // label caption
    EXPECT_EQ(skin::VeneerTypeTable[5].properties[19].type, 1001); // label colour
    EXPECT_EQ(skin::VeneerTypeTable[0].properties[26].type, 1005);
    EXPECT_EQ(skin::VeneerTypeTable[4].properties[19].type, 1003);
    EXPECT_EQ(skin::VeneerTypeTable[11].properties[16].type, 1003); // ticked
    EXPECT_EQ(skin::VeneerTypeTable[16].properties[37].type, 1001); // selection
    EXPECT_EQ(skin::VeneerTypeTable[16].properties[41].type, 1003);
    EXPECT_EQ(skin::VeneerTypeTable[16].properties[45].type, 1005);
    EXPECT_EQ(skin::VeneerTypeTable[16].properties[48].type, 1024);
    // Type names in code page 936.
    EXPECT_STREQ(skin::VeneerTypeTable[5].name, "\xB1\xEA\xC7\xA9"
                                                "EX");
    EXPECT_STREQ(skin::VeneerTypeTable[16].name, "\xD7\xE9\xBA\xCF\xBF\xF2"
                                                 "EX");
}

TEST(BindingTables, ExportTableOrder)
{
    EXPECT_EQ(skin::EngineExportIndex("CallInternalFunction_Ex"), 0);
    EXPECT_EQ(skin::EngineExportIndex("LoadImageEx"), 1);
    EXPECT_EQ(skin::EngineExportIndex("GetGraphicsData_DrawPanelEx"), skin::kEngineExportCount - 1);
    EXPECT_EQ(skin::EngineExportIndex("NoSuchExport"), -1);
    // The class runs follow the engine's class order, each beginning with its create export.
    const char* order[] = {"WindowEx",   "LabelEx",      "ButtonEx",   "ChoiceboxEx",
                           "ComboboxEx", "PictureBoxEx", "DrawPanelEx"};
    int previous = -1;
    for (const char* cls : order) {
        int create = skin::EngineExportIndex(std::string("CreateControl_") + cls);
        EXPECT_GT(create, previous) << cls;
        EXPECT_EQ(skin::EngineExportIndex(std::string("SetAttribute_") + cls), create + 1);
        EXPECT_EQ(skin::EngineExportIndex(std::string("GetAttribute_") + cls), create + 2);
        previous = create;
    }
    EXPECT_EQ(skin::EngineExportIndex("CreateControl_LabelEx") -
                  skin::EngineExportIndex("CreateControl_WindowEx"),
              21);
}

TEST_F(BindingInProcess, CreationHandsTheEngineTheParentWindowAndTheContext)
{
    engine::StoredDataBuilder look;
    look.Caption(u"x");
    std::vector<std::uint8_t> block = look.Block(0);
    for (const TypeCase& type : kTypes) {
        g_hooks.clear();
        framework::UnitHandle unit = Create(CreateRoutine(type.slot), block.data());
        ASSERT_NE(unit, 0) << type.className;
        HWND host = HostOf(unit);
        char className[64] = {};
        GetClassNameA(host, className, sizeof className);
        EXPECT_STREQ(className, type.className);
        EXPECT_EQ(GetParent(host), m_parent);
        EXPECT_EQ(GetDlgCtrlID(host), 110);
        EXPECT_TRUE(GetWindowLongA(host, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
        EXPECT_TRUE(GetWindowLongA(host, GWL_STYLE) & WS_CHILD);
        RECT rect = {};
        GetWindowRect(host, &rect);
        MapWindowPoints(nullptr, m_parent, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left, 10);
        EXPECT_EQ(rect.top, 20);
        EXPECT_EQ(rect.right - rect.left, 30);
        EXPECT_EQ(rect.bottom - rect.top, 40);
        EXPECT_EQ(reinterpret_cast<PtrWord>(GetPropA(host, "hUnit")), unit);
        EXPECT_EQ(GetPropA(host, "PageId_F"), nullptr);
        EXPECT_NE(skin::VeneerControlFromWindow(host), nullptr);
        EXPECT_EQ(skin::VeneerControlFromUnit(unit), skin::VeneerControlFromWindow(host));

        std::string expected =
            "CreateControl_" + EnglishName(type) +
            " first=0 parent=" + HexWord(reinterpret_cast<PtrWord>(m_parent)) +
            " rect=10,20,30,40 callback=set host=" + HexWord(reinterpret_cast<PtrWord>(host)) +
            " unit=3 window=7 base=" + std::to_string(type.eventBase) +
            " data=" + HexWord(reinterpret_cast<PtrWord>(block.data())) +
            " zeros=" + std::to_string(type.zeros) + "/" + std::to_string(type.zeros) + "\n";
        EXPECT_NE(Log().find(expected), std::string::npos) << Log() << expected;
    }
}

TEST_F(BindingInProcess, PageNumberBecomesAHostPropertyOnlyWhenNotZero)
{
    std::vector<std::uint8_t> page3 = engine::StoredDataBuilder().Block(3);
    std::vector<std::uint8_t> page0 = engine::StoredDataBuilder().Block(0);
    framework::CreateUnitRoutine create = CreateRoutine(5);
    EXPECT_EQ(GetPropA(HostOf(Create(create, page3.data())), "PageId_F"),
              reinterpret_cast<HANDLE>(3));
    EXPECT_EQ(GetPropA(HostOf(Create(create, page0.data())), "PageId_F"), nullptr);
    EXPECT_EQ(GetPropA(HostOf(Create(create, nullptr)), "PageId_F"), nullptr);
    EXPECT_NE(Log().find("data=none"), std::string::npos) << Log();
}

TEST_F(BindingInProcess, PropertyNumbersPassUnchanged)
{
    framework::UnitHandle label = Create(CreateRoutine(5));
    framework::UnitHandle combo = Create(CreateRoutine(16));
    g_hooks.clear();

    framework::UnitPropertyValue caption = {5, 6};
    g_hooks.setSendAnswer(1);
    EXPECT_EQ(skin::VeneerNotifyPropertyChanged(label, 20 - framework::kFrameworkPropertyCount,
                                                &caption, 99),
              1);
    framework::UnitPropertyValue selection = {};
    g_hooks.setSendAnswer(0);
    EXPECT_EQ(
        skin::VeneerGetPropertyData(combo, 37 - framework::kFrameworkPropertyCount, &selection), 0);
    EXPECT_EQ(selection.word0, 129); // the stand-in answers 100 + number
    EXPECT_EQ(Log(), "ControlSendMessage unit=3 message=2801 number=12 value=5,6 rest=0,0\n"
                     "ControlSendMessage unit=3 message=2802 number=29 value=set rest=0,0\n");

    // A read for no unit answers 1 and reaches neither the engine nor the value.
    g_hooks.clear();
    framework::UnitPropertyValue untouched = {77, 88};
    EXPECT_EQ(skin::VeneerGetPropertyData(0, 29, &untouched), 1);
    EXPECT_EQ(untouched.word0, 77);
    EXPECT_EQ(skin::VeneerNotifyPropertyChanged(0, 12, &caption, 0), 0);
    EXPECT_EQ(Log(), "");
}

std::string EngineBlock(Word head, const std::string& bytes)
{
    std::string block(8, '\0');
    Word length = static_cast<Word>(bytes.size());
    std::memcpy(&block[0], &head, 4);
    std::memcpy(&block[4], &length, 4);
    return block + bytes;
}

std::vector<std::uint8_t> TakeGlobal(PtrWord handle)
{
    auto memory = reinterpret_cast<HGLOBAL>(handle);
    std::vector<std::uint8_t> bytes(GlobalSize(memory));
    EXPECT_TRUE(GlobalFlags(memory) == 0 || (GlobalFlags(memory) & GMEM_LOCKCOUNT) == 0);
    auto* locked = static_cast<std::uint8_t*>(GlobalLock(memory));
    std::memcpy(bytes.data(), locked, bytes.size());
    GlobalUnlock(memory);
    GlobalFree(memory);
    return bytes;
}

Word WordAt(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    Word value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

TEST_F(BindingInProcess, AllDataBlockCarriesHeadWordAndPageNumber)
{
    framework::UnitHandle unit = Create(CreateRoutine(5));
    engine::ControlHandle control = skin::VeneerControlFromUnit(unit);
    std::string block = EngineBlock(0x77, "ABCDE");
    g_hooks.setBlock(block.data(), static_cast<Word>(block.size()));

    struct ParentCase {
        Word parentType; // 0 for no parent
        Word pageIndex;
        Word pageNumber;
    };
    const ParentCase cases[] = {{0, 0, 0},
                                {engine::kTypePagedContainer, 1, 2},
                                {engine::kTypePagedContainer, 0, 1},
                                {engine::kTypeWindowEx, 1, 0}};
    for (const ParentCase& test : cases) {
        g_hooks.setParent(control,
                          test.parentType == 0 ? nullptr : g_hooks.newControl(test.parentType),
                          test.pageIndex);
        std::vector<std::uint8_t> bytes = TakeGlobal(skin::VeneerGetAllPropertyData(unit));
        ASSERT_GE(bytes.size(), 13u);
        EXPECT_EQ(WordAt(bytes, 0), 12);
        EXPECT_EQ(WordAt(bytes, 4), test.pageNumber) << test.parentType << " " << test.pageIndex;
        EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 13), "ABCDE");
    }
    EXPECT_NE(Log().find("message=2803 number=-1 value=none rest=0,0"), std::string::npos) << Log();

    std::string empty = EngineBlock(0x77, "");
    g_hooks.setBlock(empty.data(), static_cast<Word>(empty.size()));
    EXPECT_EQ(skin::VeneerGetAllPropertyData(unit), 0);
    g_hooks.setBlock("", 0);
    EXPECT_EQ(skin::VeneerGetAllPropertyData(unit), 0);
    EXPECT_EQ(skin::VeneerGetAllPropertyData(0), 0);
}

TEST_F(BindingInProcess, EngineEventsBecomeTemplateEventNumbers)
{
    framework::UnitHandle button = Create(CreateRoutine(6));
    framework::UnitHandle combo = Create(CreateRoutine(16));
    framework::UnitHandle window = Create(CreateRoutine(0));
    struct EventCase {
        framework::UnitHandle unit;
        Word code;
        Word eventNumber; // -1: nothing raised
    };
    const EventCase cases[] = {
        {button, 660, 0},  {button, 666, 6},  {combo, 658, 0},   {window, 649, 0},
        {window, 699, 50}, {button, 700, -1}, {window, 700, -1}, {button, 1000, -1},
    };
    for (const EventCase& test : cases) {
        g_eventCount = 0;
        g_handlerGivesResult = false;
        PtrWord result = g_hooks.raiseEvent(skin::VeneerControlFromUnit(test.unit), test.code, 41);
        EXPECT_EQ(result, 0) << test.code;
        if (test.eventNumber < 0) {
            EXPECT_EQ(g_eventCount, 0) << test.code;
            continue;
        }
        ASSERT_EQ(g_eventCount, 1) << test.code;
        EXPECT_EQ(g_lastEvent.eventNumber, test.eventNumber) << test.code;
        EXPECT_EQ(g_lastEvent.windowId, 7);
        EXPECT_EQ(g_lastEvent.unitId, 3);
        EXPECT_EQ(g_lastEvent.argumentCount, 4);
        EXPECT_EQ(g_lastEvent.arguments[0], 41);
        EXPECT_EQ(g_lastEvent.arguments[1], 2);
        EXPECT_EQ(g_lastEvent.arguments[2], 3);
        EXPECT_EQ(g_lastEvent.arguments[3], 4);
        EXPECT_EQ(g_lastEvent.hasResult, 0);
    }

    // A handler's result goes back to the engine.
    g_handlerGivesResult = true;
    g_handlerResult = 42;
    EXPECT_EQ(g_hooks.raiseEvent(skin::VeneerControlFromUnit(button), 660, 0), 42);
    g_handlerResult = 0;
    EXPECT_EQ(g_hooks.raiseEvent(skin::VeneerControlFromUnit(button), 660, 0), 0);
}

TEST_F(BindingInProcess, HostWindowKeepsTheEngineInStep)
{
    framework::UnitHandle unit = Create(CreateRoutine(6));
    HWND host = HostOf(unit);
    g_hooks.clear();
    SetWindowPos(host, nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    std::string hostText = HexWord(reinterpret_cast<PtrWord>(host));
    EXPECT_EQ(Log(), "ControPonintSizeSynchronise host=" + hostText + " 0\n");
    g_hooks.clear();
    SetWindowPos(host, nullptr, 0, 0, 70, 80, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Log(), "ControPonintSizeSynchronise host=" + hostText + " 1\n");
    EXPECT_EQ(SendMessageA(host, WM_ERASEBKGND, 0, 0), 1);
}

TEST_F(BindingInProcess, DestroyTellsTheFrameworkBeforeTheEngineFreesTheControl)
{
    Create(CreateRoutine(5));
    framework::UnitHandle unbound = Create(CreateRoutine(6));
    // A host window the engine never bound a control to ends without any notify.
    RemovePropA(HostOf(unbound), "Tab_Control");
    g_hooks.clear();
    DestroyWindow(m_parent);
    EXPECT_EQ(Log(), "framework 2000 7,3\n"
                     "framework 1009 unit\n"
                     "framework 1008 unit\n"
                     "ControlDestroy unit=3\n");
}

} // namespace
