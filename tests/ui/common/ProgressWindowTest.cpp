#include "core/ProgramState.h"
#include "ui/QtPrinters.h"
#include "ui/common/MGCForm.h"
#include "ui/common/MGForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace zentaro;

namespace {

// Counts the paint events a widget really receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

Qt::CursorShape pointer()
{
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::ArrowCursor;
}

} // namespace

TEST(ProgressWindows, StartAsDescribed)
{
    MGForm plain;
    MGCForm withCancel;
    for (ProgressWindow* window : {static_cast<ProgressWindow*>(&plain), static_cast<ProgressWindow*>(&withCancel)}) {
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Zentaro"));
        EXPECT_EQ(window->text(), QStringLiteral("Working..."));
        EXPECT_EQ(window->percent(), 0);
    }
    EXPECT_EQ(plain.findChild<QPushButton*>(), nullptr);
    ASSERT_NE(withCancel.cancelButton(), nullptr);
    EXPECT_EQ(withCancel.cancelButton()->text(), QStringLiteral("Cancel"));
}

TEST(ProgressWindows, BarIsRepaintedOnlyWhenTheWholePercentChanges)
{
    MGForm form;
    form.showNow();
    auto* bar = form.findChild<QProgressBar*>();
    ASSERT_NE(bar, nullptr);
    PaintCounter paints(bar);
    const int before = form.barRepaintCount();

    // A 1000-chunk file reported after every chunk, as the transfer loops do.
    Progress& progress = form;
    const int chunks = 1000;
    for (int i = 1; i <= chunks; ++i)
        progress.setPercent(int(qint64(i) * 100 / chunks));

    EXPECT_EQ(form.barRepaintCount() - before, 100);
    EXPECT_EQ(paints.count, 100);
    EXPECT_EQ(bar->value(), 100);
    EXPECT_EQ(form.percent(), 100);

    // Out-of-range reports are held to the bar's range.
    progress.setPercent(250);
    EXPECT_EQ(form.percent(), 100);
    progress.setPercent(-5);
    EXPECT_EQ(bar->value(), 0);
}

TEST(ProgressWindows, MessageLineShowsTheText)
{
    MGCForm form;
    form.showNow();
    form.setText(QStringLiteral("Extracting File..."));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("MessageLabel"))->text(), QStringLiteral("Extracting File..."));
    form.close();
}

TEST(ProgressWindows, PointerWhileOpenAndNormalAfterClosing)
{
    {
        MGForm form;
        form.showNow();
        EXPECT_EQ(pointer(), Qt::WaitCursor);
        form.close();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    {
        MGCForm form;
        form.showNow();
        EXPECT_EQ(pointer(), Qt::BusyCursor);
    }
    // Destroyed while open: the pointer comes back too.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(ProgressWindows, OpeningResetsTheBarAndReusesTheWindow)
{
    MGForm form;
    form.showNow();
    form.setPercent(60);
    form.close();
    EXPECT_FALSE(form.isVisible());
    form.showNow();
    EXPECT_EQ(form.percent(), 0);
    EXPECT_TRUE(form.isVisible());
    form.close();
}

TEST(ProgressWindows, PlainWindowCannotBeClosedByTheUser)
{
    MGForm form;
    form.showNow();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.cancelRequested());
    form.close();
    EXPECT_FALSE(form.isVisible());
}

TEST(ProgressWindows, CancelSetsBothFlagsAndClosesTheWindow)
{
    ProgramState state(QStringLiteral("/nonexistent/program"));
    ASSERT_FALSE(state.CancelRequested);
    MGCForm form(nullptr, &state);
    form.showNow();
    EXPECT_FALSE(form.cancelRequested());

    QTest::mouseClick(form.cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(form.cancelRequested());
    EXPECT_TRUE(state.CancelRequested);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(ProgressWindows, EscapeOnTheCancelWindowCancelsWithoutAState)
{
    MGCForm form;
    form.showNow();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.cancelRequested());
    EXPECT_FALSE(form.isVisible());
}

TEST(ProgressWindows, CancelClickIsSeenByALongLoopOnTheUiThread)
{
    ProgramState state(QStringLiteral("/nonexistent/program"));
    MGCForm form(nullptr, &state);
    form.showNow();
    // The click arrives as a queued event while the loop below never returns to the event loop.
    QTimer::singleShot(100, form.cancelButton(), [&form] { QTest::mouseClick(form.cancelButton(), Qt::LeftButton); });

    QElapsedTimer clock;
    clock.start();
    int chunks = 0;
    const Progress& progress = form;
    while (!progress.cancelRequested() && clock.elapsed() < 5000) {
        QThread::msleep(2);
        ++chunks;
        form.setPercent(chunks % 101);
    }
    EXPECT_LT(clock.elapsed(), 5000) << "the Cancel click never reached the loop";
    EXPECT_TRUE(state.CancelRequested);
    EXPECT_GT(chunks, 0);
}
