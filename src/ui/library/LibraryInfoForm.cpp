#include "ui/library/LibraryInfoForm.h"

#include "core/CountText.h"
#include "store/DateText.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zentaro {

namespace {

LibraryInfoForm::MailOpener& mailOpener()
{
    static LibraryInfoForm::MailOpener opener;
    return opener;
}

QLabel* valueLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

LibraryInfoForm::MailOpener LibraryInfoForm::setMailOpener(MailOpener opener)
{
    MailOpener previous = std::move(mailOpener());
    mailOpener() = std::move(opener);
    return previous;
}

bool LibraryInfoForm::HasMailAddress(const QString& email)
{
    const QString trimmed = email.trimmed();
    return !trimmed.isEmpty() && trimmed.toUpper() != QStringLiteral("UNKNOWN");
}

QUrl LibraryInfoForm::MailUrl(const QString& email)
{
    // Everything but the letters, digits, "-._~" and the "@" is encoded, so an
    // address cannot add a subject, a body or other recipients.
    return QUrl::fromEncoded(QByteArrayLiteral("mailto:") + QUrl::toPercentEncoding(email.trimmed(), "@"),
                             QUrl::StrictMode);
}

LibraryInfoForm::LibraryInfoForm(const ConfigRow& config, const std::optional<Totals>& totals, QWidget* parent)
    : QDialog(parent), m_email(config.LibrarianEmail)
{
    setObjectName(QStringLiteral("LibraryInfoForm"));
    setWindowTitle(kCaption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Library Name"), valueLabel(QStringLiteral("LibName"), config.LibraryName, this));
    form->addRow(QStringLiteral("Librarian"), valueLabel(QStringLiteral("Librarian"), config.LibrarianName, this));

    auto* mailRow = new QHBoxLayout;
    mailRow->addWidget(valueLabel(QStringLiteral("Email"), config.LibrarianEmail, this), 1);
    auto* send = new QPushButton(QStringLiteral("Send Email"), this);
    send->setObjectName(QStringLiteral("SendMailButton"));
    send->setToolTip(QStringLiteral("Click here to send some Email to the Library's Creator"));
    send->setAutoDefault(false);
    send->setVisible(HasMailAddress(config.LibrarianEmail));
    connect(send, &QPushButton::clicked, this, &LibraryInfoForm::sendMail);
    mailRow->addWidget(send);
    form->addRow(QStringLiteral("Librarian Email"), mailRow);
    form->addRow(QStringLiteral("Date Created"),
                 valueLabel(QStringLiteral("Date"), DateText::toText(config.Created), this));
    const QString unknown = QStringLiteral("(could not be read)");
    form->addRow(QStringLiteral("Records"),
                 valueLabel(QStringLiteral("Records"),
                            totals ? CountText::Of(totals->records, QStringLiteral("record"), QStringLiteral("records"))
                                   : unknown,
                            this));
    form->addRow(QStringLiteral("Stored Size"),
                 valueLabel(QStringLiteral("StoredSize"), totals ? CountText::Bytes(totals->bytes) : unknown, this));

    auto* notes = new QPlainTextEdit(this);
    notes->setObjectName(QStringLiteral("Notes"));
    notes->setReadOnly(true);
    notes->setPlainText(config.Notes);
    form->addRow(QStringLiteral("Notes"), notes);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &LibraryInfoForm::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void LibraryInfoForm::sendMail()
{
    if (!HasMailAddress(m_email))
        return;
    // The outcome is not checked: the mail program reports its own troubles.
    const QUrl url = MailUrl(m_email);
    if (mailOpener())
        mailOpener()(url);
    else
        QDesktopServices::openUrl(url);
}

} // namespace zentaro
