#include "collector_server.h"

#include "collector_desk.h"
#include "received_package.h"
#include "upload_rate.h"

#include "crash_inbox/text/printable.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <thread>
#include <vector>

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
namespace ssl = boost::asio::ssl;
using tcp = boost::asio::ip::tcp;

namespace {

constexpr std::size_t ChunkSize = 64 * 1024;
constexpr std::uint32_t HeaderLimit = 16 * 1024;
// How long a closing connection may still send what it had begun before it is cut.
constexpr auto DrainTime = std::chrono::seconds(2);
// Connections served at once; more are closed at once, so that file descriptors and memory
// stay for the consoles being served (each upload also holds its part file open).
constexpr int MaxConnections = 400;
// How long stopping waits for the answers still on their way.
constexpr auto StopGrace = std::chrono::seconds(2);
constexpr char PackageType[] = "application/x-q5-crash-package";

// What every connection shares.
struct Service {
    const CollectorOptions& options;
    CollectorDesk& desk;
    UploadRate rate;
    std::atomic<int> connections = 0;
};

std::string jsonBody(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + '\n';
}

QJsonObject errorJson(const QString& error)
{
    return {{QStringLiteral("error"), error}};
}

// "Bearer TOKEN", the scheme in any case.
QByteArray bearerToken(beast::string_view header)
{
    const QByteArray value = QByteArray(header.data(), qsizetype(header.size())).trimmed();
    constexpr QByteArrayView Scheme("bearer ");
    if (value.size() <= Scheme.size() ||
        !value.first(Scheme.size()).toLower().startsWith(Scheme.toByteArray()))
        return {};
    return value.mid(Scheme.size()).trimmed();
}

bool isPackageType(beast::string_view header)
{
    const QByteArray value = QByteArray(header.data(), qsizetype(header.size()));
    return value.split(';').constFirst().trimmed().toLower() == PackageType;
}

template <class Stream>
class Session : public std::enable_shared_from_this<Session<Stream>>
{
public:
    Session(Stream stream, Service& service, QString peer)
        : m_stream(std::move(stream))
        , m_service(service)
        , m_peer(std::move(peer))
    {
        ++m_service.connections;
    }
    ~Session() { --m_service.connections; }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void start()
    {
        if constexpr (std::is_same_v<Stream, beast::tcp_stream>) {
            readHeader();
        } else {
            lowest().expires_after(stallTime());
            m_stream.async_handshake(ssl::stream_base::server,
                                     [self = this->shared_from_this()](beast::error_code ec) {
                                         if (!ec)
                                             self->readHeader();
                                     });
        }
    }

private:
    beast::tcp_stream& lowest() { return beast::get_lowest_layer(m_stream); }
    std::chrono::seconds stallTime() const
    {
        return std::chrono::seconds(m_service.options.stallSeconds);
    }
    const http::request<http::buffer_body>& request() const { return m_parser->get(); }

    void readHeader()
    {
        m_parser.emplace();
        m_parser->header_limit(HeaderLimit);
        // A length past the limit is refused as the header is read, a chunked body as it comes.
        m_parser->body_limit(std::uint64_t(m_service.options.maxPackageSize));
        m_package.reset();
        lowest().expires_after(stallTime());
        http::async_read_header(m_stream, m_buffer, *m_parser,
                                [self = this->shared_from_this()](
                                    beast::error_code ec, std::size_t) { self->onHeader(ec); });
    }

    void onHeader(beast::error_code ec)
    {
        if (ec == http::error::body_limit)
            return respond(http::status::payload_too_large, tooLarge());
        if (ec == http::error::header_limit)
            return respond(http::status::request_header_fields_too_large,
                           errorJson(QStringLiteral("the header is too large")));
        if (ec && ec.category() == http::make_error_code(http::error::bad_method).category() &&
            ec != http::error::end_of_stream && ec != http::error::partial_message)
            return respond(http::status::bad_request,
                           errorJson(QStringLiteral("this is no request the desk reads")));
        if (ec)
            return; // closed or stalled: the connection goes
        const beast::string_view target = request().target();
        const beast::string_view path = target.substr(0, target.find('?'));
        if (path == "/api/v1/health")
            return health();
        if (path == "/api/v1/packages")
            return upload();
        respond(http::status::not_found, errorJson(QStringLiteral("there is nothing here")));
    }

