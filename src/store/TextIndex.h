#pragma once

#include "store/MainRecord.h"

#include <QString>

#include <optional>

namespace zentaro {

// The trigram full-text index MainText over Title, Author, Keywords and
// Notes, kept in step with Main by triggers. It only picks candidates: a
// LIKE that uses it still confirms every candidate with the dialect's own
// LIKE, so results are exactly those of the plain scan.
class TextIndex
{
public:
    static constexpr const char* kTable = "MainText";
    // The tokenizer ends a text at its first NUL character, so the index
    // cannot see what follows one: the records whose texts hold a NUL are
    // candidates as well. The partial index MainTextUnseen has this very
    // condition, which lets a search find them without a scan.
    static constexpr const char* kUnseenRows =
        "SELECT MainID FROM Main WHERE instr(Title, char(0)) OR instr(Author, char(0))"
        " OR instr(Keywords, char(0)) OR instr(Notes, char(0))";

    // A MATCH text whose rows include every row where field LIKE pattern
    // holds, or nothing when the pattern has no literal run of three or
    // more characters the index can look up (or field is not indexed). It
    // names at most a few phrases of a few characters, whatever the length
    // of the pattern, and takes time in step with that length.
    static std::optional<QString> CandidateMatch(MainField field, const QString& pattern);
};

} // namespace zentaro
