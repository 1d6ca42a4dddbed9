#include "core/SettingsDefaults.h"

namespace zentaro {

std::array<QString, kGridColumnCount> SettingsDefaults::columnFields()
{
    return {QStringLiteral("Title"),         QStringLiteral("Author"),
            QStringLiteral("Keywords"),      QStringLiteral("FileName"),
            QStringLiteral("FileType"),      QStringLiteral("FileSize"),
            QStringLiteral("FileDate"),      QStringLiteral("InsertionDate"),
            QStringLiteral("LastUpdatedDate"), QStringLiteral("Notes")};
}

double SettingsDefaults::filePaneSize(double screenWidthTwips)
{
    return kFilePaneShare * screenWidthTwips;
}

SettingsRecord SettingsDefaults::record(const QString& programVersion, const QString& programFolder,
                                        const QString& defaultLibrary, const QString& driveRoot,
                                        double screenWidthTwips)
{
    SettingsRecord s;
    s.SettingsVersion = programVersion;
    s.ExclusiveMode = true;
    s.AddFilesFolder = driveRoot;
    s.PickFolder = driveRoot;
    s.LibraryFolder = programFolder;
    s.DefaultLibrary = defaultLibrary;
    s.StartMaximized = true;
    s.SecurityWipeOnExit = false;
    s.EditDetectMode = 1;
    s.GridForeColor = 0xFFFF00;
    s.GridBackColor = 0x000000;
    s.ListFontName = QStringLiteral("MS Sans Serif");
    s.ListFontSize = 8;
    s.ListFontBold = false;
    s.ListFontItalic = false;
    s.ListFontUnderline = false;
    s.HeaderFontName = QStringLiteral("MS Sans Serif");
    s.HeaderFontSize = 8;
    s.HeaderFontBold = false;
    s.HeaderFontItalic = false;
    s.HeaderFontUnderline = false;
    s.ColumnFields = columnFields();
    s.ColumnWidths = kColumnWidths;
    s.ListPaneSize = 0.0;
    s.FilePaneSize = filePaneSize(screenWidthTwips);
    s.FieldViewForeColor = 0xFFFFFF;
    s.FieldViewBackColor = 0xFF0000;
    s.AutoSizePictures = true;
    s.PreviewFullHeight = true;
    s.AutoRewind = true;
    s.AutoStart = true;
    s.RemoveOriginals = true;
    s.WipeAmount = 1000;
    applyPrintFonts(s);
    return s;
}

void SettingsDefaults::applyPrintFonts(SettingsRecord& settings)
{
    settings.PrintListFontName = QStringLiteral("Arial");
    settings.PrintListFontSize = 8;
    settings.PrintListFontBold = false;
    settings.PrintListFontItalic = false;
    settings.PrintHeaderFontName = QStringLiteral("Arial");
    settings.PrintHeaderFontSize = 8;
    settings.PrintHeaderFontBold = true;
    settings.PrintHeaderFontItalic = false;
}

} // namespace zentaro
