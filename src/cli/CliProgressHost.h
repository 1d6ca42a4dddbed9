#pragma once

#include "cli/CliProgress.h"
#include "transfer/ProgressHost.h"

namespace zentaro {

// The progress windows of a transfer, as znt shows them: one bar on
// standard error at a time.
class CliProgressHost final : public ProgressHost
{
public:
    explicit CliProgressHost(CliProgress& bar) : m_bar(bar) {}

    Progress& OpenProgress(const QString& text, bool cancellable) override;
    void CloseProgress() override;
    void Yield() override;

private:
    CliProgress& m_bar;
};

} // namespace zentaro
