#include "ui/library/ServerLibraryForm.h"

#include "library/LibraryAddress.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zentaro {

ServerLibraryForm::ServerLibraryForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ServerLibraryForm"));
    setWindowTitle(kTitle);
    auto* form = new QFormLayout;
    m_host = new QLineEdit(QStringLiteral("localhost"), this);
    m_host->setObjectName(QStringLiteral("HostBox"));
    m_host->setToolTip(QStringLiteral("The server's name or address, or the folder of its socket"));
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("PortBox"));
    m_port->setRange(1, 65535);
    m_port->setValue(5432);
    m_database = new QLineEdit(this);
    m_database->setObjectName(QStringLiteral("DatabaseBox"));
    m_user = new QLineEdit(QString::fromLocal8Bit(qgetenv("USER")), this);
    m_user->setObjectName(QStringLiteral("UserBox"));
    form->addRow(QStringLiteral("&Host:"), m_host);
    form->addRow(QStringLiteral("&Port:"), m_port);
    form->addRow(QStringLiteral("&Database:"), m_database);
    form->addRow(QStringLiteral("&User:"), m_user);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setText(QStringLiteral("Open"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto enable = [this, ok] { ok->setEnabled(!address().isEmpty()); };
    connect(m_host, &QLineEdit::textChanged, this, enable);
    connect(m_database, &QLineEdit::textChanged, this, enable);
    enable();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_database->setFocus();
}

QString ServerLibraryForm::address() const
{
    if (m_host->text().trimmed().isEmpty() || m_database->text().trimmed().isEmpty())
        return {};
    return LibraryAddress::FromParts(m_host->text(), m_port->value(), m_database->text(), m_user->text());
}

std::optional<QString> ServerLibraryForm::ask(QWidget* parent)
{
    ServerLibraryForm form(parent);
    if (form.exec() != QDialog::Accepted || form.address().isEmpty())
        return std::nullopt;
    return form.address();
}

std::optional<QString> ServerPasswordForm::ask(QWidget* parent, const QString& address)
{
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ServerPasswordForm"));
    dialog.setWindowTitle(QStringLiteral("ZNT Login"));
    dialog.setLabelText(QStringLiteral("The server of the library\n%1\nasks for a password:").arg(address));
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setOkButtonText(QStringLiteral("Login"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

} // namespace zentaro
