#include "imap_mailbox.h"

#include "imap_responses.h"

#include <QRegularExpression>
#include <QUrl>

#include <curl/curl.h>

namespace {

// A server that sends nothing for this long is given up.
constexpr long StallSeconds = 60;
constexpr long ConnectSeconds = 20;

// Mailbox names are quoted into commands: only printable ASCII without quotes or backslashes.
bool isPlainMailboxName(const QString& name)
{
    static const QRegularExpression plain(QStringLiteral("^[\\x20-\\x7e]{1,200}$"));
    return plain.match(name).hasMatch() && !name.contains(QLatin1Char('"')) &&
           !name.contains(QLatin1Char('\\'));
}

struct Collected {
    QByteArray lines;
    qint64 limit = 0;
    bool tooLarge = false;
};

// libcurl hands every line of the server's answers to the header callback, the message's lines
// within a literal included.
extern "C" size_t collectLine(char* data, size_t size, size_t count, void* context)
{
    auto* collected = static_cast<Collected*>(context);
    const qint64 bytes = qint64(size * count);
    if (collected->lines.size() + bytes > collected->limit) {
        collected->tooLarge = true;
        return 0;
    }
    collected->lines.append(data, qsizetype(bytes));
    return size * count;
}

extern "C" size_t ignoreBody(char*, size_t size, size_t count, void*)
{
    return size * count;
}

} // namespace

QString ImapAddress::text() const
{
    return QStringLiteral("imaps://%1@%2:%3/%4").arg(user, host).arg(port).arg(mailbox);
}

bool ImapAddress::looksLikeOne(const QString& text)
{
    return text.startsWith(QLatin1String("imaps://")) || text.startsWith(QLatin1String("imap://"));
}

std::optional<ImapAddress> ImapAddress::parse(const QString& text, QString& error)
{
    const QUrl url(text, QUrl::StrictMode);
    ImapAddress address;
    address.user = url.userName();
    address.host = url.host();
    address.port = url.port(993);
    address.mailbox = url.path().mid(1);
    if (url.scheme() != QLatin1String("imaps")) {
        error = QStringLiteral("%1: only imaps:// is read, never mail in the clear").arg(text);
    } else if (!url.isValid() || address.host.isEmpty() || address.user.isEmpty()) {
        error = QStringLiteral("%1 is no imaps://USER@HOST[:PORT]/MAILBOX").arg(text);
    } else if (!url.password().isEmpty()) {
        error = QStringLiteral("the password goes in a file or in the environment, never in the "
                               "address");
    } else if (!isPlainMailboxName(address.mailbox)) {
        error = QStringLiteral("%1 names no mailbox this desk can read (printable ASCII, no "
                               "quotes)")
                    .arg(text);
    } else {
        return address;
    }
    return std::nullopt;
}

struct ImapMailbox::Connection {
    CURL* handle = curl_easy_init();
    ~Connection() { curl_easy_cleanup(handle); }
};

ImapMailbox::ImapMailbox(ImapAddress address, QByteArray password, QString caCertificates)
    : m_address(std::move(address))
    , m_password(std::move(password))
    , m_caCertificates(std::move(caCertificates))
    , m_connection(std::make_unique<Connection>())
{
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    Q_UNUSED(initialised);
}

ImapMailbox::~ImapMailbox() = default;

std::optional<QByteArray> ImapMailbox::ask(const QByteArray& command, QString& error,
                                           bool* tooLarge)
{
    CURL* handle = m_connection->handle;
    if (!handle) {
        error = QStringLiteral("libcurl cannot be started");
        return std::nullopt;
    }
    // No mailbox in the address: libcurl would SELECT it, which clears \Recent.
    const QByteArray url = "imaps://" + QUrl::toPercentEncoding(m_address.host, "[]:") + ':' +
                           QByteArray::number(m_address.port) + '/';
    Collected collected{{}, MaxMessageSize + 64 * 1024, false};
    const QByteArray user = m_address.user.toUtf8();
    curl_easy_setopt(handle, CURLOPT_URL, url.constData());
    curl_easy_setopt(handle, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(handle, CURLOPT_PASSWORD, m_password.constData());
    curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, command.constData());
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, collectLine);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &collected);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, ignoreBody);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, ConnectSeconds);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, StallSeconds);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    const QByteArray authorities = m_caCertificates.toLocal8Bit();
    if (!authorities.isEmpty())
        curl_easy_setopt(handle, CURLOPT_CAINFO, authorities.constData());
    const CURLcode result = curl_easy_perform(handle);
    if (tooLarge)
        *tooLarge = collected.tooLarge;
    if (collected.tooLarge) {
        error = QStringLiteral("the answer is larger than %1 bytes").arg(MaxMessageSize);
        return std::nullopt;
    }
    if (result != CURLE_OK) {
        error = QStringLiteral("%1: %2").arg(m_address.text(),
                                             QString::fromUtf8(curl_easy_strerror(result)));
        return std::nullopt;
    }
    return collected.lines;
}

std::optional<quint32> ImapMailbox::examine(QString& error)
{
    const std::optional<QByteArray> answer =
        ask("EXAMINE \"" + m_address.mailbox.toLatin1() + '"', error);
    if (!answer)
        return std::nullopt;
    const std::optional<quint32> validity = ImapResponses::uidValidity(*answer);
    if (!validity)
        error = QStringLiteral("%1: the server tells no UIDVALIDITY").arg(m_address.text());
    return validity;
}

std::optional<QList<quint32>> ImapMailbox::uids(QString& error)
{
    const std::optional<QByteArray> answer = ask("UID SEARCH ALL", error);
    if (!answer)
        return std::nullopt;
    const std::optional<QList<quint32>> uids = ImapResponses::searchedUids(*answer);
    if (!uids)
        error = QStringLiteral("%1: the server's list of messages cannot be read")
                    .arg(m_address.text());
    return uids;
}

std::optional<QByteArray> ImapMailbox::fetch(quint32 uid, QString& error, bool& permanent)
{
    bool tooLarge = false;
    const std::optional<QByteArray> answer =
        ask("UID FETCH " + QByteArray::number(uid) + " BODY.PEEK[]", error, &tooLarge);
    permanent = tooLarge;
    if (!answer)
        return std::nullopt;
    const std::optional<QByteArray> message =
        ImapResponses::fetchedMessage(*answer, MaxMessageSize);
    permanent = !message;
    if (!message)
        error = QStringLiteral("message %1 cannot be read whole").arg(uid);
    return message;
}
