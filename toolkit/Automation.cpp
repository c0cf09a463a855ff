#include "toolkit/Automation.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace toolkit {

namespace {

constexpr UINT kGbkCodePage = 936;

// The calling thread's record. Not a C++ thread_local: with MinGW-w64 the storage of such an
// object is freed before its destructor runs when the thread ends, so every thread that made a
// call would free its description out of freed memory and corrupt the heap. A fiber-local slot
// has a callback of its own that the system runs as the thread ends.
void WINAPI DeleteRecord(void* record)
{
    delete static_cast<AutomationError*>(record);
}

DWORD RecordSlot()
{
    static const DWORD slot = FlsAlloc(DeleteRecord);
    return slot;
}

AutomationError& ThreadRecord()
{
    const DWORD slot = RecordSlot();
    if (slot == FLS_OUT_OF_INDEXES) {
        // Without a slot each thread's record outlives the thread: a small leak, where a
        // record shared by all threads would be a race.
        thread_local AutomationError* unslotted = nullptr;
        if (unslotted == nullptr) {
            unslotted = new AutomationError();
        }
        return *unslotted;
    }
    auto* record = static_cast<AutomationError*>(FlsGetValue(slot));
    if (record == nullptr) {
        record = new AutomationError();
        FlsSetValue(slot, record);
    }
    return *record;
}

void RecordSuccess()
{
    AutomationError& record = ThreadRecord();
    record.result = S_OK;
    record.description.clear();
}

// Keeps the failure for LastAutomationError. The description comes from the object's own
// EXCEPINFO when it gave one (a script error tells its line and text there), else from the
// system's message for the HRESULT, else the HRESULT itself, so that a failure is never
// described by the empty text.
void RecordFailure(HRESULT result, EXCEPINFO* exception)
{
    std::wstring description;
    if (exception) {
        if (exception->pfnDeferredFillIn) {
            exception->pfnDeferredFillIn(exception);
        }
        if (exception->bstrDescription) {
            description.assign(exception->bstrDescription,
                               SysStringLen(exception->bstrDescription));
        }
        if (result == DISP_E_EXCEPTION && FAILED(exception->scode)) {
            result = exception->scode;
        }
    }
    if (description.empty()) {
        wchar_t* message = nullptr;
        DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, static_cast<DWORD>(result), 0,
                                      reinterpret_cast<wchar_t*>(&message), 0, nullptr);
        if (message) {
            description.assign(message, length);
            LocalFree(message);
        }
        while (!description.empty() &&
               (description.back() == L'\r' || description.back() == L'\n')) {
            description.pop_back();
        }
    }
    AutomationError& record = ThreadRecord();
    record.result = result;
    record.description = WideToGbk(description);
    if (record.description.empty()) {
        char code[32];
        std::snprintf(code, sizeof code, "HRESULT 0x%08lX",
                      static_cast<unsigned long>(static_cast<DWORD>(result)));
        record.description = code;
    }
}

void ClearException(EXCEPINFO& exception)
{
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

BSTR AllocWide(std::wstring_view text)
{
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

// Owns a FUNCDESC of a type info.
class FuncDescription {
public:
    FuncDescription(ITypeInfo* info, FUNCDESC* description)
        : m_info(info), m_description(description)
    {
    }
    FuncDescription(const FuncDescription&) = delete;
    FuncDescription& operator=(const FuncDescription&) = delete;
    ~FuncDescription()
    {
        if (m_description) {
            m_info->ReleaseFuncDesc(m_description);
        }
    }
    const FUNCDESC* operator->() const { return m_description; }

private:
    ITypeInfo* m_info;
    FUNCDESC* m_description;
};

// Finds the vtable interface behind a type info (the interface half of a dual dispinterface)
// and the index of its method named `name`; false when there is none.
bool FindVtableMethod(ITypeInfo* dispatchInfo, const wchar_t* name, ComPtr<ITypeInfo>& info,
                      UINT& index, GUID& interfaceId)
{
    info = ShareReference(dispatchInfo);
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) {
        return false;
    }
    TYPEKIND kind = attributes->typekind;
    info->ReleaseTypeAttr(attributes);
    if (kind == TKIND_DISPATCH) {
        HREFTYPE interfaceRef = 0;
        ComPtr<ITypeInfo> interfaceInfo;
        if (FAILED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &interfaceRef)) ||
            FAILED(info->GetRefTypeInfo(interfaceRef, interfaceInfo.Put()))) {
            return false;
        }
        info = std::move(interfaceInfo);
    }
    if (FAILED(info->GetTypeAttr(&attributes))) {
        return false;
    }
    interfaceId = attributes->guid;
    UINT count = attributes->cFuncs;
    kind = attributes->typekind;
    info->ReleaseTypeAttr(attributes);
    if (kind != TKIND_INTERFACE) {
        return false;
    }
    MEMBERID member = MEMBERID_NIL;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(info->GetIDsOfNames(names, 1, &member))) {
        return false;
    }
    for (UINT i = 0; i < count; ++i) {
        FUNCDESC* raw = nullptr;
        if (FAILED(info->GetFuncDesc(i, &raw))) {
            continue;
        }
        FuncDescription description(info.Get(), raw);
        if (description->memid == member && description->invkind == INVOKE_FUNC) {
            index = i;
            return true;
        }
    }
    return false;
}

} // namespace

