#include "opener/CXdgOpener.h"

#include "opener/LinkTarget.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <thread>

extern char** environ;

namespace opener {

namespace {

constexpr std::size_t kMaxDesktopFile = 256 * 1024;
constexpr std::size_t kMaxQueryOutput = 4096;
constexpr auto kPollStep = std::chrono::milliseconds(10);
// A refused target is quoted in its message up to this many bytes.
constexpr std::size_t kMaxQuoted = 200;

// Children that were still running when their wait ran out; collected on later calls so none
// stays a zombie for long. Shared with the workers that wait for openers, hence the lock; never
// destroyed, so a worker still running at exit finds it intact.
struct PendingChildren {
    std::mutex lock;
    std::vector<pid_t> pids;
};

PendingChildren& Pending() {
    static auto* pending = new PendingChildren;
    return *pending;
}

void AddPending(pid_t pid) {
    const std::lock_guard guard(Pending().lock);
    Pending().pids.push_back(pid);
}

void ReapPending() {
    const std::lock_guard guard(Pending().lock);
    std::erase_if(Pending().pids, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}

// Starts argv[0] (searched on PATH) with the given arguments and no shell. With `output` set, the
// child's standard output is collected up to kMaxQueryOutput bytes.
bool Spawn(const std::vector<std::string>& args, pid_t& pid, int* outputFd) {
    if (args.empty() || args[0].empty()) {
        return false;
    }
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int pipeFds[2] = {-1, -1};
    if (outputFd != nullptr) {
        if (pipe2(pipeFds, O_CLOEXEC) != 0) {
            posix_spawn_file_actions_destroy(&actions);
            return false;
        }
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    }
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (outputFd != nullptr) {
        close(pipeFds[1]);
        if (rc != 0) {
            close(pipeFds[0]);
        } else {
            *outputFd = pipeFds[0];
        }
    }
    return rc == 0;
}

// Waits up to `limit` for the child; nullopt when it still runs (it is then collected later).
std::optional<int> WaitExit(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        }
        if (done < 0 && errno != EINTR) {
            return 128;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            AddPending(pid);
            return std::nullopt;
        }
        std::this_thread::sleep_for(kPollStep);
    }
}

std::string ReadAll(int fd, std::size_t limit, std::chrono::milliseconds wait) {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    const int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    char buffer[512];
    while (out.size() < limit && std::chrono::steady_clock::now() < deadline) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            out.append(buffer, static_cast<std::size_t>(std::min<std::size_t>(
                                   static_cast<std::size_t>(n), limit - out.size())));
        } else if (n == 0) {
            break;
        } else if (errno == EAGAIN || errno == EINTR) {
            std::this_thread::sleep_for(kPollStep);
        } else {
            break;
        }
    }
    close(fd);
    return out;
}

std::string Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

// A desktop entry id must be a plain file name; anything else is not looked up.
bool IsPlainDesktopId(std::string_view id) {
    return !id.empty() && id.find('/') == std::string_view::npos && id != "." && id != ".." &&
           id.ends_with(".desktop");
}

} // namespace

CXdgOpener::CXdgOpener(XdgOpenerConfig config) : m_config(std::move(config)) {}

bool CXdgOpener::Open(std::string_view target) {
    ReapPending();
    LinkTargetCheck check = CheckLinkTarget(target);
    if (!check.allowed) {
        std::string quoted(target.substr(0, kMaxQuoted));
        // The message stays one line whatever the link holds.
        std::replace_if(
            quoted.begin(), quoted.end(),
            [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }, '?');
        std::fprintf(stderr, "keldwick: not opening the link \"%s\": %s\n", quoted.c_str(),
                     check.reason.c_str());
        return false;
    }
    // The opener may take seconds (or, with some desktops, as long as the browser runs): a worker
    // waits for it so that the window never does.
    std::thread(&CXdgOpener::OpenAndWait, m_config, std::move(check.target)).detach();
    return true;
}

void CXdgOpener::OpenAndWait(const XdgOpenerConfig& config, const std::string& target) {
    bool opened = false;
    pid_t pid = 0;
    if (Spawn({config.openProgram, target}, pid, nullptr)) {
        const std::optional<int> exit = WaitExit(pid, config.exitWait);
        opened = !exit || *exit == 0;
    }
    if (!opened) {
        opened = OpenWithHtmlHandler(config, target);
    }
    if (!opened) {
        std::fprintf(stderr, "keldwick: no program could open \"%s\"\n", target.c_str());
    }
    if (config.finished) {
        config.finished(target, opened);
    }
}

