#pragma once
// A request object of the test's own: it passes every call on to a real
// WinHttp.WinHttpRequest.5.1 object and notes each one, so that a routine lent it as its
// request object shows which calls it made, while its requests still reach the local services.
// The test owns it (on its stack) and must have COM initialised while it lives.
#include <windows.h>
#include <oaidl.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/LentDispatch.h"

namespace testsupport {

struct RecordedCall {
    std::wstring name;
    WORD flags = 0;
    // In the order of the call, each in its text form; "<other>" when it has none.
    std::vector<std::wstring> arguments;
};

class RecordingRequest final : public LentDispatch {
public:
    RecordingRequest()
    {
        CLSID id{};
        if (SUCCEEDED(CLSIDFromProgID(L"WinHttp.WinHttpRequest.5.1", &id))) {
            CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&m_inner));
        }
    }
    ~RecordingRequest()
    {
        if (m_inner != nullptr) {
            m_inner->Release();
        }
    }

    bool IsReady() const { return m_inner != nullptr; }
    const std::vector<RecordedCall>& Calls() const { return m_calls; }

    int CountOf(const std::wstring& name) const
    {
        int count = 0;
        for (const RecordedCall& call : m_calls) {
            count += EqualNames(call.name, name);
        }
        return count;
    }

    // True when the Option property with this index was written.
    bool PutOption(int index) const
    {
        for (const RecordedCall& call : m_calls) {
            if (EqualNames(call.name, L"Option") && (call.flags & DISPATCH_PROPERTYPUT) != 0 &&
                !call.arguments.empty() && call.arguments[0] == std::to_wstring(index)) {
                return true;
            }
        }
        return false;
    }

    // IDispatch: names and calls go on to the real object.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override
    {
        if (m_inner == nullptr) {
            return E_FAIL;
        }
        const HRESULT result = m_inner->GetIDsOfNames(iid, names, count, locale, ids);
        if (SUCCEEDED(result) && count > 0) {
            m_names[ids[0]] = names[0];
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* error,
                                     UINT* badArgument) override
    {
        if (m_inner == nullptr) {
            return E_FAIL;
        }
        RecordedCall call;
        call.name = m_names.count(id) != 0 ? m_names[id] : L"#" + std::to_wstring(id);
        call.flags = flags;
        // DISPPARAMS holds the arguments last first.
        for (UINT i = parameters != nullptr ? parameters->cArgs : 0; i > 0; --i) {
            call.arguments.push_back(TextOf(parameters->rgvarg[i - 1]));
        }
        m_calls.push_back(call);
        return m_inner->Invoke(id, iid, locale, flags, parameters, result, error, badArgument);
    }

private:
    static bool EqualNames(const std::wstring& a, const std::wstring& b)
    {
        return _wcsicmp(a.c_str(), b.c_str()) == 0;
    }

    static std::wstring TextOf(const VARIANT& value)
    {
        VARIANT text;
        VariantInit(&text);
        std::wstring out = L"<other>";
        if (SUCCEEDED(VariantChangeType(&text, const_cast<VARIANT*>(&value), 0, VT_BSTR)) &&
            V_BSTR(&text) != nullptr) {
            out.assign(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
        }
        VariantClear(&text);
        return out;
    }

    IDispatch* m_inner = nullptr;
    std::map<DISPID, std::wstring> m_names;
    std::vector<RecordedCall> m_calls;
};

} // namespace testsupport
