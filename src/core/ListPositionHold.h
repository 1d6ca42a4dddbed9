#pragma once

#include "core/LibraryState.h"

namespace zentaro {

// Holds the list's position for a scope while work moves through the list:
// the window does not follow the current record until the hold ends, and
// follows it again afterwards.
class ListPositionHold
{
public:
    explicit ListPositionHold(LibraryState& state) : m_state(state) { m_state.SuppressReposition = true; }
    ~ListPositionHold() { m_state.SuppressReposition = false; }
    ListPositionHold(const ListPositionHold&) = delete;
    ListPositionHold& operator=(const ListPositionHold&) = delete;

private:
    LibraryState& m_state;
};

} // namespace zentaro
