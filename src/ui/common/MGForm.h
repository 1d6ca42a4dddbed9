#pragma once

#include "ui/common/ProgressWindow.h"

namespace zentaro {

// Progress window without Cancel: the hourglass while it is open.
class MGForm : public ProgressWindow
{
    Q_OBJECT

public:
    explicit MGForm(QWidget* parent = nullptr);
};

} // namespace zentaro
