#include "ui/common/FolderBrowser.h"

#include "core/PathText.h"
#include "ui/common/MessageBoxes.h"
#include "ui/common/MountedDrives.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include <cerrno>

namespace zentaro {

namespace {

bool isRootFolder(const QString& folder)
{
    return folder == QLatin1String("/");
}

bool isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// A pasted path often comes quoted, with blanks around it, or as a file: URL.
QString typedPathText(const QString& typed)
{
    QString text = typed.trimmed();
    if (text.size() >= 2 && (text.front() == QLatin1Char('"') || text.front() == QLatin1Char('\''))
        && text.back() == text.front())
        text = text.mid(1, text.size() - 2);
    if (text.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(text);
        if (url.isLocalFile())
            text = url.toLocalFile();
    }
    if (text == QLatin1String("~"))
        text = QDir::homePath();
    else if (text.startsWith(QLatin1String("~/")))
        text = PathText::join(QDir::homePath(), text.mid(2));
    return text;
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

    m_pathBox = new QLineEdit(this);
    m_pathBox->setObjectName(QStringLiteral("FolderPathBox"));
    m_pathBox->setToolTip(QStringLiteral("Type or paste a folder's path, then press Enter or Go"));
    m_pathBox->installEventFilter(this);
    m_goButton = new QPushButton(QStringLiteral("Go"), this);
    m_goButton->setObjectName(QStringLiteral("GoButton"));
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_pathBox, 1);
    pathRow->addWidget(m_goButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(driveLabel);
    layout->addWidget(m_driveCombo);
    layout->addSpacing(driveLabel->fontMetrics().height() / 2);
    layout->addWidget(folderLabel);
    layout->addLayout(pathRow);
    layout->addWidget(m_folderList, 1);

    connect(m_driveCombo, &QComboBox::activated, this,
            [this](int index) { chooseDrive(m_driveCombo->itemData(index).toString()); });
    connect(m_folderList, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { enterEntry(item->data(Qt::UserRole).toString()); });
    connect(m_goButton, &QPushButton::clicked, this, [this] { goToPath(m_pathBox->text()); });

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
    return showFolder(folder, QString());
}

bool FolderBrowser::showFolder(const QString& folder, const QString& highlight)
{
    if (folder.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    if (!QFileInfo(clean).isDir() || !MountedDrives::listingError(clean).isEmpty())
        return false;
    m_folder = clean;
    m_lastFolderOnDrive.insert(drive(), m_folder);
    syncDriveCombo();
    fillFolderList(highlight);
    showFolderPath();
    Q_EMIT folderChanged(m_folder);
    return true;
}

void FolderBrowser::fillFolderList(const QString& highlight)
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
    // The folder just left when going up, else the first entry: Enter acts
    // on what is highlighted.
    const QList<QListWidgetItem*> left =
        highlight.isEmpty() ? QList<QListWidgetItem*>() : m_folderList->findItems(highlight, Qt::MatchExactly);
    if (!left.isEmpty())
        m_folderList->setCurrentItem(left.first());
    else if (m_folderList->count() > 0)
        m_folderList->setCurrentRow(0);
}

void FolderBrowser::showFolderPath()
{
    m_pathBox->setText(m_folder);
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
    QString highlight;
    if (name == QLatin1String(kUp)) {
        if (isRootFolder(m_folder))
            return;
        QDir up(m_folder);
        highlight = up.dirName();
        up.cdUp();
        target = up.absolutePath();
    } else {
        target = PathText::join(m_folder, name);
    }
    if (showFolder(target, highlight))
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

bool FolderBrowser::typedPathPending() const
{
    const QString text = typedPathText(m_pathBox->text());
    return !text.isEmpty() && QDir::cleanPath(QDir(m_folder).absoluteFilePath(text)) != m_folder;
}

bool FolderBrowser::goToPath(const QString& typed)
{
    const QString text = typedPathText(typed);
    if (text.isEmpty())
        return false;
    const QString path = QDir::cleanPath(QDir(m_folder).absoluteFilePath(text));
    const QFileInfo info(path);
    if (!info.exists()) {
        reportError(m_filesAccepted ? QStringLiteral("There is no file or folder at this path:")
                                    : QStringLiteral("There is no folder at this path:"),
                    path);
        return false;
    }
    if (!info.isDir() && !m_filesAccepted) {
        reportError(QStringLiteral("This path is a file, not a folder:"), path);
        return false;
    }
    const QString folder = info.isDir() ? path : info.absolutePath();
    if (!setFolder(folder)) {
        const QString error = MountedDrives::listingError(folder);
        reportError(error.isEmpty() ? qt_error_string(ENOTDIR) : error, folder);
        return false;
    }
    if (!info.isDir())
        Q_EMIT fileRequested(info.fileName());
    return true;
}

bool FolderBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == m_pathBox && isEnter(key)) {
        // Enter goes to the typed path; it must not also answer the dialog.
        goToPath(m_pathBox->text());
        return true;
    }
    if (watched == m_folderList) {
        if (isEnter(key)) {
            // Enter opens the entry it stands on, ".." included; only the
            // dialog's own button answers it from here.
            if (QListWidgetItem* current = m_folderList->currentItem())
                enterEntry(current->data(Qt::UserRole).toString());
            return true;
        }
        if (key->key() == Qt::Key_Backspace) {
            enterEntry(QString::fromLatin1(kUp));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zentaro