    void health()
    {
        if (request().method() != http::verb::get && request().method() != http::verb::head)
            return notAllowed("GET");
        if (m_service.desk.isHealthy())
            return respond(http::status::ok, {{QStringLiteral("status"), QStringLiteral("ok")}});
        respond(http::status::service_unavailable,
                {{QStringLiteral("status"), QStringLiteral("the database does not answer")}});
    }

    void upload()
    {
        if (request().method() != http::verb::post)
            return notAllowed("POST");
        const std::optional<QString> sender =
            m_service.desk.tokenName(bearerToken(request()[http::field::authorization]));
        if (!sender) {
            logLine(QStringLiteral("refused an upload from %1: no valid token").arg(m_peer));
            return respond(http::status::unauthorized,
                           errorJson(QStringLiteral("a valid token is needed")));
        }
        m_sender = *sender;
        if (!isPackageType(request()[http::field::content_type]))
            return respond(http::status::unsupported_media_type,
                           errorJson(QStringLiteral("the body must be a crash package (%1)")
                                         .arg(QLatin1String(PackageType))));
        if (!m_service.rate.allow(m_sender)) {
            logLine(QStringLiteral("refused an upload from %1: too many a minute").arg(m_sender));
            return respond(http::status::too_many_requests,
                           errorJson(QStringLiteral("too many uploads; try again later")),
                           {{http::field::retry_after, "60"}});
        }
        QString error;
        m_package = ReceivedPackage::create(m_service.options.packageFolder, error);
        if (!m_package) {
            logLine(error);
            return respond(http::status::service_unavailable,
                           errorJson(QStringLiteral("the desk cannot take packages now")));
        }
        m_chunk.resize(ChunkSize);
        if (beast::iequals(request()[http::field::expect], "100-continue"))
            return sendContinue();
        readBody();
    }

    void sendContinue()
    {
        auto response =
            std::make_shared<http::response<http::empty_body>>(http::status::continue_, 11);
        http::async_write(
            m_stream, *response,
            [self = this->shared_from_this(), response](beast::error_code ec, std::size_t) {
                if (!ec)
                    self->readBody();
            });
    }

    void readBody()
    {
        if (m_parser->is_done())
            return bodyDone();
        m_parser->get().body().data = m_chunk.data();
        m_parser->get().body().size = m_chunk.size();
        lowest().expires_after(stallTime());
        http::async_read(m_stream, m_buffer, *m_parser,
                         [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                             self->onBody(ec);
                         });
    }

    void onBody(beast::error_code ec)
    {
        if (ec == http::error::need_buffer)
            ec = {};
        if (ec == http::error::body_limit) {
            m_package.reset();
            return respond(http::status::payload_too_large, tooLarge());
        }
        if (ec) {
            // Broken off or stalled: nothing is filed, and the part file goes with the package.
            logLine(QStringLiteral("an upload from %1 broke off after %2 bytes")
                        .arg(m_sender)
                        .arg(m_package->size()));
            m_package.reset();
            return;
        }
        const std::size_t received = m_chunk.size() - m_parser->get().body().size;
        if (!m_package->write(m_chunk.data(), qint64(received))) {
            logLine(QStringLiteral("an upload from %1 cannot be written").arg(m_sender));
            m_package.reset();
            return respond(http::status::service_unavailable,
                           errorJson(QStringLiteral("the desk cannot take packages now")));
        }
        readBody();
    }

