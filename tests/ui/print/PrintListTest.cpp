#include "ui/MainWindowHarness.h"
#include "ui/ModalDriver.h"

#include "library/LibrarySession.h"
#include "search/ListModel.h"
#include "store/Recordset.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/print/PrintCommand.h"
#include "ui/print/PrintListForm.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableView>

#include <algorithm>
#include <numeric>

using namespace zentaro;
using namespace zentaro::test;

namespace {

// The text of a PDF as pdftotext reads it, one string per page.
QStringList pdfPages(const QString& path, const QStringList& options = {QStringLiteral("-layout")})
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), options + QStringList{path, QStringLiteral("-")});
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext (poppler-utils) could not read " << path.toStdString() << ": "
                      << tool.readAllStandardError().toStdString();
        return {};
    }
    QStringList pages = QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// The non-empty lines of the text, each with its blanks folded to one.
QStringList linesOf(const QString& text)
{
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString folded = line.simplified();
        if (!folded.isEmpty())
            lines << folded;
    }
    return lines;
}

struct PdfWord
{
    double xMin = 0;
    double yMin = 0;
    double xMax = 0;
    QString text;
};

// The words of the first page with their boxes, in points.
std::vector<PdfWord> pdfWords(const QString& path)
{
    const QString xml = pdfPages(path, {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                                        QStringLiteral("-l"), QStringLiteral("1")})
                            .join(QString());
    static const QRegularExpression pattern(QStringLiteral(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"[0-9.]+\">([^<]*)</word>"));
    std::vector<PdfWord> words;
    for (auto it = pattern.globalMatch(xml); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        words.push_back({match.captured(1).toDouble(), match.captured(2).toDouble(), match.captured(3).toDouble(),
                         match.captured(4)});
    }
    return words;
}

// Where a word of the first page begins, in points from the page's left edge.
double wordLeft(const QString& path, const QString& word)
{
    for (const PdfWord& found : pdfWords(path)) {
        if (found.text == word)
            return found.xMin;
    }
    ADD_FAILURE() << "no word " << word.toStdString();
    return -1;
}

// The words below the list's title by the printed column they start in, each
// column's share of the printable width being its share of the grid widths.
// Every word must end inside its column, short of the next one by a gap.
std::vector<std::vector<PdfWord>> wordsByColumn(const QString& path, const std::vector<double>& gridWidths)
{
    QPrinter reference(QPrinter::HighResolution);
    reference.setOutputFormat(QPrinter::PdfFormat);
    const QRectF area = reference.pageLayout().paintRect(QPageLayout::Point);
    const double total = std::accumulate(gridWidths.begin(), gridWidths.end(), 0.0);
    std::vector<double> bounds{area.left()};
    double sum = 0;
    for (double width : gridWidths) {
        sum += width;
        bounds.push_back(area.left() + sum / total * area.width());
    }
    const std::size_t n = gridWidths.size();

    const std::vector<PdfWord> words = pdfWords(path);
    const auto caption = std::find_if(words.begin(), words.end(),
                                      [](const PdfWord& w) { return w.text == QStringLiteral("Title"); });
    std::vector<std::vector<PdfWord>> columns(n);
    if (caption == words.end()) {
        ADD_FAILURE() << "no caption Title";
        return columns;
    }
    for (const PdfWord& word : words) {
        if (word.yMin < caption->yMin - 0.5)
            continue; // the list's title, above the columns
        EXPECT_GE(word.xMin, area.left() - 0.5) << word.text.toStdString();
        const std::size_t c = std::min<std::size_t>(
            n - 1, std::size_t(std::upper_bound(bounds.begin(), bounds.end(), word.xMin + 0.5) - bounds.begin()) - 1);
        const double end = c + 1 < n ? bounds[c + 1] - 1.0 : bounds[n];
        EXPECT_LE(word.xMax, end + 0.2) << word.text.toStdString() << " in column " << c;
        columns[c].push_back(word);
    }
    return columns;
}

// A text printed whole, or its beginning followed by an ellipsis.
bool shownOrElided(const QString& printed, const QString& text)
{
    if (printed == text)
        return true;
    return printed.size() > 1 && printed.endsWith(QChar(0x2026)) && text.startsWith(printed.chopped(1));
}

QStringList titles(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("Row %1").arg(i, 3, 10, QLatin1Char('0'));
    return list;
}

class PrintListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.valid());
        ASSERT_TRUE(state.settingsFile().LoadConfig().ok());
        state.Settings.StartMaximized = false;
    }

    std::unique_ptr<MainForm> load(const QStringList& recordTitles)
    {
        makeLibrary(libraryPath(), recordTitles);
        return openForm();
    }

    std::unique_ptr<MainForm> loadRecords(const std::vector<MainRecord>& records)
    {
        makeLibrary(libraryPath());
        auto db = Database::open(libraryPath());
        EXPECT_TRUE(db.ok());
        if (db.ok()) {
            EXPECT_TRUE((*db)->begin().ok());
            for (const MainRecord& record : records)
                EXPECT_TRUE((*db)->insertRecord(record).ok());
            EXPECT_TRUE((*db)->commit().ok());
            (*db)->close();
        }
        return openForm();
    }

    QString libraryPath() const { return folder.path(QStringLiteral("Books.ZNT")); }

    std::unique_ptr<MainForm> openForm()
    {
        state.CurrentLibraryPath = libraryPath();
        auto form = std::make_unique<MainForm>(state);
        form->load();
        command = form->findChild<PrintCommand*>();
        EXPECT_NE(command, nullptr);
        return form;
    }

    PrintRequest toPdf(int copies = 1, int columns = 5, bool selectedOnly = false) const
    {
        PrintRequest request;
        request.title = QStringLiteral("Media List");
        request.copies = copies;
        request.columnCount = columns;
        request.selectedOnly = selectedOnly;
        request.pdfFile = pdf;
        return request;
    }

    // Moves away from the first record and the first column.
    static void moveAway(MainForm& form)
    {
        form.command(QStringLiteral("elbar"))->trigger();
        QTableView* grid = form.gridMain();
        const QModelIndex current = grid->selectionModel()->currentIndex();
        grid->selectionModel()->setCurrentIndex(form.listModel()->index(current.row(), 2),
                                                QItemSelectionModel::NoUpdate);
        ASSERT_NE(form.session().DCMain()->absolutePosition(), 0);
    }

    static void expectFirstRecordAndColumnCurrent(MainForm& form)
    {
        EXPECT_EQ(form.session().DCMain()->absolutePosition(), 0);
        const QModelIndex current = form.gridMain()->selectionModel()->currentIndex();
        EXPECT_EQ(current.row(), 0);
        EXPECT_EQ(current.column(), form.gridMain()->horizontalHeader()->logicalIndex(0));
        EXPECT_EQ(form.titleBox()->text(), form.listModel()->index(0, 0).data().toString());
    }

    QStringList partialFiles() const
    {
        return QDir(folder.folder()).entryList({QStringLiteral("*.part")}, QDir::Files | QDir::Hidden);
    }

    ProgramFolder folder;
    ProgramState state{folder.folder()};
    MessageRecorder boxes;
    LoginScript logins;
    DialogScript dialogs;
    PrintCommand* command = nullptr;
    QString pdf = folder.path(QStringLiteral("List.pdf"));
};

} // namespace

TEST_F(PrintListTest, TheTitleTheCaptionsAndTheRowsAppearInOrder)
{
    auto form = load({QStringLiteral("Beta"), QStringLiteral("Alpha"), QStringLiteral("Gamma")});
    ASSERT_TRUE(command->print(toPdf()).ok());
    const QStringList pages = pdfPages(pdf);
    ASSERT_EQ(pages.size(), 1);
    const QStringList lines = linesOf(pages[0]);
    ASSERT_EQ(lines.size(), 5) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Media List"));
    EXPECT_EQ(lines[1], QStringLiteral("Title Author Keywords FileName FileType"));
    // The list's own order (by title), each cell as the grid shows it.
    EXPECT_EQ(lines[2], QStringLiteral("Alpha Author of Alpha kw1 file1 TXT"));
    EXPECT_EQ(lines[3], QStringLiteral("Beta Author of Beta kw0 file0 TXT"));
    EXPECT_EQ(lines[4], QStringLiteral("Gamma Author of Gamma kw2 file2 TXT"));
    EXPECT_EQ(command->lastPrinter()->jobsPrinted(), 1);
    EXPECT_TRUE(partialFiles().isEmpty());
}

