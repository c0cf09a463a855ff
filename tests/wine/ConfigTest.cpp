// The settings file: first run and later runs, each case in a directory of its own since the
// tests of one build tree run side by side.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/SystemServices.h"
#include "weather/Config.h"
#include "weather/Globals.h"

namespace {

constexpr char kAddress[] = "https://localhost/weather/common?source=pc&province=%E5%8C%97";

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        static int counter = 0;
        m_directory = std::string(base) + "skyvane-config-" +
                      std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
        CreateDirectoryA(m_directory.c_str(), nullptr);
        m_file = m_directory + "\\Config.ini";
        weather::ConfigPath.Set(m_file);
        weather::WeatherUrl.Set(kAddress);
        for (auto* value : Settings()) {
            value->Clear();
        }
    }
    void TearDown() override
    {
        DeleteFileA(m_file.c_str());
        RemoveDirectoryA(m_directory.c_str());
    }

    static std::vector<weather::Guarded<GbkText>*> Settings()
    {
        using namespace weather;
        return {&RunAtStartup,       &HideAtStart,     &PushAlarms,
                &CheckUpdateAtStart, &ShowTrayIcon,    &TrayFollowsWeather,
                &RefreshInterval,    &SavedWeatherUrl, &CustomLocationOn};
    }
    static std::vector<std::string> SettingValues()
    {
        std::vector<std::string> values;
        for (auto* value : Settings()) {
            values.push_back(value->Get());
        }
        return values;
    }

    // The file's lines without the blank ones.
    std::vector<std::string> FileLines() const
    {
        std::ifstream in(m_file, std::ios::binary);
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (!line.empty()) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    void WriteFile(const std::string& content) const
    {
        std::ofstream(m_file, std::ios::binary) << content;
    }

    std::string m_directory;
    std::string m_file;
};

TEST_F(ConfigTest, FirstRunWritesTheDefaultsBeforeReturningAndHoldsThem)
{
    weather::LoadConfig();
    // Read at once: nothing is left to a writer that might come late.
    std::vector<std::string> expected = {"[PCS]",
                                         "To=0",
                                         "H=0",
                                         "[AutoInfo]",
                                         "To=0",
                                         "Up=0",
                                         "[Tray]",
                                         "To=0",
                                         "W=0",
                                         "[Auto_Refresh]",
                                         "To=1800000",
                                         "[URL]",
                                         std::string("To=") + kAddress,
                                         "Gh=0"};
    EXPECT_EQ(FileLines(), expected);
    std::vector<std::string> defaults = {"0", "0", "0", "0", "0", "0", "1800000", kAddress, "0"};
    EXPECT_EQ(SettingValues(), defaults);
}

TEST_F(ConfigTest, ExistingFileIsReadAsItStands)
{
    WriteFile("[PCS]\r\nTo=1\r\nH=1\r\n[AutoInfo]\r\nTo=1\r\nUp=0\r\n[Tray]\r\nTo=1\r\nW=1\r\n"
              "[Auto_Refresh]\r\nTo=600000\r\n[URL]\r\nTo=https://saved\r\nGh=1\r\n");
    weather::LoadConfig();
    std::vector<std::string> read = {"1", "1", "1", "0", "1", "1", "600000", "https://saved", "1"};
    EXPECT_EQ(SettingValues(), read);
}

TEST_F(ConfigTest, MissingKeysReadZeroAndNothingIsWritten)
{
    // No [Auto_Refresh] section: the refresh timer stays stopped.
    const std::string content = "[PCS]\r\nH=1\r\n[URL]\r\nCity_=x\r\n";
    WriteFile(content);
    weather::LoadConfig();
    std::vector<std::string> read = {"0", "1", "0", "0", "0", "0", "0", "0", "0"};
    EXPECT_EQ(SettingValues(), read);
    std::ifstream in(m_file, std::ios::binary);
    std::stringstream after;
    after << in.rdbuf();
    EXPECT_EQ(after.str(), content);
}

TEST_F(ConfigTest, DefaultsLeaveTheOtherKeysAlone)
{
    WriteFile("[URL]\r\nCity_=abc\r\n[Info]\r\nTo=alarm\r\nTo_A=title\r\n");
    weather::WriteDefaultConfig();
    EXPECT_EQ(framework::ReadConfigValue(m_file, "URL", "City_"), "abc");
    EXPECT_EQ(framework::ReadConfigValue(m_file, "Info", "To"), "alarm");
    EXPECT_EQ(framework::ReadConfigValue(m_file, "Info", "To_A"), "title");
    EXPECT_EQ(framework::ReadConfigValue(m_file, "URL", "To"), kAddress);
    EXPECT_EQ(framework::ReadConfigValue(m_file, "Auto_Refresh", "To"), "1800000");
}

} // namespace
