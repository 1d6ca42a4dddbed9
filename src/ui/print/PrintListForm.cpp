#include "ui/print/PrintListForm.h"

#include "core/ProgramState.h"
#include "core/SettingsFile.h"
#include "core/SettingsRecord.h"
#include "ui/print/PrintLayout.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace zentaro {

PrintListForm::Printers PrintListForm::Printers::installed()
{
    return {QPrinterInfo::availablePrinterNames(), QPrinterInfo::defaultPrinterName()};
}

QFont PrintListForm::fontFromSettings(const QString& name, int size, bool bold, bool italic)
{
    QFont font(name.trimmed().isEmpty() ? QStringLiteral("Arial") : name);
    font.setPointSize(size > 0 ? size : 8);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

PrintListForm::PrintListForm(ProgramState& state, bool rowsSelected, Seams seams, QWidget* parent)
    : QDialog(parent), m_state(state), m_seams(std::move(seams))
{
    setObjectName(QStringLiteral("PrintListForm"));
    setWindowTitle(QStringLiteral("Print List"));

    auto* layout = new QVBoxLayout(this);

    auto* top = new QGridLayout;
    m_printerList = new QComboBox(this);
    m_printerList->setObjectName(QStringLiteral("PrinterList"));
    const Printers printers = m_seams.printers ? *m_seams.printers : Printers::installed();
    m_printerList->addItems(printers.names);
    m_printerList->addItem(kPdfEntry);
    // The system's printer is chosen; without one the PDF file is.
    const int chosen = printers.names.indexOf(printers.defaultName);
    m_printerList->setCurrentIndex(chosen >= 0 ? chosen : m_printerList->count() - 1);
    auto* printerLabel = new QLabel(QStringLiteral("Printer"), this);
    printerLabel->setBuddy(m_printerList);
    top->addWidget(printerLabel, 0, 0);
    top->addWidget(m_printerList, 0, 1);
    m_copiesBox = new QLineEdit(QStringLiteral("1"), this);
    m_copiesBox->setObjectName(QStringLiteral("CopiesBox"));
    auto* copiesLabel = new QLabel(QStringLiteral("Copies"), this);
    copiesLabel->setBuddy(m_copiesBox);
    top->addWidget(copiesLabel, 0, 2);
    top->addWidget(m_copiesBox, 0, 3);
    layout->addLayout(top);

    auto* columns = new QGroupBox(QStringLiteral("Columns to Print"), this);
    columns->setObjectName(QStringLiteral("ColumnsToPrintFrame"));
    auto* columnsLayout = new QVBoxLayout(columns);
    m_allColumns = new QRadioButton(QStringLiteral("Print ALL Columns"), columns);
    m_allColumns->setObjectName(QStringLiteral("ColumnsToPrintOption0"));
    auto* firstRow = new QHBoxLayout;
    m_firstColumns = new QRadioButton(QStringLiteral("Print the first"), columns);
    m_firstColumns->setObjectName(QStringLiteral("ColumnsToPrintOption1"));
    m_columnList = new QComboBox(columns);
    m_columnList->setObjectName(QStringLiteral("ColumnList"));
    for (int n = 1; n <= 9; ++n)
        m_columnList->addItem(QString::number(n));
    m_columnList->setCurrentIndex(4);
    firstRow->addWidget(m_firstColumns);
    firstRow->addWidget(m_columnList);
    firstRow->addWidget(new QLabel(QStringLiteral("Columns"), columns));
    firstRow->addStretch(1);
    columnsLayout->addWidget(m_allColumns);
    columnsLayout->addLayout(firstRow);
    auto* columnGroup = new QButtonGroup(this);
    columnGroup->addButton(m_allColumns);
    columnGroup->addButton(m_firstColumns);
    m_firstColumns->setChecked(true);
    connect(m_allColumns, &QRadioButton::toggled, this, &PrintListForm::updateColumnList);
    connect(m_firstColumns, &QRadioButton::toggled, this, &PrintListForm::updateColumnList);

    auto* rows = new QGroupBox(QStringLiteral("Rows to Print"), this);
    rows->setObjectName(QStringLiteral("RowsToPrintFrame"));
    auto* rowsLayout = new QVBoxLayout(rows);
    m_allRows = new QRadioButton(QStringLiteral("Print All Rows"), rows);
    m_allRows->setObjectName(QStringLiteral("RowsToPrintOption0"));
    m_selectedRows = new QRadioButton(QStringLiteral("Print Selected Rows"), rows);
    m_selectedRows->setObjectName(QStringLiteral("RowsToPrintOption1"));
    rowsLayout->addWidget(m_allRows);
    rowsLayout->addWidget(m_selectedRows);
    auto* rowGroup = new QButtonGroup(this);
    rowGroup->addButton(m_allRows);
    rowGroup->addButton(m_selectedRows);
    m_allRows->setChecked(true);
    m_selectedRows->setEnabled(rowsSelected);

    auto* choices = new QHBoxLayout;
    choices->addWidget(columns);
    choices->addWidget(rows);
    layout->addLayout(choices);

    auto* titleRow = new QHBoxLayout;
    m_titleBox = new QLineEdit(kDefaultTitle, this);
    m_titleBox->setObjectName(QStringLiteral("ListTitleBox"));
    auto* titleLabel = new QLabel(QStringLiteral("List Title"), this);
    titleLabel->setBuddy(m_titleBox);
    titleRow->addWidget(titleLabel);
    titleRow->addWidget(m_titleBox, 1);
    layout->addLayout(titleRow);

    const SettingsRecord& s = m_state.Settings;
    m_headerFont = fontFromSettings(s.PrintHeaderFontName, s.PrintHeaderFontSize, s.PrintHeaderFontBold,
                                    s.PrintHeaderFontItalic);
    m_listFont =
        fontFromSettings(s.PrintListFontName, s.PrintListFontSize, s.PrintListFontBold, s.PrintListFontItalic);

    auto* appearance = new QGroupBox(QStringLiteral("Appearance"), this);
    appearance->setObjectName(QStringLiteral("AppearanceFrame"));
    auto* appearanceLayout = new QGridLayout(appearance);
    auto makePanel = [&](const QString& name, const QString& caption, const QString& tooltip,
                         const QString& buttonName, QFont& font, int row) {
        auto* panel = new QLabel(appearance);
        panel->setObjectName(name);
        panel->setToolTip(tooltip);
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setTextFormat(Qt::PlainText);
        panel->setMinimumWidth(200);
        auto* button = new QPushButton(QStringLiteral("Change"), appearance);
        button->setObjectName(buttonName);
        appearanceLayout->addWidget(new QLabel(caption, appearance), row, 0);
        appearanceLayout->addWidget(panel, row, 1);
        appearanceLayout->addWidget(button, row, 2);
        connect(button, &QPushButton::clicked, this, [this, &font, panel] { changeFont(font, panel); });
        showFont(panel, font);
        return panel;
    };
    m_headerFontPanel = makePanel(QStringLiteral("HeaderFontPanel"), QStringLiteral("Header Font"),
                                  QStringLiteral("Preview of Header Font"), QStringLiteral("ChangeHeaderFontButton"),
                                  m_headerFont, 0);
    m_listFontPanel = makePanel(QStringLiteral("ListFontPanel"), QStringLiteral("List Font"),
                                QStringLiteral("Preview of List Font"), QStringLiteral("ChangeListFontButton"),
                                m_listFont, 1);
    layout->addWidget(appearance);

    auto* buttons = new QHBoxLayout;
    auto* printButton = new QPushButton(QStringLiteral("Print"), this);
    printButton->setObjectName(QStringLiteral("PrintButton"));
    printButton->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("CancelButton"));
    buttons->addStretch(1);
    buttons->addWidget(printButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);
    connect(printButton, &QPushButton::clicked, this, &PrintListForm::print);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    updateColumnList();
}

