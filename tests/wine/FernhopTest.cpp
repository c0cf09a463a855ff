// The updater: how it stops programs by name, and the runs of Fernhop.exe that end without an
// update (second stage, nothing newer, failures), against the local share and download
// services with stand-ins for the weather program and the unpacker.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "tests/fixtures/updater/RunFolder.h"
#include "tests/fixtures/updater/UpdateServices.h"
#include "tests/support/FixtureClient.h"
#include "tests/support/RecordingRequest.h"
#include "tests/support/SameBytes.h"
#include "toolkit/ScopedWin.h"
#include "toolkit/ServiceHosts.h"
#include "toolkit/WebRequest.h"
#include "update/ShareNote.h"
#include "updater/DownloadLink.h"
#include "updater/ProcessStop.h"

using testsupport::Fixture;
using testsupport::RecordingRequest;
using testsupport::SameBytes;
using updater::TerminateProcessByName;

namespace {

using namespace updatertest;

// "抱歉，程序更新失败，正在为您重启程序。"
constexpr char kFailedText[] = "\xB1\xA7\xC7\xB8\xA3\xAC\xB3\xCC\xD0\xF2\xB8\xFC\xD0\xC2\xCA\xA7"
                               "\xB0\xDC\xA3\xAC\xD5\xFD\xD4\xDA\xCE\xAA\xC4\xFA\xD6\xD8\xC6\xF4"
                               "\xB3\xCC\xD0\xF2\xA1\xA3";

// An environment variable of this process, and so of the programs it starts, set for a while.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::optional<std::string>& value) : m_name(name)
    {
        char old[1024];
        const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
        if (length > 0 && length < sizeof old) {
            m_old = std::string(old, length);
        }
        if (value) {
            SetEnvironmentVariableA(name, value->c_str());
        }
    }
    ~ScopedEnvironment() { SetEnvironmentVariableA(m_name, m_old ? m_old->c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// A stand-in copied into the run directory under name, started, and waiting to be stopped;
// with a window title it also shows a top-level window with that title.
std::unique_ptr<Process> StartStayingStandIn(const TempDirectory& run, const std::string& name,
                                             const std::string& windowTitle = "")
{
    if (!CopyFileA(StandIn().c_str(), (run / name).c_str(), FALSE) ||
        !Write(run / (name + ".stay"), "") ||
        (!windowTitle.empty() && !Write(run / (name + ".window"), windowTitle))) {
        return nullptr;
    }
    auto process = std::make_unique<Process>(run / name);
    StartedWhenThere(run, name);
    if (!windowTitle.empty()) {
        WaitUntil([&] { return FindWindowA(nullptr, windowTitle.c_str()) != nullptr; },
                  std::chrono::seconds(30));
    }
    return process;
}

TEST(TerminateProcessByName, WindowTitleFirstThenExecutableName)
{
    TempDirectory run;
    auto weather = StartStayingStandIn(run, "Skyvane.exe");
    // Another program whose window carries the name as its title.
    auto titled = StartStayingStandIn(run, "Other.exe", "Skyvane.exe");
    ASSERT_TRUE(weather && titled && weather->Running() && titled->Running());

    EXPECT_TRUE(TerminateProcessByName("Skyvane.exe"));
    EXPECT_EQ(titled->WaitForEnd(30000), 0);
    EXPECT_TRUE(weather->Running());

    // No window has the title now: the executable's name, case ignored.
    EXPECT_TRUE(TerminateProcessByName("skyvane.EXE"));
    EXPECT_EQ(weather->WaitForEnd(30000), 0);

    EXPECT_FALSE(TerminateProcessByName("Skyvane.exe"));
    EXPECT_FALSE(TerminateProcessByName(""));
}

// Long enough, on a loaded machine, for a process that was told to end to have ended.
constexpr DWORD kStillRunningMs = 3000;

TEST(TerminateProcessByName, StopsOneProcessACall)
{
    TempDirectory first;
    TempDirectory second;
    auto one = StartStayingStandIn(first, "Quillet.exe");
    auto two = StartStayingStandIn(second, "Quillet.exe");
    ASSERT_TRUE(one && two && one->Running() && two->Running());
    EXPECT_TRUE(TerminateProcessByName("Quillet.exe"));
    HANDLE both[] = {one->Handle(), two->Handle()};
    const DWORD ended = WaitForMultipleObjects(2, both, FALSE, 30000);
    ASSERT_TRUE(ended == WAIT_OBJECT_0 || ended == WAIT_OBJECT_0 + 1);
    // Stopped in the same call, the other one would be gone within moments of the first.
    const Process& other = ended == WAIT_OBJECT_0 ? *two : *one;
    EXPECT_EQ(other.WaitForEnd(kStillRunningMs), -1);
    EXPECT_TRUE(TerminateProcessByName("Quillet.exe"));
    EXPECT_EQ(one->WaitForEnd(30000), 0);
    EXPECT_EQ(two->WaitForEnd(30000), 0);
}

struct UpdaterRun {
    int exitCode = -1;
    bool sawFailedBox = false;
    DWORD took = 0; // milliseconds
};

// Runs the updater of the run directory to its end (for up to 30 s), calling whileRunning
// between looks at the boxes it shows.
UpdaterRun RunUpdater(const TempDirectory& run, const std::function<void()>& whileRunning = {})
{
    UpdaterRun ran;
    const DWORD start = GetTickCount();
    Process updater(run / "Fernhop.exe");
    for (int i = 0; i < 600 && updater.WaitForEnd(50) == -1; ++i) {
        if (whileRunning) {
            whileRunning();
        }
        for (const std::string& text : BoxTextsOf("Fernhop.exe")) {
            ran.sawFailedBox = ran.sawFailedBox || text == kFailedText;
        }
    }
    ran.took = GetTickCount() - start;
    ran.exitCode = updater.WaitForEnd(0);
    return ran;
}

// Runs of the updater that start the weather program again and change nothing else.
TEST(Fernhop, RunsThatEndWithTheSameProgram)
{
    struct Case {
        const char* name;
        std::optional<std::string> note; // HTML of the note served; none: no note
        bool unpackerPresent;            // a second-stage run
        bool fails;                      // the failure box, shown for about a second
        bool readsNote;
        // Where the updater asks for the note; none: the trusted HTTPS port.
        std::optional<std::string> shareHost = std::nullopt;
        // The unpacker's file still held for a moment after its process was stopped, as by a
        // process that has not quite let it go.
        bool unpackerFileHeld = false;
        // The download service's share page asked for (the link to it is https).
        bool readsSharePage = false;
        // The host of the file address in the form answer, and the Location of its redirect.
        std::string fileHost = Fixture::HttpsBase();
        std::string location = PackageAddress();
    };
    ASSERT_NE(Fixture::UntrustedHttpsPort(), 0);
    // The download service's share page behind a certificate that the prefix does not trust.
    const std::string untrustedLink = Fixture::UntrustedHttpsBase() + kShareLinkPath;
    // The same services over plain http: whoever is on the way could answer in their place.
    const std::string plainLink = Fixture::HttpBase() + kShareLinkPath;
    const std::string plainPackage = Fixture::HttpBase() + kPackagePath;
    const Case cases[] = {
        {"second stage", NoteHtml("1.0.0.1"), true, false, false},
        {"second stage while the unpacker's file is still held", NoteHtml("1.0.0.1"), true, false,
         false, std::nullopt, true},
        {"same version", NoteHtml("1.0.0.0"), false, false, true},
        {"older version in the note", NoteHtml("0.9.9.9"), false, false, true},
        {"note without a version", "<p>=fixes=</p><p>-" + ShareLink() + "-</p>", false, false,
         true},
        {"no note", std::nullopt, false, true, true},
        {"link that does not resolve", "<p>*1.0.0.1*</p><p>-" + ShareLink() + "x-</p>", false, true,
         true},
        // A service that cannot prove who it is counts as unreachable: it could hand over any
        // note and any package, and the updater runs what the package carries.
        {"share service with an untrusted certificate", NoteHtml("1.0.0.1"), false, true, false,
         Fixture::UntrustedHttpsBase()},
        {"download service with an untrusted certificate",
         "<p>*1.0.0.1*</p><p>-" + untrustedLink + "-</p>", false, true, true},
        {"share link over http", "<p>*1.0.0.1*</p><p>-" + plainLink + "-</p>", false, true, true},
        {"file address over http", NoteHtml("1.0.0.1"), false, true, true, std::nullopt, false,
         true, Fixture::HttpBase()},
        {"package address over http", NoteHtml("1.0.0.1"), false, true, true, std::nullopt, false,
         true, Fixture::HttpsBase(), plainPackage},
        {"package address without a host", NoteHtml("1.0.0.1"), false, true, true, std::nullopt,
         false, true, Fixture::HttpsBase(), kPackagePath},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Fixture::Reset());
        if (c.note) {
            ASSERT_TRUE(ServeNote(*c.note));
        }
        ASSERT_TRUE(ServeDownload(Archive("update-package.zip"), c.fileHost, c.location));
        ScopedEnvironment shareHost("SKYVANE_SHARE_HOST", c.shareHost);

        TempDirectory run;
        ASSERT_TRUE(
            CopyFileA(BuiltProgram("Fernhop.exe").c_str(), (run / "Fernhop.exe").c_str(), FALSE));
        auto weather = StartStayingStandIn(run, "Skyvane.exe");
        ASSERT_TRUE(weather && weather->Running());
        std::unique_ptr<Process> unpacker;
        if (c.unpackerPresent) {
            unpacker = StartStayingStandIn(run, "Quillet.exe");
            ASSERT_TRUE(unpacker && unpacker->Running());
        }
        // The copy started again ends at once.
        DeleteFileA((run / "Skyvane.exe.stay").c_str());
        toolkit::ScopedHandle heldUnpacker;
        if (c.unpackerFileHeld) {
            heldUnpacker.Reset(CreateFileA((run / "Quillet.exe").c_str(), GENERIC_READ,
                                           FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(heldUnpacker);
        }

        const UpdaterRun ran = RunUpdater(run, [&] {
            // Let go once the updater has stopped the unpacker: it is then removing the file,
            // and finds it held for a moment.
            if (heldUnpacker && !unpacker->Running()) {
                heldUnpacker.Reset();
            }
        });
        EXPECT_EQ(ran.exitCode, 0);
        EXPECT_EQ(ran.sawFailedBox, c.fails);
        if (c.fails) {
            EXPECT_GE(ran.took, 900u);
        }

        const std::string expected = c.unpackerPresent
                                         ? "Skyvane.exe\r\nQuillet.exe\r\nSkyvane.exe\r\n"
                                         : "Skyvane.exe\r\nSkyvane.exe\r\n";
        EXPECT_EQ(StartedWhenThere(run, expected), expected);
        // Only the unpacker of a second stage is stopped, never the weather program.
        EXPECT_TRUE(weather->Running());
        if (unpacker) {
            EXPECT_EQ(unpacker->WaitForEnd(30000), 0);
        }
        EXPECT_FALSE(Exists(run / "Quillet.exe"));
        EXPECT_FALSE(Exists(run / "Temp.zip"));
        EXPECT_FALSE(Exists(run / "readme.txt"));

        bool readNote = false;
        // Over any port and scheme: nothing is asked of an address that is refused.
        bool fetchedPackage = false;
        bool readSharePage = false;
        bool probedFileAddress = false;
        for (const auto& request : Fixture::Requests()) {
            readNote = readNote || request.target.rfind(kShareViewPath, 0) == 0;
            fetchedPackage = fetchedPackage || request.target == kPackagePath;
            readSharePage = readSharePage || request.target == kShareLinkPath;
            probedFileAddress = probedFileAddress || request.target.rfind("/file/", 0) == 0;
        }
        EXPECT_EQ(readNote, c.readsNote);
        EXPECT_FALSE(fetchedPackage);
        EXPECT_EQ(readSharePage, c.readsSharePage);
        EXPECT_EQ(probedFileAddress, c.readsSharePage && c.fileHost == Fixture::HttpsBase());
    }
}

// Once the weather program is stopped for the download, a download that fails takes the
// failure path all the same: the box, the weather program started again, and the installation
// as it was. A package left by an earlier cycle that was cut short is not installed instead.
TEST(Fernhop, FailedDownloadStartsTheSameProgramAgain)
{
    auto packageRoute = [](auto change) {
        testsupport::FixtureRoute route;
        route.method = "GET";
        route.path = kPackagePath;
        route.body = Contents(Archive("update-package.zip")).value_or("");
        change(route);
        return route;
    };
    auto redirect = [](const std::string& path, const std::string& location) {
        testsupport::FixtureRoute route;
        route.method = "GET";
        route.path = path;
        route.status = 302;
        route.headers = {"Location: " + location};
        return route;
    };
    struct Case {
        const char* name;
        std::string location; // where the file address redirects to
        std::vector<testsupport::FixtureRoute> routes;
    };
    const Case cases[] = {
        {"connection dropped", PackageAddress(), {packageRoute([](testsupport::FixtureRoute& r) {
             r.drop = true;
         })}},
        {"body cut short", PackageAddress(), {packageRoute([](testsupport::FixtureRoute& r) {
             r.cutAfter = 100;
         })}},
        {"empty answer", PackageAddress(), {packageRoute([](testsupport::FixtureRoute& r) {
             r.status = 404;
             r.body.clear();
         })}},
        // The unpacker would find no zip in it and leave everything as it was, but the user
        // would never learn that the update failed.
        {"error page", PackageAddress(), {packageRoute([](testsupport::FixtureRoute& r) {
             r.status = 404;
             r.body = "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1>"
                      "</body></html>";
             r.headers = {"Content-Type: text/html"};
         })}},
        {"package behind an untrusted certificate",
         Fixture::UntrustedHttpsBase() + kPackagePath,
         {}},
        // The download's own redirects, followed by the downloader, to the package over http,
        // or over http on the way to it: whoever answers the plain hop picks the package.
        {"package redirected to http",
         Fixture::HttpsBase() + "/moved/Temp.zip",
         {redirect("/moved/Temp.zip", Fixture::HttpBase() + kPackagePath)}},
        {"package redirected through http back to https",
         Fixture::HttpsBase() + "/moved/Temp.zip",
         {redirect("/moved/Temp.zip", Fixture::HttpBase() + "/hop/Temp.zip"),
          redirect("/hop/Temp.zip", PackageAddress())}},
    };
    const auto standIn = Contents(StandIn());
    ASSERT_TRUE(standIn);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Fixture::Reset());
        ASSERT_TRUE(ServeNote(NoteHtml("1.0.0.1")));
        ASSERT_TRUE(ServeDownload(Archive("update-package.zip"), Fixture::HttpsBase(), c.location));
        for (const testsupport::FixtureRoute& route : c.routes) {
            ASSERT_TRUE(Fixture::AddRoute(route));
        }

        TempDirectory run;
        ASSERT_TRUE(
            CopyFileA(BuiltProgram("Fernhop.exe").c_str(), (run / "Fernhop.exe").c_str(), FALSE));
        // A whole package, as an earlier cycle left it when it was cut short after the
        // download.
        ASSERT_TRUE(
            CopyFileA(Archive("update-package.zip").c_str(), (run / "Temp.zip").c_str(), FALSE));
        auto weather = StartStayingStandIn(run, "Skyvane.exe");
        ASSERT_TRUE(weather && weather->Running());
        DeleteFileA((run / "Skyvane.exe.stay").c_str());

        const UpdaterRun ran = RunUpdater(run);
        EXPECT_EQ(ran.exitCode, 0);
        EXPECT_TRUE(ran.sawFailedBox);
        EXPECT_GE(ran.took, 900u);
        // Stopped for the download, and started again.
        EXPECT_EQ(weather->WaitForEnd(30000), 0);
        EXPECT_EQ(StartedWhenThere(run, "Skyvane.exe\r\nSkyvane.exe\r\n"),
                  "Skyvane.exe\r\nSkyvane.exe\r\n");
        EXPECT_TRUE(SameBytes(Contents(run / "Skyvane.exe"), standIn));
        EXPECT_FALSE(Exists(run / "readme.txt"));
        EXPECT_FALSE(Exists(run / "Quillet.exe"));
        EXPECT_FALSE(Exists(run / "Temp.zip"));
        for (const auto& request : Fixture::Requests()) {
            EXPECT_EQ(request.scheme, "https") << request.target;
        }
    }
}

// Wine refuses a certificate it does not trust, and a redirect from https to plain http,
// whatever the request asks for (it implements neither option), so the runs above would pass
// even if the update channel asked to ignore certificate errors or to follow such a redirect.
// The calls on a lent request object show what it asks for: never to ignore the errors and
// always to refuse the redirect, unlike the weather request, whose answer is only shown.
TEST(UpdateChannel, RequestsKeepTheCertificateChecks)
{
    ASSERT_TRUE(Fixture::Reset());
    ASSERT_TRUE(ServeNote(NoteHtml("1.0.0.1")));
    ASSERT_TRUE(ServeDownload(Archive("update-package.zip")));
    toolkit::ScopedComApartment apartment;

    constexpr int kOptionIgnoredCertificateErrors = 4;
    constexpr int kOptionHttpsToHttpRedirects = 12;
    struct Case {
        const char* name;
        std::function<GbkText(IDispatch*)> run; // what it gives, non-empty on success
        int requests;
        bool ignoresCertificateErrors;
    };
    const Case cases[] = {
        {"share note",
         [](IDispatch* request) {
             return update::ReadShareNote(toolkit::ShareHost() + "/Hb71QxPa", std::nullopt,
                                          request);
         },
         1, false},
        // The redirect probe at the end makes its own object and never sets the option.
        {"download link",
         [](IDispatch* request) { return updater::ResolveShareDownloadUrl(ShareLink(), request); },
         3, false},
        {"weather request",
         [](IDispatch* request) {
             toolkit::WebRequestOptions options;
             options.requestObject = request;
             const ByteSet body = toolkit::WebRequest(ShareLink(), options);
             return GbkText(body.begin(), body.end());
         },
         1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingRequest recording;
        ASSERT_TRUE(recording.IsReady());
        EXPECT_NE(c.run(&recording), "");
        EXPECT_EQ(recording.CountOf(L"Open"), c.requests);
        EXPECT_EQ(recording.CountOf(L"Send"), c.requests);
        EXPECT_EQ(recording.PutOption(kOptionIgnoredCertificateErrors), c.ignoresCertificateErrors);
        EXPECT_EQ(recording.PutOption(kOptionHttpsToHttpRedirects), !c.ignoresCertificateErrors);
        EXPECT_EQ(recording.Lent(), 0u);
    }
}

} // namespace
