#include "ui/MainWindowHarness.h"
#include "ui/ModalDriver.h"

#include "core/SettingsFile.h"
#include "library/LibrarySession.h"
#include "search/ListModel.h"
#include "search/SearchDates.h"
#include "store/Recordset.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/common/ScreenMetrics.h"
#include "ui/date/GetDateForm.h"
#include "ui/search/FilterForm.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace zentaro;
using namespace zentaro::test;

namespace {

struct Row
{
    QString title;
    QString author;
    QString fileType;
    qint64 size;
    QDateTime fileDate;
    QString notes;
};

QDateTime at(int y, int m, int d)
{
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}

// Titles in insertion order: Delta, alpha, Charlie, bravo, Echo.
const std::vector<Row> kRows = {
    {QStringLiteral("Delta"), QStringLiteral("Smith"), QStringLiteral("JPG"), 5000, at(2020, 3, 1),
     QStringLiteral("first line\nsecond line of delta")},
    {QStringLiteral("alpha"), QStringLiteral("Lee"), QStringLiteral("MP3"), 40, at(2020, 1, 1),
     QStringLiteral("  report  of alpha")},
    {QStringLiteral("Charlie"), QStringLiteral("Leeds"), QStringLiteral("AVI"), 300, {},
     QStringLiteral("charlie notes")},
    {QStringLiteral("bravo"), QStringLiteral("Smithers"), QStringLiteral("GIF"), 7, at(2020, 2, 1),
     QStringLiteral("a report on bravo")},
    {QStringLiteral("Echo"), QStringLiteral("Lee"), QStringLiteral("TXT"), 1000000, at(2020, 1, 15),
     QStringLiteral("echo")},
};

class SearchWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.valid());
        SettingsFile settings(state.Settings, state.settingsPlace());
        ASSERT_TRUE(settings.LoadConfig().ok());
        state.Settings.StartMaximized = false;
        path = folder.path(QStringLiteral("Search.ZNT"));
        ASSERT_TRUE(Database::compactFile(templatePath(), path).ok());
    }

    void fill(const std::vector<Row>& rows = kRows)
    {
        auto db = Database::open(path);
        ASSERT_TRUE(db.ok()) << db.message().toStdString();
        for (const Row& row : rows) {
            MainRecord r;
            r.Title = row.title;
            r.Author = row.author;
            r.FileType = row.fileType;
            r.FileName = row.title + QStringLiteral(".") + row.fileType.toLower();
            r.FileSize = row.size;
            r.FileDate = row.fileDate;
            r.Notes = row.notes;
            ASSERT_TRUE((*db)->insertRecord(r).ok());
        }
        (*db)->close();
    }

    std::unique_ptr<MainForm> load()
    {
        state.CurrentLibraryPath = path;
        auto form = std::make_unique<MainForm>(state);
        form->load();
        return form;
    }

    static QStringList titles(MainForm& form)
    {
        QStringList out;
        ListModel* model = form.listModel();
        const int column = model->columnField(0) == QLatin1String("Title") ? 0 : -1;
        for (int row = 0; row < model->rowCount(); ++row)
            out << (column == 0 ? model->index(row, 0).data().toString() : QString());
        return out;
    }

    // Opens the search dialog with the filter button and lets act fill it in.
    bool search(MainForm& form, const std::function<void(FilterForm*)>& act)
    {
        ModalDriver<FilterForm> driver(act);
        form.command(QStringLiteral("FilterButton"))->trigger();
        return driver.ran();
    }

    static void pressOk(FilterForm* dialog) { dialog->okButton()->click(); }

    static void customText(FilterForm* d, const QString& field, int kind, const QString& text)
    {
        d->searchTab()->setCurrentIndex(1);
        d->fieldNameCombo()->setCurrentText(field);
        d->textTypeCombo()->setCurrentIndex(kind);
        d->textLockBox()->setText(text);
    }

    QAction* command(MainForm& form, const char* name) { return form.command(QString::fromLatin1(name)); }

    ProgramFolder folder;
    ProgramState state{folder.folder()};
    MessageRecorder boxes;
    DialogScript dialogs;
    QString path;
};

} // namespace

// --- The search dialog ------------------------------------------------------