std::vector<std::string> CXdgOpener::DataDirs(const XdgOpenerConfig& config) {
    if (!config.dataDirs.empty()) {
        return config.dataDirs;
    }
    std::vector<std::string> dirs;
    if (const char* home = std::getenv("XDG_DATA_HOME"); home != nullptr && *home != '\0') {
        dirs.emplace_back(home);
    } else if (const char* user = std::getenv("HOME"); user != nullptr && *user != '\0') {
        dirs.push_back(std::string(user) + "/.local/share");
    }
    const char* system = std::getenv("XDG_DATA_DIRS");
    std::stringstream list(system != nullptr && *system != '\0' ? system
                                                                : "/usr/local/share:/usr/share");
    for (std::string dir; std::getline(list, dir, ':');) {
        if (!dir.empty()) {
            dirs.push_back(dir);
        }
    }
    return dirs;
}

bool CXdgOpener::OpenWithHtmlHandler(const XdgOpenerConfig& config, std::string_view target) {
    pid_t pid = 0;
    int fd = -1;
    if (!Spawn(config.queryHtmlHandler, pid, &fd)) {
        return false;
    }
    const std::string id = Trim(ReadAll(fd, kMaxQueryOutput, config.exitWait));
    const std::optional<int> exit = WaitExit(pid, config.exitWait);
    if (!exit || *exit != 0 || !IsPlainDesktopId(id)) {
        return false;
    }
    for (const std::string& dir : DataDirs(config)) {
        std::ifstream in(dir + "/applications/" + id, std::ios::binary);
        if (!in) {
            continue;
        }
        std::string text;
        text.resize(kMaxDesktopFile);
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
        const std::optional<std::string> exec = DesktopEntryExec(text);
        if (!exec) {
            return false;
        }
        const std::vector<std::string> args = ExecArguments(*exec, target);
        pid_t handler = 0;
        if (!Spawn(args, handler, nullptr)) {
            return false;
        }
        // A browser runs as long as the user keeps it; it is collected whenever it ends.
        AddPending(handler);
        return true;
    }
    return false;
}

std::optional<std::string> DesktopEntryExec(std::string_view fileText) {
    bool inEntry = false;
    std::size_t p = 0;
    while (p < fileText.size()) {
        std::size_t end = fileText.find('\n', p);
        if (end == std::string_view::npos) {
            end = fileText.size();
        }
        const std::string line = Trim(fileText.substr(p, end - p));
        p = end + 1;
        if (line.starts_with('[')) {
            inEntry = line == "[Desktop Entry]";
        } else if (inEntry && line.starts_with("Exec")) {
            const std::size_t eq = line.find('=');
            if (eq != std::string::npos && Trim(std::string_view(line).substr(4, eq - 4)).empty()) {
                return Trim(std::string_view(line).substr(eq + 1));
            }
        }
    }
    return std::nullopt;
}

std::vector<std::string> ExecArguments(std::string_view exec, std::string_view target) {
    std::vector<std::string> args;
    bool targetPlaced = false;
    std::size_t p = 0;
    while (p < exec.size()) {
        while (p < exec.size() && (exec[p] == ' ' || exec[p] == '\t')) {
            ++p;
        }
        if (p >= exec.size()) {
            break;
        }
        std::string word;
        bool quoted = false;
        bool isFieldCode = false;
        if (exec[p] == '"') {
            quoted = true;
            ++p;
            while (p < exec.size() && exec[p] != '"') {
                if (exec[p] == '\\' && p + 1 < exec.size()) {
                    ++p;
                }
                word += exec[p++];
            }
            if (p >= exec.size()) {
                return {}; // unterminated quote
            }
            ++p;
        } else {
            while (p < exec.size() && exec[p] != ' ' && exec[p] != '\t') {
                word += exec[p++];
            }
        }
        if (!quoted && word.size() == 2 && word[0] == '%') {
            isFieldCode = true;
            if (word == "%f" || word == "%F" || word == "%u" || word == "%U") {
                if (!targetPlaced) {
                    args.emplace_back(target);
                    targetPlaced = true;
                }
            } else if (word == "%%") {
                args.emplace_back("%");
            }
        }
        if (!isFieldCode) {
            args.push_back(std::move(word));
        }
    }
    if (args.empty()) {
        return {};
    }
    if (!targetPlaced) {
        args.emplace_back(target);
    }
    return args;
}

} // namespace opener
