#pragma once

#include "core/Result.h"

#include <QDateTime>
#include <QString>
#include <QVariantList>

namespace zentaro {

class QueryFlavour;

// A program query text turned into an engine's SQL (its QueryFlavour). Every
// literal of the text is one entry of parameters, bound in order to the marks
// of where; nothing the user typed ever becomes SQL text.
struct TranslatedQuery
{
    enum class Kind { Select, Delete };
    Kind kind = Kind::Select;
    QString where;          // condition without the word WHERE; empty for none
    QString orderBy;        // order terms without ORDER BY; empty for none
    QVariantList parameters; // for where, in order

    // "SELECT MainID FROM Main [WHERE ...] ORDER BY ..., MainID": the keyset.
    QString keysetSql() const;
    // "DELETE FROM Main [WHERE ...]".
    QString deleteSql() const;
};

// The Jet-style query texts the program builds, read into SQL:
//  - SELECT * FROM Main [WHERE ...][ORDER BY ...], a bare "Main", and
//    DELETE [*] FROM Main [WHERE ...]; a WHERE part may run straight into
//    ORDER BY (")ORDER BY Title");
//  - "text" and 'text' are string literals ("" inside is one quote), never
//    names; [Field] and Field are names of Main's fields, in any case;
//  - #date# literals, month first (#12/31/98#, two-digit years 00-29 are
//    20xx) or ISO (#1998-12-31#), with an optional time;
//  - AND OR NOT, = <> < > <= >=, [NOT] LIKE (Jet patterns, no case),
//    [NOT] BETWEEN a AND b (ends included), [NOT] IN (...), IS [NOT] NULL.
// Only table Main can be named. Text fields compare and sort without case.
class QueryDialect
{
public:
    // InvalidQuery with a message a user can read for anything it cannot run.
    // The SQL is written in flavour's words. useTextIndex: the library has a
    // full-text index, which then picks the candidates of a LIKE on the four
    // text fields.
    static Result<TranslatedQuery> translate(const QString& text, const QueryFlavour& flavour,
                                             bool useTextIndex = false);
    // A bare condition, as find first takes it: "MainID = 12".
    static Result<TranslatedQuery> translateCondition(const QString& criteria, const QueryFlavour& flavour);
    // The same in the file engine's SQL (SqliteFlavour).
    static Result<TranslatedQuery> translate(const QString& text, bool useTextIndex = false);
    static Result<TranslatedQuery> translateCondition(const QString& criteria);
    // The text between the "#" marks of a date literal; invalid when it is no date.
    static QDateTime parseDate(const QString& text);
};

} // namespace zentaro