TEST_F(SearchWindowTest, DialogOpensOnQuickSearchWithEveryControlAtItsStart)
{
    FilterForm form(QString{});
    EXPECT_EQ(form.windowTitle(), QStringLiteral("ZNT Search"));
    EXPECT_EQ(form.searchTab()->tabText(0), QStringLiteral("Quick Search"));
    EXPECT_EQ(form.searchTab()->tabText(1), QStringLiteral("Custom Search"));
    EXPECT_EQ(form.searchTab()->currentIndex(), 0);
    EXPECT_TRUE(form.fileTypeButton(0)->isChecked());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form.fileTypeButton(i)->text(), SearchQuery::FileClassCaptions()[i]);
    EXPECT_EQ(form.fieldNameCombo()->count(), 10);
    EXPECT_EQ(form.fieldNameCombo()->currentText(), QStringLiteral("Title"));
    EXPECT_EQ(form.textTypeCombo()->itemText(3), QStringLiteral("That EXACTLY match"));
    EXPECT_EQ(form.dateTypeCombo()->currentText(), QStringLiteral("Between"));
    EXPECT_EQ(form.valueTypeCombo()->currentText(), QStringLiteral("Equal to"));
    EXPECT_EQ(form.textFrame()->title(), QStringLiteral("Text Search"));
    EXPECT_EQ(form.dateFrame()->title(), QStringLiteral("Date Search"));
    EXPECT_EQ(form.valueFrame()->title(), QStringLiteral("Value Search"));
    auto* custom = form.findChild<QWidget*>(QStringLiteral("CustomPanel"));
    EXPECT_TRUE(form.textFrame()->isEnabledTo(custom));
    EXPECT_FALSE(form.dateFrame()->isEnabledTo(custom));
    EXPECT_FALSE(form.valueFrame()->isEnabledTo(custom));
    // Both date boxes hold today in the short form with a four-digit year.
    const QString today = SearchDates::Format(QDate::currentDate(), QLocale());
    EXPECT_EQ(form.afterDateBox()->text(), today);
    EXPECT_EQ(form.beforeDateBox()->text(), today);
    EXPECT_TRUE(today.contains(QString::number(QDate::currentDate().year())));
    EXPECT_EQ(form.libraryRibbon()->text(), QStringLiteral("Entire Library"));
    EXPECT_EQ(form.listRibbon()->text(), QStringLiteral("Current List"));
    EXPECT_TRUE(form.libraryRibbon()->isChecked());
    auto* panel = form.findChild<QWidget*>(QStringLiteral("CustomPanel"));
    ASSERT_TRUE(panel);
    EXPECT_FALSE(panel->isEnabled());
    EXPECT_TRUE(form.quickSearchText()->isEnabled());
    for (const char* name : {"GetAfterDateButton", "GetBeforeDateButton"})
        EXPECT_EQ(form.findChild<QPushButton*>(QString::fromLatin1(name))->text(), QStringLiteral("Select"));
}

TEST_F(SearchWindowTest, TabsFieldsAndDateKindsEnableTheirControls)
{
    FilterForm form(QString{});
    form.show();
    form.searchTab()->setCurrentIndex(1);
    EXPECT_TRUE(form.findChild<QWidget*>(QStringLiteral("CustomPanel"))->isEnabled());
    EXPECT_FALSE(form.quickSearchText()->isEnabled());

    const std::pair<const char*, QGroupBox*> fields[] = {
        {"FileName", form.textFrame()}, {"Notes", form.textFrame()},      {"FileType", form.textFrame()},
        {"FileDate", form.dateFrame()}, {"InsertionDate", form.dateFrame()}, {"FileSize", form.valueFrame()},
        {"Author", form.textFrame()},
    };
    for (const auto& [field, front] : fields) {
        form.fieldNameCombo()->setCurrentText(QString::fromLatin1(field));
        for (QGroupBox* frame : {form.textFrame(), form.dateFrame(), form.valueFrame()})
            EXPECT_EQ(frame->isEnabled(), frame == front) << field << " " << frame->objectName().toStdString();
        EXPECT_TRUE(front->isVisible()) << field;
    }

    form.fieldNameCombo()->setCurrentText(QStringLiteral("FileDate"));
    auto shown = [&](const char* name) { return form.findChild<QWidget*>(QString::fromLatin1(name))->isVisible(); };
    EXPECT_TRUE(shown("AfterDateBox") && shown("ButLabel") && shown("BeforeDateBox"));
    form.dateTypeCombo()->setCurrentIndex(1); // After
    EXPECT_TRUE(shown("AfterDateBox") && shown("GetAfterDateButton"));
    EXPECT_FALSE(shown("ButLabel") || shown("BeforeDateBox") || shown("GetBeforeDateButton"));
    form.dateTypeCombo()->setCurrentIndex(2); // Before
    EXPECT_FALSE(shown("AfterDateBox") || shown("ButLabel") || shown("AfterLabel"));
    EXPECT_TRUE(shown("BeforeDateBox") && shown("BeforeLabel"));
    form.searchTab()->setCurrentIndex(0);
    EXPECT_TRUE(form.quickSearchText()->isEnabled());
}

