#include "store/server/PgFlavour.h"

#include "store/DateText.h"

#include <QList>

namespace zentaro {

namespace {

// One piece of a Jet pattern, read as LikePattern reads it.
struct Piece
{
    enum Kind { Literal, AnyRun, AnyOne, Digit, Set } kind = Literal;
    char32_t ch = 0;
    bool negated = false;
    QList<QPair<char32_t, char32_t>> ranges;
};

// The pattern is known to be well formed (LikePattern::compile took it).
QList<Piece> pieces(const QString& pattern)
{
    QList<Piece> out;
    const QList<uint> chars = pattern.toUcs4();
    const qsizetype n = chars.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t ch = chars[i];
        Piece piece;
        if (ch == U'*') {
            piece.kind = Piece::AnyRun;
        } else if (ch == U'?') {
            piece.kind = Piece::AnyOne;
        } else if (ch == U'#') {
            piece.kind = Piece::Digit;
        } else if (ch == U'[') {
            qsizetype close = i + 1;
            while (close < n && chars[close] != U']')
                ++close;
            qsizetype j = i + 1;
            if (j < close && chars[j] == U'!') {
                piece.negated = true;
                ++j;
            }
            i = close;
            if (j == close) {
                // "[]" is nothing, "[!]" any one character.
                if (piece.negated) {
                    piece.kind = Piece::AnyOne;
                    out.push_back(piece);
                }
                continue;
            }
            piece.kind = Piece::Set;
            while (j < close) {
                if (j + 2 < close && chars[j + 1] == U'-') {
                    piece.ranges.push_back({chars[j], chars[j + 2]});
                    j += 3;
                } else {
                    piece.ranges.push_back({chars[j], chars[j]});
                    ++j;
                }
            }
            // "[*]", "[[]": one character that stands for itself.
            if (!piece.negated && piece.ranges.size() == 1 && piece.ranges[0].first == piece.ranges[0].second) {
                piece.kind = Piece::Literal;
                piece.ch = piece.ranges[0].first;
            }
        } else {
            piece.ch = ch;
        }
        out.push_back(piece);
    }
    return out;
}

QString character(char32_t ch)
{
    return QString::fromUcs4(&ch, 1);
}

// A character as it stands for itself in a regular expression: every ASCII
// character that is no letter or digit is escaped (an escaped one of those
// is always the character itself).
QString regexLiteral(char32_t ch)
{
    const bool plain = ch > 0x7f || (ch >= U'a' && ch <= U'z') || (ch >= U'A' && ch <= U'Z') ||
                       (ch >= U'0' && ch <= U'9');
    return plain ? character(ch) : QStringLiteral("\\") + character(ch);
}

// Inside a bracket expression only these are special.
QString bracketLiteral(char32_t ch)
{
    if (ch == U']' || ch == U'\\' || ch == U'^' || ch == U'-' || ch == U'[')
        return QStringLiteral("\\") + character(ch);
    return character(ch);
}

} // namespace

const PgFlavour& PgFlavour::instance()
{
    static const PgFlavour flavour;
    return flavour;
}

std::optional<QString> PgFlavour::ilikePattern(const QString& jetPattern)
{
    QString out;
    for (const Piece& piece : pieces(jetPattern)) {
        switch (piece.kind) {
        case Piece::AnyRun:
            out += QLatin1Char('%');
            break;
        case Piece::AnyOne:
            out += QLatin1Char('_');
            break;
        case Piece::Literal:
            if (piece.ch == U'%' || piece.ch == U'_' || piece.ch == U'\\')
                out += QLatin1Char('\\');
            out += character(piece.ch);
            break;
        case Piece::Digit:
        case Piece::Set:
            return std::nullopt;
        }
    }
    return out;
}

QString PgFlavour::regularExpression(const QString& jetPattern)
{
    QString out = QStringLiteral("^");
    for (const Piece& piece : pieces(jetPattern)) {
        switch (piece.kind) {
        case Piece::AnyRun:
            out += QStringLiteral(".*");
            break;
        case Piece::AnyOne:
            out += QLatin1Char('.');
            break;
        case Piece::Digit:
            out += QStringLiteral("[0-9]");
            break;
        case Piece::Literal:
            out += regexLiteral(piece.ch);
            break;
        case Piece::Set:
            out += piece.negated ? QStringLiteral("[^") : QStringLiteral("[");
            for (const auto& range : piece.ranges) {
                out += bracketLiteral(range.first);
                if (range.second != range.first)
                    out += QLatin1Char('-') + bracketLiteral(range.second);
            }
            out += QLatin1Char(']');
            break;
        }
    }
    return out + QLatin1Char('$');
}

QString PgFlavour::placeholder() const
{
    return QStringLiteral("?");
}

QString PgFlavour::finishPlaceholders(const QString& condition) const
{
    // Numbered in the order they stand; every literal is bound, so no mark
    // stands inside a quoted text.
    QString out;
    out.reserve(condition.size() + 16);
    int n = 0;
    for (QChar c : condition) {
        if (c == QLatin1Char('?'))
            out += QLatin1Char('$') + QString::number(++n);
        else
            out += c;
    }
    return out;
}

QString PgFlavour::caselessCompare(const QString& column) const
{
    return QStringLiteral("lower(") + column + QStringLiteral(") COLLATE \"C\"");
}

QString PgFlavour::caselessValue(const QString& mark) const
{
    return QStringLiteral("lower(") + mark + QStringLiteral(")");
}

QString PgFlavour::caselessOrder(const QString& column) const
{
    return QStringLiteral("lower(") + column + QStringLiteral(") COLLATE \"C\"");
}

QString PgFlavour::nullsOrder(bool descending) const
{
    return descending ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST");
}

QString PgFlavour::like(const QString& pattern, const QString& value) const
{
    // A pattern from another field is read on the server: its "*" and "?"
    // only (a stored text holds no bracket lists in practice).
    const QString asIlike = QStringLiteral("replace(replace(replace(replace(replace(") + pattern +
                            QStringLiteral(", '\\', '\\\\'), '%', '\\%'), '_', '\\_'), '*', '%'), '?', '_')");
    return QStringLiteral("(") + value + QStringLiteral(" ILIKE ") + asIlike + QStringLiteral(")");
}

QString PgFlavour::likeText(const QString& pattern, const QString& value, QVariantList& parameters) const
{
    const std::optional<QString> ilike = ilikePattern(pattern);
    const bool regex = !ilike;
    parameters.push_back(regex ? regularExpression(pattern) : *ilike);
    const QString op = regex ? QStringLiteral(" ~* ") : QStringLiteral(" ILIKE ");
    if (!value.contains(QLatin1Char('?')))
        return QStringLiteral("(") + value + op + placeholder() + QStringLiteral(")");
    // A bound value: the pattern's mark must still come first.
    return QStringLiteral("(SELECT v") + op + QStringLiteral("p FROM (SELECT ") + placeholder() +
           QStringLiteral("::text AS p) AS pattern, (SELECT (") + value + QStringLiteral(")::text AS v) AS value)");
}

QVariant PgFlavour::dateParameter(const QDateTime& when) const
{
    return DateText::toText(when);
}

std::optional<QString> PgFlavour::textIndexCandidates(MainField, const QString&, QVariantList&) const
{
    return std::nullopt;
}

} // namespace zentaro
