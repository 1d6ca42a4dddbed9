#include "ui/common/MousePointer.h"

#include <QApplication>
#include <QCursor>

namespace zentaro {

void MousePointer::setWait()
{
    set(Qt::WaitCursor);
}

void MousePointer::setArrowWait()
{
    set(Qt::BusyCursor);
}

void MousePointer::set(Qt::CursorShape shape)
{
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(QCursor(shape));
    else
        QApplication::setOverrideCursor(QCursor(shape));
}

void MousePointer::restoreDefault()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

Qt::CursorShape MousePointer::current()
{
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::ArrowCursor;
}

} // namespace zentaro
