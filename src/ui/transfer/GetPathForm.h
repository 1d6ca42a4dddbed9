#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QPushButton;

namespace zentaro {

class FolderBrowser;

// "Select Path": picks a folder to extract into, from the lists or by a
// typed path. Enter in the folder list opens folders; OK answers.
class GetPathForm : public QDialog
{
    Q_OBJECT

public:
    // Opens on startFolder; when that cannot be shown, on fallbackFolder
    // (the program folder), then the home folder, then "/".
    GetPathForm(const QString& startFolder, const QString& fallbackFolder, QWidget* parent = nullptr);

    // Shows the dialog modally. The chosen folder without a trailing "/"
    // ("/" itself for the root, so join names with PathText::join), or
    // nothing after Cancel. The caller keeps it as the next start folder.
    static std::optional<QString> pick(QWidget* parent, const QString& startFolder,
                                       const QString& fallbackFolder = QString());

    QString chosenFolder() const;
    FolderBrowser* browser() const { return m_browser; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

private:
    FolderBrowser* m_browser = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace zentaro
