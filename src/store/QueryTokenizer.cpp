#include "store/QueryTokenizer.h"

#include <QRegularExpression>
#include <QStringList>

namespace zentaro {

namespace {

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

} // namespace

Status QueryTokenizer::failure(const QString& message)
{
    return Status::failure(ErrorCode::InvalidQuery, message);
}

Result<std::vector<QueryToken>> QueryTokenizer::tokenize(const QString& text)
{
    std::vector<QueryToken> tokens;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        QueryToken token;
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
                return Result<std::vector<QueryToken>>(QueryTokenizer::failure(
                    QStringLiteral("The search cannot be run: a quotation mark (%1) has no closing partner. "
                                   "Remove the quotation mark from the search text and try again.")
                        .arg(c)));
            }
            token.kind = QueryToken::String;
            token.text = value;
            i = j + 1;
        } else if (c == QLatin1Char('#')) {
            const qsizetype close = text.indexOf(QLatin1Char('#'), i + 1);
            if (close < 0) {
                return Result<std::vector<QueryToken>>(QueryTokenizer::failure(
                    QStringLiteral("The search cannot be run: the date starting with \"#\" has no closing \"#\".")));
            }
            token.kind = QueryToken::Date;
            token.text = text.mid(i + 1, close - i - 1);
            i = close + 1;
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = text.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0) {
                return Result<std::vector<QueryToken>>(QueryTokenizer::failure(
                    QStringLiteral("The search cannot be run: a field name starting with \"[\" has no closing \"]\".")));
            }
            token.kind = QueryToken::Name;
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
                return Result<std::vector<QueryToken>>(QueryTokenizer::failure(
                    QStringLiteral("The search cannot be run: \"%1\" is not a number.")
                        .arg(text.mid(i, end - i))));
            }
            token.kind = QueryToken::Number;
            token.text = m.captured(0);
            i = end;
        } else if (isNameChar(c)) {
            qsizetype j = i;
            while (j < n && isNameChar(text[j]))
                ++j;
            token.kind = QueryToken::Name;
            token.text = text.mid(i, j - i);
            i = j;
        } else {
            static const QStringList twoChar = {QStringLiteral("<>"), QStringLiteral("<="),
                                                QStringLiteral(">="), QStringLiteral("!=")};
            const QString pair = text.mid(i, 2);
            token.kind = QueryToken::Symbol;
            if (twoChar.contains(pair)) {
                token.text = pair;
                i += 2;
            } else if (QStringLiteral("=<>(),*.;-+").contains(c)) {
                token.text = c;
                ++i;
            } else {
                return Result<std::vector<QueryToken>>(QueryTokenizer::failure(
                    QStringLiteral("The search cannot be run: the character \"%1\" is not understood here.")
                        .arg(c)));
            }
        }
        tokens.push_back(token);
    }
    QueryToken end;
    end.at = n;
    tokens.push_back(end);
    return tokens;
}

} // namespace zentaro
