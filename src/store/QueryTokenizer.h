#pragma once

#include "core/Result.h"
#include "core/Status.h"

#include <QString>

#include <vector>

namespace zentaro {

// One word, literal or operator of a query text.
struct QueryToken
{
    enum Kind { End, Name, String, Date, Number, Symbol } kind = End;
    QString text;           // Name: the name; String/Date: the contents; Symbol: the operator
    bool bracketed = false; // Name written as [Name]
    qsizetype at = 0;       // offset in the query text, for messages
};

// Cuts a query text of the dialect into tokens, ending with one End token.
class QueryTokenizer
{
public:
    // InvalidQuery naming what cannot be read (an unclosed quote, "#" or "[").
    static Result<std::vector<QueryToken>> tokenize(const QString& text);
    // The InvalidQuery failure every part of the dialect reports with.
    static Status failure(const QString& message);
};

} // namespace zentaro
