#pragma once

#include "core/SettingsRecord.h"

#include <QString>

#include <array>
#include <cstdint>

namespace zentaro {


// The values the local settings take when there is no settings file.
class SettingsDefaults
{
public:
    // Screen width assumed when no window layer supplies one (the command-line
    // tool): 1024 pixels at 96 dots per inch, in twips.
    static constexpr double kFallbackScreenWidthTwips = 1024.0 * 1440.0 / 96.0;
    static constexpr double kFilePaneShare = 0.51;
    static constexpr std::array<std::int32_t, kGridColumnCount> kColumnWidths = {
        2000, 2000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 4000};

    static std::array<QString, kGridColumnCount> columnFields();
    static double filePaneSize(double screenWidthTwips);

    // Every field at its default. driveRoot is the root of the program
    // folder's file system.
    static SettingsRecord record(const QString& programVersion, const QString& programFolder,
                                 const QString& defaultLibrary, const QString& driveRoot,
                                 double screenWidthTwips);

    // The printed list fonts (fields PrintListFontName to PrintHeaderFontItalic).
    static void applyPrintFonts(SettingsRecord& settings);
};

} // namespace zentaro