TEST_F(SearchWindowTest, QuickSearchWithAllAndBlankTextChangesNothing)
{
    fill();
    auto form = load();
    command(*form, "elbar")->trigger();
    const QString current = form->titleBox()->text();
    state.QueryWhere = QStringLiteral("WHERE (Author LIKE \"*Lee*\")");
    command(*form, "erbar")->trigger();
    ASSERT_EQ(form->listModel()->rowCount(), 3);
    ASSERT_TRUE(search(*form, [](FilterForm* d) {
        d->quickSearchText()->setText(QStringLiteral("   "));
        pressOk(d);
    }));
    EXPECT_EQ(state.QueryWhere, QStringLiteral("WHERE (Author LIKE \"*Lee*\")"));
    EXPECT_EQ(form->listModel()->rowCount(), 3);
    EXPECT_EQ(form->recordPane().detailTab()->currentIndex(), RecordPane::kDetailsPage);
    EXPECT_TRUE(form->gridMain()->hasFocus() || !form->isVisible());
    Q_UNUSED(current);
}

TEST_F(SearchWindowTest, QuickSearchKeepsBlanksAndClassesGiveTheirTypesAlone)
{
    fill();
    auto form = load();
    ASSERT_TRUE(search(*form, [](FilterForm* d) {
        d->quickSearchText()->setText(QStringLiteral(" report "));
        pressOk(d);
    }));
    EXPECT_EQ(state.QueryWhere,
              QStringLiteral("WHERE (Title LIKE \"* report *\" OR Author LIKE \"* report *\" OR Keywords LIKE "
                             "\"* report *\" OR Notes LIKE \"* report *\")"));
    // "  report  of alpha" and "a report on bravo" both hold " report ".
    EXPECT_EQ(titles(*form), (QStringList{QStringLiteral("alpha"), QStringLiteral("bravo")}));

    ASSERT_TRUE(search(*form, [](FilterForm* d) {
        d->fileTypeButton(3)->click(); // Images
        pressOk(d);
    }));
    // The long-standing types first, in their order, then today's.
    EXPECT_TRUE(state.QueryWhere.startsWith(
        QStringLiteral("WHERE (FileType LIKE \"BMP\" OR FileType LIKE \"GIF\" OR FileType LIKE \"ICO\" OR "
                       "FileType LIKE \"JPG\" OR FileType LIKE \"JPE\" OR FileType LIKE \"JPEG\" OR "
                       "FileType LIKE \"WMF\" OR FileType LIKE \"PNG\" OR ")))
        << state.QueryWhere.toStdString();
    EXPECT_TRUE(state.QueryWhere.endsWith(QStringLiteral("\")")));
    EXPECT_FALSE(state.QueryWhere.contains(QStringLiteral("(FileType LIKE \"PNG\"")));
    EXPECT_EQ(titles(*form), (QStringList{QStringLiteral("bravo"), QStringLiteral("Delta")}));
    EXPECT_EQ(state.CurrentQuery, state.QuerySelect + state.QueryWhere + QStringLiteral("ORDER BY Title"));
}

