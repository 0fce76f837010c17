#pragma once

#include <QString>

namespace tolvan {

class Engine;

namespace schema {

// The version written to tolvan_meta; a database without it is no TOLVAN database.
inline constexpr auto Version = "2";

// Why the program cannot use the database (not a TOLVAN database, an older
// schema), or "" when it can. Raises ServerError when the file cannot be read.
QString problem(Engine &engine);
// Brings a database of schema 1 to the current one (the branch table, filled
// with every branch that has stock); false when there was nothing to do.
bool upgrade(Engine &engine);
bool exists(Engine &engine);
// Creates every table and index (the same on both engines).
void create(Engine &engine);
// Drops every table of the schema.
void drop(Engine &engine);
// True when any table holds rows.
bool hasData(Engine &engine);
// Deletes the rows of every data table of a current schema, keeping the
// tables: programs reading meanwhile wait for nothing and see the old rows
// until the transaction around it commits. The connection log stays.
void clear(Engine &engine);
// Gathers the statistics the engine plans with (ANALYZE).
void analyze(Engine &engine);

} // namespace schema
} // namespace tolvan
