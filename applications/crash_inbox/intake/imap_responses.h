#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// What the desk reads of an IMAP server's answers, as libcurl hands over its lines. Each reader
// takes only what it looks for and is bounded: a server, or a message, cannot make it read
// past what it was given or keep more than the limit.
namespace ImapResponses {

// The UIDVALIDITY of "* OK [UIDVALIDITY n] …", as EXAMINE answers, or of "* STATUS mailbox
// (UIDVALIDITY n …)".
std::optional<quint32> uidValidity(const QByteArray& response);
// The UIDs of "* SEARCH n n …" lines, in ascending order, each once; none on a malformed line.
std::optional<QList<quint32>> searchedUids(const QByteArray& response);
// The message of "* n FETCH (… BODY[] {size}\r\n<size bytes>)": none when there is none,
// when it is cut short, or when it is larger than `limit`.
std::optional<QByteArray> fetchedMessage(const QByteArray& response, qint64 limit);

} // namespace ImapResponses