    void bodyDone()
    {
        lowest().expires_never();
        QString error;
        const std::optional<QString> path = m_package->finish(error);
        if (!path) {
            logLine(error);
            m_package.reset();
            return respond(http::status::service_unavailable,
                           errorJson(QStringLiteral("the desk cannot take packages now")));
        }
        auto self = this->shared_from_this();
        m_service.desk.submit(
            {*path, m_sender, replacedId(), [self](const std::optional<FilingOutcome>& outcome) {
                 net::post(self->m_stream.get_executor(),
                           [self, outcome] { self->filed(outcome); });
             }});
    }

    void filed(const std::optional<FilingOutcome>& outcome)
    {
        if (!outcome || outcome->kind == FilingOutcome::Kind::Rejected)
            m_package->discard();
        m_package.reset();
        if (!outcome)
            return respond(http::status::service_unavailable,
                           errorJson(QStringLiteral("the desk cannot file packages now")));
        if (outcome->kind == FilingOutcome::Kind::Rejected)
            return respond(http::status::bad_request, errorJson(outcome->reason));
        respond(outcome->kind == FilingOutcome::Kind::Added ? http::status::created
                                                            : http::status::ok,
                {{QStringLiteral("id"), outcome->id},
                 {QStringLiteral("status"), QLatin1String(outcome->word())}});
    }

    // X-Q5-Replaces: the package that this one, the same crash sent again, brings up to date.
    qint64 replacedId() const
    {
        const beast::string_view value = request()["X-Q5-Replaces"];
        bool ok = false;
        const qint64 id = QByteArray(value.data(), qsizetype(value.size())).toLongLong(&ok);
        return ok && id > 0 ? id : 0;
    }

    void notAllowed(const char* allowed)
    {
        respond(http::status::method_not_allowed,
                errorJson(QStringLiteral("only %1 is answered here").arg(QLatin1String(allowed))),
                {{http::field::allow, allowed}});
    }

    QJsonObject tooLarge() const
    {
        return errorJson(QStringLiteral("the package is larger than %1 bytes")
                             .arg(m_service.options.maxPackageSize));
    }

    void respond(http::status status, const QJsonObject& body,
                 std::initializer_list<std::pair<http::field, const char*>> fields = {})
    {
        auto response = std::make_shared<http::response<http::string_body>>(status, 11);
        response->set(http::field::server, "q5-crash-inbox");
        response->set(http::field::content_type, "application/json");
        for (const auto& [field, value] : fields)
            response->set(field, value);
        if (request().method() != http::verb::head)
            response->body() = jsonBody(body);
        response->prepare_payload();
        // A body left unread ends the connection; so does the client's wish.
        const bool keepAlive = m_parser->is_done() && request().keep_alive();
        response->keep_alive(keepAlive);
        lowest().expires_after(stallTime());
        http::async_write(m_stream, *response,
                          [self = this->shared_from_this(), response,
                           keepAlive](beast::error_code ec, std::size_t) {
                              if (ec)
                                  return;
                              if (keepAlive)
                                  return self->readHeader();
                              self->closeGently();
                          });
    }

    // The answer is sent; what the client still sends is read and dropped for a moment, so
    // that closing does not reset the connection before the client has read the answer.
    void closeGently()
    {
        beast::error_code ignored;
        lowest().socket().shutdown(tcp::socket::shutdown_send, ignored);
        lowest().expires_after(DrainTime);
        drain();
    }

    void drain()
    {
        m_chunk.resize(ChunkSize);
        lowest().async_read_some(net::buffer(m_chunk), [self = this->shared_from_this()](
                                                           beast::error_code ec, std::size_t) {
            if (!ec)
                self->drain();
        });
    }

    Stream m_stream;
    Service& m_service;
    const QString m_peer;
    beast::flat_buffer m_buffer;
    std::optional<http::request_parser<http::buffer_body>> m_parser;
    std::vector<char> m_chunk;
    std::unique_ptr<ReceivedPackage> m_package;
    QString m_sender;
};

QString peerOf(const tcp::socket& socket)
{
    beast::error_code ec;
    const tcp::endpoint endpoint = socket.remote_endpoint(ec);
    if (ec)
        return QStringLiteral("an unknown address");
    return QString::fromStdString(endpoint.address().to_string()) + QLatin1Char(':') +
           QString::number(endpoint.port());
}

} // namespace

