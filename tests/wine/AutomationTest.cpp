// The late-bound helper against a real automation object of the platform (VBScript.RegExp):
// names to DISPIDs, argument and result conversion, and the per-thread error record.
#include <gtest/gtest.h>

#include <thread>

#include "toolkit/Automation.h"

using namespace toolkit;

namespace {

struct ComScope {
    ComScope() { ComInitialize(); }
    ~ComScope() { ComUninitialize(); }
};

} // namespace

TEST(Automation, PropertiesAndMethodsByName)
{
    ComScope com;
    AutoObject regExp = AutoObject::Create(L"VBScript.RegExp");
    ASSERT_FALSE(regExp.IsEmpty());
    EXPECT_EQ(LastAutomationError().result, S_OK);

    // "\xD6\xD0" is a Chinese character in code page 936: texts cross the edge converted.
    EXPECT_TRUE(regExp.Put(L"Pattern", AutoArg::Text("\xD6\xD0(\\d+)")));
    EXPECT_TRUE(regExp.Put(L"Global", AutoArg::Bool(true)));
    EXPECT_EQ(regExp.Get(L"Pattern").Text(), "\xD6\xD0(\\d+)");
    EXPECT_TRUE(regExp.Get(L"Global").Bool());
    EXPECT_TRUE(regExp
                    .Call(L"Test", AutoArg::Text("x\xD6\xD0"
                                                 "42"))
                    .Bool());

    AutoValue matches = regExp.Call(L"Execute", AutoArg::Text("\xD6\xD0"
                                                              "1 \xD6\xD0"
                                                              "22"));
    ASSERT_TRUE(matches.Ok());
    AutoObject collection(matches.Object());
    ASSERT_FALSE(collection.IsEmpty());
    EXPECT_EQ(collection.Get(L"Count").Int(), 2);
    AutoObject second(collection.Call(L"Item", AutoArg::Int(1)).Object());
    EXPECT_EQ(second.Get(L"Value").Text(), "\xD6\xD0"
                                           "22");
    EXPECT_EQ(second.Get(L"FirstIndex").Int(), 3);
    EXPECT_DOUBLE_EQ(second.Get(L"FirstIndex").Number(), 3.0);
    // Not a byte array: the UTF-16LE bytes of the string form.
    EXPECT_EQ(second.Get(L"Value").Bytes(), (ByteSet{0x2D, 0x4E, '2', 0, '2', 0}));
}

TEST(Automation, FailuresGiveEmptyValuesAndAreRecordedPerThread)
{
    ComScope com;
    EXPECT_TRUE(AutoObject::Create(L"Skyvane.NoSuchObject").IsEmpty());
    EXPECT_TRUE(FAILED(LastAutomationError().result));
    EXPECT_FALSE(LastAutomationError().description.empty());

    AutoObject regExp = AutoObject::Create(L"VBScript.RegExp");
    ASSERT_FALSE(regExp.IsEmpty());
    EXPECT_TRUE(LastAutomationError().description.empty());

    AutoValue missing = regExp.Get(L"NoSuchMember");
    EXPECT_FALSE(missing.Ok());
    EXPECT_EQ(missing.Text(), "");
    EXPECT_EQ(missing.Int(), 0);
    EXPECT_FALSE(missing.Bool());
    EXPECT_TRUE(missing.Bytes().empty());
    EXPECT_FALSE(missing.Object());
    EXPECT_FALSE(LastAutomationError().description.empty());

    // Another thread keeps its own record.
    std::thread([] { EXPECT_TRUE(LastAutomationError().description.empty()); }).join();

    // An invalid pattern fails inside the object, which describes it through EXCEPINFO.
    regExp.Put(L"Pattern", AutoArg::Text("(unclosed"));
    EXPECT_FALSE(regExp.Call(L"Execute", AutoArg::Text("x")).Ok());
    EXPECT_TRUE(FAILED(LastAutomationError().result));
    EXPECT_FALSE(LastAutomationError().description.empty());

    // A success clears the record again.
    EXPECT_TRUE(regExp.Get(L"Pattern").Ok());
    EXPECT_EQ(LastAutomationError().result, S_OK);
    EXPECT_TRUE(LastAutomationError().description.empty());

    AutoObject empty;
    EXPECT_FALSE(empty.Call(L"Execute", AutoArg::Text("x")).Ok());
    EXPECT_FALSE(LastAutomationError().description.empty());
}

// The refresh and the alarm check call out from threads that then end. A thread's record goes
// with it, without touching memory already given back; the heap check this suite runs under
// (tools/wine-run.sh) reports any such touch.
TEST(Automation, AThreadsRecordGoesWithTheThread)
{
    const GbkText longDescription(200, 'x');
    for (int round = 0; round < 8; ++round) {
        std::thread([&longDescription] {
            ComScope com;
            EXPECT_TRUE(AutoObject::Create(L"Skyvane.NoSuchObject").IsEmpty());
            RestoreAutomationError({E_FAIL, longDescription});
            EXPECT_EQ(LastAutomationError().description, longDescription);
        }).join();
    }
    EXPECT_NE(LastAutomationError().description, longDescription);
}

TEST(Automation, ByteArraysAndSharedReferences)
{
    ComScope com;
    AutoObject regExp = AutoObject::Create(L"VBScript.RegExp");
    ASSERT_FALSE(regExp.IsEmpty());
    ByteSet bytes = {1, 2, 0, 255};
    AutoArg arg = AutoArg::Bytes(bytes);
    VARIANT passed = arg.Passed();
    ASSERT_EQ(V_VT(&passed), VT_ARRAY | VT_UI1);
    EXPECT_EQ(SafeArrayGetDim(V_ARRAY(&passed)), 1u);

    AutoObject second = regExp.Share();
    second.Put(L"Pattern", AutoArg::Text("shared"));
    regExp.Reset();
    EXPECT_EQ(second.Get(L"Pattern").Text(), "shared");
}
