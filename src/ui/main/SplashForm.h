#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class QDialog;
class QLabel;
class QTimer;

namespace zentaro {

// The window shown while the program starts. It only paints itself and
// keeps the two start-up timers; the start-up code decides what their
// ticks do. Both timers are off when the window is created and fire once.
// It stays on top, so it steps aside while any dialog is up (the login, a
// message) and comes back when the last one has gone.
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
    // Whether the splash has stepped aside for a dialog that is up.
    bool givingWay() const { return m_steppedAside; }

Q_SIGNALS:
    void loadMainWindowDue();
    void closeDue();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void dialogShown(QDialog* dialog);
    void dialogHidden(QDialog* dialog);
    void comeBack();

    QList<QPointer<QDialog>> m_dialogs;
    bool m_steppedAside = false;
    bool m_closed = false;
    QLabel* m_lblVersion = nullptr;
    QTimer* m_mainFormTimer = nullptr;
    QTimer* m_timer1 = nullptr;
};

} // namespace zentaro
