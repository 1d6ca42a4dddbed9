#include "ui/transfer/ExtractConflictQuestion.h"

#include "core/ProgramState.h"
#include "ui/common/MessageBoxes.h"
#include "ui/common/ProgressWindow.h"
#include "ui/common/TransferProgressHost.h"

#include <QWidget>

namespace zentaro {

ExtractConflictQuestion::ExtractConflictQuestion(ProgramState& state, QWidget* window,
                                                 const TransferProgressHost* host)
    : m_state(state), m_window(window), m_host(host)
{
}

QString ExtractConflictQuestion::Text(const ExtractConflict& conflict, const QString& newLine)
{
    const QString gap = newLine + newLine;
    QString text = QStringLiteral("The folder already holds a different file of this name:") + gap + conflict.path +
                   gap + QStringLiteral("Replace it with the file from the library, keep both");
    if (!conflict.keepBothPath.isEmpty()) {
        const QString second = conflict.keepBothPath.mid(conflict.keepBothPath.lastIndexOf(QLatin1Char('/')) + 1);
        text += QStringLiteral(" (the library's file is saved as \"%1\")").arg(second);
    }
    return text + QStringLiteral(", or skip this file?");
}

ConflictAnswer ExtractConflictQuestion::Resolve(const ExtractConflict& conflict)
{
    QWidget* parent = m_window;
    if (m_host && m_host->window())
        parent = m_host->window();
    // A box made over the main window that a run disabled is still enabled.
    const MessageAnswer answer =
        MessageBoxes::show(parent, MessageIcon::Exclamation, kTitle, Text(conflict, m_state.newLineOrDefault()),
                           conflict.inRun ? MessageButtons::ReplaceKeepBothSkipCancelForAll
                                          : MessageButtons::ReplaceKeepBothSkipCancel);
    switch (answer) {
    case MessageAnswer::Replace: return {ConflictChoice::Replace, false};
    case MessageAnswer::KeepBoth: return {ConflictChoice::KeepBoth, false};
    case MessageAnswer::Skip: return {ConflictChoice::Skip, false};
    case MessageAnswer::ReplaceForAll: return {ConflictChoice::Replace, true};
    case MessageAnswer::KeepBothForAll: return {ConflictChoice::KeepBoth, true};
    case MessageAnswer::SkipForAll: return {ConflictChoice::Skip, true};
    default: return {ConflictChoice::Cancel, false};
    }
}

} // namespace zentaro
