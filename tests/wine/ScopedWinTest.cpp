// The owners close what they hold exactly once: a move hands the handle over without closing
// it, and a reset or the end of scope closes it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "toolkit/ScopedWin.h"

using namespace toolkit;

namespace {

// Named events, told open or closed by whether their name still finds them: a closed handle's
// value can be handed out again at once to another thread of the test program, so it says
// nothing about whether the owner closed it.
std::string EventName(const char* what)
{
    return "skyvane-scoped-" + std::to_string(GetCurrentProcessId()) + "-" + what;
}

HANDLE NamedEvent(const std::string& name)
{
    return CreateEventA(nullptr, FALSE, FALSE, name.c_str());
}

bool IsOpen(const std::string& name)
{
    HANDLE found = OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
    if (found == nullptr) {
        return false;
    }
    CloseHandle(found);
    return true;
}

TEST(ScopedHandle, MoveHandsOverAndResetCloses)
{
    const std::string name = EventName("moved");
    HANDLE raw = NamedEvent(name);
    ScopedHandle first(raw);
    ScopedHandle second(std::move(first));
    EXPECT_FALSE(first.IsValid());
    EXPECT_EQ(second.Get(), raw);
    EXPECT_TRUE(IsOpen(name));
    second.Reset();
    EXPECT_FALSE(IsOpen(name));
}

TEST(ScopedHandle, MoveAssignmentClosesTheOldHandle)
{
    const std::string keptName = EventName("kept");
    const std::string replacedName = EventName("replaced");
    {
        ScopedHandle target(NamedEvent(replacedName));
        ScopedHandle source(NamedEvent(keptName));
        target = std::move(source);
        EXPECT_FALSE(IsOpen(replacedName));
        EXPECT_TRUE(IsOpen(keptName));
    }
    EXPECT_FALSE(IsOpen(keptName));
}

TEST(ScopedHandle, ReleaseGivesUpOwnership)
{
    const std::string name = EventName("released");
    HANDLE raw = NamedEvent(name);
    {
        ScopedHandle owner(raw);
        EXPECT_EQ(owner.Release(), raw);
    }
    EXPECT_TRUE(IsOpen(name));
    CloseHandle(raw);
    EXPECT_FALSE(IsOpen(name));
}

TEST(ScopedHandle, InvalidHandleValueIsNothingHeld)
{
    ScopedHandle file(
        CreateFileA("Z:\\no\\such\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(file.IsValid());
}

// Counts its references, so that a lost or doubled Release shows.
class Counted : public IUnknown {
public:
    ULONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid != IID_IUnknown) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST(ComPtr, ReleasesItsOneReferenceOnce)
{
    Counted object;
    {
        ComPtr<IUnknown> first(&object);
        ComPtr<IUnknown> second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(object.refs, 1u);
        ComPtr<IUnknown> other = second.As<IUnknown>(IID_IUnknown);
        EXPECT_EQ(object.refs, 2u);
        ComPtr<IUnknown> none = second.As<IUnknown>(IID_IDispatch);
        EXPECT_FALSE(none);
    }
    EXPECT_EQ(object.refs, 0u);
}

} // namespace