TEST_F(SearchWindowTest, PatternCharactersWorkInQuickAndCustomSearch)
{
    fill();
    auto form = load();
    ASSERT_TRUE(search(*form, [](FilterForm* d) {
        d->quickSearchText()->setText(QStringLiteral("rep*rt"));
        pressOk(d);
    }));
    EXPECT_EQ(titles(*form), (QStringList{QStringLiteral("alpha"), QStringLiteral("bravo")}));

    ASSERT_TRUE(search(*form, [](FilterForm* d) {
        customText(d, QStringLiteral("Author"), 3, QStringLiteral("L[a-e]e??")); // EXACTLY match
        pressOk(d);
    }));
    EXPECT_EQ(titles(*form), QStringList{QStringLiteral("Charlie")});

    // A "[" never closed is looked for as typed, without complaint.
    ASSERT_TRUE(search(*form, [](FilterForm* d) {
        d->quickSearchText()->setText(QStringLiteral("bravo ["));
        pressOk(d);
    }));
    EXPECT_TRUE(state.QueryWhere.contains(QStringLiteral("\"*bravo [[]*\""))) << state.QueryWhere.toStdString();
    EXPECT_TRUE(titles(*form).isEmpty());
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(SearchWindowTest, ScopesNarrowOrReplaceTheFilterAndKeepTheOrder)
{
    fill();
    auto form = load();
    // Current List with no filter in force starts one.
    ASSERT_TRUE(search(*form, [](FilterForm* d) {
        customText(d, QStringLiteral("Author"), 1, QStringLiteral("Smi")); // START with
        d->listRibbon()->click();
        pressOk(d);
    }));
    EXPECT_EQ(state.QueryWhere, QStringLiteral("WHERE (Author LIKE \"Smi*\")"));
    EXPECT_EQ(titles(*form), (QStringList{QStringLiteral("bravo"), QStringLiteral("Delta")}));

    // A header sort, then Current List narrows the list that shows.
    form->listPane().grid()->horizontalHeader()->sectionClicked(0);
    command(*form, "SortDescendingbar")->trigger();
    ASSERT_EQ(state.QueryOrder, QStringLiteral("ORDER BY [Title] DESC"));
    ASSERT_TRUE(search(*form, [](FilterForm* d) {
        customText(d, QStringLiteral("Title"), 2, QStringLiteral("o")); // END with
        d->listRibbon()->click();
        pressOk(d);
    }));
    EXPECT_EQ(state.QueryWhere, QStringLiteral("WHERE (Author LIKE \"Smi*\") AND (Title LIKE \"*o\")"));
    EXPECT_EQ(titles(*form), QStringList{QStringLiteral("bravo")});

    // Entire Library replaces the filter; the order stays.
    ASSERT_TRUE(search(*form, [](FilterForm* d) {
        customText(d, QStringLiteral("Author"), 0, QStringLiteral("Lee")); // Contain
        pressOk(d);
    }));
    EXPECT_EQ(state.QueryWhere, QStringLiteral("WHERE (Author LIKE \"*Lee*\")"));
    EXPECT_EQ(state.QueryOrder, QStringLiteral("ORDER BY [Title] DESC"));
    EXPECT_EQ(titles(*form), (QStringList{QStringLiteral("Echo"), QStringLiteral("Charlie"), QStringLiteral("alpha")}));

    // List All drops the filter and keeps the order too.
    command(*form, "ListAllButton")->trigger();
    EXPECT_TRUE(state.QueryWhere.isEmpty());
    EXPECT_EQ(state.QueryOrder, QStringLiteral("ORDER BY [Title] DESC"));
    EXPECT_EQ(titles(*form).first(), QStringLiteral("Echo"));
    EXPECT_EQ(titles(*form).size(), 5);
}

TEST_F(SearchWindowTest, CancelKeepsTheFilterAndTheListRunsAgain)
{
    fill();
    auto form = load();
    state.QueryWhere = QStringLiteral("WHERE (FileSize > 100)");
    command(*form, "erbar")->trigger();
    ASSERT_EQ(form->listModel()->rowCount(), 3);
    // A record added meanwhile shows after the re-run, which Cancel still does.
    {
        auto db = Database::open(path, {.exclusive = false, .readOnly = false, .busyTimeoutMs = 50});
        if (db.ok()) {
            (*db)->close();
        }
    }
    ASSERT_TRUE(search(*form, [](FilterForm* d) {
        d->quickSearchText()->setText(QStringLiteral("alpha"));
        d->findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
    }));
    EXPECT_EQ(state.QueryWhere, QStringLiteral("WHERE (FileSize > 100)"));
    EXPECT_EQ(form->listModel()->rowCount(), 3);
}

TEST_F(SearchWindowTest, BetweenExcludesBothEndsAndDatesReadInTheLocale)
{
    fill();
    auto form = load();
    const QLocale locale;
    ASSERT_TRUE(search(*form, [&](FilterForm* d) {
        d->searchTab()->setCurrentIndex(1);
        d->fieldNameCombo()->setCurrentText(QStringLiteral("FileDate"));
        d->afterDateBox()->setText(SearchDates::Format(QDate(2020, 1, 1), locale));
        d->beforeDateBox()->setText(SearchDates::Format(QDate(2020, 3, 1), locale));
        pressOk(d);
    }));
    EXPECT_EQ(state.QueryWhere, QStringLiteral("WHERE (FileDate > #2020-01-01# AND FileDate < #2020-03-01#)"));
    // alpha (1 January) and Delta (1 March) are the ends.
    EXPECT_EQ(titles(*form), (QStringList{QStringLiteral("bravo"), QStringLiteral("Echo")}));
}

TEST_F(SearchWindowTest, DialogRefusesABadDateOrNumberAndKeepsTheInput)
{
    fill();
    auto form = load();
    state.QueryWhere = QStringLiteral("WHERE (FileSize > 100)");
    command(*form, "erbar")->trigger();
    QString afterRefusal;
    bool stillOpen = false;
    ASSERT_TRUE(search(*form, [&](FilterForm* d) {
        d->searchTab()->setCurrentIndex(1);
        d->fieldNameCombo()->setCurrentText(QStringLiteral("FileDate"));
        d->afterDateBox()->setText(QStringLiteral("31/31/2020"));
        pressOk(d);
        stillOpen = d->isVisible();
        afterRefusal = d->afterDateBox()->text();
        EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("31/31/2020"))) << boxes.last().text.toStdString();
        EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Search"));

        d->fieldNameCombo()->setCurrentText(QStringLiteral("FileSize"));
        d->valueLockBox()->setText(QStringLiteral("12 OR 1=1"));
        pressOk(d);
        EXPECT_TRUE(d->isVisible());
        EXPECT_TRUE(boxes.last().text.contains(QStringLiteral("not a number"))) << boxes.last().text.toStdString();
        d->valueLockBox()->setText(QStringLiteral("1000"));
        d->valueTypeCombo()->setCurrentIndex(1);
        pressOk(d);
    }));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(afterRefusal, QStringLiteral("31/31/2020"));
    EXPECT_EQ(state.QueryWhere, QStringLiteral("WHERE (FileSize > 1000)"));
    EXPECT_EQ(titles(*form), (QStringList{QStringLiteral("Delta"), QStringLiteral("Echo")}));
}

