#include "ui/common/MGCForm.h"

#include "core/ProgramState.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPushButton>

namespace zentaro {

MGCForm::MGCForm(QWidget* parent, ProgramState* state)
    : ProgressWindow(parent, Qt::BusyCursor), m_state(state)
{
    setObjectName(QStringLiteral("MGCForm"));
    setWindowFlag(Qt::WindowCloseButtonHint, true);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    buttonRow()->addWidget(m_cancelButton);
    connect(m_cancelButton, &QPushButton::clicked, this, &MGCForm::requestCancel);
}

void MGCForm::requestCancel()
{
    if (m_cancel)
        return;
    m_cancel = true;
    if (m_state)
        m_state->CancelRequested = true;
    QCoreApplication::processEvents();
    close();
}

void MGCForm::closeEvent(QCloseEvent* event)
{
    // The window's own close button means Cancel.
    if (event->spontaneous() && !m_cancel) {
        event->ignore();
        requestCancel();
        return;
    }
    ProgressWindow::closeEvent(event);
}

void MGCForm::reject()
{
    requestCancel();
}

} // namespace zentaro
