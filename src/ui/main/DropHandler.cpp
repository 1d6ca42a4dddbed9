#include "ui/transfer/TransferSettingsOf.h"
#include "ui/main/DropHandler.h"

#include "core/ProgramState.h"
#include "library/LibrarySession.h"
#include "transfer/AddFilesBatch.h"
#include "ui/common/MessageBoxes.h"
#include "ui/common/ProgressWindow.h"
#include "ui/common/TransferProgressHost.h"
#include "ui/main/CommandContext.h"
#include "ui/transfer/FileCommands.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTableView>
#include <QUrl>

namespace zentaro {

namespace {

// The add-files dialog's side of the batch, in one progress window with Cancel.
class DropBatchHost final : public AddFilesBatch::Host
{
public:
    DropBatchHost(ProgramState& state, QWidget* window)
        : m_window(window), m_progress(state, window),
          m_bar(m_progress.OpenProgress(
              QCoreApplication::translate("DropHandler", "Adding File(s)..."), true))
    {
    }

    void SetBatchPercent(int) override {}
    void SetCurrentFile(const QString& name) override
    {
        m_bar.setText(QCoreApplication::translate("DropHandler", "Current File ") + name);
    }
    Progress& FileBar() override { return m_bar; }
    void Deselect(int) override {}
    void ShowNotice(const Notice& notice) override { MessageBoxes::show(m_window, notice); }
    void Yield() override { QCoreApplication::processEvents(); }

private:
    QWidget* m_window;
    TransferProgressHost m_progress;
    Progress& m_bar;
};

} // namespace

DropHandler::DropHandler(ProgramState& state, CommandContext& context, QWidget* list)
    : QObject(context.mainWidget()), m_state(state), m_context(context), m_list(list)
{
    setObjectName(QStringLiteral("DropHandler"));
    context.mainWidget()->setAcceptDrops(true);
    list->setAcceptDrops(true);
    context.mainWidget()->installEventFilter(this);
    list->installEventFilter(this);
}

QStringList DropHandler::droppedFiles(const QMimeData* mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (info.isFile())
            files << info.absoluteFilePath();
    }
    return files;
}

QString DropHandler::droppedLibrary(const QStringList& files)
{
    if (files.size() != 1 || QFileInfo(files[0]).suffix().compare(QStringLiteral("ZNT"), Qt::CaseInsensitive) != 0)
        return {};
    return files[0];
}

bool DropHandler::wanted(const QObject* watched, const QStringList& files) const
{
    if (files.isEmpty())
        return false;
    if (!droppedLibrary(files).isEmpty())
        return true;
    return watched == m_list && m_context.session().isOpen();
}

bool DropHandler::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!wanted(watched, droppedFiles(drag->mimeData())))
            return false;
        // Copied, never moved: the originals stay where they are.
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList files = droppedFiles(drop->mimeData());
        if (!wanted(watched, files))
            return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        const QString library = droppedLibrary(files);
        if (!library.isEmpty())
            openLibrary(library);
        else
            addFiles(files);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

void DropHandler::openLibrary(const QString& path)
{
    m_context.openLibrary(path);
}

void DropHandler::addFiles(const QStringList& files)
{
    LibrarySession& session = m_context.session();
    if (!session.isOpen() || files.isEmpty())
        return;
    if (!FileCommands::readyToAddFiles(m_state, m_context))
        return;

    // One batch per run of files from the same folder, in the order dropped.
    struct Group
    {
        QString folder;
        QList<AddFilesBatch::Entry> entries;
    };
    QList<Group> groups;
    for (const QString& file : files) {
        const QFileInfo info(file);
        if (groups.isEmpty() || groups.last().folder != info.absolutePath())
            groups.push_back({info.absolutePath(), {}});
        groups.last().entries.push_back({info.fileName(), true});
    }

    {
        DropBatchHost host(m_state, m_context.mainWidget());
        AddFilesBatch batch(transferSettingsOf(m_state), session.database());
        for (const Group& group : groups) {
            const AddedFiles added = batch.Run(group.folder, group.entries, SharedFields{}, false, host);
            if (!added.ending.ok())
                break;
        }
    }
    m_context.showOutcome({session.RequeryList(), std::nullopt}, tr("ZNT ERROR"));
    m_context.focusList();
}

} // namespace zentaro
