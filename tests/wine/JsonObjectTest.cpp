// The JSON object through the real script control under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "toolkit/JsonObject.h"

using toolkit::AutoArg;
using toolkit::AutoObject;
using toolkit::JsonObject;

namespace {

// A share-view answer as the file-share service sends it (after conversion to code page 936),
// with escaped slashes and quotes and Chinese text in the note.
const char* const kShareAnswer =
    R"({"data":{"rsp_header":{"retcode":0,"retmsg":"\u6210\u529f"},"rsp_body":{"RspMsg_body":)"
    R"({"share_name":"Skyvane","note_list":[{"note_id":"7a1c","note_title":"v",)"
    R"("html_content":"<p>*2.1.0*<\/p><p>=)"
    "\xD0\xDE\xB8\xB4\xCE\xCA\xCC\xE2"
    R"(=<\/p><p>-https:\/\/share.example\/s\/Xy12-<\/p><a href=\"x\">k</a>",)"
    R"("modify_time":1700000000}],"file_list":[]}}},"ret":0})";
const char* const kShareNote = "<p>*2.1.0*</p><p>="
                               "\xD0\xDE\xB8\xB4\xCE\xCA\xCC\xE2"
                               "=</p><p>-https://share.example/s/Xy12-</p><a href=\"x\">k</a>";
const char* const kNotePath = "data['rsp_body']['RspMsg_body']['note_list'][0]['html_content']";

// The document's engine, to look at globals the document cannot name.
GbkText EngineEval(JsonObject& json, const char* expression)
{
    AutoObject engine(json.JsonCopyObject());
    return engine.Call(L"Eval", AutoArg::Text(expression)).Text();
}

// True when COM was left uninitialised on this thread (a new CoInitialize is the first).
bool ComIsBalancedHere()
{
    HRESULT result = CoInitialize(nullptr);
    CoUninitialize();
    return result == S_OK;
}

} // namespace

TEST(JsonObject, ShareNotePath)
{
    struct Case {
        const char* name;
        std::string answer;
        std::string note;
    };
    const Case cases[] = {
        {"realistic answer", kShareAnswer, kShareNote},
        {"empty note list",
         R"({"data":{"rsp_body":{"RspMsg_body":{"note_list":[],"file_list":[]}}}})", ""},
        {"note without content",
         R"({"data":{"rsp_body":{"RspMsg_body":{"note_list":[{"note_id":"1"}]}}}})", ""},
        {"null note list", R"({"data":{"rsp_body":{"RspMsg_body":{"note_list":null}}}})", ""},
        {"no rsp_body", R"({"data":{"rsp_header":{"retcode":1}}})", ""},
        {"no data", R"({"ret":114200,"msg":"share not found"})", ""},
        {"an array", R"([1,2,3])", ""},
    };
    for (const Case& c : cases) {
        JsonObject json;
        EXPECT_TRUE(json.JsonParse(c.answer)) << c.name;
        EXPECT_EQ(json.JsonGetText(kNotePath), c.note) << c.name;
        json.JsonObjectDestroy();
    }
}

TEST(JsonObject, TopLevelMembersOfTheLinkAnswer)
{
    JsonObject json;
    ASSERT_TRUE(json.JsonParse(R"({"dom":"https:\/\/dl.example","url":"\/file\/Xy12?fn=a%20b",)"
                               R"("inf":0})"));
    EXPECT_EQ(json.JsonGetText("dom"), "https://dl.example");
    EXPECT_EQ(json.JsonGetText("url"), "/file/Xy12?fn=a%20b");
    EXPECT_EQ(json.JsonGetText("inf"), "0");
    EXPECT_EQ(json.JsonGetText("da.dom"), "https://dl.example");
    // An absolute path to a missing member names nothing rather than the document itself.
    EXPECT_EQ(json.JsonGetText("da.missing"), "");
    EXPECT_EQ(json.JsonGetText("missing"), "");
}

