#include "ui/transfer/GetPathForm.h"

#include "ui/common/FolderBrowser.h"
#include "ui/common/ScreenMetrics.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zentaro {

GetPathForm::GetPathForm(const QString& startFolder, const QString& fallbackFolder, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("GetPathForm"));
    setWindowTitle(QStringLiteral("Select Path"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_browser = new FolderBrowser(QStringLiteral("Drive"), QStringLiteral("Folder"), this);
    m_browser->setFallbackFolder(fallbackFolder);

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("OKButton"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    connect(m_okButton, &QPushButton::clicked, this, [this] {
        // A path typed but not yet gone to is the folder meant.
        if (m_browser->typedPathPending() && !m_browser->goToPath(m_browser->pathBox()->text()))
            return;
        accept();
    });
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser, 1);
    layout->addLayout(buttons);

    resize(ScreenMetrics::toPixelsX(5400, this), ScreenMetrics::toPixelsY(5400, this));

    for (const QString& candidate : {startFolder, fallbackFolder, QDir::homePath(), QDir::rootPath()}) {
        if (m_browser->setFolder(candidate))
            break;
    }
    m_browser->setFocus();
}

std::optional<QString> GetPathForm::pick(QWidget* parent, const QString& startFolder,
                                         const QString& fallbackFolder)
{
    GetPathForm form(startFolder, fallbackFolder, parent);
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return form.chosenFolder();
}

QString GetPathForm::chosenFolder() const
{
    return m_browser->folder();
}

} // namespace zentaro
