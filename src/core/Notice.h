#pragma once

#include <QString>

namespace zentaro {

// How a message from the logic is to be shown; the windows map it to a box
// with that icon, the command-line tool to a line on standard error.
enum class NoticeIcon { Plain, Information, Exclamation, Critical, Question };

struct Notice
{
    NoticeIcon icon = NoticeIcon::Plain;
    QString title;
    QString text;
};

} // namespace zentaro
