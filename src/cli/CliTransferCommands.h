#pragma once

namespace zentaro {

struct CliContext;

// The znt commands that move file contents: add, extract and reinsert.
// Each returns the exit status.
class CliTransferCommands
{
public:
    static int add(CliContext& context);
    static int extract(CliContext& context);
    static int reinsert(CliContext& context);
};

} // namespace zentaro
