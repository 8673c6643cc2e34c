#include "support/CReferenceService.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* kProgram = KELDWICK_ACCOUNT_SERVICE;

// Reads up to the first line feed, giving up after `timeout`.
std::string ReadFirstLine(int fd, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string line;
    while (line.find('\n') == std::string::npos && line.size() < 4096) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        char block[256];
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n <= 0) {
            break;
        }
        line.append(block, static_cast<std::size_t>(n));
    }
    return line.substr(0, line.find('\n'));
}

} // namespace

bool CReferenceService::Start(const std::string& outbox, const std::vector<std::string>& options) {
    Stop();
    int pipeEnds[2];
    int inputEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return false;
    }
    if (::pipe2(inputEnds, O_CLOEXEC) != 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return false;
    }
    // The service stops when its standard input ends: when Stop closes it, and also when the test
    // dies without stopping it, so no service outlives its test.
    std::vector<std::string> args{kProgram,        "--port",   "0",   "--quiet",
                                  "--stop-on-eof", "--outbox", outbox};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, inputEnds[0], STDIN_FILENO);
    const int spawned = ::posix_spawn(&m_pid, kProgram, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    ::close(inputEnds[0]);
    m_input = inputEnds[1];
    if (spawned != 0) {
        m_pid = -1;
        ::close(pipeEnds[0]);
        Stop();
        return false;
    }
    // The read end stays open while the service runs, so its later output never meets a closed
    // pipe.
    m_output = pipeEnds[0];
    m_outbox = outbox;
    const std::string line = ReadFirstLine(m_output, std::chrono::seconds(20));
    const auto at = line.find("http://");
    if (at == std::string::npos) {
        Stop();
        return false;
    }
    m_endpoint = line.substr(at);
    return true;
}

void CReferenceService::Stop() {
    if (m_input >= 0) {
        ::close(m_input);
        m_input = -1;
    }
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        m_pid = -1;
    }
    if (m_output >= 0) {
        ::close(m_output);
        m_output = -1;
    }
}

std::vector<std::string> CReferenceService::OutboxMessages() const {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(m_outbox, error)) {
        if (entry.path().extension() == ".eml") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> messages;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        messages.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return messages;
}