TEST_F(PrintListTest, ColumnsStartWhereTheGridWidthsPutThem)
{
    state.Settings.ColumnWidths = {2000, 2000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 4000};
    auto form = load({QStringLiteral("Alpha")});
    ASSERT_TRUE(command->print(toPdf(1, 3)).ok());

    QPrinter reference(QPrinter::HighResolution);
    reference.setOutputFormat(QPrinter::PdfFormat);
    const QRectF area = reference.pageLayout().paintRect(QPageLayout::Point);
    const double title = wordLeft(pdf, QStringLiteral("Title"));
    const double author = wordLeft(pdf, QStringLiteral("Author"));
    const double keywords = wordLeft(pdf, QStringLiteral("Keywords"));
    // 0, 4000 and 8000 of 10,000: 0, 0.4 and 0.8 of the printable width.
    EXPECT_NEAR(title, area.left(), 1.5);
    EXPECT_NEAR(author - title, 0.4 * area.width(), 1.5);
    EXPECT_NEAR(keywords - title, 0.8 * area.width(), 1.5);
    EXPECT_NEAR(wordLeft(pdf, QStringLiteral("kw0")) - title, 0.8 * area.width(), 1.5);
}

TEST_F(PrintListTest, AllTenColumnsFitTheWidthWithEveryCellInsideItsColumn)
{
    const std::vector<double> widths = {2000, 2000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 4000};
    std::copy(widths.begin(), widths.end(), state.Settings.ColumnWidths.begin());
    // The last column shows text too, so that its right end is seen.
    state.Settings.ColumnFields[9] = QStringLiteral("Keywords");
    MainRecord record;
    record.Title = QStringLiteral("Collected Letters and Diaries of a Travelling Naturalist, 1851-1899");
    record.Author = QStringLiteral("Maximiliana Theodora von Hohenzollern-Sigmaringen");
    record.Keywords = QStringLiteral("botany correspondence expeditions herbarium");
    record.FileName = QStringLiteral("collected_letters_and_diaries_scanned");
    record.FileType = QStringLiteral("PDF");
    record.FileSize = 123456789;
    record.FileDate = QDateTime(QDate(2023, 4, 5), QTime(6, 7, 8));
    record.InsertionDate = QDateTime(QDate(2024, 1, 15), QTime(10, 22, 33));
    record.LastUpdatedDate = QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59));
    auto form = loadRecords({record});
    ASSERT_TRUE(command->print(toPdf(1, kGridColumnCount)).ok());

    const auto columns = wordsByColumn(pdf, widths);
    ASSERT_EQ(columns.size(), std::size_t(kGridColumnCount));
    for (int c = 0; c < kGridColumnCount; ++c) {
        ASSERT_FALSE(columns[std::size_t(c)].empty()) << c;
        // The caption is the column's top word, whole or cut short.
        const PdfWord& caption = *std::min_element(
            columns[std::size_t(c)].begin(), columns[std::size_t(c)].end(),
            [](const PdfWord& a, const PdfWord& b) { return a.yMin < b.yMin; });
        EXPECT_TRUE(shownOrElided(caption.text, state.Settings.ColumnFields[std::size_t(c)]))
            << caption.text.toStdString();
    }
}

TEST_F(PrintListTest, ALongFileNameIsCutShortOfTheNextColumn)
{
    const std::vector<double> widths = {2000, 2000, 1000, 1000, 1000};
    std::copy(widths.begin(), widths.end(), state.Settings.ColumnWidths.begin());
    MainRecord record;
    record.Title = QStringLiteral("Report");
    record.FileName = QStringLiteral("Quarterly_Report_for_the_Northern_Region_final_version");
    record.FileType = QStringLiteral("PDF");
    auto form = loadRecords({record});
    ASSERT_TRUE(command->print(toPdf(1, 5)).ok());

    const auto columns = wordsByColumn(pdf, widths);
    ASSERT_EQ(columns.size(), 5u);
    QStringList fileName;
    for (const PdfWord& word : columns[3])
        fileName << word.text;
    ASSERT_EQ(fileName.size(), 2) << fileName.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(fileName[0], QStringLiteral("FileName"));
    EXPECT_TRUE(fileName[1].endsWith(QChar(0x2026))) << fileName[1].toStdString();
    EXPECT_TRUE(shownOrElided(fileName[1], record.FileName)) << fileName[1].toStdString();
    QStringList fileType;
    for (const PdfWord& word : columns[4])
        fileType << word.text;
    EXPECT_EQ(fileType, (QStringList{QStringLiteral("FileType"), QStringLiteral("PDF")}));
}

