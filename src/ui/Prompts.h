#pragma once

#include "security/LoginHost.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace zentaro {

// The modal dialogs the main window asks questions with, other than message
// boxes. Each can be answered by a test instead of a window: while an
// answerer is installed the dialog is not shown.
class Prompts
{
public:
    using LoginAnswerer = std::function<std::optional<LoginAnswer>()>;
    // Gets the current level; true means "Re-Login" was chosen.
    using AccessDeniedAnswerer = std::function<bool(const QString& level)>;
    // Gets the title and the initial folder; an empty text means Cancel.
    using FileAnswerer = std::function<QString(const QString& title, const QString& folder)>;
    using AboutAnswerer = std::function<void()>;

    // The login dialog: the chosen level and the password as typed, or
    // nothing when the user cancelled.
    static std::optional<LoginAnswer> askLogin(QWidget* parent);
    // The Access Denied dialog; true when the user chose "Re-Login".
    static bool askAccessDenied(QWidget* parent, const QString& level);
    // The file-open dialog for a library; empty when cancelled.
    static QString chooseLibraryToOpen(QWidget* parent, const QString& initialFolder);
    // The about box.
    static void showAbout(QWidget* parent, const QString& fullVersionText);

    // Test seams; each returns the answerer installed before.
    static LoginAnswerer setLoginAnswerer(LoginAnswerer answerer);
    static AccessDeniedAnswerer setAccessDeniedAnswerer(AccessDeniedAnswerer answerer);
    static FileAnswerer setFileAnswerer(FileAnswerer answerer);
    static AboutAnswerer setAboutAnswerer(AboutAnswerer answerer);

    static inline const QString kOpenLibraryTitle = QStringLiteral("Open Library");
};

} // namespace zentaro
