// Where the production registry lives: an SQLite file (the default, in the
// user's data folder) or a PostgreSQL database that several stations share.
//
//   postgresql://[USER[:PASSWORD]@][HOST][:PORT]/DB[?NAME=VALUE&...]   (also postgres://;
//                                     libpq's addresses, see postgres_uri.h)
//   postgresql:                                     the PG* environment variables
//   sqlite:PATH, or a plain PATH                     an SQLite file
#pragma once

#include <QString>
#include <optional>
#include <utility>
#include <vector>

class QSettings;

namespace qrt58 {

struct RegistryLocation {
    enum class Kind { Sqlite, Postgres };
    Kind kind = Kind::Sqlite;
    QString path; // SQLite file
    // PostgreSQL; an empty field (or port -1) is left to libpq, which takes
    // PGHOST, PGPORT, PGUSER, PGPASSWORD, PGDATABASE or its own defaults.
    QString host, user, password, database;
    int port = -1;
    // libpq's other connection keywords (sslmode, application_name, ...).
    std::vector<std::pair<QString, QString>> parameters;

    // As the user writes it, without the password.
    QString text() const;
    bool operator==(const RegistryLocation& o) const {
        return kind == o.kind && path == o.path && host == o.host && user == o.user && password == o.password &&
               database == o.database && port == o.port && parameters == o.parameters;
    }
};

// `text` (a registry URL or a key=value connection description) with every
// password replaced by "***": the user part's and any password=... parameter.
// Messages quote a location only through this.
QString redact_registry_text(const QString& text);

// Parses a registry URL or path. nullopt (with `error`) for a malformed one.
std::optional<RegistryLocation> parse_registry_location(const QString& text, QString* error = nullptr);

// "registry.sqlite" in the user's data folder.
QString default_registry_file();

// Whether the PG* environment variables name a PostgreSQL server (PGHOST,
// PGDATABASE or PGSERVICE set).
bool postgres_environment();

// The registry of a run: `given` (--registry) when not empty, else the one
// chosen in the window's Options (the settings), else PostgreSQL from the PG*
// variables when they are set, else the default SQLite file. nullopt (with
// `error`) when `given` or the stored text is malformed.
std::optional<RegistryLocation> resolve_registry_location(const QString& given, QSettings& settings,
                                                          QString* error = nullptr);
// The text kept in the settings (empty: the default order above).
QString stored_registry_text(QSettings& settings);
void store_registry_text(QSettings& settings, const QString& text);

} // namespace qrt58
