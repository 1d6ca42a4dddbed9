#pragma once

#include "core/Status.h"

namespace zentaro {

class Environment;
struct SettingsRecord;

// Fills settings from ZNT.CFG beside the program exactly as
// the program reads it at start-up (defaults for a missing file, remembered
// folders kept on the program's drive, older versions upgraded), but leaves
// the file itself as it is: the reading and its write-back happen on a copy.
class CliSettingsReader
{
public:
    // Unreadable when the file is there but cannot be read; Settings then
    // hold the defaults.
    static Status Load(const Environment& environment, SettingsRecord& settings);
};

} // namespace zentaro
