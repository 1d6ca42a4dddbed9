#include "ui/Prompts.h"

#include "ui/AboutForm.h"
#include "ui/AccessDeniedForm.h"
#include "ui/LoginForm.h"

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

} // namespace zentaro
