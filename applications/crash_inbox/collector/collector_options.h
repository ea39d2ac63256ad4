#pragma once

#include <QString>
#include <QtGlobal>

// How the collector serves.
struct CollectorOptions {
    QString address = QStringLiteral("127.0.0.1");
    quint16 port = 8470;
    // Both, or neither for plain HTTP.
    QString tlsCertificate;
    QString tlsKey;
    qint64 maxPackageSize = qint64(4) << 30;
    // A connection that sends nothing for this long is closed.
    int stallSeconds = 30;
    int uploadsPerMinute = 600;
    // Where received packages are kept.
    QString packageFolder;
};
