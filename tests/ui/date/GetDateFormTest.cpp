#include "ui/ModalDriver.h"

#include "ui/date/GetDateForm.h"

#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace zentaro;
using zentaro::test::ModalDriver;

namespace {

void click(GetDateForm* form, const char* name)
{
    auto* button = form->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_TRUE(button) << name;
    button->click();
}

} // namespace

TEST(GetDateForm, HasItsCaptionButtonsAndTooltip)
{
    GetDateForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Date Selector"));
    EXPECT_EQ(form.calendar()->objectName(), QStringLiteral("Calendar1"));
    const std::pair<const char*, const char*> buttons[] = {
        {"PreviousYearButton", "Previous Year"}, {"PreviousMonthButton", "Previous Month"},
        {"NextMonthButton", "Next Month"},       {"NextYearButton", "Next Year"},
        {"TodayButton", "Today"},                {"OKButton", "OK"},
        {"CancelButton", "Cancel"}};
    for (const auto& [name, caption] : buttons) {
        auto* button = form.findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_TRUE(button) << name;
        EXPECT_EQ(button->text(), QString::fromLatin1(caption));
    }
    EXPECT_EQ(form.findChild<QPushButton*>(QStringLiteral("TodayButton"))->toolTip(),
              QStringLiteral("Resets to Todays Date"));
}

TEST(GetDateForm, MovesByMonthsAndYearsAndTodayResets)
{
    GetDateForm form;
    const QDate today = QDate::currentDate();
    EXPECT_EQ(form.selectedDate(), today);
    click(&form, "NextMonthButton");
    EXPECT_EQ(form.selectedDate(), today.addMonths(1));
    click(&form, "NextYearButton");
    EXPECT_EQ(form.selectedDate(), today.addMonths(1).addYears(1));
    click(&form, "PreviousYearButton");
    click(&form, "PreviousYearButton");
    click(&form, "PreviousMonthButton");
    click(&form, "PreviousMonthButton");
    EXPECT_EQ(form.selectedDate(), today.addMonths(1).addYears(1).addYears(-2).addMonths(-2));
    click(&form, "TodayButton");
    EXPECT_EQ(form.selectedDate(), today);
}

TEST(GetDateForm, OkReturnsTheDayAndOpensOnTodayEveryTime)
{
    const QDate today = QDate::currentDate();
    QDate seenOnOpening;
    {
        ModalDriver<GetDateForm> driver([&](GetDateForm* form) {
            seenOnOpening = form->selectedDate();
            click(form, "NextYearButton");
            click(form, "OKButton");
        });
        EXPECT_EQ(GetDateForm::pick(nullptr), today.addYears(1));
        EXPECT_TRUE(driver.ran());
    }
    EXPECT_EQ(seenOnOpening, today);
    {
        // The second opening forgets what the first one chose.
        ModalDriver<GetDateForm> driver([&](GetDateForm* form) {
            seenOnOpening = form->selectedDate();
            click(form, "OKButton");
        });
        EXPECT_EQ(GetDateForm::pick(nullptr), today);
    }
    EXPECT_EQ(seenOnOpening, today);
}

TEST(GetDateForm, CancelReturnsNothing)
{
    ModalDriver<GetDateForm> driver([&](GetDateForm* form) {
        click(form, "NextMonthButton");
        click(form, "CancelButton");
    });
    EXPECT_EQ(GetDateForm::pick(nullptr), std::nullopt);
    EXPECT_TRUE(driver.ran());
}

TEST(GetDateForm, DoubleClickOnADayReturnsThatDay)
{
    QDate clicked;
    ModalDriver<GetDateForm> driver([&](GetDateForm* form) {
        auto* days = form->calendar()->findChild<QTableView*>();
        ASSERT_TRUE(days);
        // A day cell of the middle week that is not the selected one.
        const QModelIndex cell = days->model()->index(3, 3);
        const QModelIndex other = days->model()->index(4, 5);
        const QModelIndex target = cell.data().toInt() == form->selectedDate().day() ? other : cell;
        const QPoint at = days->visualRect(target).center();
        QTest::mouseClick(days->viewport(), Qt::LeftButton, {}, at);
        clicked = form->selectedDate();
        QTest::mouseDClick(days->viewport(), Qt::LeftButton, {}, at);
    });
    const std::optional<QDate> picked = GetDateForm::pick(nullptr);
    ASSERT_TRUE(driver.ran());
    ASSERT_TRUE(picked.has_value());
    EXPECT_EQ(*picked, clicked);
    EXPECT_NE(clicked, QDate::currentDate());
}
