#include "upload_settings.h"

#include "q5_suite/suite_identity.h"

#include <QHostAddress>
#include <QSettings>

namespace {

QString settingsApplication()
{
    return suiteApplicationName({SuiteApplication::Controller, std::uint8_t{0}}) +
           QStringLiteral("/crash-reporter");
}

QString chosen(const char* variable, const QSettings& settings, const QString& key)
{
    const QString value = qEnvironmentVariable(variable);
    return value.isEmpty() ? settings.value(key).toString().trimmed() : value.trimmed();
}

} // namespace

QUrl UploadSettings::packagesUrl() const
{
    QUrl url = collector;
    QString path = url.path();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    url.setPath(path + QStringLiteral("api/v1/packages"));
    return url;
}

bool UploadSettings::isSafeAddress(const QUrl& url)
{
    if (url.scheme() == QLatin1String("https"))
        return !url.host().isEmpty();
    if (url.scheme() != QLatin1String("http"))
        return false;
    return url.host() == QLatin1String("localhost") || QHostAddress(url.host()).isLoopback();
}

UploadSettings UploadSettings::load(QString& problem)
{
    // The user's crash-reporter.conf, and the system-wide one (under /etc/xdg) where the
    // user's has no value; on Windows the registry, beside the suite's other settings.
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                             QString::fromLatin1(Suite::OrganisationName), settingsApplication());
    UploadSettings upload;
    const QString address = chosen("Q5_CRASH_UPLOAD_URL", settings, QStringLiteral("upload/url"));
    const QString token = chosen("Q5_CRASH_UPLOAD_TOKEN", settings, QStringLiteral("upload/token"));
    if (address.isEmpty() || token.isEmpty())
        return upload;
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || !isSafeAddress(url)) {
        problem = QStringLiteral("The upload address %1 is refused: HTTPS is needed, or HTTP to "
                                 "this machine")
                      .arg(url.toDisplayString(QUrl::RemoveUserInfo));
        return upload;
    }
    upload.collector =
        url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
    upload.token = token.toLatin1();
    upload.caCertificates =
        chosen("Q5_CRASH_UPLOAD_CA", settings, QStringLiteral("upload/ca-certificates"));
    return upload;
}
