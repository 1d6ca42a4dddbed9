#include "library/LibraryAddress.h"

#include "store/Database.h"
#include "store/LibraryFile.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace zentaro {

bool LibraryAddress::IsServer(const QString& address)
{
    return Database::isServerAddress(address.trimmed());
}

bool LibraryAddress::IsLibraryAddress(const QString& address)
{
    return IsServer(address) || LibraryFile::IsLibraryPath(address);
}

QString LibraryAddress::WithoutPassword(const QString& address)
{
    if (!IsServer(address))
        return address;
    static const QRegularExpression userPart(QStringLiteral("^([a-zA-Z]+://[^:@/?]*):[^@/?]*@"));
    static const QRegularExpression queryPart(QStringLiteral("([?&])password=[^&]*(&?)"),
                                              QRegularExpression::CaseInsensitiveOption);
    QString out = address.trimmed();
    out.replace(userPart, QStringLiteral("\\1@"));
    // "?password=x&user=y" keeps its "?", "&password=x" goes whole.
    QRegularExpressionMatch m;
    while ((m = queryPart.match(out)).hasMatch()) {
        const QString lead = m.captured(1);
        const bool more = !m.captured(2).isEmpty();
        out.replace(m.capturedStart(), m.capturedLength(), more ? lead : QString());
    }
    if (out.endsWith(QLatin1Char('&')))
        out.chop(1);
    return out;
}

QString LibraryAddress::WithPassword(const QString& address, const QString& password)
{
    const QString bare = WithoutPassword(address);
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(password));
    return bare + (bare.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) +
           QStringLiteral("password=") + encoded;
}

QString LibraryAddress::DisplayName(const QString& address)
{
    return IsServer(address) ? WithoutPassword(address) : LibraryFile::DisplayName(address);
}

QString LibraryAddress::FromParts(const QString& host, int port, const QString& database, const QString& user)
{
    auto enc = [](const QString& text) { return QString::fromLatin1(QUrl::toPercentEncoding(text.trimmed())); };
    QString out = QStringLiteral("postgresql://");
    // A socket folder goes as a parameter; a name in the authority.
    const bool socket = host.trimmed().startsWith(QLatin1Char('/'));
    if (!socket)
        out += enc(host);
    if (port > 0 && !socket)
        out += QLatin1Char(':') + QString::number(port);
    out += QLatin1Char('/') + enc(database);
    QStringList params;
    if (!user.trimmed().isEmpty())
        params << QStringLiteral("user=") + enc(user);
    if (socket) {
        params << QStringLiteral("host=") + enc(host);
        if (port > 0)
            params << QStringLiteral("port=") + QString::number(port);
    }
    if (!params.isEmpty())
        out += QLatin1Char('?') + params.join(QLatin1Char('&'));
    return out;
}

} // namespace zentaro
