#include "ui/common/MGForm.h"

namespace zentaro {

MGForm::MGForm(QWidget* parent) : ProgressWindow(parent, Qt::WaitCursor)
{
    setObjectName(QStringLiteral("MGForm"));
}

} // namespace zentaro
