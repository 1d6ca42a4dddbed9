#pragma once

#include "core/ProgramState.h"
#include "transfer/TransferSettings.h"

namespace zentaro {

// What the transfer classes are to know of the window's state.
inline TransferSettings transferSettingsOf(const ProgramState& state)
{
    TransferSettings settings;
    settings.chunkSize = state.ChunkSize;
    settings.newLine = state.newLineOrDefault();
    settings.extractFolder = state.ExtractFolder;
    settings.libraryPath = state.CurrentLibraryPath;
    settings.accessLevel = state.AccessLevel;
    settings.libraryReadOnly = state.LibraryReadOnly;
    return settings;
}

} // namespace zentaro
