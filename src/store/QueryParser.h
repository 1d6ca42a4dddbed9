#pragma once

#include "core/Result.h"
#include "core/Status.h"
#include "store/MainRecord.h"
#include "store/QueryDialect.h"
#include "store/QueryOperandWriter.h"
#include "store/QueryTokenizer.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <vector>

namespace zentaro {

class QueryFlavour;

// Reads the tokens of one query text (QueryDialect's grammar) and writes its
// SQL in the words of a flavour.
class QueryParser
{
public:
    // textIndex: a LIKE on an indexed field may pick its candidates from the
    // flavour's text index.
    QueryParser(std::vector<QueryToken> tokens, const QueryFlavour& flavour, bool textIndex = false);

    Result<TranslatedQuery> statement();
    Result<TranslatedQuery> conditionOnly();

private:
    const QueryToken& peek(size_t ahead = 0) const;
    const QueryToken& next();
    bool isKeyword(const QueryToken& t, const char* word) const;
    bool acceptKeyword(const char* word);
    bool isSymbol(const QueryToken& t, const char* symbol) const;
    bool acceptSymbol(const char* symbol);

    Status unexpected(const QString& expected = {}) const;
    Status expectKeyword(const char* word);
    Status table();
    Status selectList();
    Result<QuerySql> orderList();
    Status finish();

    Result<QuerySql> expression();
    Result<QuerySql> andExpression();
    Result<QuerySql> notExpression();
    Result<QuerySql> predicate();
    Result<QuerySql> likePredicate(const QueryOperand& left, bool negated);
    Result<QueryOperand> operand();

    // Brackets and NOTs nest by recursion; a crafted text must not run the
    // stack out. Far deeper than any search the program builds.
    static constexpr int kMaxNesting = 100;
    Status enter();
    void leave() { --m_nesting; }

    std::vector<QueryToken> m_tokens;
    const QueryFlavour& m_flavour;
    QueryOperandWriter m_operands;
    size_t m_pos = 0;
    int m_nesting = 0;
    bool m_textIndex = false;
};

} // namespace zentaro
