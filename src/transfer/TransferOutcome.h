#pragma once

#include "core/Notice.h"
#include "core/Status.h"

#include <optional>
#include <utility>

namespace zentaro {

// How one transfer ended: done, cancelled by the user, or refused or failed.
// The notice, when there is one, is what the user must be shown (the caller
// shows it); a Cancel is silent.
struct TransferOutcome
{
    Status status;
    std::optional<Notice> notice;

    bool ok() const { return status.ok(); }
    bool cancelled() const { return status.code() == ErrorCode::Cancelled; }

    static TransferOutcome success() { return {}; }
    static TransferOutcome userCancelled()
    {
        return {Status::failure(ErrorCode::Cancelled, QStringLiteral("Cancelled.")), std::nullopt};
    }
    static TransferOutcome failed(Status status, Notice notice)
    {
        return {std::move(status), std::move(notice)};
    }
};

} // namespace zentaro