struct CollectorServer::Network {
    Network(const CollectorOptions& options, CollectorDesk& desk)
        : service{options, desk, UploadRate(options.uploadsPerMinute)}
    {}

    void accept()
    {
        acceptor.async_accept(net::make_strand(context),
                              [this](beast::error_code ec, tcp::socket socket) {
                                  if (ec == net::error::operation_aborted)
                                      return;
                                  if (!ec) {
                                      serve(std::move(socket));
                                      return accept();
                                  }
                                  // Out of file descriptors, say: wait before trying again.
                                  retry.expires_after(std::chrono::milliseconds(100));
                                  retry.async_wait([this](beast::error_code waited) {
                                      if (!waited)
                                          accept();
                                  });
                              });
    }

    void serve(tcp::socket socket)
    {
        if (service.connections >= MaxConnections)
            return; // the socket closes as it goes
        const QString peer = peerOf(socket);
        beast::tcp_stream stream(std::move(socket));
        if (tls)
            std::make_shared<Session<beast::ssl_stream<beast::tcp_stream>>>(
                beast::ssl_stream<beast::tcp_stream>(std::move(stream), *tls), service, peer)
                ->start();
        else
            std::make_shared<Session<beast::tcp_stream>>(std::move(stream), service, peer)->start();
    }

    Service service;
    // Before the context: connections still waiting there when it goes hold on to it.
    std::optional<ssl::context> tls;
    net::io_context context;
    tcp::acceptor acceptor{context};
    net::steady_timer retry{context};
    std::vector<std::thread> threads;
};

CollectorServer::CollectorServer(const CollectorOptions& options, CollectorDesk& desk)
    : m_network(std::make_unique<Network>(options, desk))
{}

CollectorServer::~CollectorServer()
{
    stop();
}

bool CollectorServer::start(QString& error)
{
    Network& network = *m_network;
    const CollectorOptions& options = network.service.options;
    try {
        if (!options.tlsCertificate.isEmpty()) {
            network.tls.emplace(ssl::context::tls_server);
            network.tls->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 |
                                     ssl::context::no_sslv3 | ssl::context::no_tlsv1 |
                                     ssl::context::no_tlsv1_1);
            network.tls->use_certificate_chain_file(options.tlsCertificate.toStdString());
            network.tls->use_private_key_file(options.tlsKey.toStdString(), ssl::context::pem);
        }
        const tcp::endpoint endpoint(net::ip::make_address(options.address.toStdString()),
                                     options.port);
        network.acceptor.open(endpoint.protocol());
        network.acceptor.set_option(net::socket_base::reuse_address(true));
        network.acceptor.bind(endpoint);
        network.acceptor.listen(net::socket_base::max_listen_connections);
    } catch (const boost::system::system_error& failure) {
        error = QString::fromStdString(failure.code().message());
        return false;
    }
    network.accept();
    const unsigned count = std::max(2U, std::thread::hardware_concurrency());
    for (unsigned index = 0; index < count; ++index)
        network.threads.emplace_back([&network] { network.context.run(); });
    return true;
}

quint16 CollectorServer::port() const
{
    beast::error_code ec;
    return m_network->acceptor.local_endpoint(ec).port();
}

void CollectorServer::stop()
{
    Network& network = *m_network;
    if (network.threads.empty())
        return;
    // No new connections; the answers on their way get a moment to go out.
    net::post(network.context, [&network] {
        beast::error_code ignored;
        network.acceptor.close(ignored);
        network.retry.cancel();
    });
    const auto until = std::chrono::steady_clock::now() + StopGrace;
    while (network.service.connections > 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    m_network->context.stop();
    for (std::thread& thread : m_network->threads)
        thread.join();
    m_network->threads.clear();
}
