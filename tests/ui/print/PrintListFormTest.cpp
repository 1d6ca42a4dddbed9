#include "ui/QtPrinters.h"
#include "support/TestPaths.h"

#include "core/ProgramState.h"
#include "core/SettingsFile.h"
#include "ui/print/PrintListForm.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace zentaro;
using namespace zentaro::test;

namespace {

class PrintListFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(state.settingsFile().LoadConfig().ok());
        seams.printers = PrintListForm::Printers{{QStringLiteral("Office"), QStringLiteral("Lab")},
                                                 QStringLiteral("Lab")};
        seams.saveSettings = [this] {
            ++saves;
            return Status();
        };
        seams.choosePdfFile = [this](QWidget*) {
            ++pdfAsked;
            return pdfAnswer;
        };
        seams.chooseFont = [this](QWidget*, const QFont& current) -> std::optional<QFont> {
            fontsOffered.push_back(current);
            if (fontAnswers.empty())
                return std::nullopt;
            QFont next = fontAnswers.front();
            fontAnswers.erase(fontAnswers.begin());
            return next;
        };
    }

    template <typename T>
    static T* child(QWidget& form, const char* name)
    {
        T* found = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    ProgramFolder folder;
    ProgramState state{folder.folder()};
    PrintListForm::Seams seams;
    int saves = 0;
    int pdfAsked = 0;
    QString pdfAnswer;
    std::vector<QFont> fontAnswers;
    std::vector<QFont> fontsOffered;
};

} // namespace

TEST_F(PrintListFormTest, OpensWithTheDefaultsAndTheSystemPrinterChosen)
{
    PrintListForm form(state, false, seams);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Print List"));
    auto* printers = child<QComboBox>(form, "PrinterList");
    ASSERT_EQ(printers->count(), 3);
    EXPECT_EQ(printers->itemText(0), QStringLiteral("Office"));
    EXPECT_EQ(printers->itemText(1), QStringLiteral("Lab"));
    EXPECT_EQ(printers->itemText(2), QStringLiteral("PDF file"));
    EXPECT_EQ(printers->currentText(), QStringLiteral("Lab"));
    EXPECT_EQ(child<QLineEdit>(form, "CopiesBox")->text(), QStringLiteral("1"));
    EXPECT_EQ(child<QLineEdit>(form, "ListTitleBox")->text(), QStringLiteral("Media List"));

    auto* all = child<QRadioButton>(form, "ColumnsToPrintOption0");
    auto* first = child<QRadioButton>(form, "ColumnsToPrintOption1");
    auto* columns = child<QComboBox>(form, "ColumnList");
    EXPECT_EQ(all->text(), QStringLiteral("Print ALL Columns"));
    EXPECT_TRUE(first->isChecked());
    ASSERT_EQ(columns->count(), 9);
    EXPECT_EQ(columns->itemText(0), QStringLiteral("1"));
    EXPECT_EQ(columns->itemText(8), QStringLiteral("9"));
    EXPECT_EQ(columns->currentText(), QStringLiteral("5"));
    EXPECT_TRUE(columns->isEnabled());
    all->click();
    EXPECT_FALSE(columns->isEnabled());
    first->click();
    EXPECT_TRUE(columns->isEnabled());

    EXPECT_TRUE(child<QRadioButton>(form, "RowsToPrintOption0")->isChecked());
    EXPECT_EQ(child<QRadioButton>(form, "RowsToPrintOption0")->text(), QStringLiteral("Print All Rows"));
    auto* selected = child<QRadioButton>(form, "RowsToPrintOption1");
    EXPECT_EQ(selected->text(), QStringLiteral("Print Selected Rows"));
    EXPECT_FALSE(selected->isEnabled());
    PrintListForm withSelection(state, true, seams);
    EXPECT_TRUE(child<QRadioButton>(withSelection, "RowsToPrintOption1")->isEnabled());

    // The panels show the print fonts of the settings.
    auto* header = child<QLabel>(form, "HeaderFontPanel");
    EXPECT_EQ(header->toolTip(), QStringLiteral("Preview of Header Font"));
    EXPECT_EQ(child<QLabel>(form, "ListFontPanel")->toolTip(), QStringLiteral("Preview of List Font"));
    EXPECT_EQ(form.headerFont().family(), QStringLiteral("Arial"));
    EXPECT_EQ(form.headerFont().pointSize(), 8);
    EXPECT_TRUE(form.headerFont().bold());
    EXPECT_FALSE(form.listFont().bold());
    EXPECT_TRUE(header->font().bold());
    EXPECT_EQ(header->text(), QStringLiteral("Arial 8"));
}

