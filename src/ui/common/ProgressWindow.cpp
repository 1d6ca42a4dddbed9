#include "ui/common/ProgressWindow.h"

#include "ui/common/MousePointer.h"
#include "ui/common/ScreenMetrics.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace zentaro {

ProgressWindow::ProgressWindow(QWidget* parent, Qt::CursorShape busyPointer)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_busyPointer(busyPointer)
{
    setWindowTitle(QStringLiteral("Zentaro"));
    setModal(false);

    m_message = new QLabel(QString::fromLatin1(kInitialText), this);
    m_message->setObjectName(QStringLiteral("MessageLabel"));
    m_message->setMinimumWidth(ScreenMetrics::toPixelsX(4320, this));

    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressBar"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(true);

    m_buttonRow = new QHBoxLayout;
    m_buttonRow->addWidget(m_bar, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_message);
    layout->addLayout(m_buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

ProgressWindow::~ProgressWindow()
{
    releasePointer();
}

void ProgressWindow::setText(const QString& text)
{
    if (m_message->text() == text)
        return;
    m_message->setText(text);
    if (isVisible())
        m_message->repaint();
}

void ProgressWindow::setPercent(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == m_percent)
        return;
    m_percent = percent;
    // The bar redraws itself at once when its shown percentage changes.
    m_bar->setValue(percent);
    ++m_barRepaints;
}

void ProgressWindow::setBarVisible(bool visible)
{
    m_bar->setVisible(visible);
}

bool ProgressWindow::barVisible() const
{
    return !m_bar->isHidden();
}

bool ProgressWindow::cancelRequested() const
{
    QCoreApplication::processEvents();
    return cancelled();
}

void ProgressWindow::showNow()
{
    show();
    raise();
    QCoreApplication::processEvents();
}

QString ProgressWindow::text() const
{
    return m_message->text();
}

void ProgressWindow::centreOnScreen()
{
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    adjustSize();
    const QRect area = screen->geometry();
    const QSize frame = frameGeometry().size();
    move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
}

void ProgressWindow::releasePointer()
{
    if (!m_pointerSet)
        return;
    m_pointerSet = false;
    MousePointer::restoreDefault();
}

void ProgressWindow::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        MousePointer::set(m_busyPointer);
        m_pointerSet = true;
        setPercent(0);
        centreOnScreen();
    }
    QDialog::showEvent(event);
}

void ProgressWindow::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        releasePointer();
    QDialog::hideEvent(event);
}

void ProgressWindow::closeEvent(QCloseEvent* event)
{
    // Only the work that opened the window closes it.
    if (event->spontaneous() && !cancelled()) {
        event->ignore();
        return;
    }
    // Not QDialog's: that would route through reject(), which does nothing here.
    QWidget::closeEvent(event);
}

void ProgressWindow::reject()
{
    // Esc does not close a window whose work cannot be stopped.
}

} // namespace zentaro
