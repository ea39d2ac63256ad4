#include "imap_responses.h"

#include <QRegularExpression>

#include <algorithm>

namespace ImapResponses {

namespace {

// The response's lines that start with the untagged marker and the word given.
QList<QByteArrayView> untagged(const QByteArray& response, QByteArrayView word)
{
    QList<QByteArrayView> lines;
    for (qsizetype start = 0; start < response.size();) {
        qsizetype end = response.indexOf('\n', start);
        if (end < 0)
            end = response.size();
        QByteArrayView line = QByteArrayView(response).sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith("* ") && line.sliced(2).startsWith(word))
            lines.append(line.sliced(2 + word.size()));
        start = end + 1;
    }
    return lines;
}

std::optional<quint32> number(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 10)
        return std::nullopt;
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    if (!ok || value == 0 || value > 0xffffffffULL || text.front() == '+' || text.front() == '-')
        return std::nullopt;
    return quint32(value);
}

} // namespace

std::optional<quint32> uidValidity(const QByteArray& response)
{
    static const QRegularExpression field(QStringLiteral("[([ ]UIDVALIDITY (\\d{1,10})[ )\\]]"));
    for (const QByteArrayView line : untagged(response, "STATUS ") + untagged(response, "OK")) {
        const QRegularExpressionMatch match = field.match(QString::fromLatin1(line));
        if (match.hasMatch())
            return number(match.capturedView(1).toLatin1());
    }
    return std::nullopt;
}

std::optional<QList<quint32>> searchedUids(const QByteArray& response)
{
    QList<quint32> uids;
    for (const QByteArrayView line : untagged(response, "SEARCH")) {
        for (const QByteArray& word : line.toByteArray().split(' ')) {
            if (word.isEmpty())
                continue;
            const std::optional<quint32> uid = number(word);
            if (!uid)
                return std::nullopt;
            uids.append(*uid);
        }
    }
    std::sort(uids.begin(), uids.end());
    uids.erase(std::unique(uids.begin(), uids.end()), uids.end());
    return uids;
}

std::optional<QByteArray> fetchedMessage(const QByteArray& response, qint64 limit)
{
    static const QRegularExpression fetch(
        QStringLiteral("^\\* \\d{1,10} FETCH \\(.*BODY\\[\\] \\{(\\d{1,12})\\}\\r?$"));
    for (qsizetype start = 0; start < response.size();) {
        const qsizetype end = response.indexOf('\n', start);
        if (end < 0)
            return std::nullopt;
        // Only the lines of the server's own: a message line never reaches here, as the
        // literal that holds it is passed over whole.
        const QByteArrayView line = QByteArrayView(response).sliced(start, end - start);
        const QRegularExpressionMatch match =
            line.size() < 1024 ? fetch.match(QString::fromLatin1(line)) : QRegularExpressionMatch();
        start = end + 1;
        if (!match.hasMatch())
            continue;
        const qint64 size = match.capturedView(1).toLongLong();
        if (size > limit || size > response.size() - start)
            return std::nullopt;
        return response.mid(start, qsizetype(size));
    }
    return std::nullopt;
}

} // namespace ImapResponses
