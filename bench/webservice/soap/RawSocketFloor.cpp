// The floor of a CreateSession call: the same request bytes the proxy sends (the same envelope and
// head), written with one send on a plain blocking socket, and the answer read to its
// Content-Length, with no XML parsed. It prints the same figures as `keldwick-cli bench
// create-session`, so the two can run side by side against the same server:
//
//   raw_socket_floor --endpoint URL [--user U] [--password P] [--count N] [--cacert FILE]
//
// For an https URL it speaks TLS with OpenSSL straight on the socket (one handshake, the chain
// checked against the system store and FILE): the floor of a kept-alive HTTPS call.

#include "com/CBstr.h"
#include "text/Utf8.h"
#include "webservice/account/AccountServiceTables.h"
#include "webservice/http/UrlParts.h"
#include "webservice/soap/CStringWriteStream.h"
#include "webservice/soap/CTableEnvelopeHandler.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct FloorOptions {
    std::string endpoint;
    std::string user = "customer@example.com";
    std::string password = "correct horse & battery";
    std::uint32_t count = 1000;
    std::string caFile;
};

// The connection: a plain socket, or TLS on it when `ssl` is set.
struct FloorConnection {
    int fd = -1;
    SSL_CTX* context = nullptr;
    SSL* ssl = nullptr;

    ssize_t Send(const std::string& bytes) const {
        if (ssl == nullptr) {
            return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        }
        std::size_t written = 0;
        return SSL_write_ex(ssl, bytes.data(), bytes.size(), &written) == 1
                   ? static_cast<ssize_t>(written)
                   : -1;
    }
    ssize_t Receive(char* buffer, std::size_t room) const {
        if (ssl == nullptr) {
            return recv(fd, buffer, room, 0);
        }
        std::size_t got = 0;
        return SSL_read_ex(ssl, buffer, room, &got) == 1 ? static_cast<ssize_t>(got) : -1;
    }
    ~FloorConnection() {
        SSL_free(ssl);
        SSL_CTX_free(context);
        if (fd >= 0) {
        }
    }
};

class CFloorHandler final : public CTableEnvelopeHandler {
public:
    CFloorHandler()
        : CTableEnvelopeHandler(account::kOperationTables, account::kHeaderTables,
                                account::kTargetNamespace, account::kTargetNamespaceW) {}
};

bool ParseArguments(int argc, char** argv, FloorOptions& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view name = argv[i];
        const std::string_view value = argv[i + 1];
        if (name == "--endpoint") {
            options.endpoint = value;
        } else if (name == "--user") {
            options.user = value;
        } else if (name == "--cacert") {
            options.caFile = value;
        } else if (name == "--password") {
            options.password = value;
        } else if (name == "--count") {
            if (std::from_chars(value.data(), value.data() + value.size(), options.count).ptr !=
                value.data() + value.size()) {
                return false;
            }
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && !options.endpoint.empty() && options.count > 0;
}

// The request exactly as the proxy composes it for CreateSession.
bool ComposeRequest(const FloorOptions& options, const UrlParts& url, std::string& request) {
    CFloorHandler handler;
    CStringWriteStream body;
    const CBstr user(text::Utf8ToUtf16(options.user));
    const CBstr password(text::Utf8ToUtf16(options.password));
    CreateSessionRecord record{user.Get(), password.Get(), nullptr, 0};
    if (Failed(handler.BindCall(&record, account::kCreateSession)) ||
        Failed(handler.WriteEnvelope(&body))) {
        return false;
    }
    handler.ResetCallState();
    request = "POST " + std::string(url.UrlPath()) + std::string(url.ExtraInfo()) +
              " HTTP/1.1\r\nContent-Length: " + std::to_string(body.Text().size()) +
              "\r\nContent-Type: text/xml; charset=utf-8\r\nSOAPAction: \"" +
              std::string(account::kTargetNamespace) + "CreateSession\"\r\nAccept: text/xml\r\n" +
              "Host: " + std::string(url.HostName()) + "\r\nUser-Agent: Keldwick/3.1\r\n\r\n" +
              std::string(body.Text());
    return true;
}

int Connect(const UrlParts& url) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(url.PortNumber());
    if (getaddrinfo(url.HostNameText(), port.c_str(), &hints, &found) != 0) {
        return -1;
    }
    const int fd = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    const int on = 1;
    if (fd < 0 || connect(fd, found->ai_addr, found->ai_addrlen) != 0 ||
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
        freeaddrinfo(found);
        return -1;
    }
    freeaddrinfo(found);
    return fd;
}

