#include "ui/common/MessageBoxes.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include <utility>

namespace zentaro {

namespace {

MessageBoxes::Answerer& installedAnswerer()
{
    static MessageBoxes::Answerer answerer;
    return answerer;
}

QMessageBox::Icon toQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Plain: return QMessageBox::NoIcon;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// A standard button, or one with its own caption and role.
struct ButtonSpec
{
    QMessageBox::StandardButton button;
    MessageAnswer answer;
    QString caption = {};
    QMessageBox::ButtonRole role = QMessageBox::InvalidRole;
};

QList<ButtonSpec> buttonsOf(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
        return {{QMessageBox::Ok, MessageAnswer::Ok}};
    case MessageButtons::OkCancel:
        return {{QMessageBox::Ok, MessageAnswer::Ok}, {QMessageBox::Cancel, MessageAnswer::Cancel}};
    case MessageButtons::YesNo:
        return {{QMessageBox::Yes, MessageAnswer::Yes}, {QMessageBox::No, MessageAnswer::No}};
    case MessageButtons::YesNoCancel:
        return {{QMessageBox::Yes, MessageAnswer::Yes},
                {QMessageBox::No, MessageAnswer::No},
                {QMessageBox::Cancel, MessageAnswer::Cancel}};
    case MessageButtons::RetryCancel:
        return {{QMessageBox::Retry, MessageAnswer::Retry}, {QMessageBox::Cancel, MessageAnswer::Cancel}};
    case MessageButtons::ReplaceKeepBothSkipCancel:
    case MessageButtons::ReplaceKeepBothSkipCancelForAll:
        return {{QMessageBox::NoButton, MessageAnswer::Replace, QStringLiteral("&Replace"),
                 QMessageBox::DestructiveRole},
                {QMessageBox::NoButton, MessageAnswer::KeepBoth, QStringLiteral("&Keep Both"),
                 QMessageBox::AcceptRole},
                {QMessageBox::NoButton, MessageAnswer::Skip, QStringLiteral("&Skip"), QMessageBox::ActionRole},
                {QMessageBox::Cancel, MessageAnswer::Cancel}};
    }
    return {{QMessageBox::Ok, MessageAnswer::Ok}};
}

MessageAnswer forAll(MessageAnswer answer)
{
    switch (answer) {
    case MessageAnswer::Replace: return MessageAnswer::ReplaceForAll;
    case MessageAnswer::KeepBoth: return MessageAnswer::KeepBothForAll;
    case MessageAnswer::Skip: return MessageAnswer::SkipForAll;
    default: return answer;
    }
}

// Texts are built with CR LF between lines; a label wants bare line feeds.
QString forDisplay(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

} // namespace

MessageAnswer MessageBoxes::escapeAnswer(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok: return MessageAnswer::Ok;
    case MessageButtons::YesNo: return MessageAnswer::No;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
    case MessageButtons::RetryCancel:
    case MessageButtons::ReplaceKeepBothSkipCancel:
    case MessageButtons::ReplaceKeepBothSkipCancelForAll: return MessageAnswer::Cancel;
    }
    return MessageAnswer::Cancel;
}

MessageAnswer MessageBoxes::defaultAnswer(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel: return MessageAnswer::Ok;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel: return MessageAnswer::Yes;
    case MessageButtons::RetryCancel: return MessageAnswer::Retry;
    // The one answer that loses nothing.
    case MessageButtons::ReplaceKeepBothSkipCancel:
    case MessageButtons::ReplaceKeepBothSkipCancelForAll: return MessageAnswer::KeepBoth;
    }
    return MessageAnswer::Ok;
}

MessageAnswer MessageBoxes::show(QWidget* parent, MessageIcon icon, const QString& title,
                                 const QString& text, MessageButtons buttons)
{
    const MessageRecord record{icon, title, text, buttons};
    if (const Answerer& answerer = installedAnswerer())
        return answerer(record);

    // A test that forgot its recorder would wait here for a click that never comes.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        qWarning("Message box shown offscreen without an answerer: %s", qPrintable(title));

    QMessageBox box(toQtIcon(icon), title, forDisplay(text), QMessageBox::NoButton, parent);
    const QList<ButtonSpec> specs = buttonsOf(buttons);
    QList<QAbstractButton*> added;
    for (const ButtonSpec& entry : specs) {
        added << (entry.caption.isEmpty() ? box.addButton(entry.button) : box.addButton(entry.caption, entry.role));
    }
    const MessageAnswer escape = escapeAnswer(buttons);
    const MessageAnswer enter = defaultAnswer(buttons);
    for (qsizetype i = 0; i < specs.size(); ++i) {
        if (specs[i].answer == enter)
            box.setDefaultButton(qobject_cast<QPushButton*>(added[i]));
        if (specs[i].answer == escape)
            box.setEscapeButton(added[i]);
    }
    if (buttons == MessageButtons::ReplaceKeepBothSkipCancelForAll)
        box.setCheckBox(new QCheckBox(kForAllText));

    // A wait pointer left on by long work would hide that the box wants an answer.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();

    const qsizetype clicked = added.indexOf(box.clickedButton());
    if (clicked < 0)
        return escape;
    const MessageAnswer answer = specs[clicked].answer;
    return box.checkBox() && box.checkBox()->isChecked() ? forAll(answer) : answer;
}

void MessageBoxes::information(QWidget* parent, const QString& title, const QString& text)
{
    show(parent, MessageIcon::Information, title, text, MessageButtons::Ok);
}

void MessageBoxes::exclamation(QWidget* parent, const QString& title, const QString& text)
{
    show(parent, MessageIcon::Exclamation, title, text, MessageButtons::Ok);
}

void MessageBoxes::critical(QWidget* parent, const QString& title, const QString& text)
{
    show(parent, MessageIcon::Critical, title, text, MessageButtons::Ok);
}

bool MessageBoxes::askYesNo(QWidget* parent, const QString& title, const QString& text,
                            MessageIcon icon)
{
    return show(parent, icon, title, text, MessageButtons::YesNo) == MessageAnswer::Yes;
}

bool MessageBoxes::showFailure(QWidget* parent, const Status& status, const QString& title,
                               MessageIcon icon)
{
    if (status.ok())
        return false;
    show(parent, icon, title, status.message(), MessageButtons::Ok);
    return true;
}

MessageBoxes::Answerer MessageBoxes::setAnswerer(Answerer answerer)
{
    return std::exchange(installedAnswerer(), std::move(answerer));
}

bool MessageBoxes::hasAnswerer()
{
    return static_cast<bool>(installedAnswerer());
}

MessageAnswer MessageBoxes::show(QWidget* parent, const Notice& notice, MessageButtons buttons)
{
    return show(parent, iconFor(notice.icon), notice.title, notice.text, buttons);
}

MessageIcon MessageBoxes::iconFor(NoticeIcon icon)
{
    switch (icon) {
    case NoticeIcon::Plain: return MessageIcon::Plain;
    case NoticeIcon::Information: return MessageIcon::Information;
    case NoticeIcon::Exclamation: return MessageIcon::Exclamation;
    case NoticeIcon::Critical: return MessageIcon::Critical;
    case NoticeIcon::Question: return MessageIcon::Question;
    }
    return MessageIcon::Plain;
}

} // namespace zentaro
