#include "ui/LibraryWindowHarness.h"
#include "ui/ModalDriver.h"

#include "security/PasswordHasher.h"
#include "ui/security/ConfigLibraryForm.h"
#include "ui/library/LibraryInfoForm.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

using namespace zentaro;
using namespace zentaro::test;

namespace {

QLineEdit* box(QWidget* dialog, const char* name)
{
    auto* found = dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QCheckBox* check(QWidget* dialog, const char* name)
{
    auto* found = dialog->findChild<QCheckBox*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void type(QWidget* dialog, const char* password, const char* verify, const QString& text)
{
    box(dialog, password)->setText(text);
    box(dialog, verify)->setText(text);
}

// The dialog over a row held here instead of a library.
class ConfigLibraryFormTest : public ::testing::Test
{
protected:
    std::unique_ptr<ConfigLibraryForm> form()
    {
        return std::make_unique<ConfigLibraryForm>(
            [this]() -> Result<ConfigRow> { return row; },
            [this](const ConfigRow& written) {
                ++writes;
                if (!failWith.isEmpty())
                    return Status::failure(ErrorCode::Io, failWith);
                row = written;
                return Status::success();
            },
            PasswordHasher::Limits::Fastest());
    }

    ConfigRow protectedRow() const
    {
        ConfigRow typed;
        typed.LibraryName = QStringLiteral("Books");
        typed.UseSecurity = true;
        typed.BrowsePassword = QStringLiteral("browse");
        typed.EditPassword = QStringLiteral("Edit");
        typed.AdminPassword = QStringLiteral("Admin");
        return *PasswordHasher(PasswordHasher::Limits::Fastest()).PrepareForStorage(typed);
    }

    MessageRecorder boxes;
    ConfigRow row;
    int writes = 0;
    QString failWith;
};

TEST_F(ConfigLibraryFormTest, EveryControlHasItsNameLabelAndTooltip)
{
    auto dialog = form();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Configure Current Library"));
    auto* tabs = dialog->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("General"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Security"));
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(box(dialog.get(), "LibraryNameBox")->toolTip(), QStringLiteral("Name of the Library"));
    EXPECT_EQ(box(dialog.get(), "LibrarianNameBox")->toolTip(),
              QStringLiteral("Name of the Library's Administrator or Creator"));
    EXPECT_EQ(box(dialog.get(), "LibrarianEmailBox")->toolTip(),
              QStringLiteral("Email Address of the Librarian (Leave Blank if you do not want to receive Email from "
                             "library browsers)"));
    EXPECT_EQ(box(dialog.get(), "LibraryDateBox")->toolTip(), QStringLiteral("Date that the Library was created"));
    auto* notes = dialog->findChild<QPlainTextEdit*>(QStringLiteral("LibraryNotesBox"));
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->toolTip(), QStringLiteral("Additional Information about the library"));
    auto* select = dialog->findChild<QPushButton*>(QStringLiteral("SelectDate"));
    ASSERT_NE(select, nullptr);
    EXPECT_EQ(select->text(), QStringLiteral("Select"));
    EXPECT_EQ(check(dialog.get(), "UseSecurity")->text(), QStringLiteral("Use Library Security Features"));
    EXPECT_EQ(check(dialog.get(), "BE")->text(), QStringLiteral("Browsers can Extract Files"));
    EXPECT_EQ(check(dialog.get(), "ED")->text(), QStringLiteral("Editors can Delete Files"));
    for (const char* name : {"BP", "BV", "EP", "EV", "AP", "AV"})
        EXPECT_EQ(box(dialog.get(), name)->echoMode(), QLineEdit::Password) << name;
    QStringList labels;
    for (auto* label : dialog->findChildren<QLabel*>())
        labels << label->text();
    for (const QString& text :
         {QStringLiteral("Library Name"), QStringLiteral("Librarian Name"), QStringLiteral("Librarian Email"),
          QStringLiteral("Date Created"), QStringLiteral("Notes"), QStringLiteral("Password"),
          QStringLiteral("Again to Verify"), QStringLiteral("Can view titles in library but not make any changes"),
          QStringLiteral("Can edit files and fields in library"),
          QStringLiteral("Has full control over library database, including this screen."),
          QStringLiteral("*Setting a Blank \"Browser\" Password opens the library in Browser Mode Automatically")})
        EXPECT_TRUE(labels.contains(text)) << text.toStdString();
    QStringList frames;
    for (auto* frame : dialog->findChildren<QGroupBox*>())
        frames << frame->title();
    EXPECT_EQ(frames, (QStringList{QStringLiteral("Browser Password*"), QStringLiteral("Editor Password"),
                                   QStringLiteral("Administer Password")}));
    for (auto* frame : dialog->findChildren<QGroupBox*>())
        EXPECT_EQ(frame->parentWidget()->objectName(), QStringLiteral("SecurityPanel"));
}

TEST_F(ConfigLibraryFormTest, TheSecurityPanelShowsOnlyOnTheSecurityTabWithSecurityOn)
{
    row = protectedRow();
    auto dialog = form();
    auto* panel = dialog->findChild<QWidget*>(QStringLiteral("SecurityPanel"));
    auto* tabs = dialog->findChild<QTabWidget*>();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isHidden()) << "General tab";
    tabs->setCurrentIndex(1);
    EXPECT_FALSE(panel->isHidden());
    check(dialog.get(), "UseSecurity")->click();
    EXPECT_TRUE(panel->isHidden());
    check(dialog.get(), "UseSecurity")->click();
    EXPECT_FALSE(panel->isHidden());
    tabs->setCurrentIndex(0);
    EXPECT_TRUE(panel->isHidden());
}

TEST_F(ConfigLibraryFormTest, SecurityNeedsEditorAndAdministratorPasswordsAndMatchingVerifications)
{
    auto dialog = form();
    check(dialog.get(), "UseSecurity")->setChecked(true);
    type(dialog.get(), "EP", "EV", QStringLiteral("edit"));
    dialog->accept();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Security Check"));
    EXPECT_EQ(boxes.last().icon, MessageIcon::Exclamation);
    EXPECT_EQ(boxes.last().text, QStringLiteral("In order to use the security features, you must at least supply a "
                                                "password for both an Editor and Administrator."));
    EXPECT_EQ(writes, 0);
    EXPECT_NE(dialog->result(), QDialog::Accepted);

    // Case counts when a password is compared with its verification.
    box(dialog.get(), "AP")->setText(QStringLiteral("admin"));
    box(dialog.get(), "AV")->setText(QStringLiteral("ADMIN"));
    dialog->accept();
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_EQ(boxes.last().title, QStringLiteral("ZNT Security Check"));
    EXPECT_EQ(boxes.last().text, QStringLiteral("Passwords do not match verifications....try again"));
    EXPECT_EQ(writes, 0);

    box(dialog.get(), "BP")->setText(QStringLiteral("b"));
    box(dialog.get(), "AV")->setText(QStringLiteral("admin"));
    dialog->accept();
    EXPECT_EQ(boxes.count(), 3) << "the Browser password is verified too";
    EXPECT_EQ(writes, 0);

    // Security off: empty passwords are accepted.
    auto off = form();
    off->accept();
    EXPECT_EQ(boxes.count(), 3);
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(off->result(), QDialog::Accepted);
}

TEST_F(ConfigLibraryFormTest, AnEmptyBrowserPasswordIsStoredAsTheSingleBlankAndTypedOnesAsHashes)
{
    auto dialog = form();
    check(dialog.get(), "UseSecurity")->setChecked(true);
    type(dialog.get(), "EP", "EV", QStringLiteral("Edit Me"));
    type(dialog.get(), "AP", "AV", QStringLiteral("boss"));
    dialog->accept();
    ASSERT_EQ(dialog->result(), QDialog::Accepted) << boxes.last().text.toStdString();
    EXPECT_EQ(row.BrowsePassword, QStringLiteral(" "));
    EXPECT_TRUE(row.UseSecurity);
    EXPECT_TRUE(PasswordHasher::IsHash(row.EditPassword));
    EXPECT_TRUE(PasswordHasher::IsHash(row.AdminPassword));
    EXPECT_TRUE(PasswordHasher::Verify(row.EditPassword, QStringLiteral("EDIT ME"), PasswordHasher::Form::Untrimmed));
    EXPECT_TRUE(PasswordHasher::Verify(row.AdminPassword, QStringLiteral("BOSS"), PasswordHasher::Form::Untrimmed));
    EXPECT_FALSE(PasswordHasher::Verify(row.AdminPassword, QStringLiteral("EDIT ME"), PasswordHasher::Form::Untrimmed));

    // Shown again, the blank Browser password is an empty box.
    auto again = form();
    EXPECT_EQ(box(again.get(), "BP")->text(), QString());
}

TEST_F(ConfigLibraryFormTest, ChangingOnlyTheNameKeepsTheStoredPasswords)
{
    row = protectedRow();
    const ConfigRow before = row;
    auto dialog = form();
    for (const char* name : {"BP", "BV", "EP", "EV", "AP", "AV"}) {
        EXPECT_EQ(box(dialog.get(), name)->text(), ConfigLibraryForm::storedPlaceholder()) << name;
        EXPECT_FALSE(box(dialog.get(), name)->text().contains(QStringLiteral("argon"))) << name;
    }
    box(dialog.get(), "LibraryNameBox")->setText(QStringLiteral("Renamed"));
    dialog->accept();
    ASSERT_EQ(dialog->result(), QDialog::Accepted) << boxes.last().text.toStdString();
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_EQ(row.LibraryName, QStringLiteral("Renamed"));
    EXPECT_EQ(row.BrowsePassword, before.BrowsePassword);
    EXPECT_EQ(row.EditPassword, before.EditPassword);
    EXPECT_EQ(row.AdminPassword, before.AdminPassword);
    EXPECT_EQ(row.Created, before.Created);

    // A new Editor password replaces only that one.
    auto next = form();
    type(next.get(), "EP", "EV", QStringLiteral("fresh"));
    next->accept();
    ASSERT_EQ(next->result(), QDialog::Accepted);
    EXPECT_TRUE(PasswordHasher::Verify(row.EditPassword, QStringLiteral("FRESH"), PasswordHasher::Form::Untrimmed));
    EXPECT_EQ(row.AdminPassword, before.AdminPassword);
}

TEST_F(ConfigLibraryFormTest, AWriteFailureShowsTheEngineTextAndKeepsTheDialogOpen)
{
    failWith = QStringLiteral("disk I/O error");
    auto dialog = form();
    box(dialog.get(), "LibraryNameBox")->setText(QStringLiteral("Renamed"));
    dialog->accept();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().icon, MessageIcon::Critical);
    EXPECT_EQ(boxes.last().text, QStringLiteral("disk I/O error"));
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(box(dialog.get(), "LibraryNameBox")->text(), QStringLiteral("Renamed"));
}

TEST_F(ConfigLibraryFormTest, SelectPutsThePickedDateInAndCancelLeavesIt)
{
    row.Created = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6));
    auto dialog = form();
    const QString shown = box(dialog.get(), "LibraryDateBox")->text();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("2001-02-03"))) << shown.toStdString();
    auto* select = dialog->findChild<QPushButton*>(QStringLiteral("SelectDate"));
    select->click(); // no picker: nothing changes
    EXPECT_EQ(box(dialog.get(), "LibraryDateBox")->text(), shown);
    dialog->setDatePicker([](QWidget*) { return std::optional<QDate>(); });
    select->click();
    EXPECT_EQ(box(dialog.get(), "LibraryDateBox")->text(), shown);
    dialog->setDatePicker([](QWidget*) { return std::optional<QDate>(QDate(2020, 5, 17)); });
    select->click();
    dialog->accept();
    ASSERT_EQ(dialog->result(), QDialog::Accepted) << boxes.last().text.toStdString();
    EXPECT_EQ(row.Created.date(), QDate(2020, 5, 17));
}

