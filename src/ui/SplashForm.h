#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QTimer;

namespace zentaro {

// The window shown while the program starts. It only paints itself and
// keeps the two start-up timers; the start-up code decides what their
// ticks do. Both timers are off when the window is created and fire once.
class SplashForm : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMainFormTimerMs = 500;
    static constexpr int kTimer1Ms = 2000;

    explicit SplashForm(const QString& programVersion, QWidget* parent = nullptr);

    // left = whole part of (screen width - window width) / 2, top likewise.
    void centreOnScreen();

    // MainFormTimer: loadMainWindowDue() once, 500 ms after this call.
    void startMainFormTimer();
    // Timer1: closeDue() once, 2000 ms after this call.
    void startTimer1();

    bool mainFormTimerActive() const;
    bool timer1Active() const;
    QString versionText() const;

Q_SIGNALS:
    void loadMainWindowDue();
    void closeDue();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_lblVersion = nullptr;
    QTimer* m_mainFormTimer = nullptr;
    QTimer* m_timer1 = nullptr;
};

} // namespace zentaro