// Reads one answer: the head, then the body to its Content-Length. Bytes of the next answer
// cannot arrive, as the next request has not been sent.
bool ReadAnswer(const FloorConnection& connection, std::string& buffer) {
    buffer.clear();
    std::size_t total = std::string::npos;
    char chunk[8192];
    while (total == std::string::npos || buffer.size() < total) {
        const ssize_t got = connection.Receive(chunk, sizeof chunk);
        if (got <= 0) {
            return false;
        }
        buffer.append(chunk, static_cast<std::size_t>(got));
        const std::size_t headEnd = buffer.find("\r\n\r\n");
        const std::size_t lengthAt = buffer.find("Content-Length:");
        if (total == std::string::npos && headEnd != std::string::npos &&
            lengthAt != std::string::npos && lengthAt < headEnd) {
            total = headEnd + 4 + std::strtoul(buffer.c_str() + lengthAt + 15, nullptr, 10);
        }
    }
    return buffer.compare(0, 12, "HTTP/1.1 200") == 0;
}

bool StartTls(const FloorOptions& options, const UrlParts& url, FloorConnection& connection) {
    connection.context = SSL_CTX_new(TLS_client_method());
    if (connection.context == nullptr) {
        return false;
    }
    SSL_CTX_set_min_proto_version(connection.context, TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(connection.context);
    if (!options.caFile.empty() &&
        SSL_CTX_load_verify_locations(connection.context, options.caFile.c_str(), nullptr) != 1) {
        return false;
    }
    SSL_CTX_set_verify(connection.context, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_read_ahead(connection.context, 1);
    connection.ssl = SSL_new(connection.context);
    const std::string host(url.HostName());
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(connection.ssl), host.c_str());
    return SSL_set_fd(connection.ssl, connection.fd) == 1 && SSL_connect(connection.ssl) == 1;
}

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    FloorOptions options;
    UrlParts url;
    std::string request;
    if (!ParseArguments(argc, argv, options) || !url.SplitUrl(options.endpoint)) {
        std::fprintf(stderr, "usage: raw_socket_floor --endpoint URL [--user U] [--password P] "
                             "[--count N] [--cacert FILE]\n");
        return 2;
    }
    FloorConnection connection;
    connection.fd = Connect(url);
    const bool secure = url.Scheme() == UrlSchemeHttps;
    if (connection.fd < 0 || !ComposeRequest(options, url, request) ||
        (secure && !StartTls(options, url, connection))) {
        std::fprintf(stderr, "raw_socket_floor: cannot connect to %s\n", options.endpoint.c_str());
        return 1;
    }
    std::string answer;
    rusage before{};
    rusage after{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    std::uint32_t calls = 0;
    for (; calls < options.count; ++calls) {
        if (connection.Send(request) != static_cast<ssize_t>(request.size()) ||
            !ReadAnswer(connection, answer)) {
            break;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    getrusage(RUSAGE_SELF, &after);
    const double user = Seconds(after.ru_utime) - Seconds(before.ru_utime);
    const double system = Seconds(after.ru_stime) - Seconds(before.ru_stime);
    const double perCall = calls > 0 ? 1e6 / calls : 0;
    std::printf("calls: %u\nseconds: %.3f\ncalls per second: %.0f\n", calls, seconds,
                seconds > 0 ? calls / seconds : 0.0);
    std::printf("CPU per call: %.2f us user, %.2f us system, %.2f us total\n", user * perCall,
                system * perCall, (user + system) * perCall);
    std::printf("connections opened: 1\n");
    if (secure) {
        std::printf("TLS full handshakes: 1, resumptions: 0\n");
    }
    return calls == options.count ? 0 : 1;
}
