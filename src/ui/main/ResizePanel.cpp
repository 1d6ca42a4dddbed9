#include "ui/main/ResizePanel.h"

#include <QResizeEvent>

namespace zentaro {

ResizePanel::ResizePanel(const QString& name, QWidget* parent) : QFrame(parent)
{
    setObjectName(name);
}

void ResizePanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    Q_EMIT resized();
}

} // namespace zentaro
