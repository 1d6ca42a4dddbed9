#include "ui/MainWindowHarness.h"
#include "ui/ModalDriver.h"

#include "library/LibrarySession.h"
#include "search/ListModel.h"
#include "ui/main/MainForm.h"
#include "ui/common/MessageRecorder.h"
#include "ui/main/FieldColors.h"
#include "ui/main/TwipsGeometry.h"
#include "ui/main/ProgramCommands.h"
#include "ui/settings/ConfigForm.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace zentaro;
using namespace zentaro::test;

namespace {

QColor textOf(const QWidget* w)
{
    return w->palette().color(QPalette::Text);
}

QColor baseOf(const QWidget* w)
{
    return w->palette().color(QPalette::Base);
}

// Choosers that record what they were given and answer from fields.
struct FakeChoosers
{
    ConfigForm::Choosers make()
    {
        ConfigForm::Choosers c;
        c.file = [this](QWidget*, const QString& start) {
            fileStarts << start;
            return file;
        };
        c.font = [this](QWidget*, const ConfigForm::FontChoice& preset, bool withColor) {
            fontPresets.push_back(preset);
            fontWithColor.push_back(withColor);
            return font;
        };
        c.color = [this](QWidget*, const QColor& preset) {
            colorPresets << preset;
            return color;
        };
        return c;
    }
    std::optional<QString> file;
    std::optional<ConfigForm::FontChoice> font;
    std::optional<QColor> color;
    QStringList fileStarts;
    std::vector<ConfigForm::FontChoice> fontPresets;
    std::vector<bool> fontWithColor;
    QList<QColor> colorPresets;
};

class ConfigFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.valid());
        ASSERT_TRUE(state.settingsFile().LoadConfig().ok());
        state.Settings.StartMaximized = false;
        makeLibrary(folder.path(QStringLiteral("Books.ZNT")), {QStringLiteral("Alpha"), QStringLiteral("Beta")});
        state.CurrentLibraryPath = folder.path(QStringLiteral("Books.ZNT"));
        form = std::make_unique<MainForm>(state);
        form->load();
        ASSERT_TRUE(form->session().isOpen());
    }

    // The dialog as the command opens it, driven by act.
    void runDialog(const std::function<void(ConfigForm&)>& act)
    {
        ProgramCommands::ConfigRunner previous = ProgramCommands::setConfigRunner([&](ConfigForm& dialog) {
            dialog.setChoosers(choosers.make());
            act(dialog);
        });
        form->command(QStringLiteral("tpbar"))->trigger();
        ProgramCommands::setConfigRunner(std::move(previous));
    }

    // The dialog on its own over the form's grid, counting the calls out.
    std::unique_ptr<ConfigForm> makeDialog()
    {
        ConfigForm::Targets targets;
        targets.grid = form->gridMain();
        targets.model = form->listModel();
        targets.applyFieldColors = [this] { ++applied; };
        targets.saveSettings = [this] {
            ++saved;
            return Status::success();
        };
        auto dialog = std::make_unique<ConfigForm>(state.Settings, std::move(targets));
        dialog->setChoosers(choosers.make());
        return dialog;
    }

    static void click(ConfigForm& dialog, const char* name)
    {
        QPushButton* button = dialog.button(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }

    ProgramFolder folder;
    ProgramState state{folder.folder()};
    MessageRecorder boxes;
    LoginScript logins;
    DialogScript dialogs;
    FakeChoosers choosers;
    std::unique_ptr<MainForm> form;
    int applied = 0;
    int saved = 0;
};

} // namespace

TEST(ConfigFormWipe, AmountIsClampedAndTheFieldCorrected)
{
    const struct
    {
        const char* typed;
        const char* shown;
        int stored;
    } cases[] = {
        {"50", "100", 100},       {"40000", "32000", 32000}, {"abc", "100", 100},    {"250.6", "250.6", 251},
        {"", "100", 100},         {" 1200 files", " 1200 files", 1200},                 {"32000", "32000", 32000},
        {"100", "100", 100},      {"-5", "100", 100},        {"99.4", "100", 100},    {"1e9", "32000", 32000},
    };
    for (const auto& c : cases) {
        QString text = QLatin1String(c.typed);
        EXPECT_EQ(ConfigForm::WipeAmountFrom(text), c.stored) << c.typed;
        EXPECT_EQ(text, QLatin1String(c.shown)) << c.typed;
    }
}

