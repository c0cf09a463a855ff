// The update check and question against the local fixture's share-view answers, with the
// boxes answered the way a user answers them and a stand-in for the updater in the run
// directory. The test executable carries the program's version resource.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "framework/Framework.h"
#include "framework/SystemServices.h"
#include "tests/support/FixtureClient.h"
#include "tests/support/UiDriver.h"
#include "toolkit/ScopedWin.h"
#include "toolkit/ServiceHosts.h"
#include "update/UpdateCheck.h"
#include "windows/Templates.h"

using testsupport::Fixture;
using testsupport::FixtureRoute;

namespace {

constexpr char kOwnVersion[] = SKYVANE_FILE_VERSION;
constexpr char kViewPath[] = "/webapp/json/weiyunShareNoLogin/WeiyunShareView";
// "发现新版本，是否更新？\r\n当前版本："
const std::string kQuestion =
    "\xB7\xA2\xCF\xD6\xD0\xC2\xB0\xE6\xB1\xBE\xA3\xAC\xCA\xC7\xB7\xF1"
    "\xB8\xFC\xD0\xC2\xA3\xBF\r\n\xB5\xB1\xC7\xB0\xB0\xE6\xB1\xBE\xA3\xBA";
// "当前已是最新版本。"
const std::string kUpToDate = "\xB5\xB1\xC7\xB0\xD2\xD1\xCA\xC7\xD7\xEE\xD0\xC2\xB0\xE6\xB1\xBE"
                              "\xA1\xA3";
// 修复问题 in UTF-8 and in code page 936.
constexpr char kChangeUtf8[] = "\xE4\xBF\xAE\xE5\xA4\x8D\xE9\x97\xAE\xE9\xA2\x98";
constexpr char kTwoLinesUtf8[] = "\xE4\xBF\xAE\xE5\xA4\x8D\xE9\x97\xAE\xE9\xA2\x98"
                                 "<br>faster refresh";
constexpr char kChangeGbk[] = "\xD0\xDE\xB8\xB4\xCE\xCA\xCC\xE2";

const framework::WindowTemplate kMainTemplate = {.id = windows::MainWindow,
                                                 .unit = windows::mainunits::Window,
                                                 .name = "main",
                                                 .caption = "main",
                                                 .width = 200,
                                                 .height = 80};
const framework::WindowTemplate* const kTemplates[] = {&kMainTemplate};

class MainWindowEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(framework::Initialise({}, kTemplates));
        ASSERT_TRUE(framework::LoadWindow(windows::MainWindow));
    }
};
const auto* const g_environment = testing::AddGlobalTestEnvironment(new MainWindowEnvironment);

std::string RunFile(const char* name)
{
    return framework::RunDirectory() + "\\" + name;
}

// The updater stand-ins this program started that still run. A stand-in stays until the
// program that started it ends, so that a check that started one is seen to have done so once
// it has returned, however late the stand-in runs its first line.
std::vector<DWORD> RunningStandIns()
{
    std::vector<DWORD> ids;
    toolkit::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
        if (entry.th32ParentProcessID == GetCurrentProcessId() &&
            lstrcmpiA(entry.szExeFile, "Fernhop.exe") == 0) {
            ids.push_back(entry.th32ProcessID);
        }
    }
    return ids;
}

// Ends the running stand-ins and waits until they have ended; false if one could not be ended.
bool EndStandIns()
{
    bool ended = true;
    for (DWORD id : RunningStandIns()) {
        toolkit::ScopedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        ended = ended && process && TerminateProcess(process.Get(), 0) &&
                WaitForSingleObject(process.Get(), 30000) == WAIT_OBJECT_0;
    }
    return ended;
}

// A share-view answer whose note holds the version and, when given, the changelog.
std::string AnswerWithNote(const std::string& version, const char* changelogHtml)
{
    std::string html = "<p>*" + version + "*</p>";
    if (changelogHtml != nullptr) {
        html += std::string("<p>=") + changelogHtml + "=</p>";
    }
    html += "<p>-https://www.lanzoux.com/iAbc123-</p>";
    return R"({"data":{"rsp_body":{"RspMsg_body":{"note_list":[{"html_content":")" + html +
           R"("}]}}},"ret":0})";
}

// What a user saw of the boxes of one check: each box's title and message, and whether it
// asked with Yes, No and the question icon.
struct SeenBox {
    std::string title;
    std::string text;
    bool yesNo = false;
    bool okOnly = false;
    bool questionIcon = false;
};

BOOL CALLBACK FindIcon(HWND child, LPARAM lParam)
{
    char name[32] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") == 0 &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HICON*>(lParam) =
            reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        return FALSE;
    }
    return TRUE;
}

