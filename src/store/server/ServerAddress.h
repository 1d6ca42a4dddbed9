#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace zentaro {

// Where a library on a PostgreSQL server lives: a libpq connection URI such
// as postgresql://host:port/dbname?user=name, also with a socket folder as
// its host (postgresql:///dbname?host=/run/postgresql). Parsing is libpq's
// own, so whatever libpq accepts in a URI is accepted here.
class ServerAddress
{
public:
    ServerAddress() = default;

    // True when text is meant for a server (it begins with postgresql:// or
    // postgres://, in any case), whether or not it parses.
    static bool IsServerAddress(const QString& text);
    // InvalidArgument, naming the text without its password, when libpq
    // cannot read it or it is no server address.
    static Result<ServerAddress> parse(const QString& text);

    // The address as given, password included: only for connecting.
    const QString& text() const { return m_text; }
    // "host:port/dbname" for captions and messages; never the password. A
    // socket folder stands where the host would.
    QString display() const;
    QString host() const { return m_host; }
    int port() const { return m_port; }
    QString database() const { return m_database; }
    QString user() const { return m_user; }
    bool hasPassword() const { return m_hasPassword; }

    // Keyword and value pairs for PQconnectdbParams.
    const QList<QPair<QByteArray, QByteArray>>& options() const { return m_options; }

private:
    QString m_text;
    QString m_host;
    int m_port = 5432;
    QString m_database;
    QString m_user;
    bool m_hasPassword = false;
    QList<QPair<QByteArray, QByteArray>> m_options;
};

} // namespace zentaro