TEST_F(PrintListFormTest, WithoutAnyPrinterThePdfFileIsTheOneEntryAndChosen)
{
    seams.printers = PrintListForm::Printers{};
    PrintListForm form(state, false, seams);
    auto* printers = child<QComboBox>(form, "PrinterList");
    ASSERT_EQ(printers->count(), 1);
    EXPECT_EQ(printers->currentText(), QStringLiteral("PDF file"));

    // Print asks for the file; without one the dialog stays and nothing is saved.
    form.show();
    child<QPushButton>(form, "PrintButton")->click();
    EXPECT_EQ(pdfAsked, 1);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.request().has_value());
    EXPECT_EQ(saves, 0);

    pdfAnswer = folder.path(QStringLiteral("out"));
    child<QPushButton>(form, "PrintButton")->click();
    EXPECT_FALSE(form.isVisible());
    ASSERT_TRUE(form.request().has_value());
    EXPECT_EQ(form.request()->pdfFile, folder.path(QStringLiteral("out.pdf")));
    EXPECT_TRUE(form.request()->printerName.isEmpty());
    EXPECT_EQ(saves, 1);
}

TEST_F(PrintListFormTest, PrintHandsBackTheRequestAndSavesTheChosenFonts)
{
    PrintListForm form(state, true, seams);
    form.show();
    QFont serif(QStringLiteral("DejaVu Serif"));
    serif.setPointSizeF(10.6);
    serif.setItalic(true);
    fontAnswers = {serif};
    child<QPushButton>(form, "ChangeHeaderFontButton")->click();
    ASSERT_EQ(fontsOffered.size(), 1u);
    EXPECT_EQ(fontsOffered[0].family(), QStringLiteral("Arial"));
    EXPECT_TRUE(fontsOffered[0].bold());
    EXPECT_EQ(child<QLabel>(form, "HeaderFontPanel")->text(), QStringLiteral("DejaVu Serif 11"));
    // A cancelled chooser changes nothing.
    child<QPushButton>(form, "ChangeListFontButton")->click();
    EXPECT_EQ(form.listFont().family(), QStringLiteral("Arial"));

    child<QComboBox>(form, "PrinterList")->setCurrentIndex(0);
    child<QLineEdit>(form, "CopiesBox")->setText(QStringLiteral("2.6"));
    child<QRadioButton>(form, "ColumnsToPrintOption0")->click();
    child<QRadioButton>(form, "RowsToPrintOption1")->click();
    child<QLineEdit>(form, "ListTitleBox")->setText(QStringLiteral("Books"));
    child<QPushButton>(form, "PrintButton")->click();

    ASSERT_TRUE(form.request().has_value());
    const PrintRequest& request = *form.request();
    EXPECT_EQ(request.printerName, QStringLiteral("Office"));
    EXPECT_FALSE(request.toPdf());
    EXPECT_EQ(request.copies, 3);
    EXPECT_EQ(request.columnCount, 10);
    EXPECT_TRUE(request.selectedOnly);
    EXPECT_EQ(request.title, QStringLiteral("Books"));
    EXPECT_EQ(pdfAsked, 0);

    EXPECT_EQ(saves, 1);
    const SettingsRecord& s = state.Settings;
    EXPECT_EQ(s.PrintHeaderFontName, QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(s.PrintHeaderFontSize, 11);
    EXPECT_FALSE(s.PrintHeaderFontBold);
    EXPECT_TRUE(s.PrintHeaderFontItalic);
    EXPECT_EQ(s.PrintListFontName, QStringLiteral("Arial"));
    EXPECT_EQ(s.PrintListFontSize, 8);
}

TEST_F(PrintListFormTest, ColumnCountAndCopiesComeFromTheControls)
{
    PrintListForm form(state, false, seams);
    form.show();
    child<QComboBox>(form, "ColumnList")->setCurrentIndex(2);
    child<QLineEdit>(form, "CopiesBox")->setText(QStringLiteral("many"));
    child<QPushButton>(form, "PrintButton")->click();
    ASSERT_TRUE(form.request().has_value());
    EXPECT_EQ(form.request()->columnCount, 3);
    EXPECT_EQ(form.request()->copies, 0);
    EXPECT_FALSE(form.request()->selectedOnly);
    EXPECT_EQ(form.request()->printerName, QStringLiteral("Lab"));
}

TEST_F(PrintListFormTest, CancelHandsBackNothingAndSavesNothing)
{
    PrintListForm form(state, false, seams);
    form.show();
    fontAnswers = {QFont(QStringLiteral("DejaVu Sans Mono"), 14)};
    child<QPushButton>(form, "ChangeListFontButton")->click();
    EXPECT_EQ(form.listFont().family(), QStringLiteral("DejaVu Sans Mono"));
    child<QPushButton>(form, "CancelButton")->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.request().has_value());
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(state.Settings.PrintListFontName, QStringLiteral("Arial"));
    EXPECT_EQ(state.Settings.PrintListFontSize, 8);
}
