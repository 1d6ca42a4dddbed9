#include "ui/ModalDriver.h"

#include "ui/QtPrinters.h"
#include "ui/common/MessageBoxes.h"
#include "ui/common/MessageRecorder.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace zentaro;
using zentaro::test::ModalDriver;

TEST(MessageBoxes, RecorderSeesEveryBoxAndGivesTheChosenAnswers)
{
    MessageRecorder recorder;
    recorder.queueAnswer(MessageAnswer::No);

    EXPECT_FALSE(MessageBoxes::askYesNo(nullptr, QStringLiteral("ZNT Notice"), QStringLiteral("Delete?")));
    // Queue used up: the default button answers.
    EXPECT_TRUE(MessageBoxes::askYesNo(nullptr, QStringLiteral("ZNT Notice"), QStringLiteral("Again?")));
    MessageBoxes::exclamation(nullptr, QStringLiteral("ZNT Login Failure"),
                              QStringLiteral("Invalid Password - Try Again"));
    recorder.setFixedAnswer(MessageAnswer::Cancel);
    EXPECT_EQ(MessageBoxes::show(nullptr, MessageIcon::Information, QStringLiteral("T"), QStringLiteral("x"),
                                 MessageButtons::OkCancel),
              MessageAnswer::Cancel);

    ASSERT_EQ(recorder.count(), 4);
    EXPECT_EQ(recorder.records()[0].icon, MessageIcon::Question);
    EXPECT_EQ(recorder.records()[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(recorder.records()[1].text, QStringLiteral("Again?"));
    EXPECT_EQ(recorder.records()[2].icon, MessageIcon::Exclamation);
    EXPECT_EQ(recorder.records()[2].title, QStringLiteral("ZNT Login Failure"));
    EXPECT_EQ(recorder.records()[2].text, QStringLiteral("Invalid Password - Try Again"));
    EXPECT_EQ(recorder.last().buttons, MessageButtons::OkCancel);
}

TEST(MessageBoxes, ShowFailureShowsOnlyFailuresWithTheirMessage)
{
    MessageRecorder recorder;
    EXPECT_FALSE(MessageBoxes::showFailure(nullptr, Status::success(), QStringLiteral("ZNT ERROR")));
    EXPECT_EQ(recorder.count(), 0);

    const Status failure = Status::failure(ErrorCode::InUse, QStringLiteral("The file is in use."));
    EXPECT_TRUE(MessageBoxes::showFailure(nullptr, failure, QStringLiteral("ZNT ERROR")));
    EXPECT_TRUE(MessageBoxes::showFailure(nullptr, failure, QStringLiteral("ZNT Notice"), MessageIcon::Exclamation));
    ASSERT_EQ(recorder.count(), 2);
    EXPECT_EQ(recorder.records()[0].icon, MessageIcon::Critical);
    EXPECT_EQ(recorder.records()[0].title, QStringLiteral("ZNT ERROR"));
    EXPECT_EQ(recorder.records()[0].text, QStringLiteral("The file is in use."));
    EXPECT_EQ(recorder.records()[1].icon, MessageIcon::Exclamation);
}

TEST(MessageBoxes, NestedRecordersRestoreTheOuterOne)
{
    EXPECT_FALSE(MessageBoxes::hasAnswerer());
    {
        MessageRecorder outer;
        {
            MessageRecorder inner;
            MessageBoxes::information(nullptr, QStringLiteral("a"), QStringLiteral("inner"));
            EXPECT_EQ(inner.count(), 1);
        }
        MessageBoxes::information(nullptr, QStringLiteral("b"), QStringLiteral("outer"));
        ASSERT_EQ(outer.count(), 1);
        EXPECT_EQ(outer.last().text, QStringLiteral("outer"));
    }
    EXPECT_FALSE(MessageBoxes::hasAnswerer());
}

TEST(MessageBoxes, RealBoxCarriesIconTitleTextAndMapsTheButtons)
{
    ASSERT_FALSE(MessageBoxes::hasAnswerer());
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttonCount = 0;
    ModalDriver<QMessageBox> driver([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttonCount = int(box->buttons().size());
        box->button(QMessageBox::No)->click();
    });
    const MessageAnswer answer =
        MessageBoxes::show(nullptr, MessageIcon::Exclamation, QStringLiteral("ZNT Reminder"),
                           QStringLiteral("first\r\n\r\nsecond"), MessageButtons::YesNo);
    ASSERT_TRUE(driver.ran());
    EXPECT_EQ(answer, MessageAnswer::No);
    EXPECT_EQ(title, QStringLiteral("ZNT Reminder"));
    EXPECT_EQ(icon, QMessageBox::Warning);
    // Line breaks shown as line breaks, not as stray carriage returns.
    EXPECT_EQ(text, QStringLiteral("first\n\nsecond"));
    EXPECT_EQ(buttonCount, 2);
}

TEST(MessageBoxes, RealBoxClosedWithEscapeGivesTheEscapeAnswer)
{
    ModalDriver<QMessageBox> driver([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    const MessageAnswer answer = MessageBoxes::show(nullptr, MessageIcon::Question, QStringLiteral("Q"),
                                                    QStringLiteral("?"), MessageButtons::YesNoCancel);
    ASSERT_TRUE(driver.ran());
    EXPECT_EQ(answer, MessageAnswer::Cancel);
}

// The question about a file in the way: its own buttons, Keep Both on Enter,
// and in a run the check box that makes the answer one for all.
TEST(MessageBoxes, RealConflictBoxOffersItsAnswersAndForAllOnlyInARun)
{
    QStringList captions;
    QString defaultCaption;
    bool single = true;
    ModalDriver<QMessageBox> driver([&](QMessageBox* box) {
        for (QAbstractButton* button : box->buttons())
            captions << button->text();
        defaultCaption = box->defaultButton() ? box->defaultButton()->text() : QString();
        single = box->checkBox() == nullptr;
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == QStringLiteral("&Skip"))
                button->click();
        }
    });
    EXPECT_EQ(MessageBoxes::show(nullptr, MessageIcon::Exclamation, QStringLiteral("Q"), QStringLiteral("?"),
                                 MessageButtons::ReplaceKeepBothSkipCancel),
              MessageAnswer::Skip);
    ASSERT_TRUE(driver.ran());
    EXPECT_TRUE(single);
    EXPECT_EQ(captions.size(), 4);
    for (const char* caption : {"&Replace", "&Keep Both", "&Skip"})
        EXPECT_TRUE(captions.contains(QLatin1String(caption))) << caption;
    EXPECT_EQ(defaultCaption, QStringLiteral("&Keep Both"));

    QString checkText;
    ModalDriver<QMessageBox> forAll([&](QMessageBox* box) {
        ASSERT_TRUE(box->checkBox());
        checkText = box->checkBox()->text();
        box->checkBox()->setChecked(true);
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == QStringLiteral("&Replace"))
                button->click();
        }
    });
    EXPECT_EQ(MessageBoxes::show(nullptr, MessageIcon::Exclamation, QStringLiteral("Q"), QStringLiteral("?"),
                                 MessageButtons::ReplaceKeepBothSkipCancelForAll),
              MessageAnswer::ReplaceForAll);
    ASSERT_TRUE(forAll.ran());
    EXPECT_EQ(checkText, QStringLiteral("Apply to all remaining conflicts"));

    ModalDriver<QMessageBox> escape([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(MessageBoxes::show(nullptr, MessageIcon::Exclamation, QStringLiteral("Q"), QStringLiteral("?"),
                                 MessageButtons::ReplaceKeepBothSkipCancelForAll),
              MessageAnswer::Cancel);
}
