#pragma once

#include "crash_inbox/store/database_location.h"

#include <QObject>
#include <QThread>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class InboxDatabase;

// Runs the window's queries and changes on a thread of its own with its own connection, one at
// a time in the order asked, so that the window never waits for the database. Of the questions
// asked on one lane only the latest is worth answering: one overtaken before it ran is dropped,
// and an answer overtaken meanwhile is not delivered, unless the question that overtook it asks
// the same (a refresh while others keep filing must not starve the window of answers).
class DatabaseWorker : public QObject
{
    Q_OBJECT

public:
    enum class Lane { Choices, Groups, Packages, Chart, Package, Count };
    // Each question answered, in turn.
    static constexpr Lane EveryQuestion = Lane::Count;

    explicit DatabaseWorker(const DatabaseLocation& location, QObject* parent = nullptr);
    // Waits for the question being answered and for the changes asked for; the other questions
    // are dropped.
    ~DatabaseWorker() override;

    // `query` runs on the worker's thread and gives its result, or none with the error set;
    // `answer` then runs on this object's thread.
    // `question` tells what is asked: two alike are answered alike.
    template <typename Result>
    void ask(Lane lane, std::function<std::optional<Result>(InboxDatabase&, QString&)> query,
             std::function<void(const std::optional<Result>&, const QString&)> answer,
             const QString& question = {})
    {
        const quint64 ticket = ++m_tickets[std::size_t(lane)];
        m_questions[std::size_t(lane)] = question;
        QMetaObject::invokeMethod(
            m_context.get(),
            [this, lane, ticket, question, query = std::move(query), answer = std::move(answer)] {
                if (isOvertaken(lane, ticket))
                    return;
                QString error;
                std::optional<Result> result;
                if (InboxDatabase* database = openedDatabase(error))
                    result = query(*database, error);
                QMetaObject::invokeMethod(
                    this,
                    [this, lane, ticket, question, answer, result = std::move(result), error] {
                        if (!isOvertaken(lane, ticket) || isAskedAgain(lane, question))
                            answer(result, error);
                    },
                    Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    }

private:
    bool isOvertaken(Lane lane, quint64 ticket) const;
    bool isAskedAgain(Lane lane, const QString& question) const;
    // Opened on the worker's thread at its first question.
    InboxDatabase* openedDatabase(QString& error);

    const DatabaseLocation m_location;
    std::array<std::atomic<quint64>, std::size_t(Lane::Count) + 1> m_tickets{};
    std::array<QString, std::size_t(Lane::Count) + 1> m_questions; // the latest, on this thread
    QThread m_thread;
    std::unique_ptr<QObject> m_context; // lives on the worker's thread
    std::unique_ptr<InboxDatabase> m_database;
};