// --- Through the window --------------------------------------------------------------

class LibrarySettingsTest : public LibraryWindowTest
{
};

TEST_F(LibrarySettingsTest, ABrowserAndAnEditorAreRefusedTheSettings)
{
    const QString path = library(QStringLiteral("Books"));
    makeLibrary(path);
    protectLibrary(path, QStringLiteral(" "), QStringLiteral("ed"), QStringLiteral("ad"));
    auto form = load(path);
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    ModalDriver<ConfigLibraryForm> never([](ConfigLibraryForm*) {}, 200);
    run(*form, QStringLiteral("tlbar"));
    logins.queue(QStringLiteral("Editor"), QStringLiteral("ed"));
    form->reLogin();
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Editor"));
    run(*form, QStringLiteral("tlbar"));
    EXPECT_EQ(dialogs.deniedLevels, (QStringList{QStringLiteral("Browser"), QStringLiteral("Editor")}));
    EXPECT_FALSE(never.ran());
}

TEST_F(LibrarySettingsTest, TurningSecurityOnShowsReLoginAndKeepsAdministrator)
{
    const QString path = library(QStringLiteral("Books"));
    makeLibrary(path);
    auto form = load(path);
    ASSERT_TRUE(form->reLoginButton()->isHidden());
    ModalDriver<ConfigLibraryForm> driver([](ConfigLibraryForm* dialog) {
        check(dialog, "UseSecurity")->setChecked(true);
        type(dialog, "EP", "EV", QStringLiteral("ed"));
        type(dialog, "AP", "AV", QStringLiteral("ad"));
        dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    run(*form, QStringLiteral("tlbar"));
    ASSERT_TRUE(driver.ran());
    EXPECT_EQ(boxes.count(), 0) << boxes.last().text.toStdString();
    EXPECT_FALSE(form->reLoginButton()->isHidden());
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Administrator"));
    const ConfigRow stored = *form->session().ReadConfig();
    EXPECT_TRUE(stored.UseSecurity);
    EXPECT_EQ(stored.BrowsePassword, QStringLiteral(" "));
    EXPECT_TRUE(PasswordHasher::Verify(stored.AdminPassword, QStringLiteral("AD"), PasswordHasher::Form::Untrimmed));
    EXPECT_EQ(form->session().Config().UseSecurity, true);

    // The next login asks for the new passwords.
    logins.queue(QStringLiteral("Editor"), QStringLiteral("ed"));
    form->reLogin();
    EXPECT_EQ(state.AccessLevel, QStringLiteral("Editor"));
}

TEST_F(LibrarySettingsTest, UncheckingSecurityHidesThePanelAndReLoginButKeepsThePasswords)
{
    const QString path = library(QStringLiteral("Books"));
    makeLibrary(path);
    protectLibrary(path, QStringLiteral("br"), QStringLiteral("ed"), QStringLiteral("ad"), true, true);
    logins.queue(QStringLiteral("Administrator"), QStringLiteral("ad"));
    auto form = load(path);
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Administrator"));
    ASSERT_FALSE(form->reLoginButton()->isHidden());
    const ConfigRow before = *form->session().ReadConfig();

    bool panelShownFirst = false;
    bool panelHiddenAfter = false;
    ModalDriver<ConfigLibraryForm> driver([&](ConfigLibraryForm* dialog) {
        auto* panel = dialog->findChild<QWidget*>(QStringLiteral("SecurityPanel"));
        dialog->findChild<QTabWidget*>()->setCurrentIndex(1);
        panelShownFirst = !panel->isHidden();
        check(dialog, "UseSecurity")->click();
        panelHiddenAfter = panel->isHidden();
        dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    run(*form, QStringLiteral("tlbar"));
    ASSERT_TRUE(driver.ran());
    EXPECT_TRUE(panelShownFirst);
    EXPECT_TRUE(panelHiddenAfter);
    EXPECT_TRUE(form->reLoginButton()->isHidden());
    const ConfigRow after = *form->session().ReadConfig();
    EXPECT_FALSE(after.UseSecurity);
    EXPECT_EQ(after.BrowsePassword, before.BrowsePassword);
    EXPECT_EQ(after.EditPassword, before.EditPassword);
    EXPECT_EQ(after.AdminPassword, before.AdminPassword);
    EXPECT_TRUE(after.BrowseExtract);
    EXPECT_TRUE(after.EditDelete);
}

TEST_F(LibrarySettingsTest, CancelWritesNothing)
{
    const QString path = library(QStringLiteral("Books"));
    makeLibrary(path);
    auto form = load(path);
    const ConfigRow before = *form->session().ReadConfig();
    ModalDriver<ConfigLibraryForm> driver([](ConfigLibraryForm* dialog) {
        box(dialog, "LibraryNameBox")->setText(QStringLiteral("Not saved"));
        dialog->findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
    });
    run(*form, QStringLiteral("tlbar"));
    ASSERT_TRUE(driver.ran());
    EXPECT_EQ(form->session().ReadConfig()->LibraryName, before.LibraryName);
}

// --- Library information -------------------------------------------------------------

TEST(LibraryInfoFormTest, TheMailButtonIsHiddenForNoAddressOrUnknownInAnyCase)
{
    for (const QString& email : {QString(), QStringLiteral("   "), QStringLiteral("UNKNOWN"),
                                 QStringLiteral(" unknown "), QStringLiteral("Unknown")}) {
        ConfigRow row;
        row.LibrarianEmail = email;
        LibraryInfoForm dialog(row);
        auto* send = dialog.findChild<QPushButton*>(QStringLiteral("SendMailButton"));
        ASSERT_NE(send, nullptr);
        EXPECT_TRUE(send->isHidden()) << "'" << email.toStdString() << "'";
    }
    ConfigRow row;
    row.LibrarianEmail = QStringLiteral("unknown@example.org");
    LibraryInfoForm dialog(row);
    EXPECT_FALSE(dialog.findChild<QPushButton*>(QStringLiteral("SendMailButton"))->isHidden());
}

TEST(LibraryInfoFormTest, ShowsTheRowAndMailsThroughAPercentEncodedAddress)
{
    ConfigRow row;
    row.LibraryName = QStringLiteral("Books");
    row.LibrarianName = QStringLiteral("Ann");
    row.LibrarianEmail = QStringLiteral("  ann+lib@example.org?cc=eve@evil.org&body=x  ");
    row.Created = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6));
    row.Notes = QStringLiteral("Line one\nLine two");
    LibraryInfoForm dialog(row);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Information about Current Library"));
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("LibName"))->text(), QStringLiteral("Books"));
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("Librarian"))->text(), QStringLiteral("Ann"));
    EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("Date"))->text().startsWith(QStringLiteral("2001-02-03")));
    EXPECT_EQ(dialog.findChild<QPlainTextEdit*>(QStringLiteral("Notes"))->toPlainText(), row.Notes);
    QStringList labels;
    for (auto* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    for (const QString& text : {QStringLiteral("Library Name"), QStringLiteral("Librarian"),
                                QStringLiteral("Librarian Email"), QStringLiteral("Date Created"), QStringLiteral("Notes")})
        EXPECT_TRUE(labels.contains(text)) << text.toStdString();

    QList<QUrl> opened;
    auto previous = LibraryInfoForm::setMailOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    auto* send = dialog.findChild<QPushButton*>(QStringLiteral("SendMailButton"));
    EXPECT_EQ(send->toolTip(), QStringLiteral("Click here to send some Email to the Library's Creator"));
    send->click();
    LibraryInfoForm::setMailOpener(std::move(previous));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(opened[0].toEncoded(), QByteArray("mailto:ann%2Blib@example.org%3Fcc%3Deve@evil.org%26body%3Dx"));
    EXPECT_FALSE(opened[0].hasQuery());
}

