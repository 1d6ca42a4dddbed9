#pragma once

#include "core/Outcome.h"

namespace zentaro {

// How one transfer ended; the shape every command's outcome has.
using TransferOutcome = Outcome;

} // namespace zentaro
