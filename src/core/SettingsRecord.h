#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace zentaro {

inline constexpr int kGridColumnCount = 10;

// The local settings, in the order they are stored in ZNT.CFG.
// Colours are 0x00BBGGRR; sizes and widths are in twips unless noted.
struct SettingsRecord
{
    QString SettingsVersion;
    bool ExclusiveMode = false;
    QString AddFilesFolder;
    QString PickFolder;
    QString LibraryFolder;
    QString DefaultLibrary;
    bool StartMaximized = false;
    bool SecurityWipeOnExit = false;
    std::int16_t EditDetectMode = 0;
    std::int32_t GridForeColor = 0;
    std::int32_t GridBackColor = 0;
    QString ListFontName;
    std::int32_t ListFontSize = 0;
    bool ListFontBold = false;
    bool ListFontItalic = false;
    bool ListFontUnderline = false;
    QString HeaderFontName;
    std::int32_t HeaderFontSize = 0;
    bool HeaderFontBold = false;
    bool HeaderFontItalic = false;
    bool HeaderFontUnderline = false;
    std::array<QString, kGridColumnCount> ColumnFields;
    std::array<std::int32_t, kGridColumnCount> ColumnWidths{};
    double ListPaneSize = 0.0;
    double FilePaneSize = 0.0;
    std::int32_t FieldViewForeColor = 0;
    std::int32_t FieldViewBackColor = 0;
    bool AutoSizePictures = false;
    bool PreviewFullHeight = false;
    bool AutoRewind = false;
    bool AutoStart = false;
    bool RemoveOriginals = false;
    std::int32_t WipeAmount = 0;
    QString PrintListFontName;
    std::int16_t PrintListFontSize = 0;
    bool PrintListFontBold = false;
    bool PrintListFontItalic = false;
    QString PrintHeaderFontName;
    std::int16_t PrintHeaderFontSize = 0;
    bool PrintHeaderFontBold = false;
    bool PrintHeaderFontItalic = false;

    bool operator==(const SettingsRecord&) const = default;
};

} // namespace zentaro
