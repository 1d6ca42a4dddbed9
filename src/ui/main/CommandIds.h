#pragma once

#include <QString>

namespace zentaro {

// The names of the main window's commands: the objectName of each action,
// the toolbar button that is the same command, and the menus that hold them.
namespace CommandIds {

// Commands, by their menu entry or toolbar-only button.
inline constexpr char kFobar[] = "fobar";
inline constexpr char kFosbar[] = "fosbar";
inline constexpr char kFnbar[] = "fnbar";
inline constexpr char kFcbar[] = "fcbar";
inline constexpr char kFxbar[] = "fxbar";
inline constexpr char kEubar[] = "eubar";
inline constexpr char kEmbar[] = "embar";
inline constexpr char kEdbar[] = "edbar";
inline constexpr char kEevbar[] = "eevbar";
inline constexpr char kEedbar[] = "eedbar";
inline constexpr char kEfbar[] = "efbar";
inline constexpr char kEpbar[] = "epbar";
inline constexpr char kEnbar[] = "enbar";
inline constexpr char kElbar[] = "elbar";
inline constexpr char kErbar[] = "erbar";
inline constexpr char kVibar[] = "vibar";
inline constexpr char kVebar[] = "vebar";
inline constexpr char kVlbar[] = "vlbar";
inline constexpr char kVsbar[] = "vsbar";
inline constexpr char kVrbar[] = "vrbar";
inline constexpr char kTlbar[] = "tlbar";
inline constexpr char kTpbar[] = "tpbar";
inline constexpr char kTdbar[] = "tdbar";
inline constexpr char kTcbar[] = "tcbar";
inline constexpr char kHhbar[] = "hhbar";
inline constexpr char kHabar[] = "habar";
inline constexpr char kReLoginButton[] = "ReLoginButton";
inline constexpr char kListAllButton[] = "ListAllButton";
inline constexpr char kFilterButton[] = "FilterButton";
inline constexpr char kListActionButton[] = "ListActionButton";
inline constexpr char kPrintListButton[] = "PrintListButton";
inline constexpr char kInsertBackButton[] = "InsertBackButton";
inline constexpr char kMenuExtractSelectedFilestoExtractFolder[] =
    "menuExtractSelectedFilestoExtractFolder";
inline constexpr char kMenuExtractSelectedFilestoDisk[] = "menuExtractSelectedFilestoDisk";
inline constexpr char kMenuExtractListedFilestoExtractFolder[] =
    "menuExtractListedFilestoExtractFolder";
inline constexpr char kMenuExtractListedFilestoDisk[] = "menuExtractListedFilestoDisk";
inline constexpr char kMenuDeleteCurrentFile[] = "menuDeleteCurrentFile";
inline constexpr char kMenuDeleteSelectedFiles[] = "menuDeleteSelectedFiles";
inline constexpr char kMenuDeleteListedFiles[] = "menuDeleteListedFiles";
inline constexpr char kSortAscendingbar[] = "SortAscendingbar";
inline constexpr char kSortDescendingbar[] = "SortDescendingbar";
inline constexpr char kPobar[] = "pobar";
inline constexpr char kPcbar[] = "pcbar";
inline constexpr char kPfdbar[] = "pfdbar";

// Toolbar buttons that repeat a menu command.
inline constexpr char kOpenLibraryButton[] = "OpenLibraryButton";
inline constexpr char kNewLibraryButton[] = "NewLibraryButton";
inline constexpr char kAddMultipleRecordsButton[] = "AddMultipleRecordsButton";
inline constexpr char kDeleteButton[] = "DeleteButton";
inline constexpr char kViewButton[] = "ViewButton";
inline constexpr char kExtractToDiskButton[] = "ExtractToDiskButton";
inline constexpr char kListOnlyButton[] = "ListOnlyButton";
inline constexpr char kCenterSplitButton[] = "CenterSplitButton";
inline constexpr char kRecordOnlyButton[] = "RecordOnlyButton";
inline constexpr char kConfigButton[] = "ConfigButton";
inline constexpr char kHelpButton[] = "HelpButton";

// Menus and pop-up menus.
inline constexpr char kFbar[] = "fbar";
inline constexpr char kEbar[] = "ebar";
inline constexpr char kEebar[] = "eebar";
inline constexpr char kVbar[] = "vbar";
inline constexpr char kTbar[] = "tbar";
inline constexpr char kHbar[] = "hbar";
inline constexpr char kPbar[] = "Pbar";
inline constexpr char kPsbar[] = "psbar";
inline constexpr char kMenuExtract[] = "menuExtract";
inline constexpr char kMenuExtractSelectedFiles[] = "menuExtractSelectedFiles";
inline constexpr char kMenuExtractListedFiles[] = "menuExtractListedFiles";
inline constexpr char kMenuDelete[] = "menuDelete";
inline constexpr char kPfbar[] = "pfbar";
inline constexpr char kHeaderPopupbar[] = "HeaderPopupbar";
inline constexpr char kChangeColumnFieldbar[] = "ChangeColumnFieldbar";

// The list pop-up's sort entries and the header pop-up's field entries.
inline QString popSort(int i)
{
    return QStringLiteral("PopSort%1").arg(i);
}
inline QString changeFieldbar(int i)
{
    return QStringLiteral("ChangeFieldbar%1").arg(i);
}

} // namespace CommandIds

} // namespace zentaro
