#pragma once

#include <QString>

namespace zentaro {

// Typed secrets are kept no longer than needed.
class SecretText
{
public:
    // Overwrites the characters in place (when the text is not shared) and empties it.
    static void wipe(QString& text);
};

} // namespace zentaro
