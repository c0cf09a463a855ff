// The window-free framework services: run directory, threads, exit routines, files, INI values.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "framework/SystemServices.h"
#include "tests/support/UiDriver.h"

using namespace framework;

namespace {

// A fresh directory of this test's own, removed with its files at the end.
class TempDirectory {
public:
    TempDirectory()
    {
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        static int counter = 0;
        m_path = std::string(base) + "skyvane-services-" + std::to_string(GetCurrentProcessId()) +
                 "-" + std::to_string(++counter);
        CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~TempDirectory()
    {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((m_path + "\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA((m_path + "\\" + found.cFileName).c_str());
            } while (FindNextFileA(find, &found));
            FindClose(find);
        }
        RemoveDirectoryA(m_path.c_str());
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

TEST(SystemServices, RunDirectoryAndOwnFileNameMakeTheExecutablePath)
{
    GbkText directory = RunDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_NE(directory.back(), '\\');
    EXPECT_EQ(OwnFileName(), "SystemServicesTest.exe");
    EXPECT_TRUE(FileExists(directory + "\\" + OwnFileName()));
}

TEST(SystemServices, FileExistsOnlyForFiles)
{
    TempDirectory dir;
    EXPECT_FALSE(FileExists(dir.Path()));
    EXPECT_FALSE(FileExists(dir.Path() + "\\none.txt"));
    EXPECT_FALSE(FileExists(""));
}

struct ThreadProbe {
    std::atomic<int> value{0};
};

TEST(SystemServices, StartThreadRunsTheRoutineWithItsParameter)
{
    ThreadProbe probe;
    toolkit::ScopedHandle thread;
    ASSERT_TRUE(
        StartThread([](void* p) { static_cast<ThreadProbe*>(p)->value = 42; }, &probe, &thread));
    ASSERT_TRUE(thread.IsValid());
    ASSERT_EQ(WaitForSingleObject(thread.Get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(probe.value, 42);

    // Without a kept handle the routine still runs.
    ThreadProbe second;
    ASSERT_TRUE(StartThread([](void* p) { static_cast<ThreadProbe*>(p)->value = 7; }, &second));
    EXPECT_TRUE(testsupport::WaitUntil([&] { return second.value == 7; }));
}

std::vector<int> g_exitOrder;

TEST(SystemServices, ExitRoutinesRunInOrderAndOnce)
{
    RegisterExitRoutine([] { g_exitOrder.push_back(1); });
    RegisterExitRoutine([] { g_exitOrder.push_back(2); });
    RunExitRoutines();
    RunExitRoutines();
    EXPECT_EQ(g_exitOrder, (std::vector<int>{1, 2}));
}

class ConfigValues : public testing::Test {
protected:
    void SetUp() override
    {
        m_file = m_dir.Path() + "\\Config.ini";
        std::string content = "[URL]\r\nCity_=\xC9\xCF\xBA\xA3\r\nTo=http://a/b?c=1\r\n"
                              "[PCS]\r\nH=1\r\n";
        HANDLE file = CreateFileA(m_file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(file);
    }

    TempDirectory m_dir;
    std::string m_file;
};

TEST_F(ConfigValues, ReadsValuesWithAndWithoutDefault)
{
    EXPECT_EQ(ReadConfigValue(m_file, "URL", "City_"), "\xC9\xCF\xBA\xA3");
    EXPECT_EQ(ReadConfigValue(m_file, "URL", "To", GbkText("0")), "http://a/b?c=1");
    EXPECT_EQ(ReadConfigValue(m_file, "PCS", "To"), "");
    EXPECT_EQ(ReadConfigValue(m_file, "PCS", "To", GbkText("0")), "0");
    // A given empty default stays a default: the missing key reads empty.
    EXPECT_EQ(ReadConfigValue(m_file, "PCS", "To", GbkText("")), "");
    EXPECT_EQ(ReadConfigValue(m_dir.Path() + "\\none.ini", "PCS", "H", GbkText("0")), "0");
}

TEST_F(ConfigValues, SkipsLeadingControlBytesInNames)
{
    EXPECT_EQ(ReadConfigValue("  \t" + m_file, " \x01URL", "\r\n City_"), "\xC9\xCF\xBA\xA3");
    EXPECT_EQ(ReadConfigValue(m_file, "\x1F PCS", "  H", GbkText("0")), "1");
}

TEST_F(ConfigValues, NamesEmptyAfterSkippingReadNothing)
{
    // Not even the default: the file is not consulted at all.
    EXPECT_EQ(ReadConfigValue(m_file, "  ", "H", GbkText("0")), "");
    EXPECT_EQ(ReadConfigValue(m_file, "PCS", "\t", GbkText("0")), "");
    EXPECT_EQ(ReadConfigValue(" ", "PCS", "H", GbkText("0")), "");
}

TEST_F(ConfigValues, LongValuesAreCut)
{
    std::string longValue(12000, 'x');
    WriteConfigValue(m_file, "Info", "To", longValue);
    EXPECT_EQ(ReadConfigValue(m_file, "Info", "To"), std::string(10239, 'x'));
}

TEST_F(ConfigValues, WritesRoundTrip)
{
    WriteConfigValue(m_file, "URL", "City_", "\xB1\xB1\xBE\xA9");
    WriteConfigValue(m_file, "Tray", "W", "0");
    EXPECT_EQ(ReadConfigValue(m_file, "URL", "City_"), "\xB1\xB1\xBE\xA9");
    EXPECT_EQ(ReadConfigValue(m_file, "Tray", "W"), "0");
    EXPECT_EQ(ReadConfigValue(m_file, "URL", "To"), "http://a/b?c=1");
}

} // namespace
