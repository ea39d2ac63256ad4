#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// Where the console sends its packages, if anywhere: the service desk's collector and the
// console's token. Sending is opt-in: without both, nothing leaves the console.
struct UploadSettings {
    QUrl collector; // https://desk.example:8470
    QByteArray token;
    QString caCertificates; // PEM file of the authorities that the collector's certificate
                            // is checked against, besides the system's; may be empty

    bool isConfigured() const { return collector.isValid() && !token.isEmpty(); }
    // Where packages are posted.
    QUrl packagesUrl() const;

    // Q5_CRASH_UPLOAD_URL, Q5_CRASH_UPLOAD_TOKEN and Q5_CRASH_UPLOAD_CA first, then the
    // user's crash-reporter.conf, then the system's ([upload] url, token, ca-certificates).
    // An address that would send packages in the clear is refused, with the reason.
    static UploadSettings load(QString& problem);
    // HTTPS anywhere; plain HTTP only to this machine.
    static bool isSafeAddress(const QUrl& url);
};
