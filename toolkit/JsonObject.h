#pragma once
// A JSON document held as the global variable "da" of a JScript engine (the script control),
// read and written through member paths. A path is a script member expression relative to the
// document ("dom", "list[0]", "data['rsp_body']['note_list'][0]"); the empty path is the whole
// document. Each method builds one statement, evaluates it and reads the value as a logical,
// a text, a number or not at all; any failure gives false, "", 0 or an empty result. The
// setters give the assigned value read as a logical, where an assigned text, array or object
// counts as true.
//
// Texts that become script source (JsonParse, JsonSetRaw, and the values of JSON mode) must be
// JSON texts: anything else is refused before it reaches the engine, since the engine could
// otherwise run code from a network answer in our process.
//
// The virtual methods are the class's method table, in its fixed slot order. The constructor
// initialises COM on the calling thread and slot 0 (also run by the destructor when the owner
// has not) releases the engine and uninitialises it once. An object belongs to its thread.
#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/Automation.h"
#include "toolkit/Types.h"

namespace toolkit {

class JsonObject {
public:
    // JsonObjectInit: variableName "da", then JsonInit.
    JsonObject();
    virtual ~JsonObject();
    JsonObject(const JsonObject&) = delete;
    JsonObject& operator=(const JsonObject&) = delete;

    // Slot 0: releases the engine and the COM initialisation; later calls do nothing.
    virtual void JsonObjectDestroy();
    // Slot 1: a second object on the same engine (and document), with its own COM
    // initialisation so that both destroys stay balanced.
    virtual std::unique_ptr<JsonObject> JsonObjectCopy() const;
    // Slot 2: a fresh engine with the support script and the document {}. Without an engine
    // (the script control cannot be created) every later call fails.
    virtual void JsonInit();
    // Slot 3: a fresh engine whose document is text. False for the empty text, "null", and any
    // text that is not one JSON text; a top-level JSON string becomes a text document. direct
    // makes no difference any more, since only JSON texts are taken.
    virtual bool JsonParse(const GbkText& text, bool direct = false);
    // Slot 4: the document becomes {}.
    virtual bool JsonClear();
    // Slot 5: the document as JSON.
    virtual GbkText JsonToText();
    // Slot 6: asJson: value (a JSON text; "{}" when empty and the member is an object) is
    // merged into an object member or replaces any other. Text mode: the member becomes the
    // text, its backslashes kept as U+2400 inside the engine.
    virtual bool JsonSetValue(const GbkText& path, const GbkText& value, bool asJson = false);
    // Slot 7: the member becomes the value of the JSON text.
    virtual bool JsonSetRaw(const GbkText& path, const GbkText& text);
    // Slot 8: rewrites path to the full path; true when the member holds a value (not null).
    virtual bool JsonHasMember(GbkText& path);
    // Slot 9: JsonHasMember on a copy of path.
    virtual bool JsonMemberExists(const GbkText& path = {});
    // Slot 10: 0 missing or null, 1 logical, 2 number, 4 object, 5 array, 6 text, -1 other.
    virtual std::int32_t JsonTypeOf(const GbkText& path = {});
    // Slot 11: the member's string form, or with asJson its JSON; "" when missing or null.
    virtual GbkText JsonGetText(const GbkText& path = {}, bool asJson = false);
    // Slot 12: names of an object member's non-function members; returns their number.
    virtual std::int32_t JsonMemberNames(TextArray& names, const GbkText& path = {});
    // Slot 13: the length of an array member, else 0.
    virtual std::int32_t JsonCount(const GbkText& path = {});
    // Slot 14: a new object (own engine) whose document is a copy of the member.
    virtual std::unique_ptr<JsonObject> JsonGetObject(const GbkText& path = {});
    // Slot 15: appends value (a text, or with asJson a JSON text) to the array member, which
    // is made an empty array first when it is none.
    virtual bool JsonArrayPush(const GbkText& value, const GbkText& path = {}, bool asJson = false);
    // Slot 16: as JsonGetObject for item index (0-based) of the array member.
    virtual std::unique_ptr<JsonObject> JsonArrayItemObject(std::int32_t index,
                                                            const GbkText& path = {});
    // Slot 17: item index as JSON (asJson) or, when it is a text, as that text.
    virtual GbkText JsonArrayItemValue(std::int32_t index, const GbkText& path = {},
                                       bool asJson = false);
    // Slot 18: item index becomes value (a text, or with asJson a JSON text).
    virtual bool JsonArraySetItem(std::int32_t index, const GbkText& path, const GbkText& value,
                                  bool asJson = false);
    // Slot 19: removes item index.
    virtual bool JsonArrayRemove(std::int32_t index, const GbkText& path = {});
    // Slot 20: deletes the member; the value of the delete statement.
    virtual bool JsonRemoveMember(const GbkText& path = {});
    // Slot 21: the member becomes the number.
    virtual bool JsonSetMember(const GbkText& path, double number);
    // Slot 22: the member read as a number.
    virtual double JsonGetNumber(const GbkText& path = {});
    // Slot 23: the member as JSON.
    virtual GbkText JsonGetSubText(const GbkText& path = {});
    // Slot 24: a new reference to the engine, owned by the caller.
    virtual ComPtr<IDispatch> JsonCopyObject();
    // Slot 25: the texts that the engine's get__nodeValue collects into str_all. Nothing
    // defines get__nodeValue, so this gives 0 and an empty list unless a caller added one.
    virtual std::int32_t JsonNodeValues(TextArray& values, const GbkText& path, bool flag);

private:
    struct CopyTag {};
    JsonObject(CopyTag, const JsonObject& source);

    // Releases the engine reference, then ComUninitialize once.
    void JsonRelease();

    struct Resolved {
        GbkText path;
        bool exists = false;
    };
    Resolved Resolve(const GbkText& path);
    AutoValue Eval(const std::wstring& statement);
    std::unique_ptr<JsonObject> ObjectOf(const std::wstring& value);
    bool ParseWide(const std::wstring& text);

    GbkText m_variableName;
    AutoObject m_scriptControl;
    bool m_holdsCom = false;
};

} // namespace toolkit
