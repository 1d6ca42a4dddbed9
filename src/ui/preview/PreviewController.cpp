#include "ui/preview/PreviewController.h"

#include "core/SettingsFile.h"
#include "library/LibrarySession.h"
#include "preview/FileClass.h"
#include "store/Recordset.h"
#include "transfer/FileExtractor.h"
#include "ui/common/MousePointer.h"
#include "ui/common/ProgressWindow.h"
#include "ui/common/TransferProgressHost.h"
#include "ui/date/GetDateForm.h"
#include "ui/main/CommandContext.h"
#include "ui/main/CommandIds.h"
#include "ui/main/CommandRegistry.h"
#include "ui/main/ListPane.h"
#include "ui/main/RecordPane.h"
#include "ui/preview/MediaBox.h"
#include "ui/preview/PictureBox.h"
#include "ui/preview/Previewer.h"
#include "ui/transfer/TransferSettingsOf.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QSplitterHandle>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <utility>

namespace zentaro {

namespace {

PreviewController::DatePicker& datePicker()
{
    static PreviewController::DatePicker picker = &GetDateForm::pick;
    return picker;
}

} // namespace

PreviewController::DatePicker PreviewController::setDatePicker(DatePicker picker)
{
    DatePicker previous = std::move(datePicker());
    datePicker() = std::move(picker);
    return previous;
}

PreviewController::PreviewController(ProgramState& state, CommandContext& context,
                                     QSplitter& splitter)
    : QObject(context.mainWidget()), m_state(state), m_context(context)
{
    setObjectName(QStringLiteral("PreviewController"));
    previewer().setFitPictures(m_state.Settings.AutoSizePictures);
    connect(pane().detailTab(), &QTabWidget::currentChanged, this, &PreviewController::pageChosen);
    connect(&previewer(), &Previewer::autoSizeClicked, this, &PreviewController::toggleAutoSize);
    connect(&previewer(), &Previewer::nonOleClicked, this, &PreviewController::openUnpreviewable);
    connect(&pane(), &RecordPane::fileDateClicked, this, &PreviewController::ChangeFileDate);
    // The 50/50 and record-only modes refresh the record at its new size,
    // after the pane sizes were set.
    for (const auto& [mode, recordOnly] :
         {std::pair{CommandIds::kVsbar, false}, std::pair{CommandIds::kVrbar, true}}) {
        if (QAction* action = context.commands().action(QString::fromLatin1(mode))) {
            connect(action, &QAction::triggered, this, [this, recordOnly] {
                QApplication::processEvents();
                followRecord();
                if (recordOnly)
                    pane().titleBox()->setFocus();
                else
                    focusList();
            });
        }
    }
    if (QSplitterHandle* handle = splitter.handle(1))
        handle->installEventFilter(this);
}

RecordPane& PreviewController::pane() const
{
    return m_context.recordPane();
}

Previewer& PreviewController::previewer() const
{
    return *m_context.recordPane().previewer();
}

QString PreviewController::shownFileType() const
{
    const QLabel* type = pane().findChild<QLabel*>(QStringLiteral("FileTypeBox"));
    return type ? type->text() : QString();
}

void PreviewController::focusList()
{
    m_context.focusList();
}

QString PreviewController::previewClass() const
{
    return m_state.CurrentFileClass;
}

void PreviewController::followRecord()
{
    if (m_state.SuppressReposition) {
        MousePointer::restoreDefault();
        return;
    }
    previewer().clear();
    QApplication::processEvents();
    m_state.CurrentFileClass = FileClass::CurrentFileClass(shownFileType());
    if (pane().detailTab()->currentIndex() == RecordPane::kPreviewPage) {
        previewer().setFileClass(previewClass());
        pane().layoutPane();
        ShowPreview();
    }
    m_state.SuppressReposition = false;
    MousePointer::restoreDefault();
}

void PreviewController::ShowPreview()
{
    if (pane().detailTab()->currentIndex() != RecordPane::kPreviewPage)
        return;
    LibrarySession& session = m_context.session();
    if (!session.isOpen() || !session.DCMain() || !session.DCMain()->hasCurrent())
        return;
    // A preview extracts; a level that may not extract never gets here
    // through the tab, but may after a new login.
    if (!FileExtractor::MayExtract(m_state.AccessLevel, session.Config())) {
        pane().showDetailsPage();
        return;
    }
    Result<MainRecord> record = session.DCMain()->currentRecord();
    if (!record)
        return;
    previewer().clear();
    const QString fileClass = previewClass();
    if (previewer().fileClass() != fileClass) {
        previewer().setFileClass(fileClass);
        pane().layoutPane();
    }

    // The extraction makes the folder, private, or refuses a link in its place.
    Result<ExtractedFile> extracted = Status();
    {
        TransferProgressHost host(m_state, m_context.mainWidget());
        FileExtractor extractor(transferSettingsOf(m_state), session.database());
        extracted = extractor.ExtractInto(*record, m_state.ExtractFolder, host);
    }
    MousePointer::restoreDefault();
    if (!extracted) {
        m_context.showOutcome(extracted.outcome(), FileExtractor::kErrorTitle);
        pane().showDetailsPage();
        return;
    }

    const QString path = extracted->path;
    if (fileClass == FileClass::kImage) {
        previewer().PreviewImage(path);
    } else if (fileClass == FileClass::kVideo || fileClass == FileClass::kAudio) {
        previewer().setAutoStart(m_state.Settings.AutoStart);
        previewer().PreviewMedia(path, fileClass == FileClass::kVideo);
    } else if (!FileClass::isClassifiedType(shownFileType()) && Previewer::canDecode(path)) {
        // Pictures of the formats the platform reads are drawn all the same.
        previewer().PreviewImage(path);
    } else {
        previewer().showNonOle();
    }
}

void PreviewController::pageChosen(int page)
{
    RecordPane& p = pane();
    if (page == RecordPane::kPreviewPage) {
        LibrarySession& session = m_context.session();
        if (session.isOpen() && !FileExtractor::MayExtract(m_state.AccessLevel, session.Config())) {
            m_context.ShowAccessDenied();
            p.showDetailsPage();
            focusList();
            return;
        }
        p.notesBox()->hide();
        p.setFieldsInTabOrder(false);
        p.setDetailTabTop(m_state.Settings.PreviewFullHeight ? m_state.PanelGap : MainLayout::kDetailTabTop);
        QApplication::processEvents();
        previewer().setFileClass(previewClass());
        p.layoutPane();
        ShowPreview();
    } else {
        previewer().clear();
        p.notesBox()->show();
        p.setFieldsInTabOrder(true);
        p.setDetailTabTop(MainLayout::kDetailTabTop);
        QApplication::processEvents();
        p.layoutPane();
    }
    QApplication::processEvents();
    focusList();
}

void PreviewController::toggleAutoSize()
{
    const bool fit = !previewer().fitsPictures();
    previewer().setFitPictures(fit);
    m_state.Settings.AutoSizePictures = fit;
    ShowPreview();
    focusList();
    m_state.settingsFile().SaveSettings();
}

void PreviewController::openUnpreviewable()
{
    if (QAction* open = m_context.commands().action(CommandIds::kEevbar))
        open->trigger();
}

void PreviewController::ChangeFileDate()
{
    LibrarySession& session = m_context.session();
    if (!datePicker() || !session.isOpen() || !session.DCMain() || !session.DCMain()->hasCurrent())
        return;
    const std::optional<QDate> chosen = datePicker()(m_context.mainWidget());
    if (!chosen || !chosen->isValid())
        return;
    if (!m_context.SaveRecordEdits())
        return;
    Recordset& list = *session.DCMain();
    Status saved = list.edit();
    if (saved)
        saved = list.setValue(QStringLiteral("FileDate"), QDateTime(*chosen, QTime(0, 0)));
    if (saved)
        saved = list.update();
    else
        list.cancelUpdate();
    m_context.showOutcome({saved, std::nullopt}, tr("ZNT ERROR"));
    // The fields show the stored record again; typed changes were saved above.
    if (QAction* reload = m_context.commands().action(CommandIds::kEubar))
        reload->trigger();
    m_context.listPane().grid()->viewport()->update();
}

void PreviewController::MainSplitter_SplitterEndDrag()
{
    QApplication::processEvents();
    // Pictures are fitted to the new area; video and audio are not reloaded.
    if (m_state.CurrentFileClass == FileClass::kImage || previewer().imageBox()->isVisible())
        ShowPreview();
}

bool PreviewController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease)
        QTimer::singleShot(0, this, &PreviewController::MainSplitter_SplitterEndDrag);
    return QObject::eventFilter(watched, event);
}

} // namespace zentaro
