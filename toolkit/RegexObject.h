#pragma once
// The regular-expression class over the platform's VBScript.RegExp object: one execute
// compiles a pattern with its flags and runs it over a subject, keeping the match collection
// and the subject; later calls read match texts, submatches, counts and byte positions, or
// replace. Match and submatch numbers are 1-based; positions are 0-based byte offsets into the
// subject as code page 936 text. Failures give "", 0, false or empty bytes.
//
// The virtual methods are the class's method table, in its fixed slot order. The constructor
// initialises COM on the calling thread; slot 0 (also run by the destructor when the owner has
// not) releases the objects and uninitialises COM once. An object belongs to its thread.
#include <cstdint>
#include <memory>
#include <optional>

#include "toolkit/Automation.h"
#include "toolkit/Types.h"

namespace toolkit {

class RegexObject {
public:
    // RegexObjectInit: no automation object yet; the subject holds the integer 0.
    RegexObject();
    virtual ~RegexObject();
    RegexObject(const RegexObject&) = delete;
    RegexObject& operator=(const RegexObject&) = delete;

    // Slot 0: releases the expression object and the matches, clears the subject, and gives
    // back the COM initialisation; later calls do nothing.
    virtual void RegexObjectDestroy();
    // Slot 1: a second object sharing the expression object and the matches, with a copy of
    // the subject and a COM initialisation of its own.
    virtual std::unique_ptr<RegexObject> RegexObjectCopy() const;
    // Slot 2: case is ignored unless caseSensitive; multiline and global are on unless given
    // false; with quotePlaceholder every "#引号" of the pattern becomes a double quote. True
    // when the execute gave a match collection (also an empty one); false for an invalid
    // pattern or when the object cannot be created.
    virtual bool RegexExecute(const GbkText& pattern, const GbkText& subject,
                              std::optional<bool> caseSensitive = std::nullopt,
                              std::optional<bool> multiline = std::nullopt,
                              std::optional<bool> global = std::nullopt,
                              std::optional<bool> quotePlaceholder = std::nullopt);
    // Slot 3: as slot 2 over a subject of UTF-16LE bytes (absent: empty).
    virtual bool RegexExecuteBytes(const GbkText& pattern, const std::optional<ByteSet>& subject,
                                   std::optional<bool> caseSensitive = std::nullopt,
                                   std::optional<bool> multiline = std::nullopt,
                                   std::optional<bool> global = std::nullopt,
                                   std::optional<bool> quotePlaceholder = std::nullopt);
    // Slot 4: does nothing.
    virtual void RegexNothing() {}
    // Slot 5: the pattern of the last execute, placeholders replaced.
    virtual GbkText RegexGetPattern();
    // Slot 6: the last subject with the last execute's matches replaced; "$1" in the
    // replacement stands for group 1.
    virtual GbkText RegexReplace(const std::optional<GbkText>& replacement = std::nullopt);
    // Slot 7: as slot 6 with the replacement as UTF-16LE bytes; the result as UTF-16LE bytes.
    virtual ByteSet RegexReplaceVariant(const std::optional<ByteSet>& replacement = std::nullopt);
    // Slot 8: the number of matches.
    virtual std::int32_t RegexCount();
    // Slot 9: the text of match matchIndex; with position, also its byte offset (-2 when it
    // cannot be found, as for an empty subject).
    virtual GbkText RegexMatchText(std::int32_t matchIndex, std::int32_t* position = nullptr);
    // Slot 10: the text of match matchIndex as UTF-16LE bytes.
    virtual ByteSet RegexMatchValue(std::int32_t matchIndex);
    // Slot 11: group subIndex of match matchIndex ("" when the group took no part); with
    // position, the byte offset of the first occurrence of its text from the match's start.
    virtual GbkText RegexSubMatchText(std::int32_t matchIndex, std::int32_t subIndex,
                                      std::int32_t* position = nullptr);
    // Slot 12: group subIndex of match matchIndex as UTF-16LE bytes.
    virtual ByteSet RegexSubMatch(std::int32_t matchIndex, std::int32_t subIndex);
    // Slot 13: the number of groups of the first match; 0 when nothing matched.
    virtual std::int32_t RegexSubMatchCount();

private:
    struct CopyTag {};
    RegexObject(CopyTag, const RegexObject& source);

    void RegexRelease();
    bool Execute(const GbkText& pattern, AutoArg subject, std::optional<bool> caseSensitive,
                 std::optional<bool> multiline, std::optional<bool> global,
                 std::optional<bool> quotePlaceholder);
    AutoObject Match(std::int32_t matchIndex);
    AutoValue SubMatch(std::int32_t matchIndex, std::int32_t subIndex);
    // The subject as the expression object reads it, and as code page 936 text.
    std::wstring SubjectWide() const;
    std::int32_t MatchOffset(AutoObject& match);

    AutoObject m_regExp;
    AutoObject m_matches;
    VARIANT m_subject;
    bool m_holdsCom = false;
};

} // namespace toolkit
