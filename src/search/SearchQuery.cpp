#include "search/SearchQuery.h"

#include "core/FileTypeClasses.h"
#include "store/LikePattern.h"
#include "store/QueryDialect.h"

#include <QRegularExpression>

namespace zentaro {

namespace {

const QString kQuote = QStringLiteral("\"");

QString likeOf(const QString& pattern)
{
    return QStringLiteral("LIKE ") + SearchQuery::Literal(pattern);
}

// Blanks in the dialog's sense are spaces only, as its Trim removes.
QString trimBlanks(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == QLatin1Char(' '))
        ++start;
    while (end > start && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(start, end - start);
}

Result<QString> dateLiteral(const QString& field, const QString& typed, const QString& which)
{
    const QString text = trimBlanks(typed);
    // A "#" would end the literal early and let the rest of the text run as
    // a condition of its own.
    if (text.contains(QLatin1Char('#')) || !QueryDialect::parseDate(text).isValid()) {
        return Result<QString>::failure(
            ErrorCode::InvalidArgument,
            QStringLiteral("The %1 date \"%2\" for %3 is not a date.").arg(which, typed, field));
    }
    return QStringLiteral("#") + text + QStringLiteral("#");
}

} // namespace

const QStringList& SearchQuery::FieldNames()
{
    static const QStringList names = {
        QStringLiteral("Title"),    QStringLiteral("Author"),        QStringLiteral("Keywords"),
        QStringLiteral("Notes"),    QStringLiteral("FileName"),      QStringLiteral("FileSize"),
        QStringLiteral("FileDate"), QStringLiteral("FileType"),      QStringLiteral("InsertionDate"),
        QStringLiteral("LastUpdatedDate")};
    return names;
}

const QStringList& SearchQuery::TextMatchCaptions()
{
    static const QStringList captions = {QStringLiteral("That Contain"), QStringLiteral("That START with"),
                                         QStringLiteral("That END with"),
                                         QStringLiteral("That EXACTLY match")};
    return captions;
}

const QStringList& SearchQuery::DateMatchCaptions()
{
    static const QStringList captions = {QStringLiteral("Between"), QStringLiteral("After"),
                                         QStringLiteral("Before")};
    return captions;
}

const QStringList& SearchQuery::ValueMatchCaptions()
{
    static const QStringList captions = {QStringLiteral("Equal to"), QStringLiteral("Greater than"),
                                         QStringLiteral("Less than")};
    return captions;
}

const QStringList& SearchQuery::FileClassCaptions()
{
    static const QStringList captions = {QStringLiteral("All"), QStringLiteral("Videos"),
                                         QStringLiteral("Audios"), QStringLiteral("Images")};
    return captions;
}

const QStringList& SearchQuery::Extensions(FileClass fileClass)
{
    static const QStringList none;
    switch (fileClass) {
    case FileClass::All: return none;
    case FileClass::Videos: return FileTypeClasses::Extensions(FileTypeClasses::Kind::Video);
    case FileClass::Audios: return FileTypeClasses::Extensions(FileTypeClasses::Kind::Audio);
    case FileClass::Images: return FileTypeClasses::Extensions(FileTypeClasses::Kind::Image);
    }
    return none;
}

std::optional<SearchQuery::Frame> SearchQuery::FrameFor(const QString& field)
{
    static const QStringList text = {QStringLiteral("Title"),    QStringLiteral("FileName"),
                                     QStringLiteral("Author"),   QStringLiteral("Keywords"),
                                     QStringLiteral("FileType"), QStringLiteral("Notes")};
    static const QStringList dates = {QStringLiteral("FileDate"), QStringLiteral("InsertionDate"),
                                      QStringLiteral("LastUpdatedDate")};
    if (text.contains(field))
        return Frame::Text;
    if (dates.contains(field))
        return Frame::Date;
    if (field == QLatin1String("FileSize"))
        return Frame::Value;
    return std::nullopt;
}

bool SearchQuery::IsBlank(const QString& text)
{
    return trimBlanks(text).isEmpty();
}

QString SearchQuery::Literal(const QString& text)
{
    QString doubled = text;
    doubled.replace(kQuote, kQuote + kQuote);
    return kQuote + doubled + kQuote;
}

QString SearchQuery::PatternText(const QString& text)
{
    // A "[" after the last "]" is never closed; knowing that spares a search
    // to the end of the text for each one.
    const qsizetype lastClose = text.lastIndexOf(QLatin1Char(']'));
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('[')) {
            out += c;
            continue;
        }
        if (i > lastClose) {
            out += QStringLiteral("[[]");
            continue;
        }
        const qsizetype close = text.indexOf(QLatin1Char(']'), i + 1);
        const QStringView list = QStringView(text).mid(i, close - i + 1);
        if (LikePattern::compile(list.toString()).ok()) {
            out += list;
        } else {
            // No list (a range that runs backwards): matched as typed.
            for (const QChar d : list) {
                if (d == QLatin1Char('*') || d == QLatin1Char('?') || d == QLatin1Char('#') || d == QLatin1Char('['))
                    out += QLatin1Char('[') + d + QLatin1Char(']');
                else
                    out += d;
            }
        }
        i = close;
    }
    return out;
}