TEST_F(LibrarySettingsTest, LibraryInformationCountsTheRecordsAndAddsUpTheirSizes)
{
    const QString path = library(QStringLiteral("Books"));
    makeLibrary(path);
    {
        // Sizes without bytes: the totals come from FileSize, no file is read.
        auto db = Database::open(path);
        ASSERT_TRUE(db.ok());
        for (const qint64 size : {qint64(12345000), qint64(678)}) {
            MainRecord record;
            record.Title = QStringLiteral("Size %1").arg(size);
            record.FileSize = size;
            ASSERT_TRUE((*db)->insertRecord(record).ok());
        }
        (*db)->close();
    }
    auto form = load(path);
    QString records;
    QString stored;
    ModalDriver<LibraryInfoForm> driver([&](LibraryInfoForm* dialog) {
        auto* recordsLabel = dialog->findChild<QLabel*>(QStringLiteral("Records"));
        auto* storedLabel = dialog->findChild<QLabel*>(QStringLiteral("StoredSize"));
        records = recordsLabel ? recordsLabel->text() : QStringLiteral("(no label)");
        stored = storedLabel ? storedLabel->text() : QStringLiteral("(no label)");
    });
    run(*form, QStringLiteral("vibar"));
    ASSERT_TRUE(driver.ran());
    EXPECT_EQ(records, QStringLiteral("2 records"));
    EXPECT_EQ(stored, QStringLiteral("12.3 MB (12,345,678 bytes)"));
}

TEST_F(LibrarySettingsTest, LibraryInformationIsOpenToABrowser)
{
    const QString path = library(QStringLiteral("Books"));
    makeLibrary(path);
    protectLibrary(path, QStringLiteral(" "), QStringLiteral("ed"), QStringLiteral("ad"));
    auto form = load(path);
    ASSERT_EQ(state.AccessLevel, QStringLiteral("Browser"));
    QString name;
    ModalDriver<LibraryInfoForm> driver(
        [&](LibraryInfoForm* dialog) { name = dialog->findChild<QLabel*>(QStringLiteral("LibName"))->text(); });
    run(*form, QStringLiteral("vibar"));
    EXPECT_TRUE(driver.ran());
    EXPECT_EQ(name, form->session().ReadConfig()->LibraryName);
    EXPECT_TRUE(dialogs.deniedLevels.isEmpty());
}

} // namespace
