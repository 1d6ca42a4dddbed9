#pragma once

#include <QImage>
#include <QWidget>

namespace zentaro {

// Imagebox, the picture area: draws one picture at a given place and its own
// size; what does not fit is cut off.
class PictureBox : public QWidget
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    void clearPicture();
    void setPicture(const QImage& picture, const QPoint& at);
    const QImage& picture() const { return m_picture; }
    // Where the picture is drawn, empty when there is none.
    QRect drawnRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    QPoint m_at;
};

} // namespace zentaro
