#include "ui/MessageBoxes.h"

#include <QApplication>
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

struct ButtonSpec
{
    QMessageBox::StandardButton button;
    MessageAnswer answer;
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
    }
    return {{QMessageBox::Ok, MessageAnswer::Ok}};
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
    case MessageButtons::RetryCancel: return MessageAnswer::Cancel;
    }
    return MessageAnswer::Cancel;
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
    for (const ButtonSpec& entry : specs)
        box.addButton(entry.button);
    box.setDefaultButton(specs.first().button);
    const MessageAnswer escape = escapeAnswer(buttons);
    for (const ButtonSpec& entry : specs) {
        if (entry.answer == escape)
            box.setEscapeButton(entry.button);
    }

    // A wait pointer left on by long work would hide that the box wants an answer.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();

    const auto clicked = box.standardButton(box.clickedButton());
    for (const ButtonSpec& entry : specs) {
        if (entry.button == clicked)
            return entry.answer;
    }
    return escape;
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
