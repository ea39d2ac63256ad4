#include "change_watch.h"

#include "inbox_database.h"
#include "sql_failure.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

namespace {

constexpr char Channel[] = "q5_crash_inbox";
// Often enough to feel live, rarely enough to cost nothing: the pragma reads no table.
constexpr int PollIntervalMs = 1000;

} // namespace

ChangeWatch::ChangeWatch(InboxDatabase& database, QObject* parent)
    : QObject(parent)
    , m_database(database)
{
    if (m_database.isPostgres()) {
        QSqlDriver* driver = m_database.connection().driver();
        if (driver->subscribeToNotification(QString::fromLatin1(Channel)))
            connect(driver, &QSqlDriver::notification, this, [this](const QString& name) {
                if (name == QLatin1String(Channel))
                    Q_EMIT changed();
            });
        return;
    }
    pollDataVersion();
    m_poll.setInterval(PollIntervalMs);
    connect(&m_poll, &QTimer::timeout, this, &ChangeWatch::pollDataVersion);
    m_poll.start();
}

ChangeWatch::~ChangeWatch()
{
    if (m_database.isPostgres())
        m_database.connection().driver()->unsubscribeFromNotification(QString::fromLatin1(Channel));
}

bool ChangeWatch::announceChange(const InboxDatabase& database, QString& error)
{
    if (!database.isPostgres())
        return true;
    QSqlQuery query(database.connection());
    if (query.exec(QStringLiteral("NOTIFY ") + QLatin1String(Channel)))
        return true;
    error = sqlFailure(QStringLiteral("the database cannot be written"), query);
    return false;
}

void ChangeWatch::pollDataVersion()
{
    QSqlQuery query(m_database.connection());
    // A writer that holds the file is not waited for: the next poll will see its change.
    query.exec(QStringLiteral("PRAGMA busy_timeout = 0"));
    const bool read = query.exec(QStringLiteral("PRAGMA data_version")) && query.next();
    const qint64 version = read ? query.value(0).toLongLong() : m_dataVersion;
    query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(InboxDatabase::busySeconds() * 1000));
    if (!read)
        return;
    const bool moved = m_dataVersion >= 0 && version != m_dataVersion;
    m_dataVersion = version;
    if (moved)
        Q_EMIT changed();
}
