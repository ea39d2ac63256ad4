#pragma once

#include <QMetaObject>

namespace Orrery {

// Returns the connection and leaves the argument empty.
QMetaObject::Connection takeConnection(QMetaObject::Connection& connection);

// Disconnects what the variable holds, if still connected, and stores the new connection.
void replaceConnection(QMetaObject::Connection& variable, QMetaObject::Connection connection);

} // namespace Orrery
