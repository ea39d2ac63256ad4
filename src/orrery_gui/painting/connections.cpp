#include "connections.h"

#include <QObject>

#include <utility>

namespace Orrery {

QMetaObject::Connection takeConnection(QMetaObject::Connection& connection)
{
    return std::exchange(connection, QMetaObject::Connection());
}

void replaceConnection(QMetaObject::Connection& variable, QMetaObject::Connection connection)
{
    if (variable)
        QObject::disconnect(variable);
    variable = std::move(connection);
}

} // namespace Orrery
