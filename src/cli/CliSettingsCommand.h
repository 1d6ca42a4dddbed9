#pragma once

#include "core/SettingsRecord.h"

#include <QJsonObject>
#include <QStringList>

namespace zentaro {

struct CliContext;

// "znt settings": the local settings file beside the program as the
// program reads it, one field a line by its name, or as JSON.
class CliSettingsCommand
{
public:
    static int run(CliContext& context);

    // Every field in file order: "Name: value"; colours as 0x00BBGGRR.
    static QStringList textLines(const SettingsRecord& settings);
    // Every field by its name; lists for ColumnFields and ColumnWidths.
    static QJsonObject json(const SettingsRecord& settings);
};

} // namespace zentaro
