#pragma once

#include "core/Progress.h"
#include "core/Status.h"
#include "transfer/AddFilesBatch.h"
#include "core/FreeSpace.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace zentaro {

class Database;
class FolderBrowser;
class ProgramState;

// "Add File(s)": picks a folder and some of its files, shares Author,
// Keywords and Notes among them and inserts them on "Begin", with a batch
// bar, a per-file bar and Cancel between files. Modal; it closes itself when
// the batch ends in any way. The caller requeries the current list afterwards.
class AddManyForm : public QDialog, private AddFilesBatch::Host, private Progress
{
    Q_OBJECT

public:
    static inline const QString kCancelNotice = QStringLiteral("Cancelling after current file...Please Wait");
    static inline const QString kAutoCapTooltip = QStringLiteral(
        "Automatically capitalize the first letter of every word in the Title (By default the title is "
        "the original file name)");
    static inline const QString kDeleteBoxTooltip = QStringLiteral(
        "Move each original file to the trash once it is safely stored in the library (where its drive has no "
        "trash, it is deleted)");

    // database: the open library (the dialog's binding on Main shares its
    // connection). saveSettings writes the settings record to the settings
    // file (by default through SettingsFile); freeSpace tells the free bytes
    // on the library's drive.
    AddManyForm(ProgramState& state, std::shared_ptr<Database> database, QWidget* parent = nullptr,
                std::function<Status()> saveSettings = {},
                FreeSpace::Probe freeSpace = &FreeSpace::SystemProbe);
    ~AddManyForm() override;

    // The folder whose files are listed.
    QString folder() const;
    bool setFolder(const QString& folder);
    // The names in the file list, in order.
    QStringList fileNames() const;
    // How the last batch ended (empty before "Begin").
    const AddedFiles& report() const { return m_report; }
    bool insertionRan() const { return m_ran; }

    FolderBrowser* folderBrowser() const { return m_browser; }
    QListWidget* fileList() const { return m_fileList; }
    QPushButton* selectAllButton() const { return m_selectAllButton; }
    QLineEdit* authorBox() const { return m_authorBox; }
    QLineEdit* keywordsBox() const { return m_keywordsBox; }
    QPlainTextEdit* notesBox() const { return m_notesBox; }
    QCheckBox* autoCap() const { return m_autoCap; }
    QCheckBox* deleteBox() const { return m_deleteBox; }
    QWidget* progressPanel() const { return m_progressPanel; }
    QLabel* fileLabel() const { return m_fileLabel; }
    QProgressBar* allFilesGauge() const { return m_allFilesGauge; }
    QProgressBar* fileGauge() const { return m_fileGauge; }
    QWidget* cancelPanel() const { return m_cancelPanel; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

public Q_SLOTS:
    void done(int result) override;
    void reject() override;

Q_SIGNALS:
    // The batch moved on to the entry name (after "Current File" was set).
    void currentFileChanged(const QString& name);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void addChosenFiles();
    void cancelAdding();
    void selectAllFiles();
    // Selects only name in the file list (a typed path to a file).
    void selectFile(const QString& name);
    void rememberRemoveOriginals(bool checked);
    void fillFileList();
    void setInputsEnabled(bool enabled);

    // AddFilesBatch::Host
    void SetBatchPercent(int percent) override;
    void SetCurrentFile(const QString& name) override;
    Progress& FileBar() override { return *this; }
    void Deselect(int index) override;
    void ShowNotice(const Notice& notice) override;
    void Yield() override;

    // Progress: the per-file bar.
    void setText(const QString&) override {}
    void setPercent(int percent) override;
    bool cancelRequested() const override;

    ProgramState& m_state;
    std::shared_ptr<Database> m_db;
    std::function<Status()> m_saveSettings;
    FreeSpace::Probe m_freeSpace;
    AddedFiles m_report;
    bool m_ran = false;
    // The batch is under way; a Cancel was given during it.
    bool m_running = false;
    bool m_cancelRequested = false;

    FolderBrowser* m_browser = nullptr;
    QListWidget* m_fileList = nullptr;
    QPushButton* m_selectAllButton = nullptr;
    QLineEdit* m_authorBox = nullptr;
    QLineEdit* m_keywordsBox = nullptr;
    QPlainTextEdit* m_notesBox = nullptr;
    QCheckBox* m_autoCap = nullptr;
    QCheckBox* m_deleteBox = nullptr;
    QWidget* m_progressPanel = nullptr;
    QLabel* m_fileLabel = nullptr;
    QProgressBar* m_allFilesGauge = nullptr;
    QProgressBar* m_fileGauge = nullptr;
    QWidget* m_cancelPanel = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace zentaro
