#pragma once

#include <QString>

namespace zentaro {

// Version texts shown to the user and stamped into the settings file.
class Version
{
public:
    // "2.1" for 2.10, "3.0" for 3.0, "2.5" for 2.5.
    static QString programVersion(int major, int minor);
    // "2.10.0019" for 2.10 revision 19.
    static QString fullVersionText(int major, int minor, int revision);
    // The numeric value used to compare versions ("2.10" and "2.1" are equal).
    static double numericValue(const QString& versionText);

    // The versions of this build.
    static QString currentProgramVersion();
    static QString currentFullVersionText();
};

} // namespace zentaro
