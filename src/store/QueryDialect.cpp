#include "store/QueryDialect.h"

#include "store/DateText.h"
#include "store/LikePattern.h"
#include "store/MainRecord.h"
#include "store/TextIndex.h"

#include <QRegularExpression>

#include <optional>
#include <vector>

namespace zentaro {

namespace {

// ---------------------------------------------------------------- tokens

struct Token
{
    enum Kind { End, Name, String, Date, Number, Symbol } kind = End;
    QString text;         // Name: the name; String/Date: the contents; Symbol: the operator
    bool bracketed = false; // Name written as [Name]
    qsizetype at = 0;     // offset in the query text, for messages
};

Status queryError(const QString& message)
{
    return Status::failure(ErrorCode::InvalidQuery, message);
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Numbers are written in ASCII digits, as the number pattern reads them; other
// scripts' digits are name characters.
bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

Result<std::vector<Token>> tokenize(const QString& text)
{
    std::vector<Token> tokens;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token token;
        token.at = i;
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            // A doubled quote inside the literal stands for one quote.
            QString value;
            qsizetype j = i + 1;
            bool closed = false;
            while (j < n) {
                if (text[j] == c) {
                    if (j + 1 < n && text[j + 1] == c) {
                        value += c;
                        j += 2;
                        continue;
                    }
                    closed = true;
                    break;
                }
                value += text[j++];
            }
            if (!closed) {
                return Result<std::vector<Token>>(queryError(
                    QStringLiteral("The search cannot be run: a quotation mark (%1) has no closing partner. "
                                   "Remove the quotation mark from the search text and try again.")
                        .arg(c)));
            }
            token.kind = Token::String;
            token.text = value;
            i = j + 1;
        } else if (c == QLatin1Char('#')) {
            const qsizetype close = text.indexOf(QLatin1Char('#'), i + 1);
            if (close < 0) {
                return Result<std::vector<Token>>(queryError(
                    QStringLiteral("The search cannot be run: the date starting with \"#\" has no closing \"#\".")));
            }
            token.kind = Token::Date;
            token.text = text.mid(i + 1, close - i - 1);
            i = close + 1;
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = text.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0) {
                return Result<std::vector<Token>>(queryError(
                    QStringLiteral("The search cannot be run: a field name starting with \"[\" has no closing \"]\".")));
            }
            token.kind = Token::Name;
            token.bracketed = true;
            token.text = text.mid(i + 1, close - i - 1).trimmed();
            i = close + 1;
        } else if (isAsciiDigit(c) || (c == QLatin1Char('.') && i + 1 < n && isAsciiDigit(text[i + 1]))) {
            static const QRegularExpression number(
                QStringLiteral("\\G(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?"));
            const QRegularExpressionMatch m = number.match(text, i);
            qsizetype end = i + m.capturedLength(0);
            if (end < n && isNameChar(text[end])) {
                // "5x", "12abc": a word that starts with digits is no number.
                while (end < n && isNameChar(text[end]))
                    ++end;
                return Result<std::vector<Token>>(queryError(
                    QStringLiteral("The search cannot be run: \"%1\" is not a number.")
                        .arg(text.mid(i, end - i))));
            }
            token.kind = Token::Number;
            token.text = m.captured(0);
            i = end;
        } else if (isNameChar(c)) {
            qsizetype j = i;
            while (j < n && isNameChar(text[j]))
                ++j;
            token.kind = Token::Name;
            token.text = text.mid(i, j - i);
            i = j;
        } else {
            static const QStringList twoChar = {QStringLiteral("<>"), QStringLiteral("<="),
                                                QStringLiteral(">="), QStringLiteral("!=")};
            const QString pair = text.mid(i, 2);
            token.kind = Token::Symbol;
            if (twoChar.contains(pair)) {
                token.text = pair;
                i += 2;
            } else if (QStringLiteral("=<>(),*.;-+").contains(c)) {
                token.text = c;
                ++i;
            } else {
                return Result<std::vector<Token>>(queryError(
                    QStringLiteral("The search cannot be run: the character \"%1\" is not understood here.")
                        .arg(c)));
            }
        }
        tokens.push_back(token);
    }
    Token end;
    end.at = n;
    tokens.push_back(end);
    return tokens;
}

