#pragma once

#include <Qt>

namespace zentaro {

// The program-wide mouse pointer as one setting, not a stack: setting it
// replaces the previous shape, and restoreDefault() always gives the normal
// arrow back, however many times it was set.
class MousePointer
{
public:
    // The hourglass: busy, nothing to press.
    static void setWait();
    // The arrow with hourglass: busy, but Cancel can be pressed.
    static void setArrowWait();
    static void set(Qt::CursorShape shape);
    static void restoreDefault();
    // The shape in force, or Qt::ArrowCursor when none is set.
    static Qt::CursorShape current();
};

} // namespace zentaro
