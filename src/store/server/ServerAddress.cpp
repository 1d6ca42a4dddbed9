#include "store/server/ServerAddress.h"

#include <QRegularExpression>

#include <libpq-fe.h>

namespace zentaro {

namespace {

// The text with any password of the URI's user part or query replaced, for
// a message about a text that did not parse.
QString withoutPassword(const QString& text)
{
    static const QRegularExpression userPart(QStringLiteral("^([a-zA-Z]+://[^:@/?]*):[^@/?]*@"));
    static const QRegularExpression queryPart(QStringLiteral("([?&]password=)[^&]*"),
                                              QRegularExpression::CaseInsensitiveOption);
    QString out = text;
    out.replace(userPart, QStringLiteral("\\1:***@"));
    out.replace(queryPart, QStringLiteral("\\1***"));
    return out;
}

} // namespace

bool ServerAddress::IsServerAddress(const QString& text)
{
    const QString t = text.trimmed();
    return t.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           t.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

Result<ServerAddress> ServerAddress::parse(const QString& text)
{
    using R = Result<ServerAddress>;
    const QString trimmed = text.trimmed();
    if (!IsServerAddress(trimmed)) {
        return R::failure(ErrorCode::InvalidArgument,
                          QStringLiteral("\"%1\" is no server address: it must begin with postgresql://.")
                              .arg(withoutPassword(trimmed)));
    }
    // libpq reads the scheme only in lower case.
    QString uri = trimmed;
    const int colon = uri.indexOf(QLatin1Char(':'));
    uri.replace(0, colon, uri.left(colon).toLower());

    char* error = nullptr;
    const QByteArray utf8 = uri.toUtf8();
    PQconninfoOption* parsed = PQconninfoParse(utf8.constData(), &error);
    if (!parsed) {
        QString why = error ? QString::fromUtf8(error).trimmed() : QStringLiteral("out of memory");
        PQfreemem(error);
        return R::failure(ErrorCode::InvalidArgument,
                          QStringLiteral("The server address \"%1\" cannot be read: %2.")
                              .arg(withoutPassword(trimmed), why));
    }
    ServerAddress address;
    address.m_text = trimmed;
    for (PQconninfoOption* o = parsed; o->keyword; ++o) {
        if (!o->val)
            continue;
        const QByteArray keyword(o->keyword);
        const QByteArray value(o->val);
        address.m_options.append({keyword, value});
        const QString v = QString::fromUtf8(value);
        if (keyword == "host")
            address.m_host = v;
        else if (keyword == "hostaddr" && address.m_host.isEmpty())
            address.m_host = v;
        else if (keyword == "port")
            address.m_port = v.section(QLatin1Char(','), 0, 0).toInt();
        else if (keyword == "dbname")
            address.m_database = v;
        else if (keyword == "user")
            address.m_user = v;
        else if (keyword == "password")
            address.m_hasPassword = !value.isEmpty();
    }
    PQconninfoFree(parsed);
    if (address.m_port <= 0)
        address.m_port = 5432;
    return address;
}

QString ServerAddress::display() const
{
    // libpq's defaults: the local socket, and a database named as the user.
    const QString host = m_host.isEmpty() ? QStringLiteral("localhost") : m_host;
    const QString database = !m_database.isEmpty() ? m_database
                             : !m_user.isEmpty()   ? m_user
                                                   : QString::fromLocal8Bit(qgetenv("USER"));
    return QStringLiteral("%1:%2/%3").arg(host).arg(m_port).arg(database);
}

} // namespace zentaro