// ---------------------------------------------------------------- dates

int expandYear(const QString& text)
{
    const int year = text.toInt();
    if (text.size() <= 2)
        return year < 30 ? 2000 + year : 1900 + year;
    return year;
}

std::optional<QTime> parseTime(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{1,2})(?::(\\d{1,2}))?(?::(\\d{1,2}))?\\s*([AaPp][Mm])?$"));
    const QRegularExpressionMatch m = pattern.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    if (m.captured(2).isEmpty() && m.captured(4).isEmpty())
        return std::nullopt; // a bare number is no time
    int hour = m.captured(1).toInt();
    const int minute = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
    const int second = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    const QString half = m.captured(4).toUpper();
    if (!half.isEmpty()) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        if (half == QLatin1String("AM") && hour == 12)
            hour = 0;
        else if (half == QLatin1String("PM") && hour != 12)
            hour += 12;
    }
    QTime time(hour, minute, second);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

// ---------------------------------------------------------------- parser

// A piece of translated SQL with the values bound to its "?" marks.
struct Sql
{
    QString text;
    QVariantList params;

    Sql& operator+=(const Sql& other)
    {
        text += other.text;
        params += other.params;
        return *this;
    }
    Sql& operator+=(const QString& other)
    {
        text += other;
        return *this;
    }
};

struct Operand
{
    enum Kind { Field, StringLit, NumberLit, DateLit, BoolLit, NullLit, Condition, Unknown };
    Kind kind = Unknown;
    MainField field = MainField::MainID;
    QString text;   // literal text, unknown name
    QVariant value; // NumberLit: qint64 or double; DateLit: QDateTime; BoolLit: bool
    Sql sql;        // Condition: the translated expression
};

class Parser
{
public:
    explicit Parser(std::vector<Token> tokens, bool textIndex = false)
        : m_tokens(std::move(tokens)), m_textIndex(textIndex)
    {
    }

