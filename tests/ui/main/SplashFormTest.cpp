#include "ui/QtPrinters.h"
#include "ui/main/SplashForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace zentaro;

TEST(SplashForm, ShowsTheVersionAndCentresOnTheScreen)
{
    SplashForm splash(QStringLiteral("2.1"));
    auto* label = splash.findChild<QLabel*>(QStringLiteral("lblVersion"));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->text().endsWith(QStringLiteral("2.1")));
    EXPECT_EQ(splash.versionText(), label->text());

    splash.show();
    splash.centreOnScreen();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(splash.frameGeometry().left(), screen.left() + (screen.width() - splash.frameGeometry().width()) / 2);
    EXPECT_EQ(splash.frameGeometry().top(), screen.top() + (screen.height() - splash.frameGeometry().height()) / 2);
}

TEST(SplashForm, TimersAreOffUntilStartedAndFireOnce)
{
    SplashForm splash(QStringLiteral("2.1"));
    QSignalSpy load(&splash, &SplashForm::loadMainWindowDue);
    QSignalSpy close(&splash, &SplashForm::closeDue);
    EXPECT_FALSE(splash.mainFormTimerActive());
    EXPECT_FALSE(splash.timer1Active());

    auto* timer1 = splash.findChild<QTimer*>(QStringLiteral("Timer1"));
    ASSERT_NE(timer1, nullptr);
    EXPECT_EQ(timer1->interval(), 2000);
    EXPECT_TRUE(timer1->isSingleShot());

    QElapsedTimer clock;
    clock.start();
    splash.startMainFormTimer();
    EXPECT_TRUE(load.wait(3000));
    EXPECT_GE(clock.elapsed(), 450);
    QTest::qWait(600);
    EXPECT_EQ(load.count(), 1);
    EXPECT_EQ(close.count(), 0);
    EXPECT_FALSE(splash.mainFormTimerActive());

    splash.startTimer1();
    EXPECT_TRUE(splash.timer1Active());
}

TEST(SplashForm, ClosingStopsTheTimersAndGivesTheNormalPointerBack)
{
    SplashForm splash(QStringLiteral("2.1"));
    QSignalSpy load(&splash, &SplashForm::loadMainWindowDue);
    splash.show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    splash.startMainFormTimer();
    splash.close();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::qWait(700);
    EXPECT_EQ(load.count(), 0);
}

TEST(SplashForm, StepsAsideWhileADialogIsUpAndComesBackAfterTheLast)
{
    SplashForm splash(QStringLiteral("2.1"));
    splash.show();
    QMessageBox notice(QMessageBox::Warning, QStringLiteral("ZNT Notice"),
                       QStringLiteral("This Library is READ-ONLY.  Changes will not be saved."), QMessageBox::Ok,
                       &splash);
    notice.show();
    EXPECT_FALSE(splash.isVisible());
    EXPECT_TRUE(splash.givingWay());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &notice; }, 2000));

    // A dialog following at once finds the splash still out of the way.
    notice.hide();
    QMessageBox next(QMessageBox::Critical, QStringLiteral("ZNT ERROR"), QStringLiteral("Second"));
    next.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &next; }, 2000));
    EXPECT_FALSE(splash.isVisible());

    next.hide();
    EXPECT_TRUE(QTest::qWaitFor([&] { return splash.isVisible(); }, 2000));
    EXPECT_FALSE(splash.givingWay());
}
