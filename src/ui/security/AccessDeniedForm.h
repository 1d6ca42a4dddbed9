#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace zentaro {

// "ZNT Security Check": the one refusal of every guarded command.
class AccessDeniedForm : public QDialog
{
    Q_OBJECT

public:
    static const QString& bodyText();

    explicit AccessDeniedForm(const QString& accessLevel, QWidget* parent = nullptr);

    // Shows the dialog modally; true when the user chose "Re-Login", after
    // which the caller runs the login. The refused command is not resumed.
    static bool askReLogin(QWidget* parent, const QString& accessLevel);

    bool reLoginChosen() const { return m_reLogin; }

private:
    bool m_reLogin = false;
};

} // namespace zentaro
