#pragma once

#include "core/Notice.h"
#include "security/LoginHost.h"

#include <QString>

#include <optional>

namespace zentaro {

// The window side of an open library: what opening, closing and re-querying
// need from whoever shows them (the main window, the command-line tool, fakes).
class LibraryHost : public LoginHost
{
public:
    // Shows a message and waits until the user has seen it.
    virtual void ShowNotice(const Notice& notice) = 0;
    // The details tab shows its first page, media and picture are cleared.
    virtual void ClearPreviewer() = 0;
    // Caption of the main window.
    virtual void SetCaption(const QString& caption) = 0;
    // The edit-detection timer stops (before the library is closed).
    virtual void StopEditDetection() = 0;
    // The current list was rebuilt or its rows changed: models reset.
    virtual void ListReset() = 0;
    // The current record of the list moved (to a position, or -1 for none).
    virtual void CurrentChanged(int position) = 0;
    // Number of rows selected in the list grid.
    virtual int SelectedCount() const = 0;
    // Writes the status text ("Selected: ...").
    virtual void SetCountsText(const QString& text) = 0;
    // The server of a library at address (shown without a password) wants a
    // password that neither the address, PGPASSWORD nor the password file
    // gave: asks for it; no value when the user gives up or cannot be asked.
    virtual std::optional<QString> AskServerPassword(const QString& address)
    {
        (void)address;
        return std::nullopt;
    }
};

} // namespace zentaro
