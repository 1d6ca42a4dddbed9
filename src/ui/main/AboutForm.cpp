#include "ui/main/AboutForm.h"

#include "ui/main/ToolIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zentaro {

AboutForm::AboutForm(const QString& fullVersionText, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About ZNT"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("PictureLabel"));
    picture->setPixmap(ToolIcons::emblem(96, devicePixelRatioF()));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* name = new QLabel(QStringLiteral("Zentaro"), this);
    name->setObjectName(QStringLiteral("NameLabel"));
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.8);
    name->setFont(nameFont);

    m_version = new QLabel(QStringLiteral("Version: %1").arg(fullVersionText), this);
    m_version->setObjectName(QStringLiteral("VersionLabel"));
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("CloseButton"));
    m_close->setToolTip(QStringLiteral("Cancel (Esc)"));
    m_close->setDefault(true);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(m_version);
    text->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addSpacing(nameFont.pointSize());
    top->addLayout(text, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString AboutForm::versionText() const
{
    return m_version->text();
}

} // namespace zentaro
