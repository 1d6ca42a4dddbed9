#pragma once

#include "core/Notice.h"
#include "core/Status.h"

#include <QString>

#include <functional>

class QWidget;

namespace zentaro {

// Plain is a box without an icon.
enum class MessageIcon { Plain, Information, Exclamation, Critical, Question };
// ReplaceKeepBothSkipCancel asks about a file in the way; its ForAll form
// adds a check box that makes the answer one of the ...ForAll ones.
enum class MessageButtons {
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel,
    RetryCancel,
    ReplaceKeepBothSkipCancel,
    ReplaceKeepBothSkipCancelForAll,
};
enum class MessageAnswer {
    Ok,
    Cancel,
    Yes,
    No,
    Retry,
    Replace,
    KeepBoth,
    Skip,
    ReplaceForAll,
    KeepBothForAll,
    SkipForAll,
};

// What one message box asked, as the user would have seen it.
struct MessageRecord
{
    MessageIcon icon = MessageIcon::Information;
    QString title;
    QString text;
    MessageButtons buttons = MessageButtons::Ok;
};

// Every message box of the program goes through here, so that tests can
// answer them without a window and check what they said.
class MessageBoxes
{
public:
    using Answerer = std::function<MessageAnswer(const MessageRecord&)>;

    // Shows the box modally and returns the button pressed. Closing the box
    // without a button gives the escape answer (Cancel, No, or Ok for Ok alone).
    static MessageAnswer show(QWidget* parent, MessageIcon icon, const QString& title,
                              const QString& text, MessageButtons buttons = MessageButtons::Ok);

    // A message handed up by the logic.
    static MessageAnswer show(QWidget* parent, const Notice& notice,
                              MessageButtons buttons = MessageButtons::Ok);
    static MessageIcon iconFor(NoticeIcon icon);

    static void information(QWidget* parent, const QString& title, const QString& text);
    static void exclamation(QWidget* parent, const QString& title, const QString& text);
    static void critical(QWidget* parent, const QString& title, const QString& text);
    // A Yes/No box; true when the answer is Yes.
    static bool askYesNo(QWidget* parent, const QString& title, const QString& text,
                         MessageIcon icon = MessageIcon::Question);

    // Shows status.message() when status is a failure; returns true when a box was shown.
    static bool showFailure(QWidget* parent, const Status& status, const QString& title,
                            MessageIcon icon = MessageIcon::Critical);

    // Test seam: while an answerer is installed no box is shown; it is asked instead.
    // Returns the answerer that was installed before.
    static Answerer setAnswerer(Answerer answerer);
    static bool hasAnswerer();

    // The answer a box gives when it is closed without pressing a button.
    static MessageAnswer escapeAnswer(MessageButtons buttons);
    // The answer of its default button (what Enter presses).
    static MessageAnswer defaultAnswer(MessageButtons buttons);

    static inline const QString kForAllText = QStringLiteral("Apply to all remaining conflicts");
};

} // namespace zentaro
