#include "ui/main/ToolIcons.h"

#include <QFile>

// The resources of a static library are registered by hand, outside any namespace.
static void registerIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace zentaro {

namespace {

QString resourcePath(const QString& name)
{
    static const bool registered = [] {
        registerIconResources();
        return true;
    }();
    (void)registered;
    return QStringLiteral(":/icons/") + name + QStringLiteral(".svg");
}

} // namespace

QIcon ToolIcons::forButton(const QString& buttonName)
{
    const QString path = resourcePath(buttonName);
    if (!QFile::exists(path))
        return {};
    return QIcon(path);
}

QPixmap ToolIcons::emblem(int size, qreal devicePixelRatio)
{
    const QIcon icon(resourcePath(QStringLiteral("zentaro")));
    QPixmap pixmap = icon.pixmap(QSize(size, size), devicePixelRatio);
    return pixmap;
}

} // namespace zentaro
