#include "ui/transfer/TransferSettingsOf.h"
#include "ui/transfer/EditDetection.h"

#include "core/PathText.h"
#include "core/ProgramState.h"
#include "library/LibrarySession.h"
#include "store/Recordset.h"
#include "transfer/FileExtractor.h"
#include "transfer/FileInserter.h"
#include "transfer/FileNameRules.h"
#include "ui/common/MessageBoxes.h"
#include "ui/common/ProgressWindow.h"
#include "ui/common/TransferProgressHost.h"
#include "ui/main/CommandContext.h"
#include "ui/main/CommandIds.h"
#include "ui/main/CommandRegistry.h"

#include <QAction>
#include <QTableView>
#include <QTimer>

namespace zentaro {

EditDetection::EditDetection(ProgramState& state, CommandContext& context,
                             EditWatch::StatFunction stat)
    : QObject(context.mainWidget()), m_state(state), m_context(context), m_watch(std::move(stat))
{
    m_monitor = new QTimer(this);
    m_monitor->setObjectName(QStringLiteral("FileMonitor"));
    m_monitor->setInterval(500);
    connect(m_monitor, &QTimer::timeout, this, &EditDetection::monitorTick);
    m_blink = new QTimer(this);
    m_blink->setObjectName(QStringLiteral("InsertBackTimer"));
    m_blink->setInterval(333);
    connect(m_blink, &QTimer::timeout, this, &EditDetection::blinkTick);

    m_button = context.commands().bind(CommandIds::kInsertBackButton, this,
                                       [this] { reInsertOnRequest(); });
    if (m_button) {
        m_button->setToolTip(tr("Re-Insert File Back into Library (ZNT has detected changes)"));
        m_button->setCheckable(true);
        // Hidden except after a detected change.
        m_button->setVisible(false);
    }
}

QString EditDetection::QuestionText(const QString& newLine)
{
    return tr("ZNT has detected that you've saved changes to the extracted file.") + newLine +
           newLine + tr("Would you like to ReInsert the changed file back into the library?");
}

void EditDetection::startWatch(const QString& path, qint64 mainId)
{
    stop();
    if (!m_watch.start(path))
        return;
    m_watchedId = mainId;
    m_monitor->start();
}

void EditDetection::stop()
{
    m_monitor->stop();
    m_watch.stop();
}

void EditDetection::recordShown(qint64 mainId)
{
    if (m_watch.watching() && mainId != m_watchedId)
        stop();
    if (m_button && m_button->isVisible() && mainId != m_offeredId)
        hideButton();
}

void EditDetection::monitorTick()
{
    switch (m_watch.tick()) {
    case EditWatch::Tick::Changed:
        // Off before the offer, so one change makes one offer even while the question is open.
        m_monitor->stop();
        OfferReInsertion();
        break;
    case EditWatch::Tick::Gone:
    case EditWatch::Tick::Idle:
        m_monitor->stop();
        break;
    case EditWatch::Tick::Unchanged:
        break;
    }
}

void EditDetection::OfferReInsertion()
{
    m_offeredId = m_watchedId;
    if (m_button)
        m_button->setVisible(true);
    m_blink->start();
    const int mode = m_state.Settings.EditDetectMode;
    if (mode == 0)
        return;
    if (mode == 1) {
        const MessageAnswer answer =
            MessageBoxes::show(m_context.mainWidget(), MessageIcon::Plain, tr("ZNT Edit Detection"),
                               QuestionText(m_state.NewLine), MessageButtons::YesNo);
        if (answer != MessageAnswer::Yes)
            return;
    }
    reInsert();
    hideButton();
}

void EditDetection::reInsertOnRequest()
{
    hideButton();
    reInsert();
    m_context.focusList();
}

void EditDetection::hideButton()
{
    m_blink->stop();
    if (m_button) {
        m_button->setChecked(false);
        m_button->setVisible(false);
    }
}

void EditDetection::blinkTick()
{
    if (m_button)
        m_button->setChecked(!m_button->isChecked());
}

void EditDetection::reInsert()
{
    LibrarySession& session = m_context.session();
    Recordset* list = session.DCMain();
    if (!list || !list->hasCurrent())
        return;
    Result<MainRecord> record = list->currentRecord();
    if (!record || record->MainID != m_offeredId)
        return;
    // Typed changes go first; the store below writes the same record.
    m_context.SaveRecordEdits();
    const QString path =
        FileNameRules::TargetFor(m_state.ExtractFolder, record->MainID, record->FileName, record->FileType).path;
    Outcome outcome;
    {
        TransferProgressHost host(m_state, m_context.mainWidget());
        outcome = FileInserter(transferSettingsOf(m_state), session.database()).ReInsertCurrentFile(*list, path, host);
    }
    m_context.showOutcome(outcome, FileInserter::kInsertErrorTitle);
    if (outcome.ok())
        session.RequeryList();
}

} // namespace zentaro
