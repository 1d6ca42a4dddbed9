#include "security/LoginRules.h"

#include "security/AccessRights.h"
#include "security/PasswordHasher.h"

namespace zentaro {

QString LoginRules::EnteredForm(const QString& typed)
{
    return PasswordHasher::ComparisonForm(typed, PasswordHasher::Form::Trimmed);
}

bool LoginRules::LoginSucceeds(const QString& level, const QString& enteredPassword,
                               const ConfigRow& config)
{
    using Form = PasswordHasher::Form;
    if (level == AccessRights::kBrowser)
        return PasswordHasher::Verify(config.BrowsePassword, enteredPassword, Form::Trimmed);
    // Editor and Administrator always need a password. One never set is empty
    // (the template leaves them so), and the trimmed entry can only be empty
    // when it would match exactly that, so an empty entry is refused outright.
    if (enteredPassword.isEmpty())
        return false;
    if (level == AccessRights::kEditor)
        return PasswordHasher::Verify(config.EditPassword, enteredPassword, Form::Untrimmed);
    if (level == AccessRights::kAdministrator)
        return PasswordHasher::Verify(config.AdminPassword, enteredPassword, Form::Untrimmed);
    return false;
}

bool LoginRules::LoginNeededToOpen(const ConfigRow& config)
{
    return config.UseSecurity && config.BrowsePassword != PasswordHasher::kNoBrowsePassword;
}

} // namespace zentaro
