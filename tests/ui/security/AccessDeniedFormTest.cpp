#include "ui/ModalDriver.h"

#include "ui/QtPrinters.h"
#include "ui/security/AccessDeniedForm.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace zentaro;
using zentaro::test::ModalDriver;

TEST(AccessDeniedForm, ShowsTheRefusalAndTheCurrentLevel)
{
    AccessDeniedForm form(QStringLiteral("Browser"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("ZNT Security Check"));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("HeadingLabel"))->text(), QStringLiteral("Access Denied"));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("BodyLabel"))->text(),
              QStringLiteral("This Library File is SECURITY PROTECTED.  You do not have access to this "
                             "feature.  You must Re-Login with a higher clearance before you can access "
                             "this feature."));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("LevelCaptionLabel"))->text(),
              QStringLiteral("You are currently logged in as a"));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("LevelLabel"))->text(), QStringLiteral("Browser"));

    auto* reLogin = form.findChild<QPushButton*>(QStringLiteral("ReLoginButton"));
    auto* cancel = form.findChild<QPushButton*>(QStringLiteral("CancelButton"));
    ASSERT_NE(reLogin, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(reLogin->text(), QStringLiteral("Re-Login"));
    EXPECT_EQ(reLogin->toolTip(), QStringLiteral("This will enable you to log in again under a new clearance level"));
    EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(cancel->toolTip(), QStringLiteral("Cancel (Esc)"));
}

TEST(AccessDeniedForm, TellsWhetherReLoginWasChosen)
{
    {
        ModalDriver<AccessDeniedForm> driver([](AccessDeniedForm* form) {
            form->findChild<QPushButton*>(QStringLiteral("ReLoginButton"))->click();
        });
        EXPECT_TRUE(AccessDeniedForm::askReLogin(nullptr, QStringLiteral("Editor")));
        EXPECT_TRUE(driver.ran());
    }
    {
        ModalDriver<AccessDeniedForm> driver([](AccessDeniedForm* form) {
            form->findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
        });
        EXPECT_FALSE(AccessDeniedForm::askReLogin(nullptr, QStringLiteral("Editor")));
        EXPECT_TRUE(driver.ran());
    }
    {
        ModalDriver<AccessDeniedForm> driver([](AccessDeniedForm* form) { QTest::keyClick(form, Qt::Key_Escape); });
        EXPECT_FALSE(AccessDeniedForm::askReLogin(nullptr, QStringLiteral("Editor")));
        EXPECT_TRUE(driver.ran());
    }
}