TEST(JsonObject, ParseResults)
{
    struct Case {
        std::string text;
        bool parsed;
    };
    const Case cases[] = {
        {"null", false},
        {"", false},
        {"   ", false},
        {R"({"a":1)", false},
        {R"({"a":[1,2})", false},
        {"{a:1}", false},
        {"undefined", false},
        {"{} {}", false},
        {R"({"a":1})", true},
        {"[]", true},
        {"0", true},
        {"false", true},
        {R"("text")", true},
        {" \r\n{\"a\" : 1}\r\n", true},
    };
    JsonObject json;
    for (const Case& c : cases) {
        EXPECT_EQ(json.JsonParse(c.text), c.parsed) << c.text;
        if (!c.parsed) {
            EXPECT_EQ(json.JsonGetText("a"), "") << c.text;
            EXPECT_EQ(json.JsonGetText(), "") << c.text;
            EXPECT_EQ(json.JsonTypeOf(), 0) << c.text;
        }
    }
    // A top-level JSON string is a text document, not code.
    ASSERT_TRUE(json.JsonParse(R"("da2 = 5")"));
    EXPECT_EQ(json.JsonGetText(), "da2 = 5");
    EXPECT_EQ(json.JsonTypeOf(), 6);
}

TEST(JsonObject, ParseStartsAFreshEngine)
{
    JsonObject json;
    ASSERT_TRUE(json.JsonParse(R"({"a":1})"));
    ASSERT_TRUE(json.JsonSetValue("b", "kept?"));
    EngineEval(json, "var leftover = 1");
    ASSERT_TRUE(json.JsonParse(R"({"c":2})"));
    EXPECT_EQ(json.JsonGetText("b"), "");
    EXPECT_EQ(json.JsonGetText("c"), "2");
    EXPECT_EQ(EngineEval(json, "typeof leftover"), "undefined");
    EXPECT_FALSE(json.JsonParse("{"));
    EXPECT_EQ(json.JsonGetText("c"), "");
}

TEST(JsonObject, ScriptInTextsIsNeverRun)
{
    // Each of these would set the global "injected" if it reached the engine as code.
    const char* const hostile[] = {
        R"({"a":(injected=1)})",
        R"({"a":1};injected=1)",
        R"({"a":1}
injected=1)",
        "[1];injected=1",
        "(function(){injected=1})()",
        R"({"a":function(){injected=1}()})",
        R"({"a":new ActiveXObject("VBScript.RegExp")})",
        "injected=1",
    };
    for (const char* text : hostile) {
        JsonObject json;
        EXPECT_FALSE(json.JsonParse(text)) << text;
        EXPECT_EQ(EngineEval(json, "typeof injected"), "undefined") << text;

        ASSERT_TRUE(json.JsonParse(R"({"o":{"k":1},"list":[]})"));
        EXPECT_FALSE(json.JsonSetRaw("x", text)) << text;
        EXPECT_FALSE(json.JsonSetValue("o", text, true)) << text;
        EXPECT_FALSE(json.JsonSetValue("missing", text, true)) << text;
        EXPECT_FALSE(json.JsonArrayPush(text, "list", true)) << text;
        EXPECT_FALSE(json.JsonArraySetItem(0, "list", text, true)) << text;
        EXPECT_EQ(EngineEval(json, "typeof injected"), "undefined") << text;
        EXPECT_EQ(json.JsonGetText("o", true), R"({"k":1})") << text;
    }

    // A JSON string whose content is code stays a text; eval would have run it.
    JsonObject json;
    ASSERT_TRUE(json.JsonParse(R"({"o":{}})"));
    EXPECT_TRUE(json.JsonSetRaw("s", R"("injected=1")"));
    EXPECT_EQ(json.JsonGetText("s"), "injected=1");
    EXPECT_EQ(EngineEval(json, "typeof injected"), "undefined");

    // Texts that try to leave their quotes, also through a code page 936 character whose
    // second byte is a backslash.
    const std::string breakouts[] = {
        "'; injected=1; '",
        "\\'; injected=1; //",
        "\x81\x5C'; injected=1; //",
        "\x81\x5C\"); injected=1; //",
        "\r\ninjected=1",
    };
    for (const std::string& text : breakouts) {
        EXPECT_TRUE(json.JsonSetValue("t", text));
        EXPECT_EQ(json.JsonGetText("t"), text);
        EXPECT_TRUE(json.JsonArrayPush(text, "list"));
        EXPECT_TRUE(json.JsonArraySetItem(0, "list", text));
        EXPECT_EQ(json.JsonArrayItemValue(0, "list"), text);
        EXPECT_EQ(EngineEval(json, "typeof injected"), "undefined");
    }
}

