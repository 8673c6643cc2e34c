// Exchanges per second on one kept-open loopback connection, against an in-process server that
// answers every request with the same 400-byte response. Beside it, the floor: a minimal blocking
// socket that sends the same request bytes and reads the 400 bytes back, against the same server.

#include "webservice/http/CHttpClientT.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kResponseSize = 400;

std::string MakeResponse() {
    std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\n"
                       "Content-Length: ";
    // The body fills the response up to 400 bytes; its length has three digits.
    const std::size_t bodyLength = kResponseSize - head.size() - 3 - 4;
    head += std::to_string(bodyLength) + "\r\n\r\n";
    return head + std::string(bodyLength, 'b');
}

// Answers each request (a head without body) on each accepted connection with the response.
class CLoopbackServer {
public:
    CLoopbackServer() : m_response(MakeResponse()) {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(m_listener, 8) != 0 ||
            getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
            m_response.size() != kResponseSize) {
            std::abort();
        }
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { AcceptLoop(); });
    }
    ~CLoopbackServer() {
        m_stopping = true;
        shutdown(m_listener, SHUT_RDWR);
        close(m_listener);
        m_acceptor.join();
        for (std::thread& worker : m_workers) {
            worker.join();
        }
    }
    std::uint16_t Port() const { return m_port; }

private:
    void AcceptLoop() {
        while (!m_stopping) {
            const int connection = accept(m_listener, nullptr, nullptr);
            if (connection < 0) {
                return;
            }
            const int on = 1;
            setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            m_workers.emplace_back([this, connection] { Serve(connection); });
        }
    }
    void Serve(int connection) {
        std::string pending;
        char buffer[4096];
        for (;;) {
            const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0) {
                break;
            }
            pending.append(buffer, static_cast<std::size_t>(got));
            std::size_t end = 0;
            while ((end = pending.find("\r\n\r\n")) != std::string::npos) {
                pending.erase(0, end + 4);
                if (send(connection, m_response.data(), m_response.size(), MSG_NOSIGNAL) < 0) {
                    break;
                }
            }
        }
        close(connection);
    }

    std::string m_response;
    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptor;
    std::vector<std::thread> m_workers;
};

CLoopbackServer& Server() {
    static CLoopbackServer server;
    return server;
}

void HttpClientExchange(benchmark::State& state) {
    UrlParts url;
    if (!url.SplitUrl("http://127.0.0.1:" + std::to_string(Server().Port()) + "/service.asmx")) {
        state.SkipWithError("bad URL");
        return;
    }
    RequestOptions options;
    options.timeout = 5000;
    CHttpClientT client;
    for (auto _ : state) {
        if (!client.ExchangeRequest(url, &options) || client.GetBodyLength() == 0) {
            state.SkipWithError("exchange failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

// The floor: the same request bytes and the same response over a plain blocking socket.
void BlockingSocketFloor(benchmark::State& state) {
    const std::string request = "GET /service.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                "User-Agent: Keldwick/3.1\r\n\r\n";
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(Server().Port());
    // Like the client, the floor sends without Nagle's delay.
    const int on = 1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
        state.SkipWithError("connect failed");
        return;
    }
    char buffer[kResponseSize];
    for (auto _ : state) {
        if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(request.size())) {
            state.SkipWithError("send failed");
            break;
        }
        std::size_t held = 0;
        while (held < kResponseSize) {
            const ssize_t got = recv(fd, buffer + held, kResponseSize - held, 0);
            if (got <= 0) {
                state.SkipWithError("receive failed");
                close(fd);
                return;
            }
            held += static_cast<std::size_t>(got);
        }
        benchmark::DoNotOptimize(buffer);
    }
    close(fd);
    state.SetItemsProcessed(state.iterations());
}

} // namespace

// The machine's load moves both figures; compare them within one run, ideally with
// --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true and the medians.
BENCHMARK(BlockingSocketFloor)->UseRealTime()->MinTime(1.0);
BENCHMARK(HttpClientExchange)->UseRealTime()->MinTime(1.0);

BENCHMARK_MAIN();
