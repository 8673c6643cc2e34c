#include "support/CScriptedServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::size_t ContentLength(std::string_view head) {
    // Case-insensitive search for the Content-Length line of a request head.
    std::string lower(head);
    for (char& c : lower) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    const std::size_t at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) {
        return 0;
    }
    return static_cast<std::size_t>(std::strtoull(lower.c_str() + at + 17, nullptr, 10));
}

} // namespace

CScriptedServer::CScriptedServer() {
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(m_listener, 16) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe(m_stopPipe) != 0) {
        throw std::runtime_error("scripted server: cannot listen on 127.0.0.1");
    }
    m_port = ntohs(address.sin_port);
}

CScriptedServer::~CScriptedServer() {
    if (m_stopPipe[1] >= 0) {
        const char stop = 's';
        (void)!write(m_stopPipe[1], &stop, 1);
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    for (int fd : m_openConnections) {
        close(fd);
    }
    for (int fd : {m_listener, m_stopPipe[0], m_stopPipe[1]}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

std::vector<CScriptedServer::Step>& CScriptedServer::Current() {
    if (m_scripts.empty()) {
        m_scripts.emplace_back();
    }
    return m_scripts.back();
}

CScriptedServer& CScriptedServer::Connection() {
    m_scripts.emplace_back();
    return *this;
}

CScriptedServer& CScriptedServer::ReadRequest() {
    Current().push_back({Step::Kind::ReadRequest, {}, 0});
    return *this;
}

CScriptedServer& CScriptedServer::Send(std::string bytes) {
    Current().push_back({Step::Kind::Send, std::move(bytes), 0});
    return *this;
}

CScriptedServer& CScriptedServer::SendSplit(std::string bytes, std::size_t piece, int pauseMs) {
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        if (at > 0 && pauseMs > 0) {
            Pause(pauseMs);
        }
        Send(bytes.substr(at, piece));
    }
    return *this;
}

CScriptedServer& CScriptedServer::Pause(int milliseconds) {
    Current().push_back({Step::Kind::Pause, {}, milliseconds});
    return *this;
}

CScriptedServer& CScriptedServer::Close() {
    Current().push_back({Step::Kind::Close, {}, 0});
    return *this;
}

CScriptedServer& CScriptedServer::CloseForSending() {
    Current().push_back({Step::Kind::CloseForSending, {}, 0});
    return *this;
}

CScriptedServer& CScriptedServer::Stall() {
    Current().push_back({Step::Kind::Stall, {}, 0});
    return *this;
}

void CScriptedServer::Start() {
    m_thread = std::thread([this] { Run(); });
}

bool CScriptedServer::WaitDone(int milliseconds) {
    std::unique_lock lock(m_lock);
    return m_doneSignal.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                 [this] { return m_done; });
}

std::string CScriptedServer::Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

std::vector<std::string> CScriptedServer::Requests() const {
    std::lock_guard lock(m_lock);
    return m_requests;
}

int CScriptedServer::Accepted() const {
    std::lock_guard lock(m_lock);
    return m_accepted;
}

// 1: readable, 0: time-out, -1: the server is stopping.
int CScriptedServer::WaitReadable(int fd, int milliseconds) const {
    pollfd entries[2] = {{fd, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
    for (;;) {
        const int ready = poll(entries, 2, milliseconds);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return 0;
        }
        return (entries[1].revents & POLLIN) != 0 ? -1 : 1;
    }
}

// A pause that ends early when the server stops; false then.
bool CScriptedServer::Sleep(int milliseconds) const {
    pollfd entry{m_stopPipe[0], POLLIN, 0};
    return poll(&entry, 1, milliseconds) == 0;
}

void CScriptedServer::Run() {
    for (const auto& steps : m_scripts) {
        if (WaitReadable(m_listener, kPeerWaitMs) != 1) {
            break;
        }
        const int connection = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            break;
        }
        {
            std::lock_guard lock(m_lock);
            ++m_accepted;
        }
        RunConnection(connection, steps);
    }
    std::lock_guard lock(m_lock);
    m_done = true;
    m_doneSignal.notify_all();
}

bool CScriptedServer::ReadOneRequest(int connection, std::string& pending) {
    char buffer[4096];
    for (;;) {
        const std::size_t headEnd = pending.find("\r\n\r\n");
        if (headEnd != std::string::npos) {
            const std::size_t total = headEnd + 4 + ContentLength(pending.substr(0, headEnd + 2));
            if (pending.size() >= total) {
                std::lock_guard lock(m_lock);
                m_requests.push_back(pending.substr(0, total));
                pending.erase(0, total);
                return true;
            }
        }
        if (WaitReadable(connection, kPeerWaitMs) != 1) {
            return false;
        }
        const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0) {
            if (!pending.empty()) {
                std::lock_guard lock(m_lock);
                m_requests.push_back(pending);
            }
            return false;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
    }
}

void CScriptedServer::RunConnection(int connection, const std::vector<Step>& steps) {
    std::string pending;
    for (const Step& step : steps) {
        switch (step.kind) {
        case Step::Kind::ReadRequest:
            if (!ReadOneRequest(connection, pending)) {
                close(connection);
                return;
            }
            break;
        case Step::Kind::Send:
            if (send(connection, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL) < 0) {
                close(connection);
                return;
            }
            break;
        case Step::Kind::Pause:
            if (!Sleep(step.milliseconds)) {
                close(connection);
                return;
            }
            break;
        case Step::Kind::Close:
            close(connection);
            return;
        case Step::Kind::CloseForSending:
            shutdown(connection, SHUT_WR);
            break;
        case Step::Kind::Stall: {
            char sink[4096];
            while (WaitReadable(connection, kPeerWaitMs) == 1 &&
                   recv(connection, sink, sizeof sink, 0) > 0) {
            }
            close(connection);
            return;
        }
        }
    }
    m_openConnections.push_back(connection);
}