TEST_F(ConfigFormTest, LoadsEveryPageFromTheSettingsAndTheGrid)
{
    state.Settings.EditDetectMode = 2;
    state.Settings.ExclusiveMode = false;
    state.Settings.SecurityWipeOnExit = false;
    state.Settings.WipeAmount = 4321;
    state.Settings.DefaultLibrary = QStringLiteral("/data/Start.ZNT");
    state.Settings.FieldViewForeColor = 0x0000FF; // red
    state.Settings.FieldViewBackColor = 0x00FF00; // green
    state.Settings.AutoStart = false;
    state.Settings.AutoRewind = true;
    state.Settings.PreviewFullHeight = false;
    form->listModel()->setColumnField(4, QStringLiteral("Notes"));
    auto dialog = makeDialog();

    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ZNT Configuration Settings"));
    ASSERT_EQ(dialog->pages()->count(), 3);
    EXPECT_EQ(dialog->pages()->tabText(0), QStringLiteral("General"));
    EXPECT_EQ(dialog->pages()->tabText(1), QStringLiteral("List View"));
    EXPECT_EQ(dialog->pages()->tabText(2), QStringLiteral("File View"));
    EXPECT_EQ(dialog->button(QStringLiteral("OKButton"))->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog->button(QStringLiteral("CancelButton"))->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(dialog->button(QStringLiteral("ApplyButton"))->text(), QStringLiteral("&Apply"));

    ASSERT_EQ(dialog->editDetectCombo()->count(), 3);
    EXPECT_EQ(dialog->editDetectCombo()->itemText(0), QStringLiteral("Only show blinking ReInsert button"));
    EXPECT_EQ(dialog->editDetectCombo()->itemText(1), QStringLiteral("Prompt me with a choice for ReInsertion"));
    EXPECT_EQ(dialog->editDetectCombo()->itemText(2), QStringLiteral("Automatically ReInsert file back into library"));
    EXPECT_EQ(dialog->editDetectCombo()->currentIndex(), 2);
    EXPECT_FALSE(dialog->netExclusiveBox()->isChecked());
    EXPECT_EQ(dialog->netExclusiveBox()->text(),
              QStringLiteral("Exclusive Mode (Increases performance but disables Network Support)"));
    EXPECT_EQ(dialog->defaultLibraryBox()->text(), QStringLiteral("/data/Start.ZNT"));
    EXPECT_EQ(dialog->swQty()->text(), QStringLiteral("4321"));
    EXPECT_FALSE(dialog->swOption()->isChecked());
    EXPECT_FALSE(dialog->swQty()->isEnabled());
    dialog->swOption()->click();
    EXPECT_TRUE(dialog->swQty()->isEnabled());
    dialog->swOption()->click();
    EXPECT_FALSE(dialog->swQty()->isEnabled());
    auto* note = dialog->findChild<QLabel*>(QStringLiteral("SecurityNoteLabel"));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(), QStringLiteral("(Even though ZNT deletes all extracted files when exiting, the security wipe "
                                           "makes them undetectable by some undelete utilites)  *This feature can't "
                                           "bypass Norton Protected Recycle Bin"));

    for (int i = 0; i < kGridColumnCount; ++i) {
        ASSERT_EQ(dialog->columnCombo(i)->count(), 10);
        EXPECT_EQ(dialog->columnCombo(i)->currentText(), form->listModel()->columnField(i)) << i;
    }
    EXPECT_EQ(dialog->columnCombo(4)->currentText(), QStringLiteral("Notes"));
    EXPECT_EQ(dialog->columnCombo(9)->itemText(9), QStringLiteral("Notes"));
    EXPECT_EQ(dialog->text1()->text(), QStringLiteral("Example List Text"));
    EXPECT_EQ(dialog->text1()->font(), form->gridMain()->font());
    EXPECT_EQ(textOf(dialog->text1()), textOf(form->gridMain()));
    EXPECT_EQ(baseOf(dialog->text1()), baseOf(form->gridMain()));
    EXPECT_EQ(dialog->sampleHeader()->text(), QStringLiteral("Sample Header"));
    EXPECT_EQ(dialog->sampleHeader()->font(), form->gridMain()->horizontalHeader()->font());

    EXPECT_EQ(dialog->fvText()->text(), QStringLiteral("Sample Text"));
    EXPECT_EQ(textOf(dialog->fvText()), QColor(Qt::red));
    EXPECT_EQ(baseOf(dialog->fvText()), QColor(Qt::green));
    EXPECT_FALSE(dialog->autoStartOption()->isChecked());
    EXPECT_TRUE(dialog->autoRewindOption()->isChecked());
    EXPECT_FALSE(dialog->previewFullHeightOption()->isChecked());
    EXPECT_EQ(dialog->previewFullHeightOption()->text(), QStringLiteral("Show Previewer Full Height"));
}

