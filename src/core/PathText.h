#pragma once

#include <QString>

namespace zentaro {

// Path texts built the way the program builds them.
class PathText
{
public:
    // folder + "/" + name, never doubling a separator the folder already has.
    static QString join(const QString& folder, const QString& name);
    // The folder that holds the running executable.
    static QString programFolder();
};

} // namespace zentaro
