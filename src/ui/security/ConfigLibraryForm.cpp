#include "ui/security/ConfigLibraryForm.h"

#include "store/DateText.h"
#include "ui/common/MessageBoxes.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zentaro {

namespace {

QLineEdit* lineBox(const QString& name, const QString& tooltip, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setToolTip(tooltip);
    return box;
}

QLineEdit* passwordBox(const QString& name, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setEchoMode(QLineEdit::Password);
    return box;
}

QCheckBox* checkBox(const QString& name, const QString& caption, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

QLabel* label(const QString& text, const QString& name, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

const QString& ConfigLibraryForm::storedPlaceholder()
{
    // Nothing a user types: control characters never reach a line edit from the keyboard.
    static const QString text = QStringLiteral("\x01\x01\x01\x01\x01\x01\x01\x01");
    return text;
}

ConfigLibraryForm::ConfigLibraryForm(Reader read, Writer write, PasswordHasher::Limits limits, QWidget* parent)
    : QDialog(parent), m_read(std::move(read)), m_write(std::move(write)), m_hasher(limits)
{
    setObjectName(QStringLiteral("ConfigLibraryForm"));
    setWindowTitle(kCaption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("ConfigTab"));
    m_tabs->addTab(buildGeneralTab(), QStringLiteral("General"));
    m_tabs->addTab(buildSecurityTab(), QStringLiteral("Security"));
    connect(m_tabs, &QTabWidget::currentChanged, this, &ConfigLibraryForm::updateSecurityPanel);
    connect(m_useSecurity, &QCheckBox::toggled, this, &ConfigLibraryForm::updateSecurityPanel);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ConfigLibraryForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ConfigLibraryForm::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);

    Result<ConfigRow> row = m_read ? m_read() : Result<ConfigRow>(ConfigRow{});
    m_loaded = row.status();
    if (row)
        m_row = *row;
    fill(m_row);
    m_tabs->setCurrentIndex(0);
    updateSecurityPanel();
}

QWidget* ConfigLibraryForm::buildGeneralTab()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("GeneralPage"));
    auto* form = new QFormLayout(page);
    m_libraryName = lineBox(QStringLiteral("LibraryNameBox"), QStringLiteral("Name of the Library"), page);
    m_librarianName = lineBox(QStringLiteral("LibrarianNameBox"),
                              QStringLiteral("Name of the Library's Administrator or Creator"), page);
    m_librarianEmail = lineBox(QStringLiteral("LibrarianEmailBox"),
                               QStringLiteral("Email Address of the Librarian (Leave Blank if you do not want to "
                                              "receive Email from library browsers)"),
                               page);
    m_date = lineBox(QStringLiteral("LibraryDateBox"), QStringLiteral("Date that the Library was created"), page);
    auto* select = new QPushButton(QStringLiteral("Select"), page);
    select->setObjectName(QStringLiteral("SelectDate"));
    connect(select, &QPushButton::clicked, this, &ConfigLibraryForm::selectDate);
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(m_date, 1);
    dateRow->addWidget(select);
    m_notes = new QPlainTextEdit(page);
    m_notes->setObjectName(QStringLiteral("LibraryNotesBox"));
    m_notes->setToolTip(QStringLiteral("Additional Information about the library"));

    form->addRow(label(QStringLiteral("Library Name"), QStringLiteral("LibraryNameLabel"), page), m_libraryName);
    form->addRow(label(QStringLiteral("Librarian Name"), QStringLiteral("LibrarianNameLabel"), page), m_librarianName);
    form->addRow(label(QStringLiteral("Librarian Email"), QStringLiteral("LibrarianEmailLabel"), page),
                 m_librarianEmail);
    form->addRow(label(QStringLiteral("Date Created"), QStringLiteral("LibraryDateLabel"), page), dateRow);
    form->addRow(label(QStringLiteral("Notes"), QStringLiteral("LibraryNotesLabel"), page), m_notes);
    return page;
}

QWidget* ConfigLibraryForm::buildSecurityTab()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("SecurityPage"));
    auto* layout = new QVBoxLayout(page);
    m_useSecurity = checkBox(QStringLiteral("UseSecurity"), QStringLiteral("Use Library Security Features"), page);
    layout->addWidget(m_useSecurity);

    m_securityPanel = new QWidget(page);
    m_securityPanel->setObjectName(QStringLiteral("SecurityPanel"));
    auto* panel = new QVBoxLayout(m_securityPanel);
    panel->setContentsMargins(0, 0, 0, 0);

    auto frame = [this, panel](const QString& name, const QString& title, const QString& description,
                               QLineEdit* password, QLineEdit* verify, QCheckBox* option) {
        auto* box = new QGroupBox(title, m_securityPanel);
        box->setObjectName(name);
        auto* form = new QFormLayout(box);
        form->addRow(label(description, name + QStringLiteral("Description"), box));
        form->addRow(label(QStringLiteral("Password"), password->objectName() + QStringLiteral("Label"), box),
                     password);
        form->addRow(label(QStringLiteral("Again to Verify"), verify->objectName() + QStringLiteral("Label"), box),
                     verify);
        if (option)
            form->addRow(option);
        panel->addWidget(box);
    };
    m_bp = passwordBox(QStringLiteral("BP"), m_securityPanel);
    m_bv = passwordBox(QStringLiteral("BV"), m_securityPanel);
    m_be = checkBox(QStringLiteral("BE"), QStringLiteral("Browsers can Extract Files"), m_securityPanel);
    m_ep = passwordBox(QStringLiteral("EP"), m_securityPanel);
    m_ev = passwordBox(QStringLiteral("EV"), m_securityPanel);
    m_ed = checkBox(QStringLiteral("ED"), QStringLiteral("Editors can Delete Files"), m_securityPanel);
    m_ap = passwordBox(QStringLiteral("AP"), m_securityPanel);
    m_av = passwordBox(QStringLiteral("AV"), m_securityPanel);
    frame(QStringLiteral("BrowserFrame"), QStringLiteral("Browser Password*"),
          QStringLiteral("Can view titles in library but not make any changes"), m_bp, m_bv, m_be);
    frame(QStringLiteral("EditorFrame"), QStringLiteral("Editor Password"),
          QStringLiteral("Can edit files and fields in library"), m_ep, m_ev, m_ed);
    frame(QStringLiteral("AdminFrame"), QStringLiteral("Administer Password"),
          QStringLiteral("Has full control over library database, including this screen."), m_ap, m_av, nullptr);
    panel->addWidget(label(
        QStringLiteral("*Setting a Blank \"Browser\" Password opens the library in Browser Mode Automatically"),
        QStringLiteral("BlankBrowserNote"), m_securityPanel));
    layout->addWidget(m_securityPanel);
    layout->addStretch(1);
    return page;
}

