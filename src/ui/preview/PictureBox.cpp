#include "ui/preview/PictureBox.h"

#include <QPainter>

namespace zentaro {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Imagebox"));
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureBox::clearPicture()
{
    m_picture = QImage();
    update();
}

void PictureBox::setPicture(const QImage& picture, const QPoint& at)
{
    m_picture = picture;
    m_at = at;
    update();
}

QRect PictureBox::drawnRect() const
{
    return m_picture.isNull() ? QRect() : QRect(m_at, m_picture.size());
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (!m_picture.isNull())
        painter.drawImage(m_at, m_picture);
}

} // namespace zentaro
