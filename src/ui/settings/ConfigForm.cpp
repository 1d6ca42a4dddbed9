#include "ui/settings/ConfigForm.h"

#include "library/LibraryAddress.h"
#include "search/ListModel.h"
#include "ui/common/MessageBoxes.h"
#include "ui/main/FieldColors.h"
#include "ui/main/GridColumnFit.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace zentaro {

namespace {

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QCheckBox* makeCheck(const QString& name, const QString& caption, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

QGroupBox* makeGroup(const QString& title, QWidget* parent)
{
    auto* group = new QGroupBox(title, parent);
    return group;
}

// A sample field that only shows a font and colours.
QLineEdit* makeSample(const QString& name, const QString& text, QWidget* parent)
{
    auto* sample = new QLineEdit(text, parent);
    sample->setObjectName(name);
    sample->setReadOnly(true);
    sample->setFocusPolicy(Qt::NoFocus);
    return sample;
}

// The font as shown, every attribute its own: the grid's header must not
// take italic or strikethrough over from the grid's font.
QFont complete(QFont font)
{
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

QColor textColor(const QWidget* widget)
{
    return widget->palette().color(QPalette::Text);
}

QColor baseColor(const QWidget* widget)
{
    return widget->palette().color(QPalette::Base);
}

} // namespace

ConfigForm::Choosers ConfigForm::Choosers::platform()
{
    Choosers c;
    c.file = [](QWidget* parent, const QString& startPath) -> std::optional<QString> {
        QFileDialog dialog(parent, kFileChooserTitle, QFileInfo(startPath).absolutePath(), kFileChooserFilter);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(QStringLiteral("ZNT"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    };
    c.font = [](QWidget* parent, const FontChoice& preset, bool withColor) -> std::optional<FontChoice> {
        bool ok = false;
        FontChoice chosen = preset;
        chosen.font = QFontDialog::getFont(&ok, preset.font, parent);
        if (!ok)
            return std::nullopt;
        // The font chooser has no colour of its own; the list's text colour
        // is asked for right after it, and its Cancel keeps the colour.
        if (withColor) {
            const QColor color = QColorDialog::getColor(preset.color, parent, QStringLiteral("List Text Color"));
            if (color.isValid())
                chosen.color = color;
        }
        return chosen;
    };
    c.color = [](QWidget* parent, const QColor& preset) -> std::optional<QColor> {
        const QColor color = QColorDialog::getColor(preset, parent);
        if (!color.isValid())
            return std::nullopt;
        return color;
    };
    return c;
}

ConfigForm::ConfigForm(SettingsRecord& settings, Targets targets, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_targets(std::move(targets)), m_choosers(Choosers::platform())
{
    setObjectName(QStringLiteral("ConfigForm"));
    setWindowTitle(QStringLiteral("ZNT Configuration Settings"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("SSTab1"));
    buildGeneralPage();
    buildListViewPage();
    buildFileViewPage();

    QPushButton* ok = makeButton(QStringLiteral("OKButton"), QStringLiteral("OK"), this);
    QPushButton* cancel = makeButton(QStringLiteral("CancelButton"), QStringLiteral("Cancel"), this);
    QPushButton* apply = makeButton(QStringLiteral("ApplyButton"), QStringLiteral("&Apply"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] {
        Apply();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply, &QPushButton::clicked, this, &ConfigForm::Apply);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(apply);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addLayout(buttons);

    load();
}

void ConfigForm::buildGeneralPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("GeneralPage"));
    auto* column = new QVBoxLayout(page);

    QGroupBox* performance = makeGroup(QStringLiteral("Performance"), page);
    m_netExclusive = makeCheck(QStringLiteral("NetExclusiveBox"),
                               QStringLiteral("Exclusive Mode (Increases performance but disables Network Support)"),
                               performance);
    (new QVBoxLayout(performance))->addWidget(m_netExclusive);
    column->addWidget(performance);

    QGroupBox* library = makeGroup(QStringLiteral("Default Library at Startup"), page);
    m_defaultLibrary = new QLineEdit(library);
    m_defaultLibrary->setObjectName(QStringLiteral("DefaultLibrary"));
    QPushButton* change = makeButton(QStringLiteral("ChangeDefaultLibraryButton"), QStringLiteral("Change"), library);
    connect(change, &QPushButton::clicked, this, &ConfigForm::changeDefaultLibrary);
    auto* libraryRow = new QHBoxLayout(library);
    libraryRow->addWidget(m_defaultLibrary, 1);
    libraryRow->addWidget(change);
    column->addWidget(library);

    QGroupBox* detection = makeGroup(QStringLiteral("Change Detection"), page);
    auto* detectionLabel = new QLabel(QStringLiteral("When ZNT detects changes to an extracted file,"), detection);
    m_editDetect = new QComboBox(detection);
    m_editDetect->setObjectName(QStringLiteral("EditDetectCombo"));
    auto* detectionColumn = new QVBoxLayout(detection);
    detectionColumn->addWidget(detectionLabel);
    detectionColumn->addWidget(m_editDetect);
    column->addWidget(detection);

    QGroupBox* security = makeGroup(QStringLiteral("Security"), page);
    m_swOption = makeCheck(QStringLiteral("SWoption"), QStringLiteral("When exiting ZNT, perform security wipe of"),
                           security);
    m_swQty = new QLineEdit(security);
    m_swQty->setObjectName(QStringLiteral("SWQTY"));
    m_swQty->setMaximumWidth(m_swQty->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    auto* entries = new QLabel(QStringLiteral("directory entries"), security);
    auto* note = new QLabel(QStringLiteral("(Even though ZNT deletes all extracted files when exiting, the security "
                                           "wipe makes them undetectable by some undelete utilites)  *This feature "
                                           "can't bypass Norton Protected Recycle Bin"),
                            security);
    note->setObjectName(QStringLiteral("SecurityNoteLabel"));
    note->setWordWrap(true);
    connect(m_swOption, &QCheckBox::toggled, m_swQty, &QWidget::setEnabled);
    auto* wipeRow = new QHBoxLayout;
    wipeRow->addWidget(m_swOption);
    wipeRow->addWidget(m_swQty);
    wipeRow->addWidget(entries);
    wipeRow->addStretch(1);
    auto* securityColumn = new QVBoxLayout(security);
    securityColumn->addLayout(wipeRow);
    securityColumn->addWidget(note);
    column->addWidget(security);
    column->addStretch(1);

    m_pages->addTab(page, QStringLiteral("General"));
}

void ConfigForm::buildListViewPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("ListViewPage"));
    auto* column = new QVBoxLayout(page);

    QGroupBox* columns = makeGroup(QStringLiteral("Grid Columns"), page);
    auto* grid = new QGridLayout(columns);
    for (int i = 0; i < kGridColumnCount; ++i) {
        auto* panel = makeGroup(QStringLiteral("Column %1").arg(i + 1), columns);
        auto* combo = new QComboBox(panel);
        combo->setObjectName(QStringLiteral("ColumnCombo%1").arg(i));
        combo->addItems(kFieldNames);
        (new QVBoxLayout(panel))->addWidget(combo);
        m_columns[std::size_t(i)] = combo;
        grid->addWidget(panel, i / 5, i % 5);
    }
    column->addWidget(columns);

    QGroupBox* appearance = makeGroup(QStringLiteral("Appearance"), page);
    m_text1 = makeSample(QStringLiteral("Text1"), QStringLiteral("Example List Text"), appearance);
    QPushButton* listFont = makeButton(QStringLiteral("ListFontbutton"), QStringLiteral("List Font"), appearance);
    QPushButton* background =
        makeButton(QStringLiteral("ChangeBackgroundColorButton"), QStringLiteral("Background Color"), appearance);
    m_sampleHeader = new QLabel(QStringLiteral("Sample Header"), appearance);
    m_sampleHeader->setObjectName(QStringLiteral("SampleHeader"));
    m_sampleHeader->setFrameShape(QFrame::Panel);
    m_sampleHeader->setFrameShadow(QFrame::Raised);
    QPushButton* headerFont = makeButton(QStringLiteral("HeaderFontButton"), QStringLiteral("Header Font"), appearance);
    connect(listFont, &QPushButton::clicked, this, &ConfigForm::chooseListFont);
    connect(background, &QPushButton::clicked, this, &ConfigForm::chooseBackgroundColor);
    connect(headerFont, &QPushButton::clicked, this, &ConfigForm::chooseHeaderFont);
    auto* looks = new QGridLayout(appearance);
    looks->addWidget(m_text1, 0, 0, 1, 2);
    looks->addWidget(listFont, 1, 0);
    looks->addWidget(background, 1, 1);
    looks->addWidget(m_sampleHeader, 2, 0, 1, 2);
    looks->addWidget(headerFont, 3, 0);
    column->addWidget(appearance);
    column->addStretch(1);

    m_pages->addTab(page, QStringLiteral("List View"));
}

void ConfigForm::buildFileViewPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("FileViewPage"));
    auto* column = new QVBoxLayout(page);

    QGroupBox* scheme = makeGroup(QStringLiteral("Field Color Scheme"), page);
    m_fvText = makeSample(QStringLiteral("FVtext"), QStringLiteral("Sample Text"), scheme);
    QPushButton* font = makeButton(QStringLiteral("FVfontButton"), QStringLiteral("Font"), scheme);
    QPushButton* background = makeButton(QStringLiteral("FVBackgroundButton"), QStringLiteral("Background"), scheme);
    connect(font, &QPushButton::clicked, this, &ConfigForm::chooseFieldTextColor);
    connect(background, &QPushButton::clicked, this, &ConfigForm::chooseFieldBackground);
    auto* schemeGrid = new QGridLayout(scheme);
    schemeGrid->addWidget(m_fvText, 0, 0, 1, 2);
    schemeGrid->addWidget(font, 1, 0);
    schemeGrid->addWidget(background, 1, 1);
    column->addWidget(scheme);

    QGroupBox* previewer = makeGroup(QStringLiteral("Previewer Settings"), page);
    m_autoStart = makeCheck(QStringLiteral("AutoStartOption"), QStringLiteral("AutoStart"), previewer);
    m_autoRewind = makeCheck(QStringLiteral("AutoRewindOption"), QStringLiteral("AutoRewind"), previewer);
    m_previewFullHeight =
        makeCheck(QStringLiteral("PreviewFullHeightOption"), QStringLiteral("Show Previewer Full Height"), previewer);
    auto* options = new QVBoxLayout(previewer);
    options->addWidget(m_autoStart);
    options->addWidget(m_autoRewind);
    options->addWidget(m_previewFullHeight);
    column->addWidget(previewer);
    column->addStretch(1);

    m_pages->addTab(page, QStringLiteral("File View"));
}

QPushButton* ConfigForm::button(const QString& name) const
{
    return findChild<QPushButton*>(name);
}

void ConfigForm::load()
{
    const SettingsRecord& s = m_settings;
    m_editDetect->addItems({QStringLiteral("Only show blinking ReInsert button"),
                            QStringLiteral("Prompt me with a choice for ReInsertion"),
                            QStringLiteral("Automatically ReInsert file back into library")});
    m_editDetect->setCurrentIndex(std::clamp<int>(s.EditDetectMode, 0, 2));
    m_defaultLibrary->setText(s.DefaultLibrary);
    m_netExclusive->setChecked(s.ExclusiveMode);

    if (m_targets.grid && m_targets.model) {
        const QHeaderView* header = m_targets.grid->horizontalHeader();
        for (int i = 0; i < kGridColumnCount; ++i) {
            const int logical = header->logicalIndex(i);
            m_columns[std::size_t(i)]->setCurrentText(m_targets.model->columnField(logical < 0 ? i : logical));
        }
        m_text1->setFont(m_targets.grid->font());
        FieldColors::setTextColors(m_text1, textColor(m_targets.grid), baseColor(m_targets.grid));
        m_sampleHeader->setFont(header->font());
    }

    FieldColors::setTextColors(m_fvText, FieldColors::fromSetting(s.FieldViewForeColor),
                               FieldColors::fromSetting(s.FieldViewBackColor));
    m_autoRewind->setChecked(s.AutoRewind);
    m_autoStart->setChecked(s.AutoStart);
    m_previewFullHeight->setChecked(s.PreviewFullHeight);
    m_swOption->setChecked(s.SecurityWipeOnExit);
    m_swQty->setEnabled(s.SecurityWipeOnExit);
    m_swQty->setText(QString::number(s.WipeAmount));
}

std::int32_t ConfigForm::WipeAmountFrom(QString& text)
{
    // The leading number, as a number field reads it: blanks before it are
    // skipped, anything after it ignored.
    static const QRegularExpression leading(QStringLiteral("^\\s*([+-]?(?:\\d+(?:\\.\\d*)?|\\.\\d+)(?:[eE][+-]?\\d+)?)"));
    const auto valueOf = [](const QString& t) {
        const QRegularExpressionMatch m = leading.match(t);
        return m.hasMatch() ? m.captured(1).toDouble() : 0.0;
    };
    const double value = valueOf(text);
    if (value < 100)
        text = QStringLiteral("100");
    else if (value > 32000)
        text = QStringLiteral("32000");
    return static_cast<std::int32_t>(std::lround(valueOf(text)));
}

void ConfigForm::Apply()
{
    SettingsRecord& s = m_settings;
    if (m_targets.grid && m_targets.model) {
        QHeaderView* header = m_targets.grid->horizontalHeader();
        for (int i = 0; i < kGridColumnCount; ++i) {
            const int logical = header->logicalIndex(i);
            m_targets.model->setColumnField(logical < 0 ? i : logical, m_columns[std::size_t(i)]->currentText());
        }
        const QFont listFont = complete(m_text1->font());
        const bool newListFont = m_targets.grid->font() != listFont;
        m_targets.grid->setFont(listFont);
        FieldColors::setTextColors(m_targets.grid, textColor(m_text1), baseColor(m_text1));
        header->setFont(complete(m_sampleHeader->font()));
        m_targets.grid->verticalHeader()->setDefaultSectionSize(QFontMetrics(listFont).height() + 4);
        // Only a new font widens: a column narrowed by hand stays so otherwise.
        if (newListFont)
            GridColumnFit::widenToFont(m_targets.grid, *m_targets.model);
    }
    s.EditDetectMode = static_cast<std::int16_t>(std::max(0, m_editDetect->currentIndex()));
    // A server address is kept without its password.
    s.DefaultLibrary = LibraryAddress::WithoutPassword(m_defaultLibrary->text());
    s.ExclusiveMode = m_netExclusive->isChecked();
    s.FieldViewBackColor = FieldColors::toSetting(baseColor(m_fvText));
    s.FieldViewForeColor = FieldColors::toSetting(textColor(m_fvText));
    s.AutoStart = m_autoStart->isChecked();
    s.AutoRewind = m_autoRewind->isChecked();
    s.PreviewFullHeight = m_previewFullHeight->isChecked();
    s.SecurityWipeOnExit = m_swOption->isChecked();
    QString wipe = m_swQty->text();
    s.WipeAmount = WipeAmountFrom(wipe);
    if (wipe != m_swQty->text())
        m_swQty->setText(wipe);

    if (m_targets.applyFieldColors)
        m_targets.applyFieldColors();
    if (m_targets.saveSettings)
        MessageBoxes::showFailure(this, m_targets.saveSettings(), QStringLiteral("ZNT ERROR"));
    raise();
    activateWindow();
}

void ConfigForm::changeDefaultLibrary()
{
    if (!m_choosers.file)
        return;
    if (const std::optional<QString> path = m_choosers.file(this, m_defaultLibrary->text()))
        m_defaultLibrary->setText(*path);
}

void ConfigForm::chooseListFont()
{
    if (!m_choosers.font)
        return;
    const std::optional<FontChoice> chosen = m_choosers.font(this, {m_text1->font(), textColor(m_text1)}, true);
    if (!chosen)
        return;
    m_text1->setFont(chosen->font);
    FieldColors::setTextColors(m_text1, chosen->color, baseColor(m_text1));
}

void ConfigForm::chooseBackgroundColor()
{
    if (!m_choosers.color)
        return;
    if (const std::optional<QColor> color = m_choosers.color(this, baseColor(m_text1)))
        FieldColors::setTextColors(m_text1, textColor(m_text1), *color);
}

void ConfigForm::chooseHeaderFont()
{
    if (!m_choosers.font)
        return;
    // The header has no colour of its own.
    if (const std::optional<FontChoice> chosen = m_choosers.font(this, {m_sampleHeader->font(), QColor()}, false))
        m_sampleHeader->setFont(chosen->font);
}

void ConfigForm::chooseFieldTextColor()
{
    // "Font" on this page picks the text colour only.
    if (!m_choosers.color)
        return;
    if (const std::optional<QColor> color = m_choosers.color(this, textColor(m_fvText)))
        FieldColors::setTextColors(m_fvText, *color, baseColor(m_fvText));
}

void ConfigForm::chooseFieldBackground()
{
    if (!m_choosers.color)
        return;
    if (const std::optional<QColor> color = m_choosers.color(this, baseColor(m_fvText)))
        FieldColors::setTextColors(m_fvText, textColor(m_fvText), *color);
}

} // namespace zentaro