void ConfigLibraryForm::fill(const ConfigRow& row)
{
    m_libraryName->setText(row.LibraryName);
    m_librarianName->setText(row.LibrarianName);
    m_librarianEmail->setText(row.LibrarianEmail);
    m_date->setText(DateText::toText(row.Created));
    m_notes->setPlainText(row.Notes);
    m_useSecurity->setChecked(row.UseSecurity);
    m_be->setChecked(row.BrowseExtract);
    m_ed->setChecked(row.EditDelete);
    // The verify boxes start equal to their password boxes, so an
    // unchanged password passes the verification.
    auto shown = [](const QString& stored, bool browser) {
        if (stored.isEmpty() || (browser && stored == PasswordHasher::kNoBrowsePassword))
            return QString();
        return storedPlaceholder();
    };
    m_bp->setText(shown(row.BrowsePassword, true));
    m_ep->setText(shown(row.EditPassword, false));
    m_ap->setText(shown(row.AdminPassword, false));
    m_bv->setText(m_bp->text());
    m_ev->setText(m_ep->text());
    m_av->setText(m_ap->text());
}

void ConfigLibraryForm::updateSecurityPanel()
{
    m_securityPanel->setVisible(m_tabs->currentIndex() == 1 && m_useSecurity->isChecked());
}

void ConfigLibraryForm::selectDate()
{
    const std::optional<QDate> picked = m_datePicker ? m_datePicker(this) : std::nullopt;
    if (picked && picked->isValid())
        m_date->setText(DateText::toText(QDateTime(*picked, QTime(0, 0))));
}

QString ConfigLibraryForm::typedOrStored(const QLineEdit* box, const QString& stored) const
{
    return box->text() == storedPlaceholder() ? stored : box->text();
}

int ConfigLibraryForm::exec()
{
    if (!m_loaded) {
        MessageBoxes::critical(parentWidget(), QString(), m_loaded.message());
        return QDialog::Rejected;
    }
    return QDialog::exec();
}

void ConfigLibraryForm::accept()
{
    if (m_useSecurity->isChecked() && (m_ep->text().isEmpty() || m_ap->text().isEmpty())) {
        MessageBoxes::exclamation(this, kCheckTitle, kNeedPasswordsText);
        return;
    }
    if (m_bp->text() != m_bv->text() || m_ep->text() != m_ev->text() || m_ap->text() != m_av->text()) {
        MessageBoxes::exclamation(this, kCheckTitle, kMismatchText);
        return;
    }

    ConfigRow row = m_row;
    row.LibraryName = m_libraryName->text();
    row.LibrarianName = m_librarianName->text();
    row.LibrarianEmail = m_librarianEmail->text();
    row.Notes = m_notes->toPlainText();
    row.UseSecurity = m_useSecurity->isChecked();
    row.BrowseExtract = m_be->isChecked();
    row.EditDelete = m_ed->isChecked();
    const QString dateText = m_date->text().trimmed();
    if (dateText.isEmpty()) {
        row.Created = QDateTime();
    } else if (dateText != DateText::toText(m_row.Created)) {
        const QDateTime when = DateText::fromText(dateText);
        if (!when.isValid()) {
            MessageBoxes::critical(this, QString(), QStringLiteral("\"%1\" is not a date.").arg(dateText));
            return;
        }
        row.Created = when;
    }
    row.BrowsePassword = typedOrStored(m_bp, m_row.BrowsePassword);
    row.EditPassword = typedOrStored(m_ep, m_row.EditPassword);
    row.AdminPassword = typedOrStored(m_ap, m_row.AdminPassword);
    if (row.BrowsePassword.isEmpty())
        row.BrowsePassword = PasswordHasher::kNoBrowsePassword;

    Result<ConfigRow> stored = m_hasher.PrepareForStorage(row);
    Status written = stored ? (m_write ? m_write(*stored) : Status::success()) : stored.status();
    if (!written) {
        MessageBoxes::critical(this, QString(), written.message());
        return;
    }
    m_saved = *stored;
    QDialog::accept();
}

} // namespace zentaro
