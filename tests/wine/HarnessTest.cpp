// The ground the other Windows tests stand on: the users' code page, a display, and an HTTPS
// fixture that the prefix trusts.
#include <windows.h>
#include <winhttp.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/FixtureClient.h"

using testsupport::Fixture;

TEST(Harness, AnsiCodePageIsChinese)
{
    EXPECT_EQ(GetACP(), 936u);
}

TEST(Harness, DisplayIsThere)
{
    EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
    HWND window = CreateWindowExA(0, "STATIC", "probe", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    DestroyWindow(window);
}

// Fetches https://localhost:PORT/probe with full certificate checks.
static DWORD FetchOverTls(std::string& body)
{
    HINTERNET session = WinHttpOpen(L"probe", WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
    HINTERNET connection =
        WinHttpConnect(session, L"localhost", static_cast<INTERNET_PORT>(Fixture::HttpsPort()), 0);
    HINTERNET request = WinHttpOpenRequest(connection, L"GET", L"/probe", nullptr, nullptr, nullptr,
                                           WINHTTP_FLAG_SECURE);
    DWORD error = 0;
    if (!WinHttpSendRequest(request, nullptr, 0, nullptr, 0, 0, 0) ||
        !WinHttpReceiveResponse(request, nullptr)) {
        error = GetLastError();
    } else {
        char buffer[256];
        DWORD read = 0;
        while (WinHttpReadData(request, buffer, sizeof buffer, &read) && read > 0) {
            body.append(buffer, read);
        }
    }
    WinHttpCloseHandle(request);
    WinHttpCloseHandle(connection);
    WinHttpCloseHandle(session);
    return error;
}

TEST(Harness, HttpsFixtureIsTrusted)
{
    ASSERT_TRUE(Fixture::Reset());
    testsupport::FixtureRoute route;
    route.path = "/probe";
    route.body = "tls works";
    ASSERT_TRUE(Fixture::AddRoute(route));

    std::string body;
    EXPECT_EQ(FetchOverTls(body), 0u);
    EXPECT_EQ(body, "tls works");

    auto requests = Fixture::Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].scheme, "https");
    EXPECT_EQ(requests[0].target, "/probe");
    EXPECT_EQ(requests[0].Header("user-agent"), "probe");
}
