#pragma once
// Late-bound automation: the COM apartment routines and a small IDispatch helper so that each call
// site reads like the call table it implements:
//
//     AutoObject control = AutoObject::Create(L"MSScriptControl.ScriptControl");
//     control.Put(L"Language", AutoArg::Text("JavaScript"));
//     GbkText value = control.Call(L"Eval", AutoArg::Text(expression)).Text();
//
// Member names become DISPIDs on each call; arguments and results own their VARIANTs and
// BSTRs. Texts cross this edge converted between code page 936 and UTF-16.
//
// Nothing here throws or shows anything. A failed creation or call gives an empty object or an
// empty value, and every call records its outcome for the calling thread: success clears the
// record, failure keeps the HRESULT and the error's description (LastAutomationError).
#include <windows.h>
#include <oaidl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "toolkit/ScopedWin.h"
#include "toolkit/Types.h"

namespace toolkit {

// CoInitialize(nullptr), its result ignored, and CoUninitialize. Every caller pairs them on
// every path; automation objects are released before the matching ComUninitialize.
void ComInitialize();
void ComUninitialize();

// A second owner of an object the caller holds or borrows (one reference added); null stays
// empty.
template <typename T> ComPtr<T> ShareReference(T* object)
{
    if (object != nullptr) {
        object->AddRef();
    }
    return ComPtr<T>(object);
}

// Code page 936 <-> UTF-16 at the automation edge. Unconvertible input gives what the
// platform makes of it; the empty text gives the empty text.
std::wstring GbkToWide(std::string_view text);
GbkText WideToGbk(std::wstring_view text);

// The outcome of the calling thread's last automation call.
struct AutomationError {
    HRESULT result = S_OK;
    GbkText description; // empty after a success; never empty after a failure
};
AutomationError LastAutomationError();
// Puts a record back, for a caller that had to make further calls to describe a failure (the
// script control keeps a script error's description in its Error object, not in EXCEPINFO).
void RestoreAutomationError(const AutomationError& error);

// One argument of a call; owns the VARIANT (and its BSTR or array) it carries.
class AutoArg {
public:
    static AutoArg Text(std::string_view text);  // VT_BSTR converted from code page 936
    static AutoArg Wide(std::wstring_view text); // VT_BSTR as given
    static AutoArg Int(std::int32_t value);      // VT_I4
    static AutoArg Double(double value);         // VT_R8
    static AutoArg Bool(bool value);             // VT_BOOL
    static AutoArg Bytes(const ByteSet& bytes);  // VT_ARRAY|VT_UI1
    static AutoArg Object(IDispatch* object);    // VT_DISPATCH, one reference added
    static AutoArg Copy(const VARIANT& value);   // VariantCopy of the value

    AutoArg(AutoArg&& other) noexcept;
    AutoArg& operator=(AutoArg&&) = delete;
    AutoArg(const AutoArg&) = delete;
    AutoArg& operator=(const AutoArg&) = delete;
    ~AutoArg();

    // The VARIANT as it goes into DISPPARAMS; it stays owned by the argument.
    VARIANT Passed() const { return m_value; }

private:
    AutoArg();
    VARIANT m_value;
};

// The result of a call. Failed calls and VT_EMPTY/VT_NULL results read as empty values.
class AutoValue {
public:
    AutoValue();
    AutoValue(AutoValue&& other) noexcept;
    AutoValue& operator=(AutoValue&& other) noexcept;
    AutoValue(const AutoValue&) = delete;
    AutoValue& operator=(const AutoValue&) = delete;
    ~AutoValue();

    bool Ok() const { return m_ok; }
    // The platform's string form (VariantChangeType, logicals as "True"/"False"), in code
    // page 936; "" when failed or not convertible.
    GbkText Text() const;
    std::wstring Wide() const;
    double Number() const;    // 0 when failed or not convertible
    std::int32_t Int() const; // 0 when failed or not convertible
    bool Bool() const;        // false when failed or not convertible
    // A byte array's bytes; any other value gives the UTF-16LE bytes of its string form.
    ByteSet Bytes() const;
    ComPtr<IDispatch> Object() const; // empty unless the value is an object
    const VARIANT& Raw() const { return m_value; }

    VARIANT* Receive(); // for Invoke: clears and hands out the storage
    void SetOk(bool ok) { m_ok = ok; }

private:
    VARIANT m_value;
    bool m_ok = false;
};

// An IDispatch object reached by member names.
class AutoObject {
public:
    AutoObject() = default;
    explicit AutoObject(ComPtr<IDispatch> object) : m_object(std::move(object)) {}

    // CLSIDFromProgID + CoCreateInstance; an empty object when either fails.
    static AutoObject Create(const wchar_t* progId);

    bool IsEmpty() const { return !m_object; }
    IDispatch* Get() const { return m_object.Get(); }
    AutoObject Share() const { return AutoObject(ShareReference(m_object.Get())); }
    void Reset() { m_object.Reset(); }

    // Property read, optionally indexed.
    template <class... Args> AutoValue Get(const wchar_t* name, Args&&... args)
    {
        return InvokeWith(name, DISPATCH_PROPERTYGET, std::forward<Args>(args)...);
    }
    // Method call (also reaches parameterised properties such as a collection's Item).
    template <class... Args> AutoValue Call(const wchar_t* name, Args&&... args)
    {
        return InvokeWith(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                          std::forward<Args>(args)...);
    }
    // Property write; true when it succeeded.
    bool Put(const wchar_t* name, AutoArg value);

    // Calls a method whose last parameter is a variable argument list (a vararg
    // SAFEARRAY(VARIANT)*): the fixed arguments, then the list handed over as that array. The
    // call goes through the method's vtable slot as the object's type information gives it,
    // because Wine's IDispatch route for such methods fails (or crashes) unless exactly one
    // list argument is given.
    AutoValue CallWithList(const wchar_t* name, AutoArg* const* fixed, std::size_t fixedCount,
                           AutoArg* const* list, std::size_t listCount);

    // The general form: args in their natural order (first argument first).
    AutoValue Invoke(const wchar_t* name, WORD flags, AutoArg* const* args, std::size_t count);

private:
    template <class... Args> AutoValue InvokeWith(const wchar_t* name, WORD flags, Args&&... args)
    {
        if constexpr (sizeof...(Args) == 0) {
            return Invoke(name, flags, nullptr, 0);
        } else {
            AutoArg* list[] = {&args...};
            return Invoke(name, flags, list, sizeof...(Args));
        }
    }

    ComPtr<IDispatch> m_object;
};

} // namespace toolkit
