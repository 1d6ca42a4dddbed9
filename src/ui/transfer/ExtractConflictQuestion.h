#pragma once

#include "transfer/ConflictResolver.h"

#include <QPointer>
#include <QString>

class QWidget;

namespace zentaro {

class ProgramState;
class TransferProgressHost;

// The window's answer to a file in the way of an extraction to a folder the
// user chose: a box with Replace, Keep Both, Skip and Cancel, and in a run of
// many files a check box to apply the answer to all remaining conflicts.
// It is asked on the window's thread, over the progress window when one is
// open.
class ExtractConflictQuestion final : public ConflictResolver
{
public:
    ExtractConflictQuestion(ProgramState& state, QWidget* window, const TransferProgressHost* host = nullptr);

    ConflictAnswer Resolve(const ExtractConflict& conflict) override;

    static QString Text(const ExtractConflict& conflict, const QString& newLine);
    static inline const QString kTitle = QStringLiteral("ZNT File Already Exists");

private:
    ProgramState& m_state;
    QPointer<QWidget> m_window;
    const TransferProgressHost* m_host;
};

} // namespace zentaro