TEST_F(SearchWindowTest, ARejectedQueryKeepsTheFilterAndTheListWithAMessage)
{
    fill();
    auto form = load();
    state.QueryWhere = QStringLiteral("WHERE (Author LIKE \"*Lee*\")");
    command(*form, "erbar")->trigger();
    ASSERT_EQ(form->listModel()->rowCount(), 3);
    boxes.clear();
    // A column changed to a field the engine does not know makes the sort fail.
    form->listPane().grid()->horizontalHeader()->sectionClicked(1);
    form->listModel()->setColumnField(1, QStringLiteral("Nonsense"));
    command(*form, "SortAscendingbar")->trigger();
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT ERROR"));
    EXPECT_EQ(state.QueryOrder, QStringLiteral("ORDER BY Title"));
    EXPECT_EQ(state.QueryWhere, QStringLiteral("WHERE (Author LIKE \"*Lee*\")"));
    EXPECT_EQ(form->listModel()->rowCount(), 3);
    EXPECT_EQ(state.CurrentQuery, state.QuerySelect + state.QueryWhere + state.QueryOrder);
}

TEST_F(SearchWindowTest, DatePickerCancelLeavesTheBoxAndOkFillsIt)
{
    FilterForm form(QString{});
    form.searchTab()->setCurrentIndex(1);
    form.fieldNameCombo()->setCurrentText(QStringLiteral("FileDate"));
    form.afterDateBox()->clear();
    {
        ModalDriver<GetDateForm> driver([](GetDateForm* picker) {
            picker->findChild<QPushButton*>(QStringLiteral("NextMonthButton"))->click();
            picker->findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
        });
        form.findChild<QPushButton*>(QStringLiteral("GetAfterDateButton"))->click();
        ASSERT_TRUE(driver.ran());
    }
    EXPECT_TRUE(form.afterDateBox()->text().isEmpty());
    {
        ModalDriver<GetDateForm> driver([](GetDateForm* picker) {
            picker->findChild<QPushButton*>(QStringLiteral("NextYearButton"))->click();
            picker->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
        });
        form.findChild<QPushButton*>(QStringLiteral("GetBeforeDateButton"))->click();
        ASSERT_TRUE(driver.ran());
    }
    EXPECT_EQ(form.beforeDateBox()->text(), SearchDates::Format(QDate::currentDate().addYears(1), QLocale()));
}

// --- Sorting and columns ------------------------------------------------------

