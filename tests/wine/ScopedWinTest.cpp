// The owners close what they hold exactly once: a move hands the handle over without closing
// it, and a reset or the end of scope closes it.
#include <windows.h>

#include <gtest/gtest.h>

#include <utility>

#include "toolkit/ScopedWin.h"

using namespace toolkit;

namespace {

bool IsOpen(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != 0;
}

TEST(ScopedHandle, MoveHandsOverAndResetCloses)
{
    HANDLE raw = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ScopedHandle first(raw);
    ScopedHandle second(std::move(first));
    EXPECT_FALSE(first.IsValid());
    EXPECT_EQ(second.Get(), raw);
    EXPECT_TRUE(IsOpen(raw));
    second.Reset();
    EXPECT_FALSE(IsOpen(raw));
}

TEST(ScopedHandle, MoveAssignmentClosesTheOldHandle)
{
    HANDLE kept = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE replaced = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    {
        ScopedHandle target(replaced);
        ScopedHandle source(kept);
        target = std::move(source);
        EXPECT_FALSE(IsOpen(replaced));
        EXPECT_TRUE(IsOpen(kept));
    }
    EXPECT_FALSE(IsOpen(kept));
}

TEST(ScopedHandle, ReleaseGivesUpOwnership)
{
    HANDLE raw = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    {
        ScopedHandle owner(raw);
        EXPECT_EQ(owner.Release(), raw);
    }
    EXPECT_TRUE(IsOpen(raw));
    CloseHandle(raw);
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
