#pragma once

#include "ServerObject.h"

#include <memory>

namespace tolvan {

struct Connection;

// The server classes the component offers; each raises ServerError for an
// unknown class, query or id.
std::unique_ptr<ServerObject> openStoredObject(const std::shared_ptr<Connection> &connection,
                                               const QString &className, const QString &id);
std::unique_ptr<ServerObject> createServerObject(const std::shared_ptr<Connection> &connection,
                                                 const QString &className);
std::unique_ptr<ResultSet> openServerQuery(const std::shared_ptr<Connection> &connection,
                                           const QString &className, const QString &queryName);

} // namespace tolvan