TEST_F(SearchWindowTest, SortKindsGiveTheirOrderFormsAndSortAsUsersExpect)
{
    fill();
    auto form = load();
    // Title without regard to case.
    EXPECT_EQ(titles(*form), (QStringList{QStringLiteral("alpha"), QStringLiteral("bravo"), QStringLiteral("Charlie"),
                                          QStringLiteral("Delta"), QStringLiteral("Echo")}));
    // "Sort List by..." gives no brackets; FileSize sorts as a number.
    QAction* bySize = command(*form, "PopSort6");
    ASSERT_EQ(bySize->text(), QStringLiteral("FileSize"));
    bySize->trigger();
    EXPECT_EQ(state.QueryOrder, QStringLiteral("ORDER BY FileSize"));
    EXPECT_EQ(titles(*form), (QStringList{QStringLiteral("bravo"), QStringLiteral("alpha"), QStringLiteral("Charlie"),
                                          QStringLiteral("Delta"), QStringLiteral("Echo")}));
    // Dates chronologically, a record without FileDate first.
    command(*form, "PopSort5")->trigger();
    EXPECT_EQ(state.QueryOrder, QStringLiteral("ORDER BY FileDate"));
    EXPECT_EQ(titles(*form), (QStringList{QStringLiteral("Charlie"), QStringLiteral("alpha"), QStringLiteral("Echo"),
                                          QStringLiteral("bravo"), QStringLiteral("Delta")}));

    // Header sorts name the field in brackets, descending with DESC.
    QHeaderView* header = form->gridMain()->horizontalHeader();
    header->sectionClicked(1); // Author
    EXPECT_EQ(form->listPane().headerColumn(), 1);
    command(*form, "SortAscendingbar")->trigger();
    EXPECT_EQ(state.QueryOrder, QStringLiteral("ORDER BY [Author]"));
    EXPECT_EQ(titles(*form).first(), QStringLiteral("alpha")); // Lee, ties by entry
    command(*form, "SortDescendingbar")->trigger();
    EXPECT_EQ(state.QueryOrder, QStringLiteral("ORDER BY [Author] DESC"));
    EXPECT_EQ(titles(*form).first(), QStringLiteral("bravo")); // Smithers
    EXPECT_EQ(state.CurrentQuery, QStringLiteral("SELECT * FROM Main ORDER BY [Author] DESC"));
}

TEST_F(SearchWindowTest, HeaderPopupOpensOnlyOverAListWithRecords)
{
    auto form = load();
    form->show();
    QMenu* headerMenu = form->commands().menu(QStringLiteral("HeaderPopupbar"));
    QMenu* listMenu = form->commands().menu(QStringLiteral("Pbar"));
    ASSERT_EQ(form->listModel()->rowCount(), 0);
    form->gridMain()->horizontalHeader()->sectionClicked(3);
    EXPECT_FALSE(headerMenu->isVisible());
    EXPECT_EQ(form->listPane().headerColumn(), 0);
    form->gridMain()->customContextMenuRequested(QPoint(5, 5));
    EXPECT_FALSE(listMenu->isVisible());
    // The List Commands button opens its menu all the same.
    command(*form, "ListActionButton")->trigger();
    EXPECT_TRUE(listMenu->isVisible());
    listMenu->close();
}

TEST_F(SearchWindowTest, ListPopupHoldsItsEntriesWithBulkOnesDisabled)
{
    fill();
    auto form = load();
    form->show();
    QMenu* listMenu = form->commands().menu(QStringLiteral("Pbar"));
    form->gridMain()->customContextMenuRequested(QPoint(5, 5));
    EXPECT_TRUE(listMenu->isVisible());
    listMenu->close();

    QStringList sorts;
    for (QAction* a : form->commands().menu(QStringLiteral("psbar"))->actions())
        sorts << a->text();
    EXPECT_EQ(sorts, (QStringList{"Title", "Author", "Keywords", "FileName", "FileType", "FileDate", "FileSize",
                                  "InsertionDate", "LastUpdatedDate"}));
    // The selected-files extraction needs a selection; the others work on the list.
    form->gridMain()->clearSelection();
    listMenu->aboutToShow();
    for (const char* name : {"menuExtractSelectedFilestoExtractFolder", "menuExtractListedFilestoDisk",
                             "menuDeleteCurrentFile", "menuDeleteListedFiles"}) {
        QAction* entry = command(*form, name);
        ASSERT_TRUE(entry) << name;
        EXPECT_TRUE(entry->isVisible()) << name;
    }
    EXPECT_FALSE(command(*form, "menuExtractSelectedFilestoExtractFolder")->isEnabled());
    EXPECT_TRUE(command(*form, "menuExtractListedFilestoDisk")->isEnabled());
    EXPECT_TRUE(form->commands().menu(QStringLiteral("menuExtract"))->menuAction()->isVisible());
    EXPECT_TRUE(form->commands().menu(QStringLiteral("menuDelete"))->menuAction()->isVisible());

    QStringList fields;
    for (QAction* a : form->commands().menu(QStringLiteral("ChangeColumnFieldbar"))->actions())
        fields << a->text();
    EXPECT_EQ(fields.size(), 10);
    EXPECT_EQ(fields.last(), QStringLiteral("Notes"));
}