TEST_F(PrintListTest, ANotesColumnHasItsCaptionButEmptyCells)
{
    auto form = load({QStringLiteral("Alpha"), QStringLiteral("Beta")});
    form->listModel()->setColumnField(1, QStringLiteral("Notes"));
    ASSERT_TRUE(form->listModel()->index(0, 1).data().toString().startsWith(QStringLiteral("Notes on")));
    ASSERT_TRUE(command->print(toPdf(1, 3)).ok());
    const QString text = pdfPages(pdf).join(QString());
    const QStringList lines = linesOf(text);
    ASSERT_EQ(lines.size(), 4) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("Title Notes Keywords"));
    EXPECT_EQ(lines[2], QStringLiteral("Alpha kw0"));
    EXPECT_FALSE(text.contains(QStringLiteral("Notes on")));
}

TEST_F(PrintListTest, WithThreeSelectedRowsExactlyThoseArePrinted)
{
    auto form = load(titles(6));
    QItemSelectionModel* selection = form->gridMain()->selectionModel();
    selection->clearSelection();
    for (int row : {4, 1, 3})
        selection->select(form->listModel()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_EQ(form->SelectedCount(), 3);
    ASSERT_TRUE(command->print(toPdf(1, 1, true)).ok());
    const QStringList lines = linesOf(pdfPages(pdf).join(QString()));
    EXPECT_EQ(lines, (QStringList{QStringLiteral("Media List"), QStringLiteral("Title"), QStringLiteral("Row 001"),
                                  QStringLiteral("Row 003"), QStringLiteral("Row 004")}));
}

TEST_F(PrintListTest, TwoCopiesAreTwoFilesEachWithItsTitleAndHeader)
{
    auto form = load({QStringLiteral("Alpha"), QStringLiteral("Beta")});
    ASSERT_TRUE(command->print(toPdf(2, 2)).ok());
    const QString second = folder.path(QStringLiteral("List (2).pdf"));
    EXPECT_EQ(command->lastPrinter()->filesWritten(), (QStringList{pdf, second}));
    EXPECT_EQ(command->lastPrinter()->jobsPrinted(), 2);
    const QStringList expected = {QStringLiteral("Media List"), QStringLiteral("Title Author"),
                                  QStringLiteral("Alpha Author of Alpha"), QStringLiteral("Beta Author of Beta")};
    EXPECT_EQ(linesOf(pdfPages(pdf).join(QString())), expected);
    EXPECT_EQ(linesOf(pdfPages(second).join(QString())), expected);
}

TEST_F(PrintListTest, TwoHundredRowsRunOntoSeveralPagesWithTheHeaderOnlyOnTheFirst)
{
    auto form = load(titles(200));
    QStringList progressTitles;
    QString label;
    command->setRowObserver([&](int, int) {
        const MGCForm* progress = command->lastPrinter()->progressWindow();
        label = progress->text();
        if (progressTitles.isEmpty() || progressTitles.last() != progress->windowTitle())
            progressTitles << progress->windowTitle();
    });
    ASSERT_TRUE(command->print(toPdf(1, 2)).ok());
    EXPECT_EQ(label, QStringLiteral("Printing..."));

    const QStringList pages = pdfPages(pdf);
    ASSERT_GE(pages.size(), 3);
    QStringList rows;
    for (int p = 0; p < pages.size(); ++p) {
        const QStringList lines = linesOf(pages[p]);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.contains(QStringLiteral("Media List")), p == 0) << p;
        EXPECT_EQ(lines.contains(QStringLiteral("Title Author")), p == 0) << p;
        for (const QString& line : lines) {
            if (line.startsWith(QStringLiteral("Row ")))
                rows << line;
        }
    }
    QStringList expected;
    for (const QString& t : titles(200))
        expected << t + QStringLiteral(" Author of ") + t;
    EXPECT_EQ(rows, expected);

    // The window's title follows the pages.
    ASSERT_EQ(progressTitles.size(), pages.size());
    EXPECT_EQ(progressTitles[0], QStringLiteral("Copy: 1   Page: 1"));
    EXPECT_EQ(progressTitles[1], QStringLiteral("Copy: 1   Page: 2"));
}

