#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QLineEdit;
class QSpinBox;

namespace zentaro {

// "Open Server Library": where a library on a PostgreSQL server is (host,
// port, database, user). The password is not asked here: the server asks
// for it through the login dialog when it wants one.
class ServerLibraryForm : public QDialog
{
    Q_OBJECT

public:
    explicit ServerLibraryForm(QWidget* parent = nullptr);

    // Shows the form modally; the library's address, or nothing on Cancel.
    static std::optional<QString> ask(QWidget* parent);
    // The address for the present contents (empty without host or database).
    QString address() const;

    QLineEdit* hostBox() const { return m_host; }
    QSpinBox* portBox() const { return m_port; }
    QLineEdit* databaseBox() const { return m_database; }
    QLineEdit* userBox() const { return m_user; }

    static inline const QString kTitle = QStringLiteral("Open Server Library");

private:
    QLineEdit* m_host = nullptr;
    QSpinBox* m_port = nullptr;
    QLineEdit* m_database = nullptr;
    QLineEdit* m_user = nullptr;
};

// The password a library's server wants, asked as the login dialog does.
class ServerPasswordForm
{
public:
    static std::optional<QString> ask(QWidget* parent, const QString& address);
};

} // namespace zentaro
