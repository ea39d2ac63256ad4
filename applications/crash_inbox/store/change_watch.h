#pragma once

#include <QObject>
#include <QTimer>

class InboxDatabase;

// Tells when another connection changed the inbox: PostgreSQL notifies its listeners of each
// filing and triage (see announceChange); a SQLite file is asked for its data version now and
// then, which moves whenever another connection commits.
class ChangeWatch : public QObject
{
    Q_OBJECT

public:
    // Watches the database's connection, on the thread that made it; the database outlives it.
    explicit ChangeWatch(InboxDatabase& database, QObject* parent = nullptr);
    ~ChangeWatch() override;

    // Within a transaction that changes the inbox: its listeners hear of it once it commits.
    static bool announceChange(const InboxDatabase& database, QString& error);

Q_SIGNALS:
    void changed();

private:
    void pollDataVersion();

    InboxDatabase& m_database;
    QTimer m_poll;
    qint64 m_dataVersion = -1;
};
