#include "store/Database.h"

#include "store/file/FileDatabase.h"

namespace zentaro {

namespace {

Database::ServerOpener serverOpener = nullptr;

} // namespace

Result<std::shared_ptr<Database>> Database::open(const QString& address, const OpenOptions& options)
{
    if (!isServerAddress(address))
        return FileDatabase::open(address, options);
    if (!serverOpener) {
        return Result<std::shared_ptr<Database>>::failure(
            ErrorCode::Unreadable,
            QStringLiteral("The library \"%1\" is on a server, and server libraries are not available in this build.")
                .arg(address));
    }
    return serverOpener(address, options);
}

void Database::setServerOpener(ServerOpener opener)
{
    serverOpener = opener;
}

bool Database::isServerAddress(const QString& address)
{
    return address.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           address.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

Status Database::compactFile(const QString& sourcePath, const QString& targetPath)
{
    return FileDatabase::compactFile(sourcePath, targetPath);
}

Status Database::closedFailure() const
{
    return Status::failure(ErrorCode::Engine, QStringLiteral("The library \"%1\" is closed.").arg(path()));
}

} // namespace zentaro
