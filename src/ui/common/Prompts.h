#pragma once

#include "core/Status.h"
#include "security/LoginHost.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace zentaro {

class Database;
class FileOpener;
class ProgramState;

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
    // Gets the start folder; nothing means Cancel.
    using FolderAnswerer = std::function<std::optional<QString>(const QString& startFolder)>;
    // Gets nothing; the address of a server library, or nothing for Cancel.
    using ServerLibraryAnswerer = std::function<std::optional<QString>()>;
    // Gets the server address (without password); nothing means Cancel.
    using ServerPasswordAnswerer = std::function<std::optional<QString>(const QString& address)>;
    // Stands in for the modal add-files dialog.
    using AddFilesRunner = std::function<void(ProgramState&, const std::shared_ptr<Database>&)>;

    // The login dialog: the chosen level and the password as typed, or
    // nothing when the user cancelled.
    static std::optional<LoginAnswer> askLogin(QWidget* parent);
    // The Access Denied dialog; true when the user chose "Re-Login".
    static bool askAccessDenied(QWidget* parent, const QString& level);
    // The file-open dialog for a library; empty when cancelled.
    static QString chooseLibraryToOpen(QWidget* parent, const QString& initialFolder);
    // "Open Server Library": the address of the library chosen, or nothing.
    static std::optional<QString> chooseServerLibrary(QWidget* parent);
    // The password a library's server wants, or nothing when cancelled.
    static std::optional<QString> askServerPassword(QWidget* parent, const QString& address);
    // The about box.
    static void showAbout(QWidget* parent, const QString& fullVersionText);

    // "Select Path": the chosen folder, or nothing when cancelled.
    static std::optional<QString> pickFolder(QWidget* parent, const QString& startFolder,
                                             const QString& fallbackFolder);
    // The modal "Add File(s)" dialog on the open library.
    static void runAddFiles(QWidget* parent, ProgramState& state,
                            const std::shared_ptr<Database>& database,
                            std::function<Status()> saveSettings);
    // Hands an extracted file to its usual application.
    static FileOpener& fileOpener();

    // Test seams; each returns the answerer installed before.
    static LoginAnswerer setLoginAnswerer(LoginAnswerer answerer);
    static AccessDeniedAnswerer setAccessDeniedAnswerer(AccessDeniedAnswerer answerer);
    static FileAnswerer setFileAnswerer(FileAnswerer answerer);
    static AboutAnswerer setAboutAnswerer(AboutAnswerer answerer);
    static FolderAnswerer setFolderAnswerer(FolderAnswerer answerer);
    static AddFilesRunner setAddFilesRunner(AddFilesRunner runner);
    static ServerLibraryAnswerer setServerLibraryAnswerer(ServerLibraryAnswerer answerer);
    static ServerPasswordAnswerer setServerPasswordAnswerer(ServerPasswordAnswerer answerer);
    // nullptr puts the desktop's opener back.
    static FileOpener* setFileOpener(FileOpener* opener);

    static inline const QString kOpenLibraryTitle = QStringLiteral("Open Library");
};

} // namespace zentaro
