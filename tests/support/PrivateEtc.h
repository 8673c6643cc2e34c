#pragma once
// Runs a piece of a test in a child process that sees its own /etc files: the child enters a
// private mount namespace and binds the given texts over the named files, so the machine's own
// files are never touched. Name resolution can be aimed this way at a silent name server or at
// hosts with chosen addresses. It needs the right to make a namespace (root); without it the piece
// is skipped.

#include "support/TempFolder.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <optional>
#include <poll.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace private_etc {

constexpr int kCannotIsolate = 77;

struct FileText {
    const char* path; // e.g. "/etc/hosts"
    std::string text;
};

inline bool Isolate(const std::vector<std::pair<std::string, const char*>>& binds) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr)) {
        return false;
    }
    for (const auto& [source, target] : binds) {
        if (mount(source.c_str(), target, nullptr, MS_BIND, nullptr) != 0) {
            return false;
        }
    }
    return true;
}

// Reads what the child wrote until it closes the pipe, for at most `waitMs`.
inline std::string ReadAll(int fd, int waitMs) {
    std::string text;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            return text + " (the child did not finish in time)";
        }
        char buffer[256];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

// Runs `piece` in the child with `files` in place. Answers nothing when the child could not be
// isolated, otherwise what `piece` answered (empty when it passed). `inParent` runs in the parent
// once the child is forked: a thread the piece needs (a server) starts there, because a thread
// that runs across the fork may hold a lock (the allocator's, a sanitizer's) that the child then
// waits on for ever.
inline std::optional<std::string> Run(const std::vector<FileText>& files,
                                      const std::function<std::string()>& piece,
                                      const std::function<void()>& inParent = {},
                                      int waitMs = 30'000) {
    CTempFolder folder;
    std::vector<std::pair<std::string, const char*>> binds;
    for (const FileText& file : files) {
        binds.emplace_back(folder.Path() + "/" + std::to_string(binds.size()), file.path);
        std::ofstream(binds.back().first) << file.text;
    }
    int channel[2];
    if (pipe(channel) != 0) {
        return "no pipe";
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (!Isolate(binds)) {
            _exit(kCannotIsolate);
        }
        const std::string failure = piece();
        const bool written =
            failure.empty() || write(channel[1], failure.data(), failure.size()) >= 0;
        _exit(written ? 0 : 1);
    }
    close(channel[1]);
    if (child > 0 && inParent) {
        inParent();
    }
    std::string failure = child < 0 ? "no child" : ReadAll(channel[0], waitMs);
    close(channel[0]);
    int status = 0;
    if (child > 0) {
        // Already ended unless it overran: killing an ended child that is not yet reaped does
        // nothing.
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == kCannotIsolate) {
        return std::nullopt;
    }
    // A child that crashed (or that a sanitizer stopped) wrote nothing, which must not read as a
    // pass.
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        failure += " (the child ended with status " + std::to_string(status) + ")";
    }
    return failure;
}

} // namespace private_etc
