// The calls the request client makes on its automation object, in order and with their
// arguments, read from a recording object lent to it as its request object. The real WinHttp
// object and a server cannot show all of them: a time-out in seconds instead of milliseconds, a
// wrong certificate option or a credentials call too many all give the same answer.
#include <windows.h>
#include <oaidl.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/LentDispatch.h"
#include "toolkit/Automation.h"
#include "toolkit/WebRequest.h"

using toolkit::WebRequestOptions;

namespace {

// An IDispatch that writes every call down as text, such as `Option(4) = 13056` or
// `Open("GET", "http://x/", false)`, and answers the three reads with a fixed answer. It lives
// on the stack of its test.
class CallRecorder final : public testsupport::LentDispatch {
public:
    std::vector<std::string> calls;

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override
    {
        for (UINT i = 0; i < count; ++i) {
            std::wstring name = names[i];
            std::size_t index = 0;
            while (index < m_names.size() && m_names[index] != name) {
                ++index;
            }
            if (index == m_names.size()) {
                m_names.push_back(name);
            }
            ids[i] = static_cast<DISPID>(index + 1);
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO*, UINT*) override
    {
        if (id < 1 || static_cast<std::size_t>(id) > m_names.size()) {
            return DISP_E_MEMBERNOTFOUND;
        }
        const std::string name = toolkit::WideToGbk(m_names[id - 1]);
        // DISPPARAMS holds the arguments last to first; a property put's value comes first.
        std::vector<std::string> args;
        for (UINT i = parameters->cArgs; i > 0; --i) {
            args.push_back(Shown(parameters->rgvarg[i - 1]));
        }
        if (flags & DISPATCH_PROPERTYPUT) {
            std::string value = args.empty() ? std::string() : args.back();
            args.pop_back();
            calls.push_back(name + "(" + Joined(args) + ") = " + value);
            return S_OK;
        }
        calls.push_back((flags & DISPATCH_METHOD) ? name + "(" + Joined(args) + ")" : name);
        if (result == nullptr) {
            return S_OK;
        }
        VariantInit(result);
        if (name == "ResponseBody") {
            SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, 4);
            void* data = nullptr;
            SafeArrayAccessData(bytes, &data);
            memcpy(data, "body", 4);
            SafeArrayUnaccessData(bytes);
            result->vt = VT_ARRAY | VT_UI1;
            result->parray = bytes;
        } else if (name == "GetAllResponseHeaders") {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(L"Content-Type: text/plain\r\n");
        } else if (name == "Status") {
            result->vt = VT_I4;
            result->lVal = 200;
        }
        return S_OK;
    }

private:
    static std::string Shown(const VARIANT& value)
    {
        switch (value.vt) {
        case VT_BSTR:
            return "\"" + toolkit::WideToGbk(value.bstrVal == nullptr ? L"" : value.bstrVal) + "\"";
        case VT_I4:
            return std::to_string(value.lVal);
        case VT_BOOL:
            return value.boolVal ? "true" : "false";
        case VT_ARRAY | VT_UI1:
            return "bytes[" + std::to_string(value.parray->rgsabound[0].cElements) + "]";
        default:
            return "vt " + std::to_string(value.vt);
        }
    }

    static std::string Joined(const std::vector<std::string>& args)
    {
        std::string text;
        for (const std::string& arg : args) {
            text += (text.empty() ? "" : ", ") + arg;
        }
        return text;
    }