TEST_F(ConfigFormTest, ApplyCommitsSavesAndCancelAfterApplyKeepsIt)
{
    state.Settings.ExclusiveMode = true;
    state.Settings.EditDetectMode = 1;
    state.Settings.SecurityWipeOnExit = false;
    const QString cfg = state.SettingsFilePath;
    runDialog([&](ConfigForm& dialog) {
        dialog.netExclusiveBox()->setChecked(false);
        dialog.editDetectCombo()->setCurrentIndex(0);
        dialog.swOption()->setChecked(true);
        dialog.swQty()->setText(QStringLiteral("40000"));
        dialog.defaultLibraryBox()->setText(QStringLiteral("/typed/Other.ZNT"));
        dialog.autoStartOption()->setChecked(false);
        click(dialog, "ApplyButton");
        EXPECT_EQ(dialog.swQty()->text(), QStringLiteral("32000"));
        // Changed after Apply, then cancelled.
        dialog.editDetectCombo()->setCurrentIndex(2);
        dialog.netExclusiveBox()->setChecked(true);
        click(dialog, "CancelButton");
    });
    const SettingsRecord& s = state.Settings;
    EXPECT_FALSE(s.ExclusiveMode);
    EXPECT_EQ(s.EditDetectMode, 0);
    EXPECT_TRUE(s.SecurityWipeOnExit);
    EXPECT_EQ(s.WipeAmount, 32000);
    EXPECT_EQ(s.DefaultLibrary, QStringLiteral("/typed/Other.ZNT"));
    EXPECT_FALSE(s.AutoStart);
    // Apply wrote the file.
    const SettingsRecord onDisk = settingsOnDisk(cfg);
    EXPECT_FALSE(onDisk.ExclusiveMode);
    EXPECT_EQ(onDisk.WipeAmount, 32000);
    EXPECT_EQ(onDisk.DefaultLibrary, QStringLiteral("/typed/Other.ZNT"));

    // OK applies and closes.
    runDialog([&](ConfigForm& dialog) {
        dialog.show();
        dialog.swQty()->setText(QStringLiteral("250.6"));
        click(dialog, "OKButton");
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    });
    EXPECT_EQ(state.Settings.WipeAmount, 251);
    EXPECT_EQ(settingsOnDisk(cfg).WipeAmount, 251);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(ConfigFormTest, ColumnSetToNotesShowsNotesAtOnce)
{
    runDialog([&](ConfigForm& dialog) {
        dialog.columnCombo(3)->setCurrentText(QStringLiteral("Notes"));
        click(dialog, "ApplyButton");
        // Before the dialog closes.
        ListModel* model = form->listModel();
        EXPECT_EQ(model->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Notes"));
        EXPECT_EQ(model->columnField(3), QStringLiteral("Notes"));
        EXPECT_TRUE(model->data(model->index(0, 3), Qt::DisplayRole).toString().startsWith(QLatin1String("Notes on")));
        click(dialog, "CancelButton");
    });
    EXPECT_EQ(form->listModel()->columnField(3), QStringLiteral("Notes"));
    // The exit writer keeps it.
    form->unload();
    EXPECT_EQ(settingsOnDisk(state.SettingsFilePath).ColumnFields[3], QStringLiteral("Notes"));
}

TEST_F(ConfigFormTest, FileViewFontButtonChangesOnlyTheTextColour)
{
    auto dialog = makeDialog();
    const QFont font = dialog->fvText()->font();
    const QColor back = baseOf(dialog->fvText());
    const QColor before = textOf(dialog->fvText());
    choosers.color = QColor(0x12, 0x34, 0x56);
    click(*dialog, "FVfontButton");
    EXPECT_TRUE(choosers.fontPresets.empty()); // no font chooser
    ASSERT_EQ(choosers.colorPresets.size(), 1);
    EXPECT_EQ(choosers.colorPresets[0], before);
    EXPECT_EQ(textOf(dialog->fvText()), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(baseOf(dialog->fvText()), back);
    EXPECT_EQ(dialog->fvText()->font(), font);

    click(*dialog, "ApplyButton");
    EXPECT_EQ(state.Settings.FieldViewForeColor, 0x563412);
    EXPECT_EQ(state.Settings.FieldViewBackColor, FieldColors::toSetting(back));
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(saved, 1);
}

TEST_F(ConfigFormTest, ApplyRecoloursTheRecordFieldsThroughTheWindow)
{
    runDialog([&](ConfigForm& dialog) {
        choosers.color = QColor(Qt::yellow);
        click(dialog, "FVBackgroundButton");
        click(dialog, "OKButton");
    });
    EXPECT_EQ(state.Settings.FieldViewBackColor, 0x00FFFF);
    EXPECT_EQ(baseOf(form->titleBox()), QColor(Qt::yellow));
    EXPECT_EQ(baseOf(form->notesBox()), QColor(Qt::yellow));
}

TEST_F(ConfigFormTest, ListFontsAndColoursReachTheGridOnApply)
{
    auto dialog = makeDialog();
    QFont chosen(QStringLiteral("Serif"), 14);
    chosen.setItalic(true);
    chosen.setStrikeOut(true);
    choosers.font = ConfigForm::FontChoice{chosen, QColor(Qt::magenta)};
    click(*dialog, "ListFontbutton");
    ASSERT_EQ(choosers.fontPresets.size(), 1);
    EXPECT_TRUE(choosers.fontWithColor[0]);
    EXPECT_EQ(choosers.fontPresets[0].color, textOf(form->gridMain()));
    EXPECT_EQ(dialog->text1()->font(), chosen);
    EXPECT_EQ(textOf(dialog->text1()), QColor(Qt::magenta));

    choosers.color = QColor(Qt::darkBlue);
    click(*dialog, "ChangeBackgroundColorButton");
    EXPECT_EQ(textOf(dialog->text1()), QColor(Qt::magenta));
    EXPECT_EQ(baseOf(dialog->text1()), QColor(Qt::darkBlue));

    QFont header(QStringLiteral("Sans"), 11);
    header.setBold(true);
    choosers.font = ConfigForm::FontChoice{header, QColor()};
    click(*dialog, "HeaderFontButton");
    EXPECT_FALSE(choosers.fontWithColor[1]);
    EXPECT_EQ(dialog->sampleHeader()->font(), header);

    // Nothing reaches the grid before Apply.
    EXPECT_NE(form->gridMain()->font(), chosen);
    click(*dialog, "ApplyButton");
    EXPECT_EQ(form->gridMain()->font(), chosen);
    EXPECT_EQ(textOf(form->gridMain()), QColor(Qt::magenta));
    EXPECT_EQ(baseOf(form->gridMain()), QColor(Qt::darkBlue));
    EXPECT_EQ(form->gridMain()->horizontalHeader()->font().toString().toStdString(), header.toString().toStdString());
}

TEST_F(ConfigFormTest, ANewListFontWidensTheColumnsThatWouldCutTheirValuesAndTheRows)
{
    form->show();
    QTableView* grid = form->gridMain();
    QHeaderView* header = grid->horizontalHeader();
    auto column = [&](const char* field) {
        for (int c = 0; c < kGridColumnCount; ++c) {
            if (form->listModel()->columnField(c) == QLatin1String(field))
                return c;
        }
        ADD_FAILURE() << field;
        return 0;
    };
    // What the cells ask for, measured by the grid itself over the rows it shows.
    auto needs = [grid](int c) { return static_cast<QAbstractItemView*>(grid)->sizeHintForColumn(c); };
    const int widened = column("LastUpdatedDate");
    header->resizeSection(widened, 900);
    const int title = column("Title");
    const int titleWidth = header->sectionSize(title);

    auto dialog = makeDialog();
    const QFont big(QStringLiteral("Serif"), 24);
    choosers.font = ConfigForm::FontChoice{big, QColor(Qt::black)};
    click(*dialog, "ListFontbutton");
    click(*dialog, "ApplyButton");
    ASSERT_EQ(grid->font(), big);

    const int insertion = column("InsertionDate");
    ASSERT_GT(needs(insertion), TwipsGeometry::pixelsX(grid, 1000));
    for (const char* field : {"FileSize", "FileDate", "InsertionDate", "FileType"})
        EXPECT_GE(header->sectionSize(column(field)), needs(column(field))) << field;
    // Wider by hand stays as wide; free text keeps its width.
    EXPECT_EQ(header->sectionSize(widened), 900);
    EXPECT_EQ(header->sectionSize(title), titleWidth);
    EXPECT_GE(grid->rowHeight(0), QFontMetrics(big).height());

    // Narrowed by hand afterwards, a column stays so through an Apply that keeps the font.
    header->resizeSection(insertion, 30);
    click(*dialog, "ApplyButton");
    EXPECT_EQ(header->sectionSize(insertion), 30);
}

TEST_F(ConfigFormTest, CancelledChoosersChangeNothing)
{
    state.Settings.DefaultLibrary = QStringLiteral("/keep/Me.ZNT");
    auto dialog = makeDialog();
    const QFont text1 = dialog->text1()->font();
    const QPalette text1Colors = dialog->text1()->palette();
    const QFont header = dialog->sampleHeader()->font();
    const QPalette fv = dialog->fvText()->palette();
    for (const char* name : {"ChangeDefaultLibraryButton", "ListFontbutton", "ChangeBackgroundColorButton",
                             "HeaderFontButton", "FVfontButton", "FVBackgroundButton"})
        click(*dialog, name);
    EXPECT_EQ(choosers.fileStarts, QStringList{QStringLiteral("/keep/Me.ZNT")});
    EXPECT_EQ(choosers.fontPresets.size(), 2u);
    EXPECT_EQ(choosers.colorPresets.size(), 3);
    EXPECT_EQ(dialog->defaultLibraryBox()->text(), QStringLiteral("/keep/Me.ZNT"));
    EXPECT_EQ(dialog->text1()->font(), text1);
    EXPECT_EQ(dialog->text1()->palette(), text1Colors);
    EXPECT_EQ(dialog->sampleHeader()->font(), header);
    EXPECT_EQ(dialog->fvText()->palette(), fv);
    EXPECT_EQ(applied + saved, 0);

    choosers.file = QStringLiteral("/chosen/New.ZNT");
    click(*dialog, "ChangeDefaultLibraryButton");
    EXPECT_EQ(dialog->defaultLibraryBox()->text(), QStringLiteral("/chosen/New.ZNT"));
    EXPECT_EQ(state.Settings.DefaultLibrary, QStringLiteral("/keep/Me.ZNT")); // until Apply
}

TEST_F(ConfigFormTest, PreviewFullHeightDoesNotMoveAnOpenPreviewPage)
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->detailTab()->setCurrentIndex(RecordPane::kPreviewPage);
    QApplication::processEvents();
    // A record whose file cannot be previewed falls back to Details; either
    // way Apply must leave the page where it is.
    const int shown = form->detailTab()->currentIndex();
    const QRect tab = form->detailTab()->geometry();
    const QRect page = form->recordPane().previewPage()->geometry();
    const bool before = state.Settings.PreviewFullHeight;

    auto dialog = makeDialog();
    dialog->previewFullHeightOption()->setChecked(!before);
    click(*dialog, "ApplyButton");
    QApplication::processEvents();
    EXPECT_EQ(state.Settings.PreviewFullHeight, !before);
    EXPECT_EQ(form->detailTab()->currentIndex(), shown);
    EXPECT_EQ(form->detailTab()->geometry(), tab);
    EXPECT_EQ(form->recordPane().previewPage()->geometry(), page);
}

TEST_F(ConfigFormTest, ThePlatformChoosersAskAsDescribedAndCancelIsNothing)
{
    const ConfigForm::Choosers platform = ConfigForm::Choosers::platform();
    QString title;
    QStringList filters;
    QString suffix;
    ModalDriver<QFileDialog> files([&](QFileDialog* d) {
        title = d->windowTitle();
        filters = d->nameFilters();
        suffix = d->defaultSuffix();
        d->reject();
    });
    EXPECT_FALSE(platform.file(nullptr, folder.path(QStringLiteral("Books.ZNT"))).has_value());
    ASSERT_TRUE(files.ran());
    EXPECT_EQ(title, QStringLiteral("Choose Default Library File"));
    ASSERT_EQ(filters.size(), 1);
    EXPECT_TRUE(filters[0].startsWith(QLatin1String("ZNT Library Files"))) << filters[0].toStdString();
    EXPECT_TRUE(filters[0].contains(QLatin1String("*.znt")));
    EXPECT_EQ(suffix, QStringLiteral("ZNT"));

    QColor preset;
    ModalDriver<QColorDialog> colors([&](QColorDialog* d) {
        preset = d->currentColor();
        d->reject();
    });
    EXPECT_FALSE(platform.color(nullptr, QColor(Qt::cyan)).has_value());
    ASSERT_TRUE(colors.ran());
    EXPECT_EQ(preset, QColor(Qt::cyan));
}
