// PostgreSQL connection addresses as libpq takes them:
//
//   postgresql://[USER[:PASSWORD]@][HOST[:PORT][,HOST[:PORT]...]][/DB][?NAME=VALUE&...]
//
// (also postgres://), every part percent-encoded. A host that is a folder
// ("%2Fvar%2Frun%2Fpostgresql", or ?host=/var/run/postgresql) is the folder of
// the server's Unix socket. The parameters are libpq's connection keywords
// (sslmode, sslrootcert, connect_timeout, application_name, ...), passed
// through; a parameter host, port, user, password or dbname takes the place of
// that part. What an address leaves out, libpq takes from the PG* variables.
#pragma once

#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace qrt58 {

struct PostgresAddress {
    QString host;  // hosts separated by commas; empty: libpq's default (PGHOST)
    int port = -1; // -1: libpq's default (PGPORT), or one port per host in the parameters
    QString user, password, database;
    // The other connection keywords, in the order given.
    std::vector<std::pair<QString, QString>> parameters;
    bool operator==(const PostgresAddress& o) const {
        return host == o.host && port == o.port && user == o.user && password == o.password && database == o.database &&
               parameters == o.parameters;
    }
};

// Parses a postgresql:// or postgres:// address; nullopt with `why` (which
// never quotes the password) for one libpq would refuse.
std::optional<PostgresAddress> parse_postgres_uri(const QString& text, QString* why = nullptr);

// The address written back as a postgresql:// address, without the password.
QString postgres_uri_text(const PostgresAddress& address);

// The parameters as Qt's PostgreSQL driver takes them (NAME=VALUE separated by
// semicolons, values quoted for libpq), with `defaults` for keywords the
// address does not give.
QString postgres_connect_options(const PostgresAddress& address,
                                 const std::vector<std::pair<QString, QString>>& defaults);

} // namespace qrt58
