// Inside the registry: the receiver rows as the queries read them, shared by
// the registry's source files.
#pragma once

#include "registry.h"

#include <QSqlQuery>
#include <QString>

namespace qrt58::registry_rows {

// The time as the registry stores it (ISO 8601, UTC, milliseconds).
QString now_text();
// "SELECT ... FROM (...) r ": every receiver with its job's name and its
// number within its job (or run); add "WHERE ..." on r and "ORDER BY r.id".
extern const char* const kReceiverColumns;
ReceiverRecord record_of(const QSqlQuery& q);

} // namespace qrt58::registry_rows
