#include "ui/security/AccessDeniedForm.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace zentaro {

const QString& AccessDeniedForm::bodyText()
{
    static const QString text = QStringLiteral(
        "This Library File is SECURITY PROTECTED.  You do not have access to this feature.  "
        "You must Re-Login with a higher clearance before you can access this feature.");
    return text;
}

AccessDeniedForm::AccessDeniedForm(const QString& accessLevel, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AccessDeniedForm"));
    setWindowTitle(QStringLiteral("ZNT Security Check"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, this).pixmap(iconSize));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* heading = new QLabel(QStringLiteral("Access Denied"), this);
    heading->setObjectName(QStringLiteral("HeadingLabel"));
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.6);
    heading->setFont(headingFont);

    auto* body = new QLabel(bodyText(), this);
    body->setObjectName(QStringLiteral("BodyLabel"));
    body->setWordWrap(true);
    // Keep the wrapping a comfortable line length.
    body->setFixedWidth(body->fontMetrics().averageCharWidth() * 52);

    auto* levelCaption = new QLabel(QStringLiteral("You are currently logged in as a"), this);
    levelCaption->setObjectName(QStringLiteral("LevelCaptionLabel"));
    auto* level = new QLabel(accessLevel, this);
    level->setObjectName(QStringLiteral("LevelLabel"));
    QFont levelFont = level->font();
    levelFont.setBold(true);
    level->setFont(levelFont);

    auto* reLogin = new QPushButton(QStringLiteral("Re-Login"), this);
    reLogin->setObjectName(QStringLiteral("ReLoginButton"));
    reLogin->setToolTip(QStringLiteral("This will enable you to log in again under a new clearance level"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setToolTip(QStringLiteral("Cancel (Esc)"));
    cancel->setDefault(true);
    connect(reLogin, &QPushButton::clicked, this, [this] {
        m_reLogin = true;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* levelRow = new QHBoxLayout;
    levelRow->addWidget(levelCaption);
    levelRow->addWidget(level);
    levelRow->addStretch(1);

    auto* text = new QVBoxLayout;
    text->addWidget(heading);
    text->addSpacing(heading->fontMetrics().height() / 3);
    text->addWidget(body);
    text->addSpacing(body->fontMetrics().height() / 2);
    text->addLayout(levelRow);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(iconSize / 3);
    top->addLayout(text, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(reLogin);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(body->fontMetrics().height() / 2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool AccessDeniedForm::askReLogin(QWidget* parent, const QString& accessLevel)
{
    AccessDeniedForm form(accessLevel, parent);
    form.exec();
    return form.reLoginChosen();
}

} // namespace zentaro