TEST_F(PrintListTest, AnEmptyListSaysNothingToPrintAndOpensNoDialog)
{
    auto form = load({});
    QAction* print = form->command(QStringLiteral("PrintListButton"));
    ASSERT_NE(print, nullptr);
    EXPECT_TRUE(print->isVisible());
    EXPECT_TRUE(print->isEnabled());
    ModalDriver<PrintListForm> driver([](PrintListForm* f) { f->reject(); }, 200);
    print->trigger();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("Error"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("Nothing to Print"));
    EXPECT_EQ(boxes.last().icon, MessageIcon::Critical);
    EXPECT_FALSE(driver.ran());
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrintListTest, CancelLeavesNothingOfTheCopyInProgress)
{
    auto form = load(titles(120));
    moveAway(*form);
    command->setRowObserver([&](int copy, int row) {
        if (copy == 2 && row == 100)
            command->lastPrinter()->progressWindow()->cancelButton()->click();
    });
    const Status printed = command->print(toPdf(3, 2));
    EXPECT_EQ(printed.code(), ErrorCode::Cancelled);
    EXPECT_TRUE(state.CancelRequested);
    EXPECT_EQ(command->lastPrinter()->jobsPrinted(), 1);
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_FALSE(QFile::exists(folder.path(QStringLiteral("List (2).pdf"))));
    EXPECT_FALSE(QFile::exists(folder.path(QStringLiteral("List (3).pdf"))));
    EXPECT_TRUE(partialFiles().isEmpty()) << partialFiles().join(QLatin1Char(' ')).toStdString();
    EXPECT_FALSE(command->lastPrinter()->progressWindow()->isVisible());
    expectFirstRecordAndColumnCurrent(*form);

    // A file of that name from before stays as it was.
    QFile::remove(pdf);
    {
        QFile old(pdf);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier");
    }
    command->setRowObserver([&](int, int row) {
        if (row == 5)
            command->lastPrinter()->progressWindow()->cancelButton()->click();
    });
    EXPECT_EQ(command->print(toPdf(1, 2)).code(), ErrorCode::Cancelled);
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("earlier"));
    EXPECT_TRUE(partialFiles().isEmpty());
}

TEST_F(PrintListTest, NoCopiesPrintNothingAndStillShowTheFirstRecord)
{
    auto form = load(titles(4));
    moveAway(*form);
    ASSERT_TRUE(command->print(toPdf(0)).ok());
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(command->lastPrinter()->jobsPrinted(), 0);
    expectFirstRecordAndColumnCurrent(*form);
}

TEST_F(PrintListTest, TheButtonAsksPrintsAndLeavesTheFirstRecordAndColumnCurrent)
{
    auto form = load(titles(3));
    form->show();
    moveAway(*form);
    PrintListForm::Seams seams;
    seams.printers = PrintListForm::Printers{};
    seams.choosePdfFile = [this](QWidget*) { return pdf; };
    seams.chooseFont = [](QWidget*, const QFont&) -> std::optional<QFont> {
        return QFont(QStringLiteral("DejaVu Serif"), 9);
    };
    command->setFormSeams(seams);

    bool selectedRowsOffered = false;
    ModalDriver<PrintListForm> driver([&](PrintListForm* f) {
        selectedRowsOffered = f->findChild<QRadioButton*>(QStringLiteral("RowsToPrintOption1"))->isEnabled();
        f->findChild<QLineEdit*>(QStringLiteral("ListTitleBox"))->setText(QStringLiteral("My Books"));
        f->findChild<QRadioButton*>(QStringLiteral("ColumnsToPrintOption0"))->click();
        f->findChild<QPushButton*>(QStringLiteral("ChangeHeaderFontButton"))->click();
        f->findChild<QPushButton*>(QStringLiteral("PrintButton"))->click();
    });
    form->command(QStringLiteral("PrintListButton"))->trigger();
    ASSERT_TRUE(driver.ran());
    EXPECT_FALSE(selectedRowsOffered); // the current row alone is no selection
    EXPECT_EQ(boxes.count(), 0);

    const QStringList lines = linesOf(pdfPages(pdf).join(QString()));
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("My Books"));
    // All ten captions, the narrow ones cut short; Notes has its caption but no text.
    const QStringList captions = lines[1].split(QLatin1Char(' '));
    const QStringList fields = QStringLiteral("Title Author Keywords FileName FileType FileSize FileDate "
                                              "InsertionDate LastUpdatedDate Notes")
                                   .split(QLatin1Char(' '));
    ASSERT_EQ(captions.size(), fields.size()) << lines[1].toStdString();
    for (qsizetype c = 0; c < fields.size(); ++c)
        EXPECT_TRUE(shownOrElided(captions[c], fields[c])) << captions[c].toStdString();
    const QString text = lines.join(QLatin1Char(' '));
    EXPECT_FALSE(text.contains(QStringLiteral("Notes on")));
    expectFirstRecordAndColumnCurrent(*form);

    // The fonts went to the settings file on Print.
    const SettingsRecord saved = settingsOnDisk(state.SettingsFilePath);
    EXPECT_EQ(saved.PrintHeaderFontName, QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(saved.PrintHeaderFontSize, 9);
    EXPECT_FALSE(saved.PrintHeaderFontBold);
}