// Answers every box that comes up during a check with the button (OK where the box has no
// such button) until stopped, and keeps what it saw of each.
class BoxAnswers {
public:
    explicit BoxAnswers(int button)
        : m_watcher([this, button](HWND box) {
              SeenBox seen;
              seen.title = testsupport::WindowText(box);
              seen.text = testsupport::StaticTexts(box);
              seen.yesNo = GetDlgItem(box, IDYES) != nullptr && GetDlgItem(box, IDNO) != nullptr;
              seen.okOnly = GetDlgItem(box, IDOK) != nullptr && GetDlgItem(box, IDYES) == nullptr;
              HICON icon = nullptr;
              EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&icon));
              seen.questionIcon = icon != nullptr && icon == LoadIcon(nullptr, IDI_QUESTION);
              m_boxes.push_back(seen);
              return seen.yesNo ? button : IDOK;
          })
    {
    }

    // Call once the check has returned: every box it showed has been answered by then.
    std::vector<SeenBox> Stop()
    {
        m_watcher.Stop();
        return m_boxes;
    }

private:
    std::vector<SeenBox> m_boxes;
    // After the list it fills, so that it stops before the list goes.
    testsupport::BoxWatcher m_watcher;
};

// Whether the window was disabled since the watch began: EnableWindow tells a window of each
// change with a WM_ENABLE sent to it, and the check runs on this thread, as its window does.
class DisabledWatch {
public:
    explicit DisabledWatch(HWND window)
        : m_hook(SetWindowsHookExA(WH_CALLWNDPROC, Note, nullptr, GetCurrentThreadId()))
    {
        s_window = window;
        s_disabled = false;
    }
    ~DisabledWatch()
    {
        if (m_hook != nullptr) {
            UnhookWindowsHookEx(m_hook);
        }
    }
    DisabledWatch(const DisabledWatch&) = delete;
    DisabledWatch& operator=(const DisabledWatch&) = delete;

    bool Hooked() const { return m_hook != nullptr; }
    bool SawDisabled() const { return s_disabled; }

private:
    static LRESULT CALLBACK Note(int code, WPARAM wParam, LPARAM lParam)
    {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && call->hwnd == s_window && call->message == WM_ENABLE &&
            call->wParam == FALSE) {
            s_disabled = true;
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline HWND s_window = nullptr;
    static inline bool s_disabled = false;
    HHOOK m_hook;
};

class UpdateCheck : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Fixture::Reset());
        DeleteFileA(RunFile("Fernhop.started").c_str());
    }
    void TearDown() override
    {
        // The next test needs the stand-in's file gone, which its running copy holds, and no
        // copy left running.
        EXPECT_TRUE(EndStandIns()) << "a stand-in could not be ended";
        EXPECT_TRUE(testsupport::PumpUntil([] {
            return DeleteFileA(RunFile("Fernhop.exe").c_str()) ||
                   GetLastError() == ERROR_FILE_NOT_FOUND;
        })) << "the stand-in's file stays";
        DeleteFileA(RunFile("Fernhop.started").c_str());
    }

    static void PlaceStandIn()
    {
        ASSERT_TRUE(CopyFileA(RunFile("FernhopStandIn.exe").c_str(), RunFile("Fernhop.exe").c_str(),
                              FALSE));
    }
    static void Answer(const std::string& body, int delayMs = 0, bool drop = false)
    {
        FixtureRoute route;
        route.method = "POST";
        route.path = kViewPath;
        route.body = body;
        route.delayMs = delayMs;
        route.drop = drop;
        ASSERT_TRUE(Fixture::AddRoute(route));
    }
    static bool MainWindowEnabled()
    {
        return IsWindowEnabled(framework::WindowHandle(windows::MainWindow)) != FALSE;
    }
    static bool StandInRan()
    {
        return testsupport::PumpUntil(
            [] { return framework::FileExists(RunFile("Fernhop.started")); },
            std::chrono::seconds(30));
    }
};

TEST_F(UpdateCheck, TheProgramsOwnVersionComesFromItsVersionResource)
{
    EXPECT_EQ(update::OwnVersion(), kOwnVersion);
    EXPECT_EQ(update::UpdateShareAddress(), toolkit::ShareHost() + "/Hb71QxPa");
}

struct QuestionCase {
    const char* name;
    const char* changelogHtml; // null: the note has no changelog
    bool manual;
    int button;
    bool standInPlaced;
    std::string changelogShown;
    bool updaterStarted;
};

class UpdateQuestion : public UpdateCheck, public testing::WithParamInterface<QuestionCase> {};

