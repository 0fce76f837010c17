#pragma once

#include <QString>
#include <functional>

namespace tolvan {

class Engine;

// Demo logins and suppliers, listed in the README.
namespace demo {
inline constexpr auto Firm = "1";
inline constexpr auto Branch = "0";
inline constexpr auto User = "DEMO";
inline constexpr auto Password = "demo";
inline constexpr auto GeneratedSupplier = "999";
} // namespace demo

// Loads the demo data into an empty schema: users, departments, person records,
// ^FA(0), suppliers, articles and stock; with `articles` > 0 one more supplier
// with that many generated articles. `progress` hears what was loaded.
void loadDemoData(Engine &engine, qint64 articles,
                  const std::function<void(const QString &)> &progress);

// Replaces the data of a database by the demo data in one transaction. A
// current schema keeps its tables, so that programs connect, read and log
// meanwhile without waiting and see the old data until the load commits; an
// older schema is dropped and created anew. The connection log stays.
void replaceWithDemoData(Engine &engine, qint64 articles,
                         const std::function<void(const QString &)> &progress);

} // namespace tolvan
