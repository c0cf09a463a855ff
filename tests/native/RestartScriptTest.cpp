// The restart batch file's text.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "windows/RestartScript.h"

using namespace windows;

namespace {

std::string Expected(const std::string& count, const std::string& path)
{
    return "@echo off \r\n@ping 127.0.0.1 -n " + count + " >nul\r\nstart \"\" \"" + path +
           "\"\r\ndel Restart.bat";
}

TEST(RestartScript, HoldsTheDelayAndThePathInTheirLines)
{
    EXPECT_EQ(RestartScript("C:\\PROGRA~1\\SKYVANE\\Skyvane.exe", 1),
              Expected("1", "C:\\PROGRA~1\\SKYVANE\\Skyvane.exe"));
    EXPECT_EQ(RestartScript("C:\\A\\B.exe", 15), Expected("15", "C:\\A\\B.exe"));
}

TEST(RestartScript, DelayOfTwoWhenAbsentOrBelowOne)
{
    for (std::optional<int32_t> delay :
         {std::optional<int32_t>(), std::optional<int32_t>(0), std::optional<int32_t>(-5)}) {
        EXPECT_EQ(RestartScript("x.exe", delay), Expected("2", "x.exe"));
    }
}

TEST(RestartScript, DoublesPercentSignsOfThePath)
{
    EXPECT_EQ(RestartScript("C:\\100%\\%PATH%.exe", 1), Expected("1", "C:\\100%%\\%%PATH%%.exe"));
}

TEST(RestartScript, PathHoldingThePlaceholdersChangesNothingElse)
{
    // 秒数 in code page 936 inside the path: the delay still goes on the ping line.
    const std::string path = "C:\\\xC3\xEB\xCA\xFD\\<x>.exe";
    EXPECT_EQ(RestartScript(path, 3), Expected("3", path));
}

TEST(RestartScript, EmptyPathLeavesEmptyQuotes)
{
    EXPECT_EQ(RestartScript("", 1), Expected("1", ""));
}

} // namespace