    std::vector<std::wstring> m_names;
};

constexpr char kUrl[] = "http://127.0.0.1:9/path";

// The calls every request ends with (the announced length first, so that an answer too large is
// never copied), and the default header lines as set for a GET.
const std::vector<std::string> kReads = {R"(GetResponseHeader("Content-Length"))", "ResponseBody",
                                         "GetAllResponseHeaders()", "Status"};
const std::vector<std::string> kDefaultHeaders = {
    R"(SetRequestHeader("Accept", "*/*"))",
    R"(SetRequestHeader("Referer", "http://127.0.0.1:9/path"))",
    R"(SetRequestHeader("Accept-Language", "zh-cn"))",
    R"call(SetRequestHeader("User-Agent", "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"))call",
};

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

enum class Variant { Application, Shared };

struct CallCase {
    const char* name;
    Variant variant;
    // Fills the options; the texts they point at live in the case's own strings below.
    std::function<void(WebRequestOptions&, GbkText& headers, GbkText& cookies)> given;
    std::vector<std::string> calls;
};

void PrintTo(const CallCase& c, std::ostream* os)
{
    *os << c.name;
}

const std::string kTimeouts15 = "SetTimeouts(15000, 15000, 15000, 15000)";
const std::string kOpenGet = R"(Open("GET", "http://127.0.0.1:9/path", false))";
const std::string kIgnoreCertificates = "Option(4) = 13056";
const std::string kSendNothing = R"(Send(""))";

void Proxy(WebRequestOptions& options)
{
    options.proxyAddress = "127.0.0.1:3128";
    options.proxyUser = "user";
    options.proxyPassword = "pass";
}

const CallCase kCallCases[] = {
    {"nothing given", Variant::Application, [](WebRequestOptions&, GbkText&, GbkText&) {},
     Joined(
         {{kTimeouts15, kOpenGet, kIgnoreCertificates}, kDefaultHeaders, {kSendNothing}, kReads})},
    {"time-out 0 is 15 s", Variant::Application,
     [](WebRequestOptions& o, GbkText&, GbkText&) { o.timeoutSeconds = 0; },
     Joined(
         {{kTimeouts15, kOpenGet, kIgnoreCertificates}, kDefaultHeaders, {kSendNothing}, kReads})},
    {"time-out in seconds", Variant::Application,
     [](WebRequestOptions& o, GbkText&, GbkText&) { o.timeoutSeconds = 7; },
     Joined({{"SetTimeouts(7000, 7000, 7000, 7000)", kOpenGet, kIgnoreCertificates},
             kDefaultHeaders,
             {kSendNothing},
             kReads})},
    {"time-out -1 leaves the object's", Variant::Application,
     [](WebRequestOptions& o, GbkText&, GbkText&) { o.timeoutSeconds = -1; },
     Joined({{kOpenGet, kIgnoreCertificates}, kDefaultHeaders, {kSendNothing}, kReads})},
    {"no redirect", Variant::Application,
     [](WebRequestOptions& o, GbkText&, GbkText&) { o.noRedirect = true; },
     Joined({{kTimeouts15, kOpenGet, "Option(6) = 0", kIgnoreCertificates},
             kDefaultHeaders,
             {kSendNothing},
             kReads})},
    {"certificate verified", Variant::Shared,
     [](WebRequestOptions& o, GbkText&, GbkText&) { o.verifyCertificate = true; },
     Joined(
         {{kTimeouts15, kOpenGet, "Option(12) = false"}, kDefaultHeaders, {kSendNothing}, kReads})},
    {"post of bytes", Variant::Application,
     [](WebRequestOptions& o, GbkText&, GbkText&) {
         o.methodIndex = 1;
         o.postText = "ignored";
         o.postBytes = ByteSet{1, 2, 3};
     },
     Joined(
         {{kTimeouts15, R"(Open("POST", "http://127.0.0.1:9/path", false))", kIgnoreCertificates},
          kDefaultHeaders,
          {R"(SetRequestHeader("Content-Type", "application/x-www-form-urlencoded"))",
           "Send(bytes[3])"},
          kReads})},
    {"proxy credentials, application variant", Variant::Application,
     [](WebRequestOptions& o, GbkText&, GbkText&) { Proxy(o); },
     Joined({{kTimeouts15, R"(SetProxy(2, "127.0.0.1:3128"))", kOpenGet, kIgnoreCertificates,
              R"(SetCredentials("user", "pass", 1))",
              R"(SetRequestHeader("Proxy-Authorization", "Basic dXNlcjpwYXNz"))"},
             kDefaultHeaders,
             {kSendNothing},
             kReads})},
    {"proxy credentials, shared variant", Variant::Shared,
     [](WebRequestOptions& o, GbkText&, GbkText&) { Proxy(o); },
     Joined({{kTimeouts15, R"(SetProxy(2, "127.0.0.1:3128"))", kOpenGet, kIgnoreCertificates,
              R"(SetRequestHeader("Proxy-Authorization", "Basic dXNlcjpwYXNz"))"},
             kDefaultHeaders,
             {kSendNothing},
             kReads})},
    {"proxy credentials not in Basic mode", Variant::Application,
     [](WebRequestOptions& o, GbkText&, GbkText&) {
         Proxy(o);
         o.proxyAuthMode = 2;
     },
     Joined({{kTimeouts15, R"(SetProxy(2, "127.0.0.1:3128"))", kOpenGet, kIgnoreCertificates,
              R"(SetCredentials("user", "pass", 2))"},
             kDefaultHeaders,
             {kSendNothing},
             kReads})},
    {"empty cookie text still sent", Variant::Application,
     [](WebRequestOptions& o, GbkText&, GbkText& cookies) {
         cookies = "";
         o.requestCookies = &cookies;
     },
     Joined({{kTimeouts15, kOpenGet, kIgnoreCertificates, R"(SetRequestHeader("Cookie", ""))"},
             kDefaultHeaders,
             {kSendNothing},
             kReads})},
    {"without default headers", Variant::Application,
     [](WebRequestOptions& o, GbkText& headers, GbkText&) {
         headers = "x-one: 1";
         o.extraHeaders = &headers;
         o.addDefaultHeaders = false;
     },
     Joined({{kTimeouts15, kOpenGet, kIgnoreCertificates, R"(SetRequestHeader("X-One", "1"))",
              kSendNothing},
             kReads})},
    {"without normalised names", Variant::Application,
     [](WebRequestOptions& o, GbkText& headers, GbkText&) {
         headers = "x-one: 1\r\nuser-agent: mine";
         o.extraHeaders = &headers;
         o.normaliseHeaders = false;
     },
     Joined({{kTimeouts15, kOpenGet, kIgnoreCertificates, R"(SetRequestHeader("x-one", "1"))",
              R"(SetRequestHeader("user-agent", "mine"))"},
             {kDefaultHeaders[0], kDefaultHeaders[1], kDefaultHeaders[2]},
             {kSendNothing},
             kReads})},
};

class WebRequestCalls : public ::testing::TestWithParam<CallCase> {};

TEST_P(WebRequestCalls, FollowTheCallTable)
{
    const CallCase& c = GetParam();
    CallRecorder recorder;
    GbkText headers;
    GbkText cookies;
    WebRequestOptions options;
    c.given(options, headers, cookies);
    options.requestObject = &recorder;
    ByteSet body = c.variant == Variant::Shared ? toolkit::SharedWebRequest(kUrl, options)
                                                : toolkit::WebRequest(kUrl, options);
    EXPECT_EQ(recorder.calls, c.calls);
    EXPECT_EQ(std::string(body.begin(), body.end()), "body");
    EXPECT_EQ(recorder.Lent(), 0u) << "every reference taken is given back";
}

INSTANTIATE_TEST_SUITE_P(Cases, WebRequestCalls, ::testing::ValuesIn(kCallCases));

} // namespace
