#pragma once

#include <QFrame>

namespace zentaro {

// A plain container that reports its size changes, so the owner can place
// its children by the layout rules (the splitter's panes, the form area).
class ResizePanel : public QFrame
{
    Q_OBJECT

public:
    explicit ResizePanel(const QString& name, QWidget* parent = nullptr);

Q_SIGNALS:
    void resized();

protected:
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace zentaro
