#pragma once

#include <QString>

namespace tolvan {

class Engine;

namespace schema {

// The version written to tolvan_meta; a database without it is no TOLVAN database.
inline constexpr auto Version = "1";

bool isTolvanDatabase(Engine &engine);
bool exists(Engine &engine);
// Creates every table and index (the same on both engines).
void create(Engine &engine);
// Drops every table of the schema.
void drop(Engine &engine);
// True when any table holds rows.
bool hasData(Engine &engine);

} // namespace schema
} // namespace tolvan
