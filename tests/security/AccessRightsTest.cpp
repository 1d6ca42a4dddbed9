#include "security/AccessRights.h"

#include <gtest/gtest.h>

using namespace zentaro;
using Command = AccessRights::Command;

namespace {

struct RightsCase
{
    const char* level;
    bool browseExtract;
    bool editDelete;
    // Extract, DeleteCurrent, AddFiles, NewLibrary, CompactLibrary, LibrarySettings, ProgramSettings
    bool allowed[7];
};

constexpr Command kCommands[7] = {Command::Extract,        Command::DeleteCurrent,
                                  Command::AddFiles,       Command::NewLibrary,
                                  Command::CompactLibrary, Command::LibrarySettings,
                                  Command::ProgramSettings};

} // namespace

TEST(AccessRights, RightsTableByLevelAndFlags)
{
    const RightsCase cases[] = {
        {"Browser", false, false, {false, false, false, false, false, false, false}},
        {"Browser", true, true, {true, false, false, false, false, false, false}},
        {"Editor", false, false, {true, false, true, true, true, false, false}},
        {"Editor", false, true, {true, true, true, true, true, false, false}},
        {"Administrator", false, false, {true, true, true, true, true, true, true}},
        // Any other text (login pending or failed) is refused everything.
        {"", true, true, {false, false, false, false, false, false, false}},
        {"administrator", true, true, {false, false, false, false, false, false, false}},
    };
    for (const RightsCase& c : cases) {
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(AccessRights::Allows(QLatin1String(c.level), kCommands[i], c.browseExtract,
                                           c.editDelete),
                      c.allowed[i])
                << c.level << " extract=" << c.browseExtract << " delete=" << c.editDelete
                << " command " << i;
        }
    }

    ConfigRow config;
    config.BrowseExtract = true;
    EXPECT_TRUE(AccessRights::Allows(AccessRights::kBrowser, Command::Extract, config));
    config.BrowseExtract = false;
    EXPECT_FALSE(AccessRights::Allows(AccessRights::kBrowser, Command::Extract, config));
}

TEST(AccessRights, ControlStatesFollowTheLevel)
{
    using States = AccessRights::ControlStates;
    // {locked, file date, extract submenu, delete submenu}
    EXPECT_EQ(AccessRights::ControlStatesFor(AccessRights::kBrowser, false, true),
              (States{true, false, false, false}));
    EXPECT_EQ(AccessRights::ControlStatesFor(AccessRights::kBrowser, true, true),
              (States{true, false, true, false}));
    EXPECT_EQ(AccessRights::ControlStatesFor(AccessRights::kEditor, false, false),
              (States{false, true, true, false}));
    EXPECT_EQ(AccessRights::ControlStatesFor(AccessRights::kEditor, false, true),
              (States{false, true, true, true}));
    // EditDelete concerns editors only.
    EXPECT_EQ(AccessRights::ControlStatesFor(AccessRights::kAdministrator, false, false),
              (States{false, true, true, true}));
    EXPECT_EQ(AccessRights::ControlStatesFor(QString(), true, true),
              (States{true, false, false, false}));

    ConfigRow config;
    config.EditDelete = true;
    EXPECT_TRUE(AccessRights::ControlStatesFor(AccessRights::kEditor, config).DeleteMenuEnabled);
}

TEST(AccessRights, DeniedLevelLineNamesTheLevel)
{
    EXPECT_EQ(AccessRights::DeniedLevelText(QStringLiteral("Browser")),
              QStringLiteral("You are currently logged in as a Browser"));
}
