#include "ui/FolderBrowser.h"

#include "core/PathText.h"
#include "ui/MessageBoxes.h"
#include "ui/MountedDrives.h"

#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QStyle>
#include <QVBoxLayout>

#include <cerrno>

namespace zentaro {

namespace {

bool isRootFolder(const QString& folder)
{
    return folder == QLatin1String("/");
}

} // namespace

FolderBrowser::FolderBrowser(const QString& driveCaption, const QString& folderCaption, QWidget* parent)
    : QWidget(parent)
{
    m_driveCombo = new QComboBox(this);
    m_driveCombo->setObjectName(QStringLiteral("DriveList"));
    auto* driveLabel = new QLabel(driveCaption, this);
    driveLabel->setBuddy(m_driveCombo);

    m_folderList = new QListWidget(this);
    m_folderList->setObjectName(QStringLiteral("FolderList"));
    m_folderList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_folderList->installEventFilter(this);
    auto* folderLabel = new QLabel(folderCaption, this);
    folderLabel->setBuddy(m_folderList);

    m_pathLabel = new QLabel(this);
    m_pathLabel->setObjectName(QStringLiteral("FolderPathLabel"));
    m_pathLabel->setTextFormat(Qt::PlainText);
    m_pathLabel->setMinimumWidth(1);
    QFont pathFont = m_pathLabel->font();
    pathFont.setBold(true);
    m_pathLabel->setFont(pathFont);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(driveLabel);
    layout->addWidget(m_driveCombo);
    layout->addSpacing(driveLabel->fontMetrics().height() / 2);
    layout->addWidget(folderLabel);
    layout->addWidget(m_pathLabel);
    layout->addWidget(m_folderList, 1);

    connect(m_driveCombo, &QComboBox::activated, this,
            [this](int index) { chooseDrive(m_driveCombo->itemData(index).toString()); });
    connect(m_folderList, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { enterEntry(item->data(Qt::UserRole).toString()); });

    setFocusProxy(m_folderList);
    setDriveRoots(MountedDrives::roots());
}

QString FolderBrowser::drive() const
{
    return MountedDrives::driveOf(m_folder, m_roots);
}

void FolderBrowser::setDriveRoots(const QStringList& roots)
{
    m_roots = roots;
    fillDriveCombo();
    syncDriveCombo();
}

void FolderBrowser::fillDriveCombo()
{
    m_driveCombo->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon, nullptr, this);
    for (const QString& root : m_roots)
        m_driveCombo->addItem(icon, root, root);
}

void FolderBrowser::syncDriveCombo()
{
    m_driveCombo->setCurrentIndex(m_driveCombo->findData(drive()));
}

bool FolderBrowser::setFolder(const QString& folder)
{
    if (folder.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    if (!QFileInfo(clean).isDir() || !MountedDrives::listingError(clean).isEmpty())
        return false;
    m_folder = clean;
    m_lastFolderOnDrive.insert(drive(), m_folder);
    syncDriveCombo();
    fillFolderList();
    showFolderPath();
    Q_EMIT folderChanged(m_folder);
    return true;
}

void FolderBrowser::fillFolderList()
{
    m_folderList->clear();
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon, nullptr, this);
    if (!isRootFolder(m_folder)) {
        auto* up = new QListWidgetItem(style()->standardIcon(QStyle::SP_FileDialogToParent, nullptr, this),
                                       QString::fromLatin1(kUp), m_folderList);
        up->setData(Qt::UserRole, QString::fromLatin1(kUp));
    }
    const QStringList names = QDir(m_folder).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(folderIcon, name, m_folderList);
        item->setData(Qt::UserRole, name);
    }
    // Nothing highlighted: Enter then presses the dialog's OK.
    m_folderList->clearSelection();
}

void FolderBrowser::showFolderPath()
{
    m_pathLabel->setToolTip(m_folder);
    m_pathLabel->setText(
        m_pathLabel->fontMetrics().elidedText(m_folder, Qt::ElideMiddle, qMax(1, m_pathLabel->width())));
}

QStringList FolderBrowser::entries() const
{
    QStringList names;
    for (int i = 0; i < m_folderList->count(); ++i)
        names.append(m_folderList->item(i)->data(Qt::UserRole).toString());
    return names;
}

void FolderBrowser::reportError(const QString& systemText, const QString& path)
{
    MessageBoxes::exclamation(this, QStringLiteral("ZNT Error"),
                              systemText + QLatin1String("\r\n\r\n") + path);
}

void FolderBrowser::enterEntry(const QString& name)
{
    if (name.isEmpty())
        return;
    QString target;
    if (name == QLatin1String(kUp)) {
        if (isRootFolder(m_folder))
            return;
        QDir up(m_folder);
        up.cdUp();
        target = up.absolutePath();
    } else {
        target = PathText::join(m_folder, name);
    }
    if (setFolder(target))
        return;
    const QString error = MountedDrives::listingError(target);
    reportError(error.isEmpty() ? qt_error_string(ENOTDIR) : error, target);
    // The folder may have gone since it was listed.
    fillFolderList();
}

void FolderBrowser::chooseDrive(const QString& root)
{
    if (root.isEmpty() || root == drive())
        return;
    const QString remembered = m_lastFolderOnDrive.value(root);
    if (!remembered.isEmpty() && setFolder(remembered))
        return;
    if (setFolder(root))
        return;

    QString error = MountedDrives::listingError(root);
    if (error.isEmpty())
        error = qt_error_string(ENOTDIR);
    reportError(error, root);
    // Back to a drive that works.
    if (m_fallback.isEmpty() || !setFolder(m_fallback))
        syncDriveCombo();
}

bool FolderBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_folderList && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // Enter opens the highlighted folder and must not also press the dialog's OK.
            const QList<QListWidgetItem*> highlighted = m_folderList->selectedItems();
            if (!highlighted.isEmpty()) {
                enterEntry(highlighted.first()->data(Qt::UserRole).toString());
                return true;
            }
        } else if (key->key() == Qt::Key_Backspace) {
            enterEntry(QString::fromLatin1(kUp));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FolderBrowser::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    showFolderPath();
}

} // namespace zentaro