void ComInitialize()
{
    // S_FALSE and RPC_E_CHANGED_MODE still need or forbid nothing more from us: the pairing
    // with ComUninitialize stays with the caller.
    (void)CoInitialize(nullptr);
}

void ComUninitialize()
{
    CoUninitialize();
}

std::wstring GbkToWide(std::string_view text)
{
    if (text.empty()) {
        return {};
    }
    int size = static_cast<int>(text.size());
    int length = MultiByteToWideChar(kGbkCodePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(kGbkCodePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

GbkText WideToGbk(std::wstring_view text)
{
    if (text.empty()) {
        return {};
    }
    int size = static_cast<int>(text.size());
    int length =
        WideCharToMultiByte(kGbkCodePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    GbkText narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(kGbkCodePage, 0, text.data(), size, narrow.data(), length, nullptr,
                        nullptr);
    return narrow;
}

AutomationError LastAutomationError()
{
    return ThreadRecord();
}

void RestoreAutomationError(const AutomationError& error)
{
    ThreadRecord() = error;
}

// --- AutoArg ---

AutoArg::AutoArg()
{
    VariantInit(&m_value);
}

AutoArg::AutoArg(AutoArg&& other) noexcept : m_value(other.m_value)
{
    VariantInit(&other.m_value);
}

AutoArg::~AutoArg()
{
    VariantClear(&m_value);
}

AutoArg AutoArg::Text(std::string_view text)
{
    return Wide(GbkToWide(text));
}

AutoArg AutoArg::Wide(std::wstring_view text)
{
    AutoArg arg;
    V_VT(&arg.m_value) = VT_BSTR;
    V_BSTR(&arg.m_value) = AllocWide(text);
    return arg;
}

AutoArg AutoArg::Int(std::int32_t value)
{
    AutoArg arg;
    V_VT(&arg.m_value) = VT_I4;
    V_I4(&arg.m_value) = value;
    return arg;
}

AutoArg AutoArg::Double(double value)
{
    AutoArg arg;
    V_VT(&arg.m_value) = VT_R8;
    V_R8(&arg.m_value) = value;
    return arg;
}

AutoArg AutoArg::Bool(bool value)
{
    AutoArg arg;
    V_VT(&arg.m_value) = VT_BOOL;
    V_BOOL(&arg.m_value) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return arg;
}

AutoArg AutoArg::Bytes(const ByteSet& bytes)
{
    AutoArg arg;
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (!array) {
        return arg;
    }
    void* data = nullptr;
    if (!bytes.empty() && SUCCEEDED(SafeArrayAccessData(array, &data))) {
        std::memcpy(data, bytes.data(), bytes.size());
        SafeArrayUnaccessData(array);
    }
    V_VT(&arg.m_value) = VT_ARRAY | VT_UI1;
    V_ARRAY(&arg.m_value) = array;
    return arg;
}

AutoArg AutoArg::Object(IDispatch* object)
{
    AutoArg arg;
    if (object) {
        object->AddRef();
    }
    V_VT(&arg.m_value) = VT_DISPATCH;
    V_DISPATCH(&arg.m_value) = object;
    return arg;
}

AutoArg AutoArg::Copy(const VARIANT& value)
{
    AutoArg arg;
    VariantCopy(&arg.m_value, const_cast<VARIANT*>(&value));
    return arg;
}

// --- AutoValue ---

AutoValue::AutoValue()
{
    VariantInit(&m_value);
}

AutoValue::AutoValue(AutoValue&& other) noexcept : m_value(other.m_value), m_ok(other.m_ok)
{
    VariantInit(&other.m_value);
    other.m_ok = false;
}

AutoValue& AutoValue::operator=(AutoValue&& other) noexcept
{
    if (this != &other) {
        VariantClear(&m_value);
        m_value = other.m_value;
        m_ok = other.m_ok;
        VariantInit(&other.m_value);
        other.m_ok = false;
    }
    return *this;
}

AutoValue::~AutoValue()
{
    VariantClear(&m_value);
}

VARIANT* AutoValue::Receive()
{
    VariantClear(&m_value);
    m_ok = false;
    return &m_value;
}

std::wstring AutoValue::Wide() const
{
    if (!m_ok || V_VT(&m_value) == VT_EMPTY || V_VT(&m_value) == VT_NULL) {
        return {};
    }
    if (V_VT(&m_value) == VT_BSTR) {
        return std::wstring(V_BSTR(&m_value), SysStringLen(V_BSTR(&m_value)));
    }
    VARIANT converted;
    VariantInit(&converted);
    std::wstring text;
    if (SUCCEEDED(VariantChangeType(&converted, const_cast<VARIANT*>(&m_value), VARIANT_ALPHABOOL,
                                    VT_BSTR))) {
        text.assign(V_BSTR(&converted), SysStringLen(V_BSTR(&converted)));
    }
    VariantClear(&converted);
    return text;
}

GbkText AutoValue::Text() const
{
    return WideToGbk(Wide());
}

double AutoValue::Number() const
{
    if (!m_ok) {
        return 0;
    }
    VARIANT converted;
    VariantInit(&converted);
    double number = 0;
    if (SUCCEEDED(VariantChangeType(&converted, const_cast<VARIANT*>(&m_value), 0, VT_R8))) {
        number = V_R8(&converted);
    }
    VariantClear(&converted);
    return number;
}

std::int32_t AutoValue::Int() const
{
    if (!m_ok) {
        return 0;
    }
    VARIANT converted;
    VariantInit(&converted);
    std::int32_t number = 0;
    if (SUCCEEDED(VariantChangeType(&converted, const_cast<VARIANT*>(&m_value), 0, VT_I4))) {
        number = V_I4(&converted);
    }
    VariantClear(&converted);
    return number;
}

bool AutoValue::Bool() const
{
    if (!m_ok) {
        return false;
    }
    VARIANT converted;
    VariantInit(&converted);
    bool value = false;
    if (SUCCEEDED(VariantChangeType(&converted, const_cast<VARIANT*>(&m_value), 0, VT_BOOL))) {
        value = V_BOOL(&converted) != VARIANT_FALSE;
    }
    VariantClear(&converted);
    return value;
}

ByteSet AutoValue::Bytes() const
{
    if (!m_ok) {
        return {};
    }
    if (V_VT(&m_value) == (VT_ARRAY | VT_UI1)) {
        SAFEARRAY* array = V_ARRAY(&m_value);
        LONG lower = 0;
        LONG upper = -1;
        if (!array || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
            FAILED(SafeArrayGetUBound(array, 1, &upper)) || upper < lower) {
            return {};
        }
        ByteSet bytes(static_cast<std::size_t>(upper - lower + 1));
        void* data = nullptr;
        if (FAILED(SafeArrayAccessData(array, &data))) {
            return {};
        }
        std::memcpy(bytes.data(), data, bytes.size());
        SafeArrayUnaccessData(array);
        return bytes;
    }
    std::wstring text = Wide();
    const auto* begin = reinterpret_cast<const std::uint8_t*>(text.data());
    return ByteSet(begin, begin + text.size() * sizeof(wchar_t));
}

ComPtr<IDispatch> AutoValue::Object() const
{
    if (!m_ok || V_VT(&m_value) != VT_DISPATCH) {
        return {};
    }
    return ShareReference(V_DISPATCH(&m_value));
}

// --- AutoObject ---

AutoObject AutoObject::Create(const wchar_t* progId)
{
    CLSID classId;
    HRESULT result = CLSIDFromProgID(progId, &classId);
    if (FAILED(result)) {
        RecordFailure(result, nullptr);
        return {};
    }
    ComPtr<IDispatch> object;
    result = CoCreateInstance(classId, nullptr, CLSCTX_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(object.Put()));
    if (FAILED(result) || !object) {
        RecordFailure(FAILED(result) ? result : E_NOINTERFACE, nullptr);
        return {};
    }
    RecordSuccess();
    return AutoObject(std::move(object));
}

bool AutoObject::Put(const wchar_t* name, AutoArg value)
{
    AutoArg* list[] = {&value};
    return Invoke(name, DISPATCH_PROPERTYPUT, list, 1).Ok();
}

AutoValue AutoObject::CallWithList(const wchar_t* name, AutoArg* const* fixed,
                                   std::size_t fixedCount, AutoArg* const* list,
                                   std::size_t listCount)
{
    AutoValue value;
    if (!m_object) {
        RecordFailure(E_POINTER, nullptr);
        return value;
    }
    ComPtr<ITypeInfo> dispatchInfo;
    HRESULT result = m_object->GetTypeInfo(0, LOCALE_USER_DEFAULT, dispatchInfo.Put());
    ComPtr<ITypeInfo> info;
    UINT index = 0;
    GUID interfaceId = {};
    if (FAILED(result) || !dispatchInfo ||
        !FindVtableMethod(dispatchInfo.Get(), name, info, index, interfaceId)) {
        RecordFailure(FAILED(result) ? result : DISP_E_UNKNOWNNAME, nullptr);
        return value;
    }
    FUNCDESC* raw = nullptr;
    if (FAILED(result = info->GetFuncDesc(index, &raw))) {
        RecordFailure(result, nullptr);
        return value;
    }
    FuncDescription description(info.Get(), raw);
    // The fixed parameters, the list and the [out, retval] result.
    if (description->cParamsOpt != -1 ||
        static_cast<std::size_t>(description->cParams) != fixedCount + 2) {
        RecordFailure(DISP_E_BADPARAMCOUNT, nullptr);
        return value;
    }
    ComPtr<IUnknown> target;
    if (FAILED(result =
                   m_object->QueryInterface(interfaceId, reinterpret_cast<void**>(target.Put())))) {
        RecordFailure(result, nullptr);
        return value;
    }

    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(listCount));
    if (!array) {
        RecordFailure(E_OUTOFMEMORY, nullptr);
        return value;
    }
    for (std::size_t i = 0; i < listCount; ++i) {
        LONG position = static_cast<LONG>(i);
        VARIANT item = list[i]->Passed();
        SafeArrayPutElement(array, &position, &item);
    }

    std::vector<VARIANT> arguments(fixedCount + 2);
    std::vector<VARIANTARG*> pointers(arguments.size());
    std::vector<VARTYPE> types(arguments.size());
    for (std::size_t i = 0; i < fixedCount; ++i) {
        arguments[i] = fixed[i]->Passed();
    }
    VARIANT& listArgument = arguments[fixedCount];
    VariantInit(&listArgument);
    V_VT(&listArgument) = VT_BYREF | VT_ARRAY | VT_VARIANT;
    V_ARRAYREF(&listArgument) = &array;
    VARIANT& resultArgument = arguments[fixedCount + 1];
    VariantInit(&resultArgument);
    V_VT(&resultArgument) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&resultArgument) = value.Receive();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        pointers[i] = &arguments[i];
        types[i] = V_VT(&arguments[i]);
    }

    VARIANT returned;
    VariantInit(&returned);
    result =
        DispCallFunc(target.Get(), description->oVft, description->callconv, VT_ERROR,
                     static_cast<UINT>(arguments.size()), types.data(), pointers.data(), &returned);
    SafeArrayDestroy(array);
    if (SUCCEEDED(result)) {
        result = V_ERROR(&returned);
    }
    if (FAILED(result)) {
        RecordFailure(result, nullptr);
        value.Receive();
        return value;
    }
    RecordSuccess();
    value.SetOk(true);
    return value;
}

AutoValue AutoObject::Invoke(const wchar_t* name, WORD flags, AutoArg* const* args,
                             std::size_t count)
{
    AutoValue value;
    if (!m_object) {
        RecordFailure(E_POINTER, nullptr);
        return value;
    }
    DISPID member = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT result = m_object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member);
    if (FAILED(result)) {
        RecordFailure(result, nullptr);
        return value;
    }

    // DISPPARAMS takes the arguments last to first.
    std::vector<VARIANT> passed(count);
    for (std::size_t i = 0; i < count; ++i) {
        passed[count - 1 - i] = args[i]->Passed();
    }
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters = {};
    parameters.rgvarg = passed.empty() ? nullptr : passed.data();
    parameters.cArgs = static_cast<UINT>(count);
    if (flags & DISPATCH_PROPERTYPUT) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }

    EXCEPINFO exception = {};
    UINT badArgument = 0;
    result = m_object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                              (flags & DISPATCH_PROPERTYPUT) ? nullptr : value.Receive(),
                              &exception, &badArgument);
    if (FAILED(result)) {
        RecordFailure(result, result == DISP_E_EXCEPTION ? &exception : nullptr);
        ClearException(exception);
        value.Receive();
        return value;
    }
    ClearException(exception);
    RecordSuccess();
    value.SetOk(true);
    return value;
}

} // namespace toolkit