TEST_F(SearchWindowTest, NotesRefusalLeavesTheOrderAndTheList)
{
    fill();
    auto form = load();
    command(*form, "elbar")->trigger();
    const QStringList before = titles(*form);
    form->gridMain()->horizontalHeader()->sectionClicked(9); // Notes by default
    ASSERT_EQ(form->listModel()->columnField(9), QStringLiteral("Notes"));
    boxes.clear();
    for (const char* sort : {"SortAscendingbar", "SortDescendingbar"}) {
        command(*form, sort)->trigger();
        ASSERT_EQ(boxes.count(), 1) << sort;
        EXPECT_EQ(boxes.last().icon, MessageIcon::Information);
        EXPECT_EQ(boxes.last().title, QStringLiteral("For Your Info..."));
        EXPECT_EQ(boxes.last().text, QStringLiteral("Can't sort by the 'Notes' Field...\r\n\r\nIt is too large."));
        EXPECT_EQ(state.QueryOrder, QStringLiteral("ORDER BY Title"));
        EXPECT_EQ(titles(*form), before);
        EXPECT_EQ(form->titleBox()->text(), QStringLiteral("Echo"));
        boxes.clear();
    }
}

TEST_F(SearchWindowTest, ColumnChangedToNotesShowsTheMemoAndSurvivesARestart)
{
    fill();
    {
        auto form = load();
        form->show();
        QHeaderView* header = form->gridMain()->horizontalHeader();
        header->resizeSection(2, ScreenMetrics::toPixelsX(2160, form.get()));
        header->sectionClicked(2);
        QAction* toNotes = command(*form, "ChangeFieldbar9");
        ASSERT_EQ(toNotes->text(), QStringLiteral("Notes"));
        toNotes->trigger();
        EXPECT_EQ(form->listModel()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Notes"));
        EXPECT_EQ(form->listModel()->index(0, 2).data().toString(), QStringLiteral("  report  of alpha"));
        EXPECT_EQ(state.QueryOrder, QStringLiteral("ORDER BY Title"));
        // The same field in two columns.
        header->sectionClicked(3);
        command(*form, "ChangeFieldbar0")->trigger();
        EXPECT_EQ(form->listModel()->columnField(3), QStringLiteral("Title"));
        EXPECT_EQ(form->listModel()->index(1, 3).data().toString(), QStringLiteral("bravo"));
        // Its header now refuses sorting.
        header->sectionClicked(2);
        command(*form, "SortAscendingbar")->trigger();
        EXPECT_EQ(boxes.last().title, QStringLiteral("For Your Info..."));
        command(*form, "fxbar")->trigger();
    }
    ProgramState restarted{folder.folder()};
    SettingsFile settings(restarted.Settings, restarted.settingsPlace());
    ASSERT_TRUE(settings.LoadConfig().ok());
    EXPECT_EQ(restarted.Settings.ColumnFields[2], QStringLiteral("Notes"));
    EXPECT_EQ(restarted.Settings.ColumnFields[3], QStringLiteral("Title"));
    restarted.CurrentLibraryPath = path;
    restarted.Settings.StartMaximized = false;
    MainForm again(restarted);
    again.load();
    EXPECT_EQ(again.listModel()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Notes"));
    EXPECT_EQ(again.listModel()->index(0, 2).data().toString(), QStringLiteral("  report  of alpha"));
    EXPECT_EQ(again.gridMain()->horizontalHeader()->sectionSize(2), ScreenMetrics::toPixelsX(2160, &again));
}

TEST_F(SearchWindowTest, ColumnChangeKeepsTheHorizontalViewPosition)
{
    fill();
    auto form = load();
    form->resize(500, 400);
    form->show();
    QApplication::processEvents();
    QScrollBar* across = form->gridMain()->horizontalScrollBar();
    ASSERT_GT(across->maximum(), 0);
    across->setValue(across->maximum() / 2);
    const int kept = across->value();
    form->gridMain()->horizontalHeader()->sectionClicked(4);
    command(*form, "ChangeFieldbar1")->trigger();
    EXPECT_EQ(across->value(), kept);
    command(*form, "SortDescendingbar")->trigger();
    EXPECT_EQ(across->value(), kept);
}

// --- Grid behaviour -------------------------------------------------------------

TEST_F(SearchWindowTest, CellPanelFollowsTheCurrentCellWithTheWholeText)
{
    fill();
    auto form = load();
    QTableView* grid = form->gridMain();
    ListModel* model = form->listModel();
    // Delta is row 3; its Notes (column 9) hold two lines.
    grid->setCurrentIndex(model->index(3, 9));
    EXPECT_EQ(form->cellPanel()->text(), QStringLiteral("first line\nsecond line of delta"));
    grid->setCurrentIndex(model->index(3, 1));
    EXPECT_EQ(form->cellPanel()->text(), QStringLiteral("Smith"));
    grid->setCurrentIndex(model->index(0, 5));
    EXPECT_EQ(form->cellPanel()->text(), QStringLiteral("40"));
    // A column changed under the current cell shows its new field.
    grid->horizontalHeader()->sectionClicked(5);
    command(*form, "ChangeFieldbar0")->trigger();
    EXPECT_EQ(form->cellPanel()->text(), QStringLiteral("alpha"));
}

TEST_F(SearchWindowTest, SelectionCountsUpdateAtOnceWithMouseAndKeys)
{
    fill();
    auto form = load();
    form->show();
    QTableView* grid = form->gridMain();
    QApplication::processEvents();
    EXPECT_EQ(form->recordCountLabel()->text(), QStringLiteral("Selected: 0    Listed: 5    Total: 5"));
    const QPoint row2 = grid->visualRect(form->listModel()->index(2, 0)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, row2);
    EXPECT_EQ(form->recordCountLabel()->text(), QStringLiteral("Selected: 3    Listed: 5    Total: 5"));
    const QPoint row4 = grid->visualRect(form->listModel()->index(4, 0)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, row4);
    EXPECT_EQ(form->recordCountLabel()->text(), QStringLiteral("Selected: 4    Listed: 5    Total: 5"));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_NE(form->recordCountLabel()->text(), QStringLiteral("Selected: 4    Listed: 5    Total: 5"));
    EXPECT_EQ(form->listPane().selectedCount(), static_cast<int>(grid->selectionModel()->selectedRows().size()));
}

TEST_F(SearchWindowTest, PageKeysMoveTheViewByTheVisibleRows)
{
    std::vector<Row> many;
    for (int i = 0; i < 200; ++i)
        many.push_back({QStringLiteral("T%1").arg(i, 3, 10, QLatin1Char('0')), {}, QStringLiteral("TXT"), i, {}, {}});
    fill(many);
    auto form = load();
    form->resize(600, 500);
    form->show();
    QApplication::processEvents();
    QTableView* grid = form->gridMain();
    grid->setFocus();
    QScrollBar* down = grid->verticalScrollBar();
    ASSERT_EQ(down->value(), 0);
    const int visible = grid->viewport()->height() / grid->verticalHeader()->defaultSectionSize();
    ASSERT_GT(visible, 2);
    QTest::keyClick(grid, Qt::Key_PageDown);
    EXPECT_GE(down->value(), visible - 1);
    EXPECT_GT(grid->currentIndex().row(), 0);
    const int afterDown = down->value();
    QTest::keyClick(grid, Qt::Key_PageUp);
    EXPECT_LT(down->value(), afterDown);
}

TEST_F(SearchWindowTest, DoubleClickOpensAndDelRunsTheDeleteCommand)
{
    fill();
    auto form = load();
    form->show();
    QApplication::processEvents();
    int deletes = 0;
    // The delete command belongs to another window group; count its runs.
    QAction* del = command(*form, "edbar");
    ASSERT_TRUE(del);
    if (!form->commands().isBound(QStringLiteral("edbar")))
        form->commands().bind(QStringLiteral("edbar"), form.get(), [&] { ++deletes; });
    else
        QObject::connect(del, &QAction::triggered, [&] { ++deletes; });
    form->gridMain()->setFocus();
    ASSERT_TRUE(del->isEnabled() && del->isVisible()) << del->isEnabled() << del->isVisible();
    QTest::keyClick(form->gridMain(), Qt::Key_Delete);
    EXPECT_EQ(deletes, 1);

    int opened = 0;
    QObject::connect(&form->listPane(), &ListPane::rowActivated, [&] { ++opened; });
    QTableView* grid = form->gridMain();
    const QPoint cell = grid->visualRect(form->listModel()->index(1, 0)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(opened, 1);
}
