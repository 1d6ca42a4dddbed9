#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace zentaro {

// A drive list over the mounted file systems, a box with the current
// folder's path, in which a path can be typed or pasted (Enter or "Go" goes
// there), and a folder list of the current folder (".." first, to go up;
// double-click or Enter goes in, so Enter there never answers the dialog).
// Choosing a drive moves to the folder last shown on it; entering a folder
// moves the drive list to that folder's drive.
class FolderBrowser : public QWidget
{
    Q_OBJECT

public:
    static constexpr const char* kUp = "..";

    FolderBrowser(const QString& driveCaption, const QString& folderCaption, QWidget* parent = nullptr);

    // Shows folder; false, and nothing changes, when it cannot be listed.
    bool setFolder(const QString& folder);
    // The folder shown, cleaned: no trailing "/" except for "/" itself.
    QString folder() const { return m_folder; }
    QString drive() const;

    // The drives offered; by default the mounted file systems.
    void setDriveRoots(const QStringList& roots);
    QStringList driveRoots() const { return m_roots; }
    // Where to go back to when a chosen drive is not ready.
    void setFallbackFolder(const QString& folder) { m_fallback = folder; }

    // What the user's choices do; they report failures in a message box.
    void chooseDrive(const QString& root);
    void enterEntry(const QString& name);
    // Goes to a typed path: absolute, relative to the folder shown, "~/..."
    // or a file: URL. A path that is missing, cannot be listed or (unless
    // files are accepted) is a file is reported, and nothing moves.
    bool goToPath(const QString& typed);
    // The path box names somewhere other than the folder shown.
    bool typedPathPending() const;
    // A typed path to a file then goes to its folder and raises fileRequested.
    void setFilesAccepted(bool accepted) { m_filesAccepted = accepted; }
    // The names listed, ".." included, in order.
    QStringList entries() const;

    QComboBox* driveCombo() const { return m_driveCombo; }
    QLineEdit* pathBox() const { return m_pathBox; }
    QPushButton* goButton() const { return m_goButton; }
    QListWidget* folderList() const { return m_folderList; }

Q_SIGNALS:
    void folderChanged(const QString& folder);
    // A typed path named the file name of the folder now shown.
    void fileRequested(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillDriveCombo();
    void syncDriveCombo();
    bool showFolder(const QString& folder, const QString& highlight);
    void fillFolderList(const QString& highlight = QString());
    void showFolderPath();
    void reportError(const QString& systemText, const QString& path);

    QComboBox* m_driveCombo = nullptr;
    QLineEdit* m_pathBox = nullptr;
    QPushButton* m_goButton = nullptr;
    QListWidget* m_folderList = nullptr;
    QStringList m_roots;
    QString m_folder;
    QString m_fallback;
    bool m_filesAccepted = false;
    QHash<QString, QString> m_lastFolderOnDrive;
};

} // namespace zentaro