std::optional<PrintRequest> PrintListForm::ask(QWidget* parent, ProgramState& state, bool rowsSelected, Seams seams)
{
    PrintListForm form(state, rowsSelected, std::move(seams), parent);
    form.exec();
    return form.request();
}

void PrintListForm::updateColumnList()
{
    m_columnList->setEnabled(m_firstColumns->isChecked());
}

void PrintListForm::showFont(QLabel* panel, const QFont& font)
{
    panel->setFont(font);
    panel->setText(QStringLiteral("%1 %2").arg(font.family()).arg(std::lround(font.pointSizeF())));
}

void PrintListForm::changeFont(QFont& font, QLabel* panel)
{
    std::optional<QFont> chosen;
    if (m_seams.chooseFont) {
        chosen = m_seams.chooseFont(this, font);
    } else {
        bool ok = false;
        const QFont picked = QFontDialog::getFont(&ok, font, this);
        if (ok)
            chosen = picked;
    }
    if (!chosen)
        return;
    // Only these four are printed and kept.
    font = fontFromSettings(chosen->family(), static_cast<int>(std::lround(chosen->pointSizeF())), chosen->bold(),
                            chosen->italic());
    showFont(panel, font);
}

void PrintListForm::print()
{
    PrintRequest request;
    if (m_printerList->currentIndex() == m_printerList->count() - 1) {
        QString file = m_seams.choosePdfFile
                           ? m_seams.choosePdfFile(this)
                           : QFileDialog::getSaveFileName(this, QStringLiteral("Print to PDF File"), QString(),
                                                          QStringLiteral("PDF Files (*.pdf)"));
        // No file, no printing: the dialog stays for another choice.
        if (file.isEmpty())
            return;
        if (QFileInfo(file).suffix().isEmpty())
            file += QStringLiteral(".pdf");
        request.pdfFile = file;
    } else {
        request.printerName = m_printerList->currentText();
    }

    SettingsRecord& s = m_state.Settings;
    s.PrintHeaderFontName = m_headerFont.family();
    s.PrintHeaderFontSize = static_cast<std::int16_t>(std::lround(m_headerFont.pointSizeF()));
    s.PrintHeaderFontBold = m_headerFont.bold();
    s.PrintHeaderFontItalic = m_headerFont.italic();
    s.PrintListFontName = m_listFont.family();
    s.PrintListFontSize = static_cast<std::int16_t>(std::lround(m_listFont.pointSizeF()));
    s.PrintListFontBold = m_listFont.bold();
    s.PrintListFontItalic = m_listFont.italic();
    // A settings file that cannot be written only loses the fonts at exit.
    if (m_seams.saveSettings)
        m_seams.saveSettings();
    else
        m_state.settingsFile().SaveSettings();

    request.title = m_titleBox->text();
    request.copies = PrintLayout::CopiesFromText(m_copiesBox->text());
    request.selectedOnly = m_selectedRows->isChecked();
    request.columnCount = m_allColumns->isChecked() ? kGridColumnCount : m_columnList->currentIndex() + 1;
    m_request = request;
    accept();
}

} // namespace zentaro
