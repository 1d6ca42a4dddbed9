#include "ui/common/Prompts.h"

#include "ui/main/AboutForm.h"
#include "ui/security/AccessDeniedForm.h"
#include "ui/transfer/AddManyForm.h"
#include "ui/common/DesktopFileOpener.h"
#include "ui/transfer/GetPathForm.h"
#include "ui/security/LoginForm.h"
#include "ui/library/ServerLibraryForm.h"

#include <QFileDialog>

#include <utility>

namespace zentaro {

namespace {

struct Answerers
{
    Prompts::LoginAnswerer login;
    Prompts::AccessDeniedAnswerer accessDenied;
    Prompts::FileAnswerer file;
    Prompts::AboutAnswerer about;
    Prompts::FolderAnswerer folder;
    Prompts::ServerLibraryAnswerer serverLibrary;
    Prompts::ServerPasswordAnswerer serverPassword;
    Prompts::AddFilesRunner addFiles;
    FileOpener* opener = nullptr;
};

Answerers& answerers()
{
    static Answerers installed;
    return installed;
}

} // namespace

std::optional<LoginAnswer> Prompts::askLogin(QWidget* parent)
{
    if (const LoginAnswerer& answerer = answerers().login)
        return answerer();
    return LoginForm::ask(parent);
}

bool Prompts::askAccessDenied(QWidget* parent, const QString& level)
{
    if (const AccessDeniedAnswerer& answerer = answerers().accessDenied)
        return answerer(level);
    return AccessDeniedForm::askReLogin(parent, level);
}

QString Prompts::chooseLibraryToOpen(QWidget* parent, const QString& initialFolder)
{
    if (const FileAnswerer& answerer = answerers().file)
        return answerer(kOpenLibraryTitle, initialFolder);
    // All files can be chosen, so a wrong choice gets its own message.
    return QFileDialog::getOpenFileName(
        parent, kOpenLibraryTitle, initialFolder,
        QStringLiteral("ZNT Libraries (*.ZNT *.znt);;All Files (*)"));
}

std::optional<QString> Prompts::chooseServerLibrary(QWidget* parent)
{
    if (const ServerLibraryAnswerer& answerer = answerers().serverLibrary)
        return answerer();
    return ServerLibraryForm::ask(parent);
}

std::optional<QString> Prompts::askServerPassword(QWidget* parent, const QString& address)
{
    if (const ServerPasswordAnswerer& answerer = answerers().serverPassword)
        return answerer(address);
    return ServerPasswordForm::ask(parent, address);
}

Prompts::ServerLibraryAnswerer Prompts::setServerLibraryAnswerer(ServerLibraryAnswerer answerer)
{
    return std::exchange(answerers().serverLibrary, std::move(answerer));
}

Prompts::ServerPasswordAnswerer Prompts::setServerPasswordAnswerer(ServerPasswordAnswerer answerer)
{
    return std::exchange(answerers().serverPassword, std::move(answerer));
}

void Prompts::showAbout(QWidget* parent, const QString& fullVersionText)
{
    if (const AboutAnswerer& answerer = answerers().about) {
        answerer();
        return;
    }
    AboutForm form(fullVersionText, parent);
    form.exec();
}

Prompts::LoginAnswerer Prompts::setLoginAnswerer(LoginAnswerer answerer)
{
    return std::exchange(answerers().login, std::move(answerer));
}

Prompts::AccessDeniedAnswerer Prompts::setAccessDeniedAnswerer(AccessDeniedAnswerer answerer)
{
    return std::exchange(answerers().accessDenied, std::move(answerer));
}

Prompts::FileAnswerer Prompts::setFileAnswerer(FileAnswerer answerer)
{
    return std::exchange(answerers().file, std::move(answerer));
}

Prompts::AboutAnswerer Prompts::setAboutAnswerer(AboutAnswerer answerer)
{
    return std::exchange(answerers().about, std::move(answerer));
}

std::optional<QString> Prompts::pickFolder(QWidget* parent, const QString& startFolder,
                                           const QString& fallbackFolder)
{
    if (const FolderAnswerer& answerer = answerers().folder)
        return answerer(startFolder);
    return GetPathForm::pick(parent, startFolder, fallbackFolder);
}

void Prompts::runAddFiles(QWidget* parent, ProgramState& state,
                          const std::shared_ptr<Database>& database,
                          std::function<Status()> saveSettings)
{
    if (const AddFilesRunner& runner = answerers().addFiles) {
        runner(state, database);
        return;
    }
    AddManyForm form(state, database, parent, std::move(saveSettings));
    form.exec();
}

FileOpener& Prompts::fileOpener()
{
    static DesktopFileOpener desktop;
    FileOpener* opener = answerers().opener;
    return opener ? *opener : desktop;
}

Prompts::FolderAnswerer Prompts::setFolderAnswerer(FolderAnswerer answerer)
{
    return std::exchange(answerers().folder, std::move(answerer));
}

Prompts::AddFilesRunner Prompts::setAddFilesRunner(AddFilesRunner runner)
{
    return std::exchange(answerers().addFiles, std::move(runner));
}

FileOpener* Prompts::setFileOpener(FileOpener* opener)
{
    return std::exchange(answerers().opener, opener);
}

} // namespace zentaro
