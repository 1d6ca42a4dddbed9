#include "ui/main/SplashForm.h"

#include "ui/common/MousePointer.h"
#include "ui/common/ScreenMetrics.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>

namespace zentaro {

namespace {
// Window size in twips.
constexpr double kWidthTwips = 6480;
constexpr double kHeightTwips = 3600;
} // namespace

SplashForm::SplashForm(const QString& programVersion, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashForm"));
    setWindowTitle(QStringLiteral("Zentaro"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(ScreenMetrics::toPixelsX(kWidthTwips), ScreenMetrics::toPixelsY(kHeightTwips));

    m_lblVersion = new QLabel(this);
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));
    m_lblVersion->setText(QStringLiteral("Version %1").arg(programVersion));
    m_lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette pal = m_lblVersion->palette();
    pal.setColor(QPalette::WindowText, QColor(0xdd, 0xe6, 0xf0));
    m_lblVersion->setPalette(pal);
    const int margin = ScreenMetrics::toPixelsX(240);
    m_lblVersion->setGeometry(width() / 2, height() - margin - ScreenMetrics::toPixelsY(300),
                              width() / 2 - margin, ScreenMetrics::toPixelsY(300));

    m_mainFormTimer = new QTimer(this);
    m_mainFormTimer->setObjectName(QStringLiteral("MainFormTimer"));
    m_mainFormTimer->setSingleShot(true);
    m_mainFormTimer->setInterval(kMainFormTimerMs);
    connect(m_mainFormTimer, &QTimer::timeout, this, &SplashForm::loadMainWindowDue);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setSingleShot(true);
    m_timer1->setInterval(kTimer1Ms);
    connect(m_timer1, &QTimer::timeout, this, &SplashForm::closeDue);

    // Every dialog of the program passes here while the splash is up.
    QApplication::instance()->installEventFilter(this);
}

void SplashForm::centreOnScreen()
{
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize frame = frameGeometry().size();
    move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
}

void SplashForm::startMainFormTimer()
{
    m_mainFormTimer->start();
}

void SplashForm::startTimer1()
{
    m_timer1->start();
}

bool SplashForm::mainFormTimerActive() const
{
    return m_mainFormTimer->isActive();
}

bool SplashForm::timer1Active() const
{
    return m_timer1->isActive();
}

QString SplashForm::versionText() const
{
    return m_lblVersion->text();
}

void SplashForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all = rect();

    QLinearGradient sky(all.topLeft(), all.bottomRight());
    sky.setColorAt(0.0, QColor(0x1c, 0x3d, 0x5e));
    sky.setColorAt(1.0, QColor(0x0b, 0x1a, 0x2b));
    p.fillRect(all, sky);

    // The emblem: a stack of three cards, the top one carrying a Z.
    const double unit = height() / 12.0;
    const QPointF origin(unit * 1.6, unit * 3.2);
    const QSizeF card(unit * 3.6, unit * 4.6);
    const QColor cardColors[] = {QColor(0x3f, 0x7c, 0xb0), QColor(0x5d, 0x9c, 0xd0), QColor(0xf2, 0xf5, 0xf8)};
    for (int i = 0; i < 3; ++i) {
        const QRectF r(origin + QPointF(unit * 0.45 * i, -unit * 0.45 * i), card);
        p.setPen(QPen(QColor(0x0b, 0x1a, 0x2b), unit * 0.06));
        p.setBrush(cardColors[i]);
        p.drawRoundedRect(r, unit * 0.35, unit * 0.35);
    }
    const QRectF top(origin + QPointF(unit * 0.9, -unit * 0.9), card);
    QFont emblemFont = font();
    emblemFont.setBold(true);
    emblemFont.setPixelSize(int(unit * 3.4));
    p.setFont(emblemFont);
    p.setPen(QColor(0x1c, 0x3d, 0x5e));
    p.drawText(top, Qt::AlignCenter, QStringLiteral("Z"));

    // The name beside it.
    const QRectF nameArea(unit * 7.2, unit * 2.6, width() - unit * 7.8, unit * 4.0);
    QFont nameFont = font();
    nameFont.setPixelSize(int(unit * 2.4));
    nameFont.setBold(true);
    nameFont.setLetterSpacing(QFont::PercentageSpacing, 104);
    p.setFont(nameFont);
    p.setPen(QColor(0xf2, 0xf5, 0xf8));
    p.drawText(nameArea, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Zentaro"));

    p.setPen(QPen(QColor(0x5d, 0x9c, 0xd0), unit * 0.08));
    p.drawLine(QPointF(unit * 7.3, unit * 6.9), QPointF(width() - unit * 0.8, unit * 6.9));

    p.setPen(QPen(QColor(0x3f, 0x7c, 0xb0), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all.adjusted(0.5, 0.5, -0.5, -0.5));
}

void SplashForm::closeEvent(QCloseEvent* event)
{
    m_closed = true;
    m_dialogs.clear();
    m_mainFormTimer->stop();
    m_timer1->stop();
    // Closing the splash ends the start-up wait.
    MousePointer::restoreDefault();
    event->accept();
}

bool SplashForm::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide) && !event->spontaneous() && watched->isWidgetType()) {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog && dialog->isWindow()) {
            if (type == QEvent::Show)
                dialogShown(dialog);
            else
                dialogHidden(dialog);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SplashForm::dialogShown(QDialog* dialog)
{
    if (m_closed || m_dialogs.contains(dialog) || (!isVisible() && !m_steppedAside))
        return;
    m_dialogs.append(dialog);
    // A dialog deleted while up says nothing else.
    connect(dialog, &QObject::destroyed, this, &SplashForm::comeBack, Qt::QueuedConnection);
    // Staying on top, the splash would hide the very question start-up waits on.
    if (isVisible()) {
        m_steppedAside = true;
        hide();
    }
    // Brought forward once the window system has it on screen.
    QTimer::singleShot(0, dialog, [dialog] {
        if (dialog->isVisible()) {
            dialog->raise();
            dialog->activateWindow();
        }
    });
}

void SplashForm::dialogHidden(QDialog* dialog)
{
    if (!m_dialogs.removeAll(dialog) || !m_dialogs.isEmpty())
        return;
    // Later, so that a dialog following at once finds the splash still aside.
    QTimer::singleShot(0, this, &SplashForm::comeBack);
}

void SplashForm::comeBack()
{
    m_dialogs.removeAll(QPointer<QDialog>());
    if (m_closed || !m_steppedAside || !m_dialogs.isEmpty())
        return;
    m_steppedAside = false;
    show();
    raise();
}

} // namespace zentaro
