#include "ui/ModalDriver.h"

#include "ui/QtPrinters.h"
#include "ui/security/LoginForm.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

using namespace zentaro;
using zentaro::test::ModalDriver;

TEST(LoginForm, LooksAsDescribed)
{
    LoginForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("ZNT Login"));
    auto* panel = form.findChild<QGroupBox*>();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->title(), QStringLiteral("Library Access"));

    QComboBox* levels = form.loginTypeCombo();
    ASSERT_EQ(levels->count(), 3);
    EXPECT_EQ(levels->itemText(0), QStringLiteral("Browser"));
    EXPECT_EQ(levels->itemText(1), QStringLiteral("Editor"));
    EXPECT_EQ(levels->itemText(2), QStringLiteral("Administrator"));
    EXPECT_EQ(levels->currentIndex(), 0);

    QLineEdit* password = form.passwordBox();
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, password), int('*'));
    EXPECT_EQ(password->toolTip(),
              QStringLiteral("Type your password here (use the UP and DOWN arrow to change LOGIN AS box)"));
    EXPECT_NE(form.findChild<QPushButton*>(QStringLiteral("LoginButton")), nullptr);
    EXPECT_NE(form.findChild<QPushButton*>(QStringLiteral("CancelButton")), nullptr);
}

TEST(LoginForm, ArrowKeysCycleTheLevelWhereverTheFocusIs)
{
    LoginForm form;
    form.show();
    QComboBox* levels = form.loginTypeCombo();
    auto* loginButton = form.findChild<QPushButton*>(QStringLiteral("LoginButton"));

    QTest::keyClick(form.passwordBox(), Qt::Key_Down);
    EXPECT_EQ(levels->currentText(), QStringLiteral("Editor"));
    QTest::keyClick(form.passwordBox(), Qt::Key_Down);
    EXPECT_EQ(levels->currentText(), QStringLiteral("Administrator"));
    // Down on the last wraps to the first, also with the focus on the drop-down itself.
    QTest::keyClick(levels, Qt::Key_Down);
    EXPECT_EQ(levels->currentText(), QStringLiteral("Browser"));
    // Up on the first wraps to the last, also from a button.
    QTest::keyClick(loginButton, Qt::Key_Up);
    EXPECT_EQ(levels->currentText(), QStringLiteral("Administrator"));
    QTest::keyClick(&form, Qt::Key_Up);
    EXPECT_EQ(levels->currentText(), QStringLiteral("Editor"));
    // The arrows never reach the password as text.
    EXPECT_TRUE(form.passwordBox()->text().isEmpty());
}

TEST(LoginForm, AskReturnsTheLevelAndTheTrimmedCapitalisedPassword)
{
    ModalDriver<LoginForm> driver([](LoginForm* form) {
        QTest::keyClicks(form->passwordBox(), QStringLiteral("  Open Sesame  "));
        QTest::keyClick(form->passwordBox(), Qt::Key_Down);
        form->findChild<QPushButton*>(QStringLiteral("LoginButton"))->click();
    });
    const std::optional<LoginAnswer> answer = LoginForm::ask(nullptr);
    ASSERT_TRUE(driver.ran());
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->Level, QStringLiteral("Editor"));
    EXPECT_EQ(answer->Password, QStringLiteral("OPEN SESAME"));
}

TEST(LoginForm, EnterInThePasswordBoxLogsIn)
{
    ModalDriver<LoginForm> driver([](LoginForm* form) {
        QTest::keyClicks(form->passwordBox(), QStringLiteral("pw"));
        QTest::keyClick(form->passwordBox(), Qt::Key_Return);
    });
    const std::optional<LoginAnswer> answer = LoginForm::ask(nullptr);
    ASSERT_TRUE(driver.ran());
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->Level, QStringLiteral("Browser"));
    EXPECT_EQ(answer->Password, QStringLiteral("PW"));
}

TEST(LoginForm, CancelAndEscapeGiveNoAnswer)
{
    {
        ModalDriver<LoginForm> driver([](LoginForm* form) {
            QTest::keyClicks(form->passwordBox(), QStringLiteral("secret"));
            form->findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
        });
        EXPECT_FALSE(LoginForm::ask(nullptr).has_value());
        EXPECT_TRUE(driver.ran());
    }
    {
        ModalDriver<LoginForm> driver([](LoginForm* form) { QTest::keyClick(form->passwordBox(), Qt::Key_Escape); });
        EXPECT_FALSE(LoginForm::ask(nullptr).has_value());
        EXPECT_TRUE(driver.ran());
    }
}

TEST(LoginForm, OpeningGivesTheNormalPointerBack)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    bool pointerWasNormal = false;
    ModalDriver<LoginForm> driver([&](LoginForm* form) {
        pointerWasNormal = QApplication::overrideCursor() == nullptr;
        form->reject();
    });
    LoginForm::ask(nullptr);
    ASSERT_TRUE(driver.ran());
    EXPECT_TRUE(pointerWasNormal);
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}