// A newer note: two share-view requests, the question with the own version and the changelog,
// the updater started on Yes only; the main window enabled again in every case.
TEST_P(UpdateQuestion, AsksWithTheChangelogAndStartsTheUpdaterOnYes)
{
    const QuestionCase& c = GetParam();
    if (c.standInPlaced) {
        PlaceStandIn();
    }
    Answer(AnswerWithNote(std::string(kOwnVersion) + "a", c.changelogHtml));

    BoxAnswers user(c.button);
    if (c.manual) {
        update::CheckForUpdateManual();
    } else {
        update::CheckForUpdate();
    }
    const auto boxes = user.Stop();

    EXPECT_EQ(RunningStandIns().size(), c.updaterStarted ? 1u : 0u);
    if (c.updaterStarted) {
        EXPECT_TRUE(StandInRan()) << "the updater of the run directory was not the one started";
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "");
    EXPECT_EQ(boxes[0].text, kQuestion + kOwnVersion + "\r\n\r\n" + c.changelogShown);
    EXPECT_TRUE(boxes[0].yesNo);
    EXPECT_TRUE(boxes[0].questionIcon);
    EXPECT_TRUE(MainWindowEnabled());
    EXPECT_EQ(Fixture::Requests().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UpdateQuestion,
    testing::Values(QuestionCase{"yes", kTwoLinesUtf8, false, IDYES, true,
                                 std::string(kChangeGbk) + "\r\nfaster refresh", true},
                    QuestionCase{"no", kChangeUtf8, false, IDNO, true, kChangeGbk, false},
                    QuestionCase{"manual_yes", kChangeUtf8, true, IDYES, true, kChangeGbk, true},
                    QuestionCase{"without_changelog", nullptr, false, IDNO, true, "", false},
                    QuestionCase{"yes_without_updater", kChangeUtf8, false, IDYES, false,
                                 kChangeGbk, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct NothingNewerCase {
    const char* name;
    std::string noteVersion; // empty: the request fails
    bool manual;
};

class NothingNewer : public UpdateCheck, public testing::WithParamInterface<NothingNewerCase> {};

// Without a newer note the automatic check shows nothing and the manual one says so; one
// share-view request either way, and the main window is disabled only while it runs.
TEST_P(NothingNewer, TellsOnlyWhenAskedByHand)
{
    const NothingNewerCase& c = GetParam();
    PlaceStandIn();
    const bool fails = c.noteVersion.empty();
    Answer(fails ? "" : AnswerWithNote(c.noteVersion, "x"), 300, fails);

    DisabledWatch mainWindow(framework::WindowHandle(windows::MainWindow));
    ASSERT_TRUE(mainWindow.Hooked());
    BoxAnswers user(IDOK);
    if (c.manual) {
        update::CheckForUpdateManual();
    } else {
        update::CheckForUpdate();
    }
    const auto boxes = user.Stop();

    if (c.manual) {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, "");
        EXPECT_EQ(boxes[0].text, kUpToDate);
        EXPECT_TRUE(boxes[0].okOnly);
        EXPECT_FALSE(boxes[0].questionIcon);
    } else {
        EXPECT_TRUE(boxes.empty());
    }
    EXPECT_TRUE(mainWindow.SawDisabled());
    EXPECT_TRUE(MainWindowEnabled());
    EXPECT_EQ(Fixture::Requests().size(), 1u);
    EXPECT_TRUE(RunningStandIns().empty()) << "no updater started";
}

INSTANTIATE_TEST_SUITE_P(
    Notes, NothingNewer,
    testing::Values(NothingNewerCase{"same_version", kOwnVersion, false},
                    NothingNewerCase{"same_version_manual", kOwnVersion, true},
                    // A prefix of the own version ends first, so it is the smaller one.
                    NothingNewerCase{"older_manual", std::string(kOwnVersion, 1), true},
                    NothingNewerCase{"no_network", "", false},
                    NothingNewerCase{"no_network_manual", "", true}),
    [](const auto& info) { return std::string(info.param.name); });

// A check from the settings window while a refresh thread's check is still waiting for the
// service asks nothing of its own.
TEST_F(UpdateCheck, ACheckWhileAnotherRunsDoesNothing)
{
    // The first check holds on for as long as its answer is delayed: long enough for the second
    // to begin in that time on a loaded machine too.
    Answer(AnswerWithNote(kOwnVersion, "x"), 3000);
    std::atomic<bool> done{false};
    std::thread refresh([&] {
        update::CheckForUpdate();
        done = true;
    });
    ASSERT_TRUE(testsupport::PumpUntil([] { return Fixture::Requests().size() == 1; },
                                       std::chrono::seconds(30)));

    BoxAnswers user(IDOK);
    update::CheckForUpdateManual();
    EXPECT_FALSE(done) << "the first check ended before the second began";
    EXPECT_EQ(Fixture::Requests().size(), 1u);

    EXPECT_TRUE(testsupport::PumpUntil([&] { return done.load(); }, std::chrono::seconds(30)));
    refresh.join();
    EXPECT_TRUE(user.Stop().empty());
    EXPECT_TRUE(MainWindowEnabled());
}

} // namespace
