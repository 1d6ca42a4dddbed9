#include "ui/transfer/TransferSettingsOf.h"
#include "ui/transfer/AddManyForm.h"

#include "core/ProgramState.h"
#include "core/SettingsFile.h"
#include "store/Database.h"
#include "transfer/NativeFileName.h"
#include "ui/common/FolderBrowser.h"
#include "ui/common/MessageBoxes.h"
#include "ui/common/MousePointer.h"
#include "ui/common/ScreenMetrics.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace zentaro {

namespace {

QProgressBar* makeGauge(const QString& name, QWidget* parent)
{
    auto* gauge = new QProgressBar(parent);
    gauge->setObjectName(name);
    gauge->setRange(0, 100);
    gauge->setValue(0);
    return gauge;
}

} // namespace

AddManyForm::AddManyForm(ProgramState& state, std::shared_ptr<Database> database, QWidget* parent,
                         std::function<Status()> saveSettings, FreeSpace::Probe freeSpace)
    : QDialog(parent),
      m_state(state),
      m_db(std::move(database)),
      m_saveSettings(std::move(saveSettings)),
      m_freeSpace(std::move(freeSpace))
{
    if (!m_saveSettings)
        m_saveSettings = [this] { return m_state.settingsFile().SaveSettings(); };

    setObjectName(QStringLiteral("AddManyForm"));
    setWindowTitle(QStringLiteral("Add File(s)"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    // Drive1 and Dir1.
    m_browser = new FolderBrowser(QStringLiteral("Drive"), QStringLiteral("Folder Depth"), this);
    m_browser->setObjectName(QStringLiteral("Dir1"));
    m_browser->setFallbackFolder(m_state.ProgramFolder());
    m_browser->setFilesAccepted(true);

    // File1.
    m_fileList = new QListWidget(this);
    m_fileList->setObjectName(QStringLiteral("File1"));
    m_fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* fileCaption = new QLabel(QStringLiteral("File(s)"), this);
    fileCaption->setBuddy(m_fileList);
    m_selectAllButton = new QPushButton(QStringLiteral("Select All"), this);
    m_selectAllButton->setObjectName(QStringLiteral("SelectAllButton"));

    // "Apply to All File's Fields".
    auto* fieldsBox = new QGroupBox(QStringLiteral("Apply to All File's Fields"), this);
    m_authorBox = new QLineEdit(fieldsBox);
    m_authorBox->setObjectName(QStringLiteral("AuthorBox"));
    m_keywordsBox = new QLineEdit(fieldsBox);
    m_keywordsBox->setObjectName(QStringLiteral("KeywordsBox"));
    m_notesBox = new QPlainTextEdit(fieldsBox);
    m_notesBox->setObjectName(QStringLiteral("NotesBox"));
    m_notesBox->setTabChangesFocus(true);
    auto* fieldsLayout = new QGridLayout(fieldsBox);
    auto addField = [&](int row, const QString& caption, QWidget* box) {
        auto* label = new QLabel(caption, fieldsBox);
        label->setBuddy(box);
        fieldsLayout->addWidget(label, row, 0, Qt::AlignTop);
        fieldsLayout->addWidget(box, row, 1);
    };
    addField(0, QStringLiteral("Author"), m_authorBox);
    addField(1, QStringLiteral("Keywords / Category"), m_keywordsBox);
    addField(2, QStringLiteral("Notes"), m_notesBox);
    fieldsLayout->setRowStretch(2, 1);

    m_autoCap = new QCheckBox(QStringLiteral("Auto Capitalize Title"), this);
    m_autoCap->setObjectName(QStringLiteral("AutoCap"));
    m_autoCap->setToolTip(kAutoCapTooltip);
    m_deleteBox = new QCheckBox(QStringLiteral("Remove original(s) after insertion"), this);
    m_deleteBox->setObjectName(QStringLiteral("DeleteBox"));
    m_deleteBox->setToolTip(kDeleteBoxTooltip);

    // ProgressPanel, hidden until "Begin".
    m_progressPanel = new QWidget(this);
    m_progressPanel->setObjectName(QStringLiteral("ProgressPanel"));
    auto* currentCaption = new QLabel(QStringLiteral("Current File"), m_progressPanel);
    m_fileLabel = new QLabel(m_progressPanel);
    m_fileLabel->setObjectName(QStringLiteral("FileLabel"));
    m_fileLabel->setTextFormat(Qt::PlainText);
    m_allFilesGauge = makeGauge(QStringLiteral("AllFilesGauge"), m_progressPanel);
    m_fileGauge = makeGauge(QStringLiteral("FileGauge"), m_progressPanel);
    auto* progressLayout = new QGridLayout(m_progressPanel);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->addWidget(currentCaption, 0, 0);
    progressLayout->addWidget(m_fileLabel, 0, 1);
    progressLayout->addWidget(m_allFilesGauge, 1, 0, 1, 2);
    progressLayout->addWidget(m_fileGauge, 2, 0, 1, 2);
    progressLayout->setColumnStretch(1, 1);
    m_progressPanel->hide();

    // CancelPanel, shown while the batch winds down after Cancel.
    m_cancelPanel = new QWidget(this);
    m_cancelPanel->setObjectName(QStringLiteral("CancelPanel"));
    auto* cancelText = new QLabel(kCancelNotice, m_cancelPanel);
    auto* cancelLayout = new QHBoxLayout(m_cancelPanel);
    cancelLayout->setContentsMargins(0, 0, 0, 0);
    cancelLayout->addWidget(cancelText);
    m_cancelPanel->hide();

    m_okButton = new QPushButton(QStringLiteral("Begin"), this);
    m_okButton->setObjectName(QStringLiteral("OKButton"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto* fileColumn = new QVBoxLayout;
    fileColumn->addWidget(fileCaption);
    fileColumn->addWidget(m_fileList, 1);
    fileColumn->addWidget(m_selectAllButton);

    auto* fieldsColumn = new QVBoxLayout;
    fieldsColumn->addWidget(fieldsBox, 1);
    fieldsColumn->addWidget(m_autoCap);
    fieldsColumn->addWidget(m_deleteBox);

    auto* top = new QHBoxLayout;
    top->addWidget(m_browser, 2);
    top->addLayout(fileColumn, 3);
    top->addLayout(fieldsColumn, 3);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cancelPanel, 1);
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(m_progressPanel);
    layout->addLayout(buttons);

    resize(ScreenMetrics::toPixelsX(10800, this), ScreenMetrics::toPixelsY(6480, this));

    connect(m_browser, &FolderBrowser::folderChanged, this, [this] { fillFileList(); });
    connect(m_browser, &FolderBrowser::fileRequested, this, &AddManyForm::selectFile);
    connect(m_selectAllButton, &QPushButton::clicked, this, &AddManyForm::selectAllFiles);
    connect(m_okButton, &QPushButton::clicked, this, &AddManyForm::addChosenFiles);
    connect(m_cancelButton, &QPushButton::clicked, this, &AddManyForm::cancelAdding);
    connect(m_deleteBox, &QCheckBox::clicked, this, &AddManyForm::rememberRemoveOriginals);

    // Opening.
    QCoreApplication::processEvents();
    m_deleteBox->setChecked(m_state.Settings.RemoveOriginals);
    for (const QString& candidate :
         {m_state.Settings.AddFilesFolder, m_state.ProgramFolder(), QDir::homePath(), QDir::rootPath()}) {
        if (setFolder(candidate))
            break;
    }
    m_fileList->setFocus();
}

AddManyForm::~AddManyForm() = default;

QString AddManyForm::folder() const
{
    return m_browser->folder();
}

bool AddManyForm::setFolder(const QString& folder)
{
    // The file list follows through folderChanged.
    return m_browser->setFolder(folder);
}

QStringList AddManyForm::fileNames() const
{
    QStringList names;
    for (int i = 0; i < m_fileList->count(); ++i)
        names.append(m_fileList->item(i)->text());
    return names;
}

void AddManyForm::fillFileList()
{
    m_fileList->clear();
    // By their bytes, so that a name that is not UTF-8 is listed and found again.
    for (const NativeFileName::Listed& file : NativeFileName::ListFiles(m_browser->folder())) {
        auto* item = new QListWidgetItem(file.Name, m_fileList);
        item->setData(Qt::UserRole, file.Native);
    }
}

void AddManyForm::setInputsEnabled(bool enabled)
{
    for (QWidget* w : {static_cast<QWidget*>(m_okButton), static_cast<QWidget*>(m_selectAllButton),
                       static_cast<QWidget*>(m_browser), static_cast<QWidget*>(m_fileList),
                       static_cast<QWidget*>(m_authorBox), static_cast<QWidget*>(m_keywordsBox),
                       static_cast<QWidget*>(m_notesBox), static_cast<QWidget*>(m_deleteBox)}) {
        w->setEnabled(enabled);
    }
}

void AddManyForm::selectAllFiles()
{
    m_fileList->selectAll();
}

void AddManyForm::selectFile(const QString& name)
{
    const QList<QListWidgetItem*> found = m_fileList->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return; // a file the list does not show (hidden)
    m_fileList->clearSelection();
    m_fileList->setCurrentItem(found.first());
    found.first()->setSelected(true);
    m_fileList->scrollToItem(found.first());
    m_fileList->setFocus();
}

void AddManyForm::rememberRemoveOriginals(bool checked)
{
    m_state.Settings.RemoveOriginals = checked;
    if (Status s = m_saveSettings(); !s)
        MessageBoxes::showFailure(this, s, QStringLiteral("ZNT Error"), MessageIcon::Exclamation);
}

void AddManyForm::addChosenFiles()
{
    if (m_running)
        return;
    // A path typed but not yet gone to: show its files first; the selection
    // made in the old list would not be what the user meant.
    if (m_browser->typedPathPending()) {
        m_browser->goToPath(m_browser->pathBox()->text());
        return;
    }
    m_ran = true;
    MousePointer::setArrowWait();
    setInputsEnabled(false);
    m_progressPanel->show();

    QList<AddFilesBatch::Entry> entries;
    entries.reserve(m_fileList->count());
    for (int i = 0; i < m_fileList->count(); ++i)
        entries.push_back({m_fileList->item(i)->text(), m_fileList->item(i)->isSelected(),
                           m_fileList->item(i)->data(Qt::UserRole).toByteArray()});
    SharedFields fields;
    fields.Author = m_authorBox->text();
    fields.Keywords = m_keywordsBox->text();
    fields.Notes = m_notesBox->toPlainText();
    fields.AutoCapitalize = m_autoCap->isChecked();

    AddFilesBatch batch(transferSettingsOf(m_state), m_db, m_freeSpace);
    m_running = true;
    m_cancelRequested = false;
    m_report = batch.Run(m_browser->folder(), entries, fields, m_deleteBox->isChecked(), *this);
    m_running = false;
    m_cancelRequested = false;

    MousePointer::restoreDefault();
    if (const std::optional<Notice> removal = AddFilesBatch::RemovalNotice(m_report, m_state.newLineOrDefault()))
        ShowNotice(*removal);
    if (m_report.ending.cancelled()) {
        m_okButton->setEnabled(true);
        m_cancelPanel->hide();
    }
    accept();
}

void AddManyForm::cancelAdding()
{
    if (!m_running) {
        QDialog::reject();
        return;
    }
    // The file being stored is finished; the loop stops before the next one.
    m_cancelPanel->show();
    m_cancelPanel->repaint();
    QCoreApplication::processEvents();
    m_cancelRequested = true;
    MousePointer::setWait();
}

void AddManyForm::reject()
{
    // Esc and the window's close button mean Cancel.
    cancelAdding();
}

void AddManyForm::closeEvent(QCloseEvent* event)
{
    if (m_running) {
        event->ignore();
        cancelAdding();
        return;
    }
    QDialog::closeEvent(event);
}

void AddManyForm::done(int result)
{
    // However the dialog closes, it opens on this folder next time.
    m_state.Settings.AddFilesFolder = m_browser->folder();
    MousePointer::restoreDefault();
    QDialog::done(result);
}

// ------------------------------------------------------------------- batch host

void AddManyForm::SetBatchPercent(int percent)
{
    if (m_allFilesGauge->value() == percent)
        return;
    m_allFilesGauge->setValue(percent);
    m_allFilesGauge->repaint();
}

void AddManyForm::SetCurrentFile(const QString& name)
{
    m_fileLabel->setText(name);
    m_fileLabel->repaint();
    Q_EMIT currentFileChanged(name);
}

void AddManyForm::Deselect(int index)
{
    if (QListWidgetItem* item = m_fileList->item(index))
        item->setSelected(false);
}

void AddManyForm::ShowNotice(const Notice& notice)
{
    MessageBoxes::show(this, notice);
}

void AddManyForm::Yield()
{
    QCoreApplication::processEvents();
}

void AddManyForm::setPercent(int percent)
{
    if (m_fileGauge->value() == percent)
        return;
    m_fileGauge->setValue(percent);
    m_fileGauge->repaint();
}

bool AddManyForm::cancelRequested() const
{
    QCoreApplication::processEvents();
    return m_cancelRequested;
}

} // namespace zentaro
