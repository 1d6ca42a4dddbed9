#include "ui/security/LoginForm.h"

#include "ui/common/MousePointer.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace zentaro {

LoginForm::LoginForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LoginForm"));
    setWindowTitle(QStringLiteral("ZNT Login"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* panel = new QGroupBox(QStringLiteral("Library Access"), this);
    panel->setObjectName(QStringLiteral("LibraryAccessPanel"));

    m_loginType = new QComboBox(panel);
    m_loginType->setObjectName(QStringLiteral("LoginType"));
    m_loginType->addItems({QStringLiteral("Browser"), QStringLiteral("Editor"), QStringLiteral("Administrator")});
    m_loginType->setCurrentIndex(0);

    m_password = new QLineEdit(panel);
    m_password->setObjectName(QStringLiteral("Password"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setToolTip(QStringLiteral(
        "Type your password here (use the UP and DOWN arrow to change LOGIN AS box)"));
    // The mask is '*', as the user expects, not the style's bullet.
    m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));

    auto* form = new QFormLayout(panel);
    form->addRow(QStringLiteral("Login As"), m_loginType);
    form->addRow(QStringLiteral("Password"), m_password);

    m_loginButton = new QPushButton(QStringLiteral("Login"), this);
    m_loginButton->setObjectName(QStringLiteral("LoginButton"));
    m_loginButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    connect(m_loginButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_loginButton);
    buttons->addWidget(m_cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_password->setMinimumWidth(m_password->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 18);

    // Up and Down change the level wherever the focus is.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);

    m_password->setFocus();
}

std::optional<LoginAnswer> LoginForm::ask(QWidget* parent)
{
    LoginForm form(parent);
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return form.answer();
}

LoginAnswer LoginForm::answer() const
{
    return {m_loginType->currentText().trimmed(), m_password->text().trimmed().toUpper()};
}

void LoginForm::selectNextLevel()
{
    const int count = m_loginType->count();
    if (count > 0)
        m_loginType->setCurrentIndex((m_loginType->currentIndex() + 1) % count);
}

void LoginForm::selectPreviousLevel()
{
    const int count = m_loginType->count();
    if (count > 0)
        m_loginType->setCurrentIndex((m_loginType->currentIndex() + count - 1) % count);
}

bool LoginForm::handleArrow(int key)
{
    if (key == Qt::Key_Down) {
        selectNextLevel();
        return true;
    }
    if (key == Qt::Key_Up) {
        selectPreviousLevel();
        return true;
    }
    return false;
}

bool LoginForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Alt+Down opens the drop-down as usual.
        if (!(key->modifiers() & Qt::AltModifier) && handleArrow(key->key()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void LoginForm::keyPressEvent(QKeyEvent* event)
{
    if (!(event->modifiers() & Qt::AltModifier) && handleArrow(event->key())) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void LoginForm::showEvent(QShowEvent* event)
{
    MousePointer::restoreDefault();
    QDialog::showEvent(event);
}

} // namespace zentaro
