#pragma once
// A thin wrapper over the platform's script control (created by the name "ScriptControl",
// language JScript): statements, expressions, added code, procedure calls and the control's
// settings. Failures give "", 0 or false and are described by ScriptLastError.
//
// The virtual methods are the class's method table, in its fixed slot order. The constructor
// initialises COM on the calling thread and creates the control; slot 0 (also run by the
// destructor when the owner has not) releases it and uninitialises COM once. An object
// belongs to its thread.
#include <cstdint>
#include <memory>
#include <optional>

#include "toolkit/Automation.h"
#include "toolkit/Types.h"

namespace toolkit {

class ScriptEngine {
public:
    // ScriptEngineInit.
    ScriptEngine();
    virtual ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    // Slot 0: releases the control and the COM initialisation; later calls do nothing.
    virtual void ScriptEngineDestroy();
    // Slot 1: a second object on the same control. It takes a COM initialisation of its own,
    // which its destroy gives back.
    virtual std::unique_ptr<ScriptEngine> ScriptEngineCopy() const;
    // Slot 2: runs code; true when that left no automation error.
    virtual bool ScriptExecuteStatement(const GbkText& code);
    // Slot 3: the expression's value in the platform's string form; "" on a script error.
    virtual GbkText ScriptEval(const GbkText& expression);
    // Slot 4: the control's Reset.
    virtual void ScriptReset();
    // Slot 5: the description of this thread's last failed automation call; "" when the last
    // call succeeded. It makes no call itself.
    virtual GbkText ScriptLastError();
    // Slot 6: a new reference to the control, owned by the caller.
    virtual ComPtr<IDispatch> ScriptGetObject();
    // Slot 7: calls the procedure with the leading run of given arguments (the first absent
    // one ends the list) and gives its result as text.
    virtual GbkText ScriptRun(const GbkText& procedureName,
                              const std::optional<GbkText>& argument1 = std::nullopt,
                              const std::optional<GbkText>& argument2 = std::nullopt,
                              const std::optional<GbkText>& argument3 = std::nullopt,
                              const std::optional<GbkText>& argument4 = std::nullopt,
                              const std::optional<GbkText>& argument5 = std::nullopt,
                              const std::optional<GbkText>& argument6 = std::nullopt);
    // Slot 8: 0 (or absent) selects JScript, 1 VBScript, anything else nothing; gives the
    // language now set.
    virtual GbkText ScriptSetLanguage(std::optional<std::int32_t> languageIndex = std::nullopt);
    // Slots 9-12: write the property (Timeout: value, or -1 when absent; the others only when
    // given), then give its current value.
    virtual std::int32_t ScriptTimeout(std::optional<std::int32_t> value = std::nullopt);
    virtual std::int32_t ScriptState(std::optional<std::int32_t> value = std::nullopt);
    virtual bool ScriptAllowUI(std::optional<bool> value = std::nullopt);
    virtual std::int32_t ScriptSitehWnd(std::optional<std::int32_t> value = std::nullopt);
    // Slot 13: compiles code into the global module and runs its top-level statements.
    virtual void ScriptAddCode(const GbkText& code);
    // Slot 14: does nothing.
    virtual void ScriptNothing() {}

private:
    struct CopyTag {};
    ScriptEngine(CopyTag, const ScriptEngine& source);

    // Releases the control, then ComUninitialize once.
    void ScriptRelease();
    // A failed call on the control: its own Error object holds the script error's words.
    AutoValue Described(AutoValue value);

    AutoObject m_scriptControl;
    bool m_holdsCom = false;
};

} // namespace toolkit
