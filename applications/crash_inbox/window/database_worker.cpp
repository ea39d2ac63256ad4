#include "database_worker.h"

#include "crash_inbox/store/inbox_database.h"

DatabaseWorker::DatabaseWorker(const DatabaseLocation& location, QObject* parent)
    : QObject(parent)
    , m_location(location)
    , m_context(std::make_unique<QObject>())
{
    m_thread.setObjectName(QStringLiteral("inbox queries"));
    m_context->moveToThread(&m_thread);
    // The connection belongs to the worker's thread and is closed there.
    connect(
        &m_thread, &QThread::finished, m_context.get(), [this] { m_database.reset(); },
        Qt::DirectConnection);
    m_thread.start();
}

DatabaseWorker::~DatabaseWorker()
{
    for (auto& ticket : m_tickets)
        ++ticket;
    // Behind what is waiting: a change asked for just before the window closed is still made.
    QMetaObject::invokeMethod(
        m_context.get(), [this] { m_thread.quit(); }, Qt::QueuedConnection);
    m_thread.wait();
}

bool DatabaseWorker::isOvertaken(Lane lane, quint64 ticket) const
{
    return lane != EveryQuestion && m_tickets[std::size_t(lane)] != ticket;
}

bool DatabaseWorker::isAskedAgain(Lane lane, const QString& question) const
{
    return lane != EveryQuestion && !question.isEmpty() &&
           m_questions[std::size_t(lane)] == question;
}

InboxDatabase* DatabaseWorker::openedDatabase(QString& error)
{
    // A server that was away is tried again at the next question.
    if (!m_database)
        m_database = InboxDatabase::open(m_location, error);
    return m_database.get();
}
