#pragma once

#include "core/Result.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace zentaro {

// The conditions of the search dialog ("ZNT Search"), apart from its window:
// the quick search over the descriptive fields with a file-type class, the
// custom search on one field, and how a new condition joins the list query's
// WHERE part. The texts are in the program's query dialect.
//
// Whatever the user typed reaches the query as data only: double quotes are
// doubled inside the literals, and a date or value that is not one is
// refused before any query is built. In a typed phrase * ? # and [list] act
// as LIKE patterns.
class SearchQuery
{
public:
    // The four "File Type" buttons, in their order.
    enum class FileClass { All, Videos, Audios, Images };
    // The frame of the custom search that the chosen field brings forward.
    enum class Frame { Text, Date, Value };
    // TextTypeCombo, DateTypeCombo and ValueTypeCombo, in their order.
    enum class TextMatch { Contain, StartWith, EndWith, ExactMatch };
    enum class DateMatch { Between, After, Before };
    enum class ValueMatch { EqualTo, GreaterThan, LessThan };
    // The tabs of SearchTab and the two scope buttons.
    enum class Tab { QuickSearch, CustomSearch };
    enum class Scope { EntireLibrary, CurrentList };

    // The "Custom Search" tab.
    struct Custom
    {
        QString Field = QStringLiteral("Title"); // FieldNameCombo, used verbatim
        TextMatch Text = TextMatch::Contain;
        QString Phrase;                          // TextLockBox
        DateMatch Date = DateMatch::Between;
        QString After;                           // AfterDateBox
        QString Before;                          // BeforeDateBox
        ValueMatch Value = ValueMatch::EqualTo;
        QString Number;                          // ValueLockBox
    };

    // Everything the dialog's OK reads.
    struct Request
    {
        Tab ShownTab = Tab::QuickSearch;
        QString QuickText;                       // QuickSearchText, as typed
        FileClass Class = FileClass::All;
        Custom CustomSearch;
        Scope SearchScope = Scope::EntireLibrary;
    };

    // --- The dialog's lists ----------------------------------------------
    // FieldNameCombo: Title, Author, Keywords, Notes, FileName, FileSize,
    // FileDate, FileType, InsertionDate, LastUpdatedDate.
    static const QStringList& FieldNames();
    // "That Contain", "That START with", "That END with", "That EXACTLY match".
    static const QStringList& TextMatchCaptions();
    // "Between", "After", "Before".
    static const QStringList& DateMatchCaptions();
    // "Equal to", "Greater than", "Less than".
    static const QStringList& ValueMatchCaptions();
    // "All", "Videos", "Audios", "Images".
    static const QStringList& FileClassCaptions();
    // The extensions of a class in the order the condition names them;
    // empty for All.
    static const QStringList& Extensions(FileClass fileClass);

    // The frame a field of FieldNames brings forward; nothing for any other
    // text (names compare exactly).
    static std::optional<Frame> FrameFor(const QString& field);

    // Empty once leading and trailing blanks are removed.
    static bool IsBlank(const QString& text);

    // --- Builders ----------------------------------------------------------
    // The quick search's condition; empty for All with a blank text. The
    // text is used untrimmed, its blanks kept inside the wildcards.
    static QString QuickSearch(const QString& text, FileClass fileClass);
    // The custom search's condition, never empty: the field followed by the
    // piece of its frame. InvalidArgument for a field that cannot be
    // searched, a date that is no date or a value that is no number.
    static Result<QString> CustomSearch(const Custom& custom);

    // The WHERE part after adding condition: narrowed with " AND (...)" when
    // the scope is the current list and a filter is in force, otherwise
    // "WHERE (...)" in place of any earlier one. An empty condition changes
    // nothing.
    static QString MergeWhere(const QString& queryWhere, const QString& condition, Scope scope);

    // The dialog's OK: the WHERE part that follows from request, given the
    // one in force. Unchanged when nothing is to be built (quick search,
    // All, blank text); a failure of CustomSearch leaves it to the caller to
    // keep the one in force.
    static Result<QString> ApplySearch(const QString& queryWhere, const Request& request);

    // --- Pieces --------------------------------------------------------------
    // text between double quotes as a literal of the dialect.
    static QString Literal(const QString& text);
    // Typed text as a LIKE pattern: * ? # and [abc] [!abc] [a-z] keep their
    // meaning; a "[" that is never closed matches itself, and so does a
    // bracket with a range that runs backwards, so that the pattern always
    // compiles.
    static QString PatternText(const QString& text);
};

} // namespace zentaro
