// Linked into every Windows test program. Under Wine a program that a test starts lives on its
// own: Wine hands it to its own launcher, so neither ctest's kill nor the end of the test program
// reaches it. A weather program left running holds the single-instance event, and the updater's
// stop by name finds it, so a later test fails for a reason that is not its own.
//
// So the test program puts itself into a job that ends every process it starts, directly or
// through others, as soon as the test program ends, however it ends (passed, failed, crashed,
// stopped by the watchdog or killed). And a program still running when the tests are done is
// a failure of the run, named with the test after which it was first seen running.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/ScopedWin.h"

namespace {

// A program ending when it was told to may still be on its way out when the tests end.
constexpr std::chrono::seconds kEndingGrace{5};

// The job is made once and never closed: the last handle to it goes with this process, and
// with it every process in the job. Null when this program runs inside a job already (a copy
// that a test started as a program of its own): its parent's job holds it and what it starts,
// and a job of its own would end its children with it, which a program that restarts itself
// must not do.
HANDLE g_job = nullptr;

// Why no job could be made for a program that is in none; empty when one was. Such a program
// must not pass: nothing would end what its tests start, and nothing would see it left running.
std::string g_jobFailure;

std::string Failed(const char* step)
{
    return std::string(step) + " failed with error " + std::to_string(GetLastError());
}

// SKYVANE_TEST_JOB_REFUSED=1 stands for a system that refuses the job, so that the harness can
// show what a test program does then.
bool JobRefusedForTheHarness()
{
    char value[2] = {};
    return GetEnvironmentVariableA("SKYVANE_TEST_JOB_REFUSED", value, sizeof value) == 1 &&
           value[0] == '1';
}

HANDLE MakeJob()
{
    BOOL inJob = FALSE;
    if (!IsProcessInJob(GetCurrentProcess(), nullptr, &inJob)) {
        g_jobFailure = Failed("IsProcessInJob");
        return nullptr;
    }
    if (inJob) {
        return nullptr;
    }
    // The desktop process is started by the first program of the prefix that needs it, and
    // other tests' windows live on it: it must not be started inside the job and ended with it.
    GetDesktopWindow();
    if (JobRefusedForTheHarness()) {
        g_jobFailure = "the job was refused (SKYVANE_TEST_JOB_REFUSED=1)";
        return nullptr;
    }
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    if (!job) {
        g_jobFailure = Failed("CreateJobObjectA");
        return nullptr;
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        g_jobFailure = Failed("SetInformationJobObject");
        CloseHandle(job);
        return nullptr;
    }
    if (!AssignProcessToJobObject(job, GetCurrentProcess())) {
        g_jobFailure = Failed("AssignProcessToJobObject");
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

// The other processes in the job now.
std::vector<DWORD> OtherMembers()
{
    std::vector<DWORD> members;
    if (!g_job) {
        return members;
    }
    std::vector<ULONG_PTR> buffer(256);
    auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
    if (!QueryInformationJobObject(g_job, JobObjectBasicProcessIdList, list,
                                   static_cast<DWORD>(buffer.size() * sizeof(ULONG_PTR)),
                                   nullptr)) {
        return members;
    }
    for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i) {
        const auto id = static_cast<DWORD>(list->ProcessIdList[i]);
        if (id != GetCurrentProcessId()) {
            members.push_back(id);
        }
    }
    return members;
}

std::string ExecutableName(DWORD processId)
{
    toolkit::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid()) {
        return "?";
    }
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == processId) {
            return entry.szExeFile;
        }
    }
    return "?";
}

// For each process seen in the job after a test, the first such test.
std::map<DWORD, std::string> g_firstSeenAfter;

class SeenAfterEachTest : public testing::EmptyTestEventListener {
public:
    void OnTestEnd(const testing::TestInfo& test) override
    {
        for (DWORD id : OtherMembers()) {
            g_firstSeenAfter.emplace(id, std::string(test.test_suite_name()) + "." + test.name());
        }
    }
};

class NothingLeftRunning : public testing::Environment {
public:
    // A fatal failure here runs no test at all.
    void SetUp() override
    {
        if (!g_jobFailure.empty()) {
            FAIL() << "the test program could not put itself into a job (" << g_jobFailure
                   << "): the programs its tests start would neither end with it nor be "
                      "seen left running";
        }
    }

    void TearDown() override
    {
        const auto deadline = std::chrono::steady_clock::now() + kEndingGrace;
        std::vector<DWORD> left = OtherMembers();
        while (!left.empty() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            left = OtherMembers();
        }
        for (DWORD id : left) {
            const auto seen = g_firstSeenAfter.find(id);
            ADD_FAILURE() << "LEFTOVER: " << ExecutableName(id) << " (process " << id
                          << ") still running when the tests ended; first seen running after "
                          << (seen == g_firstSeenAfter.end() ? std::string("the last test")
                                                             : seen->second)
                          << "; ended it";
            toolkit::ScopedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
            if (process.IsValid()) {
                TerminateProcess(process.Get(), 1);
                WaitForSingleObject(process.Get(), 5000);
            }
        }
    }
};

// Made before main runs, so that every test program gets it without a main of its own, and
// before any test can start a program.
const bool g_registered = [] {
    g_job = MakeJob();
    testing::UnitTest::GetInstance()->listeners().Append(new SeenAfterEachTest);
    testing::AddGlobalTestEnvironment(new NothingLeftRunning);
    return true;
}();

} // namespace