TEST(JsonObject, TypeCodes)
{
    JsonObject json;
    ASSERT_TRUE(
        json.JsonParse(R"({"s":"x","e":"","a":[1],"o":{},"n":1.5,"t":true,"f":false,"z":null})"));
    struct Case {
        const char* path;
        int code;
    };
    const Case cases[] = {
        {"", 4},     {"da", 4},
        {"s", 6},    {"e", 6},
        {"a", 5},    {"a[0]", 2},
        {"o", 4},    {"n", 2},
        {"t", 1},    {"f", 1},
        {"z", 0},    {"missing", 0},
        {"a[5]", 0}, {"missing.deeper", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(json.JsonTypeOf(c.path), c.code) << c.path;
    }
    EngineEval(json, "da.fn = function () {}");
    EXPECT_EQ(json.JsonTypeOf("fn"), -1);
}

TEST(JsonObject, TextValuesRoundTrip)
{
    const std::string values[] = {
        "plain",
        "C:\\Program Files\\Skyvane\\",
        "\\\\server\\share",
        "a\\nb",
        "it's \"quoted\"",
        "line one\r\nline two\nthree\r",
        "\xD6\xD0\xCE\xC4\\\xB2\xE2\xCA\xD4",
        "",
    };
    JsonObject json;
    for (const std::string& value : values) {
        EXPECT_TRUE(json.JsonSetValue("t", value) || value.empty()) << value;
        EXPECT_EQ(json.JsonGetText("t"), value) << value;
        EXPECT_EQ(json.JsonTypeOf("t"), 6) << value;
    }
    // Inside JSON output a stored backslash is written once, not doubled.
    ASSERT_TRUE(json.JsonSetValue("t", "a\\b"));
    EXPECT_EQ(json.JsonToText(), "{\"t\":\"a\\b\"}");
    EXPECT_EQ(json.JsonGetText("", true), json.JsonToText());
    EXPECT_EQ(json.JsonGetSubText("t"), "\"a\\b\"");

    ASSERT_TRUE(json.JsonSetValue("q", "say \"hi\"\r\n"));
    EXPECT_EQ(json.JsonGetText("q", true), "\"say \\\"hi\\\"\\r\\n\"");
}

TEST(JsonObject, JsonModeMerges)
{
    JsonObject json;
    ASSERT_TRUE(json.JsonParse(R"({"o":{"k":"1","m":3,"b":true,"list":[1],"z":null,)"
                               R"("inner":{"x":1,"y":2}}})"));

    EXPECT_TRUE(json.JsonSetValue("o", R"({"k":"2"})", true));
    EXPECT_EQ(json.JsonGetText("o.k"), "2");
    EXPECT_EQ(json.JsonGetNumber("o.m"), 3);

    EXPECT_TRUE(json.JsonSetValue("o", R"({"list":[2,3]})", true));
    EXPECT_EQ(json.JsonGetText("o.list", true), "[1,2,3]");

    EXPECT_TRUE(json.JsonSetValue("o", R"({"inner":{"y":5,"w":"n"}})", true));
    EXPECT_EQ(json.JsonGetText("o.inner", true), R"({"x":1,"y":5,"w":"n"})");

    // Numbers, logicals and null members are replaced.
    EXPECT_TRUE(json.JsonSetValue("o", R"({"m":4,"b":false,"z":{"a":1},"added":[1]})", true));
    EXPECT_EQ(json.JsonGetNumber("o.m"), 4);
    EXPECT_EQ(json.JsonGetText("o.b"), "false");
    EXPECT_EQ(json.JsonGetText("o.z", true), R"({"a":1})");
    EXPECT_EQ(json.JsonGetText("o.added", true), "[1]");

    // An empty value merges nothing into an object.
    std::string before = json.JsonToText();
    EXPECT_TRUE(json.JsonSetValue("o", "", true));
    EXPECT_EQ(json.JsonToText(), before);

    // A missing member, or one that is no object, is replaced by the value.
    EXPECT_TRUE(json.JsonSetValue("p", R"({"x":[true]})", true));
    EXPECT_EQ(json.JsonGetText("p", true), R"({"x":[true]})");
    EXPECT_TRUE(json.JsonSetValue("o.k", R"([1,{"a":"b"}])", true));
    EXPECT_EQ(json.JsonGetText("o.k", true), R"([1,{"a":"b"}])");
    EXPECT_FALSE(json.JsonSetValue("q", "", true));
    EXPECT_EQ(json.JsonTypeOf("q"), 0);

    EXPECT_TRUE(json.JsonSetRaw("r", R"({"n":-1.5e2})"));
    EXPECT_EQ(json.JsonGetNumber("r.n"), -150);
}

TEST(JsonObject, Arrays)
{
    JsonObject json;
    EXPECT_TRUE(json.JsonArrayPush("a", "list"));
    EXPECT_EQ(json.JsonGetText("list", true), R"(["a"])");
    EXPECT_EQ(json.JsonCount("list"), 1);
    EXPECT_TRUE(json.JsonArrayRemove(0, "list"));
    EXPECT_EQ(json.JsonGetText("list", true), "[]");
    EXPECT_EQ(json.JsonCount("list"), 0);

    EXPECT_TRUE(json.JsonArrayPush(R"({"k":"v"})", "list", true));
    EXPECT_TRUE(json.JsonArrayPush("x\\y", "list"));
    EXPECT_TRUE(json.JsonArrayPush("7", "list", true));
    EXPECT_EQ(json.JsonCount("list"), 3);
    EXPECT_EQ(json.JsonArrayItemValue(0, "list", true), R"({"k":"v"})");
    EXPECT_EQ(json.JsonArrayItemValue(1, "list"), "x\\y");
    // Without asJson only a text item is read.
    EXPECT_EQ(json.JsonArrayItemValue(0, "list"), "");
    EXPECT_EQ(json.JsonArrayItemValue(2, "list"), "");
    EXPECT_EQ(json.JsonArrayItemValue(9, "list"), "");

    EXPECT_TRUE(json.JsonArraySetItem(2, "list", "[1,2]", true));
    EXPECT_EQ(json.JsonArrayItemValue(2, "list", true), "[1,2]");
    EXPECT_EQ(json.JsonGetText("list[2]"), "1,2");

    // A member that is no array is made one by a push.
    ASSERT_TRUE(json.JsonSetValue("s", "text"));
    EXPECT_TRUE(json.JsonArrayPush("1", "s", true));
    EXPECT_EQ(json.JsonGetText("s", true), "[1]");

    ASSERT_TRUE(json.JsonParse("[1,2,3]"));
    EXPECT_EQ(json.JsonCount(), 3);
    EXPECT_EQ(json.JsonCount("[1]"), 0);
    EXPECT_EQ(json.JsonGetText("[1]"), "2");
    EXPECT_EQ(json.JsonCount("missing"), 0);
}

TEST(JsonObject, MembersNumbersAndRemoval)
{
    JsonObject json;
    ASSERT_TRUE(json.JsonParse(R"({"b":1,"a":"x","fn":null,"o":{"c":[]}})"));
    TextArray names = {"stale"};
    EXPECT_EQ(json.JsonMemberNames(names), 4);
    EXPECT_EQ(names, (TextArray{"b", "a", "fn", "o"}));
    EXPECT_EQ(json.JsonMemberNames(names, "o"), 1);
    EXPECT_EQ(names, (TextArray{"c"}));
    EXPECT_EQ(json.JsonMemberNames(names, "a"), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(json.JsonMemberNames(names, "o.c"), 0);

    const double numbers[] = {2.5, 0.1, -1e300, 123456789012.0, 0};
    for (double number : numbers) {
        EXPECT_TRUE(json.JsonSetMember("n", number) || number == 0);
        EXPECT_EQ(json.JsonGetNumber("n"), number);
    }
    EXPECT_EQ(json.JsonGetNumber("a"), 0);
    EXPECT_EQ(json.JsonGetNumber("missing.deeper"), 0);

    GbkText path = "b";
    EXPECT_TRUE(json.JsonHasMember(path));
    EXPECT_EQ(path, "da.b");
    EXPECT_TRUE(json.JsonMemberExists("b"));
    EXPECT_FALSE(json.JsonMemberExists("fn"));
    EXPECT_TRUE(json.JsonRemoveMember("b"));
    EXPECT_FALSE(json.JsonMemberExists("b"));
    EXPECT_TRUE(json.JsonClear());
    EXPECT_EQ(json.JsonToText(), "{}");

    TextArray values = {"stale"};
    EXPECT_EQ(json.JsonNodeValues(values, "", true), 0);
    EXPECT_TRUE(values.empty());
}

TEST(JsonObject, ObjectsOfMembers)
{
    JsonObject json;
    ASSERT_TRUE(json.JsonParse(R"({"o":{"k":"v","list":[{"id":7}]}})"));
    ASSERT_TRUE(json.JsonSetValue("o.path", "C:\\a\\b"));

    std::unique_ptr<JsonObject> member = json.JsonGetObject("o");
    ASSERT_TRUE(member);
    EXPECT_EQ(member->JsonGetText("k"), "v");
    EXPECT_EQ(member->JsonGetText("path"), "C:\\a\\b");
    // A document of its own: changing it leaves the source alone.
    EXPECT_TRUE(member->JsonSetValue("k", "changed"));
    EXPECT_EQ(json.JsonGetText("o.k"), "v");
    member->JsonObjectDestroy();

    std::unique_ptr<JsonObject> item = json.JsonArrayItemObject(0, "o.list");
    EXPECT_EQ(item->JsonGetNumber("id"), 7);

    std::unique_ptr<JsonObject> missing = json.JsonGetObject("nothing");
    EXPECT_EQ(missing->JsonTypeOf(), 0);
    EXPECT_EQ(missing->JsonGetText("k"), "");

    // A copy shares the engine and so the document, also after the original is gone.
    auto original = std::make_unique<JsonObject>();
    ASSERT_TRUE(original->JsonParse(R"({"a":1})"));
    std::unique_ptr<JsonObject> copy = original->JsonObjectCopy();
    EXPECT_TRUE(copy->JsonSetValue("b", "2"));
    EXPECT_EQ(original->JsonGetText("b"), "2");
    original->JsonObjectDestroy();
    original.reset();
    EXPECT_EQ(copy->JsonGetText("a"), "1");
}

TEST(JsonObject, SupportScriptJson)
{
    JsonObject json;
    // The engine has no JSON of its own: these run the support script.
    struct Case {
        const char* expression;
        const char* result;
    };
    const Case cases[] = {
        {"JSON.stringify({a:[1,'x',true,null],b:{c:{}}})",
         R"({"a":[1,"x",true,null],"b":{"c":{}}})"},
        {"JSON.stringify([undefined, function(){}, NaN, 1/0])", "[null,null,null,null]"},
        {"JSON.stringify({u:undefined, f:function(){}, n:1})", R"({"n":1})"},
        {"JSON.stringify('\\b\\t\\n\\f\\r\"\\\\\\u0001\\u007f\\u2028\\ufeff')",
         "\"\\b\\t\\n\\f\\r\\\"\\\\\\u0001\\u007f\\u2028\\ufeff\""},
        {"JSON.stringify('\\u2400').charCodeAt(1)", "9216"},
        {"JSON.stringify(new Date(Date.UTC(2020, 6, 20, 8, 5, 9)))", "\"2020-07-20T08:05:09Z\""},
        {"JSON.stringify(new Date(NaN))", "null"},
        {"JSON.stringify({a:1,b:[2]}, null, 2)", "{\n  \"a\": 1,\n  \"b\": [\n    2\n  ]\n}"},
        {"JSON.stringify({a:1,b:2,c:3}, ['c','a'])", R"({"c":3,"a":1})"},
        {"JSON.stringify({a:1,b:'x'}, function (k, v) { return k == 'b' ? undefined : v; })",
         R"({"a":1})"},
        {"(function () { try { JSON.stringify(1, 5); } catch (e) { return e.message; } })()",
         "JSON.stringify"},
        {"JSON.parse('{\"a\":[1,2,{\"b\":\"\\\\u4e2d\"}]}').a[2].b.charCodeAt(0)", "20013"},
        {"JSON.parse(' [1, \"x\"] ').length", "2"},
        {"JSON.parse('{\"a\":1,\"b\":2}', function (k, v) { return k == 'a' ? undefined : v; }).a",
         ""},
        {"(function () { try { JSON.parse('{a:1}'); } catch (e) { return e.message; } })()",
         "JSON.parse"},
        {"(function () { try { JSON.parse('[1] + x()'); } catch (e) { return e.message; } })()",
         "JSON.parse"},
        {"({a:1}).toJSONString()", R"({"a":1})"},
        {"'[3]'.parseJSON()[0]", "3"},
        {"get__count([1,2])", "2"},
        {"get__count('ab')", "0"},
        {"get__name_All({x:1, y:function(){}, z:2})", "x\r\nz"},
        {"get__name_All([1])", ""},
        {"get__extend([1], [2, 3]).length", "3"},
        {"get__extend([1], 5).length", "1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EngineEval(json, c.expression), c.result) << c.expression;
    }
}

TEST(JsonObject, NestingAndSize)
{
    JsonObject json;
    EXPECT_TRUE(json.JsonParse(std::string(256, '[') + std::string(256, ']')));
    EXPECT_FALSE(json.JsonParse(std::string(257, '[') + std::string(257, ']')));
    EXPECT_FALSE(json.JsonParse(std::string(100000, '[')));

    std::string big = "{\"items\":[";
    for (int i = 0; i < 20000; ++i) {
        big += "{\"id\":" + std::to_string(i) + ",\"name\":\"\xD6\xD0\xCE\xC4 " +
               std::to_string(i) + "\"},";
    }
    big += "null]}";
    ASSERT_TRUE(json.JsonParse(big));
    EXPECT_EQ(json.JsonCount("items"), 20001);
    EXPECT_EQ(json.JsonGetText("items[19999].name"), "\xD6\xD0\xCE\xC4 19999");
}

TEST(JsonObject, ComInitialisationIsBalanced)
{
    std::thread([] {
        {
            JsonObject json;
            json.JsonParse(R"({"a":[1]})");
            json.JsonInit();
            std::unique_ptr<JsonObject> copy = json.JsonObjectCopy();
            std::unique_ptr<JsonObject> member = json.JsonGetObject("a");
            json.JsonObjectDestroy();
            copy->JsonObjectDestroy();
        }
        EXPECT_TRUE(ComIsBalancedHere());
    }).join();
}
