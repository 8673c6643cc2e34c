// The floor of a CreateSession call: the same request bytes the proxy sends (the same envelope and
// head), written with one send on a plain blocking socket, and the answer read to its
// Content-Length, with no XML parsed. It prints the same figures as `keldwick-cli bench
// create-session`, so the two can run side by side against the same server:
//
//   raw_socket_floor --endpoint URL [--user U] [--password P] [--count N]

#include "com/CBstr.h"
#include "text/Utf8.h"
#include "webservice/account/AccountServiceTables.h"
#include "webservice/http/UrlParts.h"
#include "webservice/soap/CStringWriteStream.h"
#include "webservice/soap/CTableEnvelopeHandler.h"

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
bool ReadAnswer(int fd, std::string& buffer) {
    buffer.clear();
    std::size_t total = std::string::npos;
    char chunk[8192];
    while (total == std::string::npos || buffer.size() < total) {
        const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
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
                             "[--count N]\n");
        return 2;
    }
    const int fd = Connect(url);
    if (fd < 0 || !ComposeRequest(options, url, request)) {
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
        if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(request.size()) ||
            !ReadAnswer(fd, answer)) {
            break;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    getrusage(RUSAGE_SELF, &after);
    close(fd);
    const double user = Seconds(after.ru_utime) - Seconds(before.ru_utime);
    const double system = Seconds(after.ru_stime) - Seconds(before.ru_stime);
    const double perCall = calls > 0 ? 1e6 / calls : 0;
    std::printf("calls: %u\nseconds: %.3f\ncalls per second: %.0f\n", calls, seconds,
                seconds > 0 ? calls / seconds : 0.0);
    std::printf("CPU per call: %.2f us user, %.2f us system, %.2f us total\n", user * perCall,
                system * perCall, (user + system) * perCall);
    std::printf("connections opened: 1\n");
    return calls == options.count ? 0 : 1;
}