    Result<TranslatedQuery> statement();
    Result<TranslatedQuery> conditionOnly();

private:
    const Token& peek(size_t ahead = 0) const
    {
        const size_t i = std::min(m_pos + ahead, m_tokens.size() - 1);
        return m_tokens[i];
    }
    const Token& next() { return m_tokens[std::min(m_pos++, m_tokens.size() - 1)]; }
    bool isKeyword(const Token& t, const char* word) const
    {
        return t.kind == Token::Name && !t.bracketed && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool acceptKeyword(const char* word)
    {
        if (isKeyword(peek(), word)) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool isSymbol(const Token& t, const char* symbol) const
    {
        return t.kind == Token::Symbol && t.text == QLatin1String(symbol);
    }
    bool acceptSymbol(const char* symbol)
    {
        if (isSymbol(peek(), symbol)) {
            ++m_pos;
            return true;
        }
        return false;
    }

    Status unexpected(const QString& expected = {}) const;
    Status expectKeyword(const char* word);
    Status table();
    Status selectList();
    Result<Sql> orderList();
    Status finish();

    Result<Sql> expression();
    Result<Sql> andExpression();
    Result<Sql> notExpression();
    Result<Sql> predicate();
    Result<Operand> operand();

    Result<Sql> fieldOrLiteral(const Operand& op, const Operand& other) const;
    Result<Sql> asCondition(const Operand& op) const;

    // Brackets and NOTs nest by recursion; a crafted text must not run the
    // stack out. Far deeper than any search the program builds.
    static constexpr int kMaxNesting = 100;
    Status enter();
    void leave() { --m_nesting; }

    std::vector<Token> m_tokens;
    size_t m_pos = 0;
    int m_nesting = 0;
    bool m_textIndex = false;
};

Status Parser::enter()
{
    if (++m_nesting > kMaxNesting) {
        --m_nesting;
        return queryError(QStringLiteral("The search cannot be run: it nests brackets or NOT more than %1 deep.")
                              .arg(kMaxNesting));
    }
    return {};
}

QString describe(const Token& t)
{
    switch (t.kind) {
    case Token::End: return QStringLiteral("the end of the search");
    case Token::String: return QStringLiteral("\"%1\"").arg(t.text);
    case Token::Date: return QStringLiteral("#%1#").arg(t.text);
    case Token::Name: return t.bracketed ? QStringLiteral("[%1]").arg(t.text) : t.text;
    default: return t.text;
    }
}

Status Parser::unexpected(const QString& expected) const
{
    const Token& t = peek();
    QString message = QStringLiteral("The search cannot be run: %1 was not expected here")
                          .arg(t.kind == Token::End ? describe(t) : QStringLiteral("\"%1\"").arg(describe(t)));
    if (!expected.isEmpty())
        message += QStringLiteral(" (%1 is missing)").arg(expected);
    message += QLatin1Char('.');
    if (m_pos > 0 && m_tokens[m_pos - 1].kind == Token::String)
        message += QStringLiteral(" A quotation mark inside the search text ends the text early; remove it and try again.");
    return queryError(message);
}

Status Parser::expectKeyword(const char* word)
{
    if (acceptKeyword(word))
        return {};
    return unexpected(QString::fromLatin1(word));
}

Status Parser::table()
{
    const Token& t = next();
    if (t.kind != Token::Name) {
        --m_pos;
        return unexpected(QStringLiteral("a table name"));
    }
    if (t.text.compare(QLatin1String("Main"), Qt::CaseInsensitive) != 0) {
        return queryError(QStringLiteral("The search cannot be run: only the records of the library (table Main) can be listed, not \"%1\".")
                              .arg(t.text));
    }
    return {};
}

Status Parser::selectList()
{
    if (acceptSymbol("*"))
        return {};
    for (;;) {
        const Token& t = next();
        if (t.kind != Token::Name) {
            --m_pos;
            return unexpected(QStringLiteral("a field name"));
        }
        if (isSymbol(peek(), ".")) {
            if (t.text.compare(QLatin1String("Main"), Qt::CaseInsensitive) != 0)
                return queryError(QStringLiteral("The search cannot be run: only table Main can be read."));
            ++m_pos;
            if (acceptSymbol("*"))
                return {};
            if (peek().kind != Token::Name)
                return unexpected(QStringLiteral("a field name"));
            const Token& f = next();
            if (!MainRecord::fieldFromName(f.text))
                return queryError(QStringLiteral("The search cannot be run: there is no field called \"%1\".").arg(f.text));
        } else if (!MainRecord::fieldFromName(t.text)) {
            if (t.text.compare(QLatin1String("OLE"), Qt::CaseInsensitive) != 0)
                return queryError(QStringLiteral("The search cannot be run: there is no field called \"%1\".").arg(t.text));
        }
        if (!acceptSymbol(","))
            return {};
    }
}

Result<Sql> Parser::orderList()
{
    Sql sql;
    for (;;) {
        if (isKeyword(peek(), "Main") && isSymbol(peek(1), ".")) // Main.Title
            m_pos += 2;
        const Token& t = next();
        if (t.kind != Token::Name) {
            --m_pos;
            return Result<Sql>(unexpected(QStringLiteral("a field name after ORDER BY")));
        }
        const std::optional<MainField> field = MainRecord::fieldFromName(t.text);
        if (!field) {
            if (t.text.compare(QLatin1String("OLE"), Qt::CaseInsensitive) == 0)
                return Result<Sql>(queryError(QStringLiteral("The list cannot be sorted by the stored file itself (OLE).")));
            return Result<Sql>(queryError(
                QStringLiteral("The list cannot be sorted: there is no field called \"%1\".").arg(t.text)));
        }
        if (!sql.text.isEmpty())
            sql += QStringLiteral(", ");
        sql += MainRecord::fieldName(*field);
        if (MainRecord::fieldKind(*field) == FieldKind::Text)
            sql += QStringLiteral(" COLLATE NOCASE");
        if (acceptKeyword("DESC"))
            sql += QStringLiteral(" DESC");
        else
            acceptKeyword("ASC");
        if (!acceptSymbol(","))
            return sql;
    }
}

Status Parser::finish()
{
    acceptSymbol(";");
    if (peek().kind != Token::End)
        return unexpected();
    return {};
}

Result<TranslatedQuery> Parser::statement()
{
    TranslatedQuery query;
    if (acceptKeyword("SELECT")) {
        query.kind = TranslatedQuery::Kind::Select;
        if (Status s = selectList(); !s)
            return Result<TranslatedQuery>(s);
        if (Status s = expectKeyword("FROM"); !s)
            return Result<TranslatedQuery>(s);
        if (Status s = table(); !s)
            return Result<TranslatedQuery>(s);
    } else if (acceptKeyword("DELETE")) {
        query.kind = TranslatedQuery::Kind::Delete;
        acceptSymbol("*");
        if (Status s = expectKeyword("FROM"); !s)
            return Result<TranslatedQuery>(s);
        if (Status s = table(); !s)
            return Result<TranslatedQuery>(s);
    } else if (peek().kind == Token::Name && peek(1).kind == Token::End) {
        // A bare table name as a record source.
        if (Status s = table(); !s)
            return Result<TranslatedQuery>(s);
        return query;
    } else {
        return Result<TranslatedQuery>(unexpected(QStringLiteral("SELECT")));
    }

    if (acceptKeyword("WHERE")) {
        Result<Sql> where = expression();
        if (!where)
            return Result<TranslatedQuery>(where.status());
        query.where = where->text;
        query.parameters = where->params;
    }
    if (query.kind == TranslatedQuery::Kind::Select && acceptKeyword("ORDER")) {
        if (Status s = expectKeyword("BY"); !s)
            return Result<TranslatedQuery>(s);
        Result<Sql> order = orderList();
        if (!order)
            return Result<TranslatedQuery>(order.status());
        query.orderBy = order->text;
    }
    if (Status s = finish(); !s)
        return Result<TranslatedQuery>(s);
    return query;
}

Result<TranslatedQuery> Parser::conditionOnly()
{
    Result<Sql> where = expression();
    if (!where)
        return Result<TranslatedQuery>(where.status());
    if (Status s = finish(); !s)
        return Result<TranslatedQuery>(s);
    TranslatedQuery query;
    query.where = where->text;
    query.parameters = where->params;
    return query;
}

Result<Sql> Parser::expression()
{
    Result<Sql> left = andExpression();
    if (!left)
        return left;
    Sql sql = *left;
    while (acceptKeyword("OR")) {
        Result<Sql> right = andExpression();
        if (!right)
            return right;
        sql += QStringLiteral(" OR ");
        sql += *right;
    }
    return sql;
}

Result<Sql> Parser::andExpression()
{
    Result<Sql> left = notExpression();
    if (!left)
        return left;
    Sql sql = *left;
    while (acceptKeyword("AND")) {
        Result<Sql> right = notExpression();
        if (!right)
            return right;
        sql += QStringLiteral(" AND ");
        sql += *right;
    }
    return sql;
}

Result<Sql> Parser::notExpression()
{
    if (acceptKeyword("NOT")) {
        if (Status deeper = enter(); !deeper)
            return Result<Sql>(deeper);
        Result<Sql> inner = notExpression();
        leave();
        if (!inner)
            return inner;
        Sql sql;
        sql += QStringLiteral("NOT (");
        sql += *inner;
        sql += QStringLiteral(")");
        return sql;
    }
    return predicate();
}

// The SQL of an operand compared with another: a literal takes the type of
// the field it is compared with, so that text never meets a number field.
Result<Sql> Parser::fieldOrLiteral(const Operand& op, const Operand& other) const
{
    Sql sql;
    auto bind = [&sql](const QVariant& v) {
        sql.text = QStringLiteral("?");
        sql.params.push_back(v);
        return sql;
    };
    switch (op.kind) {
    case Operand::Field:
        sql.text = MainRecord::fieldName(op.field);
        if (MainRecord::fieldKind(op.field) == FieldKind::Text)
            sql.text += QStringLiteral(" COLLATE NOCASE");
        return sql;
    case Operand::Condition:
        return op.sql;
    case Operand::NullLit:
        sql.text = QStringLiteral("NULL");
        return sql;
    case Operand::Unknown:
        break;
    default: {
        if (other.kind != Operand::Field) {
            if (op.kind == Operand::DateLit)
                return bind(DateText::toText(op.value.toDateTime()));
            if (op.kind == Operand::StringLit)
                return bind(op.text);
            return bind(op.value);
        }
        const FieldKind kind = MainRecord::fieldKind(other.field);
        const QString fieldName = MainRecord::fieldName(other.field);
        if (kind == FieldKind::Integer) {
            if (op.kind == Operand::NumberLit)
                return bind(op.value);
            if (op.kind == Operand::StringLit) {
                bool ok = false;
                const QString t = op.text.trimmed();
                const qint64 whole = t.toLongLong(&ok);
                if (ok)
                    return bind(QVariant::fromValue(whole));
                const double d = t.toDouble(&ok);
                if (ok)
                    return bind(d);
            }
            return Result<Sql>(queryError(
                QStringLiteral("The search cannot be run: %1 holds numbers, and \"%2\" is not a number.")
                    .arg(fieldName, op.kind == Operand::DateLit ? QStringLiteral("#%1#").arg(op.text) : op.text)));
        }
        if (kind == FieldKind::Date) {
            if (op.kind == Operand::DateLit)
                return bind(DateText::toText(op.value.toDateTime()));
            if (op.kind == Operand::StringLit) {
                const QDateTime when = QueryDialect::parseDate(op.text);
                if (when.isValid())
                    return bind(DateText::toText(when));
            }
            return Result<Sql>(queryError(
                QStringLiteral("The search cannot be run: %1 holds dates, and \"%2\" is not a date.")
                    .arg(fieldName, op.text)));
        }
        // Text field: the literal is compared as text.
        if (op.kind == Operand::DateLit)
            return bind(DateText::toText(op.value.toDateTime()));
        return bind(op.text);
    }
    }
    // An unknown name: say what was expected of it.
    if (other.kind == Operand::Field) {
        const FieldKind kind = MainRecord::fieldKind(other.field);
        if (kind == FieldKind::Integer) {
            return Result<Sql>(queryError(
                QStringLiteral("The search cannot be run: %1 holds numbers, and \"%2\" is not a number.")
                    .arg(MainRecord::fieldName(other.field), op.text)));
        }
        if (kind == FieldKind::Date) {
            return Result<Sql>(queryError(
                QStringLiteral("The search cannot be run: %1 holds dates, and \"%2\" is not a date.")
                    .arg(MainRecord::fieldName(other.field), op.text)));
        }
    }
    return Result<Sql>(queryError(
        QStringLiteral("The search cannot be run: there is no field called \"%1\".").arg(op.text)));
}

Result<Sql> Parser::asCondition(const Operand& op) const
{
    Operand none;
    none.kind = Operand::NullLit;
    Result<Sql> sql = fieldOrLiteral(op, none);
    if (!sql)
        return sql;
    if (op.kind == Operand::Condition)
        return sql;
    Sql wrapped;
    wrapped += QStringLiteral("(");
    wrapped += *sql;
    wrapped += QStringLiteral(")");
    return wrapped;
}

Result<Sql> Parser::predicate()
{
    Result<Operand> leftOp = operand();
    if (!leftOp)
        return Result<Sql>(leftOp.status());
    const Operand left = *leftOp;

    const Token& t = peek();
    const bool negated = isKeyword(t, "NOT") &&
                         (isKeyword(peek(1), "LIKE") || isKeyword(peek(1), "BETWEEN") || isKeyword(peek(1), "IN"));
    if (negated)
        ++m_pos;

    if (acceptKeyword("LIKE")) {
        Result<Operand> patternOp = operand();
        if (!patternOp)
            return Result<Sql>(patternOp.status());
        Operand none;
        Result<Sql> value = fieldOrLiteral(left, none);
        if (!value)
            return value;
        Sql sql;
        sql += QString::fromLatin1(negated ? "NOT " : "");
        // The index narrows the rows the LIKE below has to look at.
        std::optional<QString> candidates;
        if (m_textIndex && !negated && left.kind == Operand::Field && patternOp->kind == Operand::StringLit)
            candidates = TextIndex::CandidateMatch(left.field, patternOp->text);
        if (candidates) {
            sql += QStringLiteral("(MainID IN (SELECT rowid FROM ") + QString::fromLatin1(TextIndex::kTable) +
                   QStringLiteral(" WHERE ") + QString::fromLatin1(TextIndex::kTable) + QStringLiteral(" MATCH ? UNION ") +
                   QString::fromLatin1(TextIndex::kUnseenRows) + QStringLiteral(") AND ");
            sql.params.push_back(*candidates);
        }
        sql += QString::fromLatin1(QueryDialect::kLikeFunction) + QStringLiteral("(");
        if (patternOp->kind == Operand::StringLit) {
            // Checked here, so that a bad pattern is an error before anything runs.
            Result<LikePattern> compiled = LikePattern::compile(patternOp->text);
            if (!compiled)
                return Result<Sql>(compiled.status());
            sql.text += QStringLiteral("?");
            sql.params.push_back(patternOp->text);
        } else if (patternOp->kind == Operand::Field) {
            sql += MainRecord::fieldName(patternOp->field);
        } else if (patternOp->kind == Operand::NumberLit) {
            sql.text += QStringLiteral("?");
            sql.params.push_back(patternOp->text);
        } else {
            return Result<Sql>(queryError(
                QStringLiteral("The search cannot be run: LIKE needs a text in quotation marks after it.")));
        }
        sql += QStringLiteral(", ");
        // The value as stored, without the collation marker.
        if (left.kind == Operand::Field)
            sql += MainRecord::fieldName(left.field);
        else
            sql += *value;
        sql += QStringLiteral(")");
        if (candidates)
            sql += QStringLiteral(")");
        return sql;
    }

    if (acceptKeyword("BETWEEN")) {
        Result<Operand> low = operand();
        if (!low)
            return Result<Sql>(low.status());
        if (Status s = expectKeyword("AND"); !s)
            return Result<Sql>(s);
        Result<Operand> high = operand();
        if (!high)
            return Result<Sql>(high.status());
        Result<Sql> l = fieldOrLiteral(left, *low);
        Result<Sql> a = fieldOrLiteral(*low, left);
        Result<Sql> b = fieldOrLiteral(*high, left);
        for (const Result<Sql>* r : {&l, &a, &b}) {
            if (!*r)
                return *r;
        }
        Sql sql;
        sql += QStringLiteral("(");
        sql += *l;
        sql += QString::fromLatin1(negated ? " NOT BETWEEN " : " BETWEEN ");
        sql += *a;
        sql += QStringLiteral(" AND ");
        sql += *b;
        sql += QStringLiteral(")");
        return sql;
    }

    if (acceptKeyword("IN")) {
        if (!acceptSymbol("("))
            return Result<Sql>(unexpected(QStringLiteral("\"(\"")));
        Operand none;
        Result<Sql> l = fieldOrLiteral(left, none);
        if (!l)
            return l;
        Sql sql;
        sql += QStringLiteral("(");
        sql += *l;
        sql += QString::fromLatin1(negated ? " NOT IN (" : " IN (");
        for (bool first = true;; first = false) {
            Result<Operand> item = operand();
            if (!item)
                return Result<Sql>(item.status());
            Result<Sql> v = fieldOrLiteral(*item, left);
            if (!v)
                return v;
            if (!first)
                sql += QStringLiteral(", ");
            sql += *v;
            if (acceptSymbol(")"))
                break;
            if (!acceptSymbol(","))
                return Result<Sql>(unexpected(QStringLiteral("\")\"")));
        }
        sql += QStringLiteral("))");
        return sql;
    }

    if (acceptKeyword("IS")) {
        const bool isNot = acceptKeyword("NOT");
        if (Status s = expectKeyword("NULL"); !s)
            return Result<Sql>(s);
        Operand none;
        Result<Sql> l = fieldOrLiteral(left, none);
        if (!l)
            return l;
        Sql sql;
        sql += QStringLiteral("(");
        sql += *l;
        sql += QString::fromLatin1(isNot ? " IS NOT NULL)" : " IS NULL)");
        return sql;
    }

    static const QStringList comparisons = {QStringLiteral("="),  QStringLiteral("<>"), QStringLiteral("!="),
                                            QStringLiteral("<"),  QStringLiteral(">"),  QStringLiteral("<="),
                                            QStringLiteral(">=")};
    if (t.kind == Token::Symbol && comparisons.contains(t.text)) {
        const QString op = t.text == QLatin1String("!=") ? QStringLiteral("<>") : t.text;
        ++m_pos;
        Result<Operand> rightOp = operand();
        if (!rightOp)
            return Result<Sql>(rightOp.status());
        if (left.kind == Operand::Field && rightOp->kind == Operand::Field &&
            MainRecord::fieldKind(left.field) != MainRecord::fieldKind(rightOp->field)) {
            return Result<Sql>(queryError(QStringLiteral("The search cannot be run: %1 and %2 hold different kinds of values.")
                                              .arg(MainRecord::fieldName(left.field), MainRecord::fieldName(rightOp->field))));
        }
        Result<Sql> l = fieldOrLiteral(left, *rightOp);
        if (!l)
            return l;
        Result<Sql> r = fieldOrLiteral(*rightOp, left);
        if (!r)
            return r;
        Sql sql;
        sql += QStringLiteral("(");
        sql += *l;
        sql += QLatin1Char(' ') + op + QLatin1Char(' ');
        sql += *r;
        sql += QStringLiteral(")");
        return sql;
    }

    if (negated)
        return Result<Sql>(unexpected());
    // A bare value as a condition: "(True)", or a parenthesised condition.
    return asCondition(left);
}

Result<Operand> Parser::operand()
{
    Operand op;
    const Token t = next();
    switch (t.kind) {
    case Token::End:
        --m_pos;
        return Result<Operand>(unexpected(QStringLiteral("a value")));
    case Token::String:
        op.kind = Operand::StringLit;
        op.text = t.text;
        return op;
    case Token::Date: {
        const QDateTime when = QueryDialect::parseDate(t.text);
        if (!when.isValid()) {
            return Result<Operand>(queryError(
                QStringLiteral("The search cannot be run: \"%1\" is not a date.").arg(t.text.trimmed())));
        }
        op.kind = Operand::DateLit;
        op.text = t.text.trimmed();
        op.value = when;
        return op;
    }
    case Token::Number: {
        op.kind = Operand::NumberLit;
        op.text = t.text;
        bool ok = false;
        const qint64 whole = t.text.toLongLong(&ok);
        op.value = ok ? QVariant::fromValue(whole) : QVariant(t.text.toDouble());
        return op;
    }
    case Token::Symbol:
        if (t.text == QLatin1String("(")) {
            if (Status deeper = enter(); !deeper)
                return Result<Operand>(deeper);
            Result<Sql> inner = expression();
            leave();
            if (!inner)
                return Result<Operand>(inner.status());
            if (!acceptSymbol(")"))
                return Result<Operand>(unexpected(QStringLiteral("\")\"")));
            // "(FileSize)" stays a field so that it can still be compared.
            op.kind = Operand::Condition;
            op.sql.text = QStringLiteral("(") + inner->text + QStringLiteral(")");
            op.sql.params = inner->params;
            return op;
        }
        if ((t.text == QLatin1String("-") || t.text == QLatin1String("+")) && peek().kind == Token::Number) {
            const Token number = next();
            op.kind = Operand::NumberLit;
            op.text = (t.text == QLatin1String("-") ? QStringLiteral("-") : QString()) + number.text;
            bool ok = false;
            const qint64 whole = op.text.toLongLong(&ok);
            op.value = ok ? QVariant::fromValue(whole) : QVariant(op.text.toDouble());
            return op;
        }
        --m_pos;
        return Result<Operand>(unexpected(QStringLiteral("a value")));
    case Token::Name:
        break;
    }

    if (!t.bracketed) {
        if (isKeyword(t, "TRUE") || isKeyword(t, "FALSE")) {
            op.kind = Operand::BoolLit;
            op.text = t.text;
            op.value = isKeyword(t, "TRUE");
            return op;
        }
        if (isKeyword(t, "NULL")) {
            op.kind = Operand::NullLit;
            return op;
        }
        static const char* reserved[] = {"SELECT", "FROM", "WHERE", "ORDER", "BY", "AND", "OR", "NOT",
                                         "LIKE", "BETWEEN", "IN", "IS", "DELETE", "ASC", "DESC"};
        for (const char* word : reserved) {
            if (isKeyword(t, word)) {
                --m_pos;
                return Result<Operand>(unexpected(QStringLiteral("a value")));
            }
        }
    }
    QString name = t.text;
    if (isSymbol(peek(), ".")) {
        if (name.compare(QLatin1String("Main"), Qt::CaseInsensitive) != 0) {
            return Result<Operand>(queryError(QStringLiteral("The search cannot be run: only table Main can be read, not \"%1\".")
                                                  .arg(name)));
        }
        ++m_pos;
        const Token& f = next();
        if (f.kind != Token::Name) {
            --m_pos;
            return Result<Operand>(unexpected(QStringLiteral("a field name")));
        }
        name = f.text;
    }
    if (const std::optional<MainField> field = MainRecord::fieldFromName(name)) {
        op.kind = Operand::Field;
        op.field = *field;
        return op;
    }
    if (name.compare(QLatin1String("OLE"), Qt::CaseInsensitive) == 0) {
        return Result<Operand>(queryError(
            QStringLiteral("The search cannot be run: the stored file itself (OLE) cannot be searched.")));
    }
    if (isSymbol(peek(), "(")) {
        return Result<Operand>(queryError(
            QStringLiteral("The search cannot be run: \"%1\" is not something the search understands.").arg(name)));
    }
    op.kind = Operand::Unknown;
    op.text = name;
    return op;
}

} // namespace

QString TranslatedQuery::keysetSql() const
{
    QString sql = QStringLiteral("SELECT MainID FROM Main");
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    sql += QStringLiteral(" ORDER BY ");
    if (!orderBy.isEmpty())
        sql += orderBy + QStringLiteral(", ");
    // The tie-break runs the way the last key does, so one index serves both.
    sql += orderBy.endsWith(QLatin1String(" DESC")) ? QStringLiteral("MainID DESC") : QStringLiteral("MainID");
    return sql;
}

QString TranslatedQuery::deleteSql() const
{
    QString sql = QStringLiteral("DELETE FROM Main");
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    return sql;
}

Result<TranslatedQuery> QueryDialect::translate(const QString& text, bool useTextIndex)
{
    Result<std::vector<Token>> tokens = tokenize(text);
    if (!tokens)
        return Result<TranslatedQuery>(tokens.status());
    Parser parser(std::move(*tokens), useTextIndex);
    return parser.statement();
}

Result<TranslatedQuery> QueryDialect::translateCondition(const QString& criteria)
{
    Result<std::vector<Token>> tokens = tokenize(criteria);
    if (!tokens)
        return Result<TranslatedQuery>(tokens.status());
    Parser parser(std::move(*tokens));
    return parser.conditionOnly();
}

QDateTime QueryDialect::parseDate(const QString& text)
{
    const QString trimmed = text.trimmed();
    static const QRegularExpression iso(
        QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[ T](.+))?$"));
    static const QRegularExpression monthFirst(
        QStringLiteral("^(\\d{1,2})([/.-])(\\d{1,2})\\2(\\d{2}|\\d{4})(?:\\s+(.+))?$"));

    QDate day;
    QString timeText;
    if (const QRegularExpressionMatch m = iso.match(trimmed); m.hasMatch()) {
        day = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        timeText = m.captured(4);
    } else if (const QRegularExpressionMatch m2 = monthFirst.match(trimmed); m2.hasMatch()) {
        const int year = expandYear(m2.captured(4));
        const int first = m2.captured(1).toInt();
        const int second = m2.captured(3).toInt();
        // Month first; like Jet, a first number that cannot be a month is the day.
        day = QDate(year, first, second);
        if (!day.isValid())
            day = QDate(year, second, first);
        timeText = m2.captured(5);
    } else {
        return {};
    }
    if (!day.isValid())
        return {};
    QTime time(0, 0, 0);
    if (!timeText.trimmed().isEmpty()) {
        const std::optional<QTime> parsed = parseTime(timeText);
        if (!parsed)
            return {};
        time = *parsed;
    }
    return QDateTime(day, time);
}

} // namespace zentaro
