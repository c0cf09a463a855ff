// The script engine object over the real script control under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "toolkit/ScriptEngine.h"

using toolkit::ScriptEngine;

TEST(ScriptEngine, RequestSequenceFunction)
{
    ScriptEngine engine;
    EXPECT_TRUE(engine.ScriptExecuteStatement(
        "function getseq(){return 1e4*(new Date).getTime()+parseInt(9999*Math.random());}"));
    EXPECT_EQ(engine.ScriptLastError(), "");

    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    double unixMs = static_cast<double>((ticks.QuadPart - 116444736000000000ULL) / 10000);

    GbkText value = engine.ScriptEval("getseq()");
    ASSERT_FALSE(value.empty());
    double seq = std::strtod(value.c_str(), nullptr);
    EXPECT_NEAR(seq, 1e4 * unixMs, 1e4 * 60000.0) << value;
}

TEST(ScriptEngine, ResultsAsText)
{
    ScriptEngine engine;
    ASSERT_TRUE(engine.ScriptExecuteStatement("function twice(s) { return s + s; }"));
    struct Case {
        const char* expression;
        const char* text;
    };
    const Case cases[] = {
        {"twice('\xD6\xD0')", "\xD6\xD0\xD6\xD0"},
        {"parseInt('42px')", "42"},
        {"Math.max(2, 7) / 2", "3.5"},
        {"1 == 1", "True"},
        {"undefined", ""},
        {"null", ""},
        {"new Date(Date.UTC(2020, 0, 2)).getUTCDate()", "2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(engine.ScriptEval(c.expression), c.text) << c.expression;
        EXPECT_EQ(engine.ScriptLastError(), "") << c.expression;
    }
}

TEST(ScriptEngine, ScriptErrorsAreDescribed)
{
    ScriptEngine engine;
    const char* const broken[] = {"var = ;", "function (", "nosuch.member = 1", "throw 1"};
    for (const char* code : broken) {
        EXPECT_FALSE(engine.ScriptExecuteStatement(code)) << code;
        EXPECT_NE(engine.ScriptLastError(), "") << code;
    }
    EXPECT_EQ(engine.ScriptEval("1 +* 2"), "");
    EXPECT_NE(engine.ScriptLastError(), "");
    // The next good call clears it.
    EXPECT_EQ(engine.ScriptEval("1 + 2"), "3");
    EXPECT_EQ(engine.ScriptLastError(), "");
    EXPECT_EQ(engine.ScriptRun("nosuchprocedure"), "");
    EXPECT_NE(engine.ScriptLastError(), "");
}

TEST(ScriptEngine, RunPassesTheLeadingRunOfArguments)
{
    ScriptEngine engine;
    engine.ScriptAddCode(
        "function show(a, b, c, d, e, f) {"
        "  var all = [a, b, c, d, e, f], out = [];"
        "  for (var i = 0; i < 6; i++) out.push(all[i] === undefined ? '-' : all[i]);"
        "  return arguments.length + ':' + out.join(','); }");
    ASSERT_EQ(engine.ScriptLastError(), "");
    using Arg = std::optional<GbkText>;
    struct Case {
        Arg a1, a2, a3, a4, a5, a6;
        const char* result;
    };
    const Case cases[] = {
        {{}, {}, {}, {}, {}, {}, "0:-,-,-,-,-,-"},
        {"x", {}, {}, {}, {}, {}, "1:x,-,-,-,-,-"},
        {"x", {}, "z", {}, {}, {}, "1:x,-,-,-,-,-"},
        {{}, "y", "z", {}, {}, {}, "0:-,-,-,-,-,-"},
        {"1", "2", "3", {}, "5", "6", "3:1,2,3,-,-,-"},
        {"1", "2", "3", "4", "5", "6", "6:1,2,3,4,5,6"},
        {"", "\xD6\xD0", {}, {}, {}, {}, "2:,\xD6\xD0,-,-,-,-"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(engine.ScriptRun("show", c.a1, c.a2, c.a3, c.a4, c.a5, c.a6), c.result)
            << c.result;
    }
}

TEST(ScriptEngine, Settings)
{
    ScriptEngine engine;
    EXPECT_EQ(engine.ScriptSetLanguage(), "JScript");
    EXPECT_EQ(engine.ScriptSetLanguage(2), "JScript");
    EXPECT_EQ(engine.ScriptSetLanguage(1), "VBScript");
    EXPECT_EQ(engine.ScriptEval("1 + 1 = 2"), "True");
    EXPECT_EQ(engine.ScriptSetLanguage(0), "JScript");

    EXPECT_EQ(engine.ScriptTimeout(5000), 5000);
    EXPECT_EQ(engine.ScriptTimeout(), -1);
    std::int32_t state = engine.ScriptState();
    EXPECT_EQ(engine.ScriptState(), state);
    EXPECT_FALSE(engine.ScriptAllowUI(false));
    EXPECT_FALSE(engine.ScriptAllowUI());
    EXPECT_TRUE(engine.ScriptAllowUI(true));
    EXPECT_EQ(engine.ScriptSitehWnd(), 0);

    engine.ScriptAddCode("var kept = 3;");
    EXPECT_EQ(engine.ScriptEval("kept"), "3");
    engine.ScriptReset();
    engine.ScriptNothing();
    toolkit::ComPtr<IDispatch> control = engine.ScriptGetObject();
    EXPECT_TRUE(control);
}

TEST(ScriptEngine, CopiesShareTheControlAndComStaysBalanced)
{
    std::thread([] {
        {
            auto engine = std::make_unique<ScriptEngine>();
            ASSERT_TRUE(engine->ScriptExecuteStatement("var shared = 'yes'"));
            std::unique_ptr<ScriptEngine> copy = engine->ScriptEngineCopy();
            engine->ScriptEngineDestroy();
            engine.reset();
            EXPECT_EQ(copy->ScriptEval("shared"), "yes");
            copy->ScriptEngineDestroy();
            EXPECT_EQ(copy->ScriptEval("shared"), "");
            EXPECT_FALSE(copy->ScriptExecuteStatement("1"));
        }
        HRESULT result = CoInitialize(nullptr);
        CoUninitialize();
        EXPECT_EQ(result, S_OK);
    }).join();
}
