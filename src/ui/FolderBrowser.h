#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;

namespace zentaro {

// A drive list over the mounted file systems and a folder list of the
// current folder (".." first, to go up; double-click or Enter goes in).
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
    // The names listed, ".." included, in order.
    QStringList entries() const;

    QComboBox* driveCombo() const { return m_driveCombo; }
    QListWidget* folderList() const { return m_folderList; }

Q_SIGNALS:
    void folderChanged(const QString& folder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fillDriveCombo();
    void syncDriveCombo();
    void fillFolderList();
    void showFolderPath();
    void reportError(const QString& systemText, const QString& path);

    QComboBox* m_driveCombo = nullptr;
    QLabel* m_pathLabel = nullptr;
    QListWidget* m_folderList = nullptr;
    QStringList m_roots;
    QString m_folder;
    QString m_fallback;
    QHash<QString, QString> m_lastFolderOnDrive;
};

} // namespace zentaro
