#pragma once
// The IUnknown and type-information part of an automation object that a test lends to the code
// under test as its request object. The object lives on the test's stack, so its reference
// count only tells the test whether every reference taken was given back.
#include <windows.h>
#include <oaidl.h>

namespace testsupport {

class LentDispatch : public IDispatch {
public:
    // References taken by others and not yet given back.
    ULONG Lent() const { return m_references; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_references; }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

protected:
    LentDispatch() = default;
    LentDispatch(const LentDispatch&) = delete;
    LentDispatch& operator=(const LentDispatch&) = delete;
    ~LentDispatch() = default;

private:
    ULONG m_references = 0;
};

} // namespace testsupport
