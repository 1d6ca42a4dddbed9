#pragma once

#include "core/Status.h"
#include "security/PasswordHasher.h"
#include "store/ConfigRow.h"

#include <QDate>
#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;
class QWidget;

namespace zentaro {

// "Configure Current Library": the library's description on the General tab
// and its security settings on the Security tab. The passwords are stored as
// hashes and cannot be shown: a stored password shows as a fixed placeholder
// (its verify box likewise), which keeps the stored value when left alone; a
// typed password is hashed when OK writes the row.
class ConfigLibraryForm : public QDialog
{
    Q_OBJECT

public:
    // Reads the Config row now; writes it when OK passes the checks.
    using Reader = std::function<Result<ConfigRow>()>;
    using Writer = std::function<Status(const ConfigRow&)>;
    // The date picker; nothing means Cancel.
    using DatePicker = std::function<std::optional<QDate>(QWidget* parent)>;

    ConfigLibraryForm(Reader read, Writer write, PasswordHasher::Limits limits, QWidget* parent = nullptr);

    // The picker "Select" opens; by default none, which leaves the date.
    void setDatePicker(DatePicker picker) { m_datePicker = std::move(picker); }

    // True once the read at opening failed (the dialog then shows the message
    // and closes as cancelled when run).
    const Status& loadStatus() const { return m_loaded; }
    // The row as written by the last successful OK.
    const ConfigRow& savedRow() const { return m_saved; }

    int exec() override;
    void accept() override;

    // What a password box shows for a stored password.
    static const QString& storedPlaceholder();

    static inline const QString kCaption = QStringLiteral("Configure Current Library");
    static inline const QString kCheckTitle = QStringLiteral("ZNT Security Check");
    static inline const QString kNeedPasswordsText = QStringLiteral(
        "In order to use the security features, you must at least supply a password for both an Editor and "
        "Administrator.");
    static inline const QString kMismatchText = QStringLiteral("Passwords do not match verifications....try again");

private:
    QWidget* buildGeneralTab();
    QWidget* buildSecurityTab();
    void fill(const ConfigRow& row);
    void updateSecurityPanel();
    void selectDate();
    // The value to store for one box: the stored one for an untouched placeholder.
    QString typedOrStored(const QLineEdit* box, const QString& stored) const;

    Reader m_read;
    Writer m_write;
    PasswordHasher m_hasher;
    DatePicker m_datePicker;
    Status m_loaded;
    ConfigRow m_row;
    ConfigRow m_saved;

    QTabWidget* m_tabs = nullptr;
    QLineEdit* m_libraryName = nullptr;
    QLineEdit* m_librarianName = nullptr;
    QLineEdit* m_librarianEmail = nullptr;
    QLineEdit* m_date = nullptr;
    QPlainTextEdit* m_notes = nullptr;
    QCheckBox* m_useSecurity = nullptr;
    QWidget* m_securityPanel = nullptr;
    QLineEdit* m_bp = nullptr;
    QLineEdit* m_bv = nullptr;
    QLineEdit* m_ep = nullptr;
    QLineEdit* m_ev = nullptr;
    QLineEdit* m_ap = nullptr;
    QLineEdit* m_av = nullptr;
    QCheckBox* m_be = nullptr;
    QCheckBox* m_ed = nullptr;
};

} // namespace zentaro
