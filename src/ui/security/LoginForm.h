#pragma once

#include "security/LoginHost.h"

#include <QDialog>
#include <QString>

#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace zentaro {

// "ZNT Login": pick an access level and type its password.
class LoginForm : public QDialog
{
    Q_OBJECT

public:
    explicit LoginForm(QWidget* parent = nullptr);

    // Shows the dialog modally; nothing when the user cancelled. The level
    // comes back trimmed, the password trimmed and in capitals (the form
    // it is compared in).
    static std::optional<LoginAnswer> ask(QWidget* parent);

    // The answer the dialog would give for its present contents.
    LoginAnswer answer() const;

    QComboBox* loginTypeCombo() const { return m_loginType; }
    QLineEdit* passwordBox() const { return m_password; }

    // The arrow keys cycle the level, wrapping at both ends.
    void selectNextLevel();
    void selectPreviousLevel();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool handleArrow(int key);

    QComboBox* m_loginType = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_loginButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace zentaro
