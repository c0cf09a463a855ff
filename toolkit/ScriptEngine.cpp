#include "toolkit/ScriptEngine.h"

#include <vector>

namespace toolkit {

ScriptEngine::ScriptEngine()
{
    ComInitialize();
    m_holdsCom = true;
    m_scriptControl = AutoObject::Create(L"ScriptControl");
    m_scriptControl.Put(L"Language", AutoArg::Text("JScript"));
}

ScriptEngine::ScriptEngine(CopyTag, const ScriptEngine& source)
    : m_scriptControl(source.m_scriptControl.Share())
{
    ComInitialize();
    m_holdsCom = true;
}

ScriptEngine::~ScriptEngine()
{
    ScriptRelease();
}

void ScriptEngine::ScriptEngineDestroy()
{
    ScriptRelease();
}

void ScriptEngine::ScriptRelease()
{
    m_scriptControl.Reset();
    if (m_holdsCom) {
        m_holdsCom = false;
        ComUninitialize();
    }
}

std::unique_ptr<ScriptEngine> ScriptEngine::ScriptEngineCopy() const
{
    return std::unique_ptr<ScriptEngine>(new ScriptEngine(CopyTag{}, *this));
}

AutoValue ScriptEngine::Described(AutoValue value)
{
    if (value.Ok() || m_scriptControl.IsEmpty()) {
        return value;
    }
    // The control reports a script error only by its HRESULT; the words are in its Error
    // object, read here without losing the failure record.
    AutomationError failure = LastAutomationError();
    AutoObject error(m_scriptControl.Get(L"Error").Object());
    GbkText description = error.IsEmpty() ? GbkText() : error.Get(L"Description").Text();
    if (!description.empty()) {
        failure.description = description;
    }
    RestoreAutomationError(failure);
    return value;
}

bool ScriptEngine::ScriptExecuteStatement(const GbkText& code)
{
    Described(m_scriptControl.Call(L"ExecuteStatement", AutoArg::Text(code)));
    return LastAutomationError().description.empty();
}

GbkText ScriptEngine::ScriptEval(const GbkText& expression)
{
    return Described(m_scriptControl.Call(L"Eval", AutoArg::Text(expression))).Text();
}

void ScriptEngine::ScriptReset()
{
    Described(m_scriptControl.Call(L"Reset"));
}

GbkText ScriptEngine::ScriptLastError()
{
    return LastAutomationError().description;
}

ComPtr<IDispatch> ScriptEngine::ScriptGetObject()
{
    return ShareReference(m_scriptControl.Get());
}

GbkText ScriptEngine::ScriptRun(const GbkText& procedureName,
                                const std::optional<GbkText>& argument1,
                                const std::optional<GbkText>& argument2,
                                const std::optional<GbkText>& argument3,
                                const std::optional<GbkText>& argument4,
                                const std::optional<GbkText>& argument5,
                                const std::optional<GbkText>& argument6)
{
    const std::optional<GbkText>* given[] = {&argument1, &argument2, &argument3,
                                             &argument4, &argument5, &argument6};
    std::vector<AutoArg> arguments;
    for (const std::optional<GbkText>* argument : given) {
        if (!argument->has_value()) {
            break;
        }
        // By value: Wine's script control crashes on texts passed by reference, and a script
        // procedure cannot write back into its arguments anyway.
        arguments.push_back(AutoArg::Text(**argument));
    }
    std::vector<AutoArg*> list;
    for (AutoArg& argument : arguments) {
        list.push_back(&argument);
    }
    AutoArg name = AutoArg::Text(procedureName);
    AutoArg* fixed[] = {&name};
    return Described(m_scriptControl.CallWithList(L"Run", fixed, 1, list.data(), list.size()))
        .Text();
}

GbkText ScriptEngine::ScriptSetLanguage(std::optional<std::int32_t> languageIndex)
{
    std::int32_t index = languageIndex.value_or(0);
    if (index == 0) {
        m_scriptControl.Put(L"Language", AutoArg::Text("JScript"));
    } else if (index == 1) {
        m_scriptControl.Put(L"Language", AutoArg::Text("vbs"));
    }
    return Described(m_scriptControl.Get(L"Language")).Text();
}

std::int32_t ScriptEngine::ScriptTimeout(std::optional<std::int32_t> value)
{
    m_scriptControl.Put(L"Timeout", AutoArg::Int(value.value_or(-1)));
    return Described(m_scriptControl.Get(L"Timeout")).Int();
}

std::int32_t ScriptEngine::ScriptState(std::optional<std::int32_t> value)
{
    if (value) {
        m_scriptControl.Put(L"State", AutoArg::Int(*value));
    }
    return Described(m_scriptControl.Get(L"State")).Int();
}

bool ScriptEngine::ScriptAllowUI(std::optional<bool> value)
{
    if (value) {
        m_scriptControl.Put(L"AllowUI", AutoArg::Bool(*value));
    }
    return Described(m_scriptControl.Get(L"AllowUI")).Bool();
}

std::int32_t ScriptEngine::ScriptSitehWnd(std::optional<std::int32_t> value)
{
    if (value) {
        m_scriptControl.Put(L"SitehWnd", AutoArg::Int(*value));
    }
    return Described(m_scriptControl.Get(L"SitehWnd")).Int();
}

void ScriptEngine::ScriptAddCode(const GbkText& code)
{
    Described(m_scriptControl.Call(L"AddCode", AutoArg::Text(code)));
}

} // namespace toolkit
