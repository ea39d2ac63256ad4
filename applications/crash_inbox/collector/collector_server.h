#pragma once

#include "collector_options.h"

#include <QString>

#include <memory>

class CollectorDesk;

// The collector's network side: HTTP, or HTTPS with the system's OpenSSL, served by Boost.Beast
// on a few threads. Uploads stream into the package folder as they arrive and are handed to
// the desk once whole; the answer waits for the desk's outcome.
class CollectorServer
{
public:
    CollectorServer(const CollectorOptions& options, CollectorDesk& desk);
    ~CollectorServer();
    CollectorServer(const CollectorServer&) = delete;
    CollectorServer& operator=(const CollectorServer&) = delete;

    // Listens and starts serving; false with the reason.
    bool start(QString& error);
    // The port listened on: the one asked for, or the one the system chose for port 0.
    quint16 port() const;
    // Stops serving and waits for the network threads; connections are dropped.
    void stop();

private:
    struct Network;
    std::unique_ptr<Network> m_network;
};
