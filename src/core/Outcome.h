#pragma once

#include "core/Notice.h"
#include "core/Status.h"

#include <optional>
#include <utility>

namespace zentaro {

// How a command ended: done, cancelled by the user, or refused or failed.
// The notice, when there is one, is what the user must be shown; the logic
// returns it and the window that started the work shows it. A Cancel is silent.
struct Outcome
{
    Status status;
    std::optional<Notice> notice;

    bool ok() const { return status.ok(); }
    bool cancelled() const { return status.code() == ErrorCode::Cancelled; }

    static Outcome success() { return {}; }
    static Outcome userCancelled()
    {
        return {Status::failure(ErrorCode::Cancelled, QStringLiteral("Cancelled.")), std::nullopt};
    }
    static Outcome failed(Status status, Notice notice) { return {std::move(status), std::move(notice)}; }
};

} // namespace zentaro