QString SearchQuery::QuickSearch(const QString& text, FileClass fileClass)
{
    QString typePart;
    for (const QString& extension : Extensions(fileClass)) {
        if (!typePart.isEmpty())
            typePart += QStringLiteral(" OR ");
        typePart += QStringLiteral("FileType ") + likeOf(extension);
    }

    QString textPart;
    if (!IsBlank(text)) {
        const QString like = likeOf(QStringLiteral("*") + PatternText(text) + QStringLiteral("*"));
        textPart = QStringLiteral("Title ") + like + QStringLiteral(" OR Author ") + like +
                   QStringLiteral(" OR Keywords ") + like + QStringLiteral(" OR Notes ") + like;
    }

    if (typePart.isEmpty())
        return textPart;
    if (textPart.isEmpty())
        return typePart;
    return QStringLiteral("(") + typePart + QStringLiteral(") AND (") + textPart + QStringLiteral(")");
}

Result<QString> SearchQuery::CustomSearch(const Custom& custom)
{
    const QString& field = custom.Field;
    const std::optional<Frame> frame = FrameFor(field);
    if (!frame) {
        return Result<QString>::failure(
            ErrorCode::InvalidArgument,
            QStringLiteral("\"%1\" is not a field that can be searched; choose one of %2.")
                .arg(field, FieldNames().join(QStringLiteral(", "))));
    }

    switch (*frame) {
    case Frame::Text: {
        const QString phrase = PatternText(custom.Phrase);
        QString pattern;
        switch (custom.Text) {
        case TextMatch::Contain: pattern = QStringLiteral("*") + phrase + QStringLiteral("*"); break;
        case TextMatch::StartWith: pattern = phrase + QStringLiteral("*"); break;
        case TextMatch::EndWith: pattern = QStringLiteral("*") + phrase; break;
        case TextMatch::ExactMatch: pattern = phrase; break;
        }
        return field + QStringLiteral(" ") + likeOf(pattern);
    }
    case Frame::Date: {
        std::optional<QString> after;
        std::optional<QString> before;
        if (custom.Date != DateMatch::Before) {
            Result<QString> a = dateLiteral(field, custom.After, QStringLiteral("After"));
            if (!a)
                return a;
            after = *a;
        }
        if (custom.Date != DateMatch::After) {
            Result<QString> b = dateLiteral(field, custom.Before, QStringLiteral("Before"));
            if (!b)
                return b;
            before = *b;
        }
        switch (custom.Date) {
        case DateMatch::Between:
            return field + QStringLiteral(" > ") + *after + QStringLiteral(" AND ") + field +
                   QStringLiteral(" < ") + *before;
        case DateMatch::After: return field + QStringLiteral(" > ") + *after;
        case DateMatch::Before: return field + QStringLiteral(" < ") + *before;
        }
        break;
    }
    case Frame::Value: {
        static const QRegularExpression number(QStringLiteral("^-?(\\d+(\\.\\d*)?|\\.\\d+)$"));
        const QString value = trimBlanks(custom.Number);
        if (!number.match(value).hasMatch()) {
            return Result<QString>::failure(
                ErrorCode::InvalidArgument,
                QStringLiteral("The value \"%1\" for %2 is not a number.").arg(custom.Number, field));
        }
        switch (custom.Value) {
        case ValueMatch::EqualTo: return field + QStringLiteral(" = ") + value;
        case ValueMatch::GreaterThan: return field + QStringLiteral(" > ") + value;
        case ValueMatch::LessThan: return field + QStringLiteral(" < ") + value;
        }
        break;
    }
    }
    return Result<QString>::failure(ErrorCode::InvalidArgument, QStringLiteral("The search is not complete."));
}

QString SearchQuery::MergeWhere(const QString& queryWhere, const QString& condition, Scope scope)
{
    if (condition.isEmpty())
        return queryWhere;
    if (scope == Scope::CurrentList && !queryWhere.isEmpty())
        return queryWhere + QStringLiteral(" AND (") + condition + QStringLiteral(")");
    return QStringLiteral("WHERE (") + condition + QStringLiteral(")");
}

Result<QString> SearchQuery::ApplySearch(const QString& queryWhere, const Request& request)
{
    QString condition;
    if (request.ShownTab == Tab::QuickSearch) {
        if (request.Class == FileClass::All && IsBlank(request.QuickText))
            return queryWhere;
        condition = QuickSearch(request.QuickText, request.Class);
    } else {
        Result<QString> built = CustomSearch(request.CustomSearch);
        if (!built)
            return built;
        condition = *built;
    }
    return MergeWhere(queryWhere, condition, request.SearchScope);
}

} // namespace zentaro
