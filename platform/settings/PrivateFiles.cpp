#include "settings/PrivateFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace settings {

namespace {

std::string ParentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    ~CFd() { Close(); }
    [[nodiscard]] int Get() const { return m_fd; }
    // Reports whether closing succeeded: on some file systems a failed write shows only here.
    bool Close() {
        if (m_fd < 0) {
            return true;
        }
        const bool ok = ::close(m_fd) == 0;
        m_fd = -1;
        return ok;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, std::string_view contents, const WriteHook& hook) {
    // Small steps, so that a hook can stop a save part-way as a full disk would.
    constexpr std::size_t kStep = 4096;
    std::size_t written = 0;
    while (written < contents.size()) {
        if (hook && !hook(written)) {
            errno = ENOSPC;
            return false;
        }
        const std::size_t step = std::min(kStep, contents.size() - written);
        const ssize_t n = ::write(fd, contents.data() + written, step);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return !hook || hook(written);
}

void SyncFolder(const std::string& folder) {
    // Makes the rename itself durable; a file system that cannot sync a folder loses nothing here.
    CFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        ::fsync(dir.Get());
    }
}

} // namespace

// Creates the missing folders of `folder` with mode 0700; folders that exist are left as they are
// (the user's home or configuration folder is not ours to change).
static bool CreateMissingFolders(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) {
        return S_ISDIR(info.st_mode);
    }
    if (errno != ENOENT) {
        return false;
    }
    const std::string parent = ParentOf(folder);
    if (parent != folder && !CreateMissingFolders(parent)) {
        return false;
    }
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// Whether `part` is a real folder (not a link to one) that the user owns.
static bool IsOwnFolder(const std::string& part) {
    struct stat info {};
    return ::lstat(part.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
}

// Walks from below `root` down to `folder`, one folder at a time: each that exists must be our own
// real folder before anything is made inside it, and each that is missing is made (mode 0700) and
// checked in turn. A link on the way is never followed, so nothing is created at its target.
static SettingsStatus MakeOwnFoldersBelow(const std::string& root, const std::string& folder) {
    for (std::size_t end = root.size(); end != std::string::npos;) {
        end = folder.find('/', end + 1);
        const std::string part = folder.substr(0, end);
        if (part.size() <= root.size()) {
            continue;
        }
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return SettingsStatus::IoError;
        }
        if (!IsOwnFolder(part)) {
            return SettingsStatus::Unsafe;
        }
    }
    return SettingsStatus::Ok;
}

SettingsStatus MakePrivateFolder(const std::string& root, const std::string& folder) {
    if (folder.empty()) {
        return SettingsStatus::InvalidKey;
    }
    if (!folder.starts_with(root) ||
        (folder.size() > root.size() && !root.ends_with('/') && folder[root.size()] != '/')) {
        return SettingsStatus::Unsafe;
    }
    // The root (the user's configuration folder) may itself lie behind a link; it is made as is.
    if (!CreateMissingFolders(root)) {
        return SettingsStatus::IoError;
    }
    if (const SettingsStatus status = MakeOwnFoldersBelow(root, folder);
        status != SettingsStatus::Ok) {
        return status;
    }
    // The key's own folder holds secrets: tightened even when it existed before.
    return ::chmod(folder.c_str(), 0700) == 0 ? SettingsStatus::Ok : SettingsStatus::IoError;
}

SettingsStatus ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string& contents) {
    // A pipe would block the open and the read; a link would lead the read elsewhere.
    CFd file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) {
        switch (errno) {
        case ENOENT:
            return SettingsStatus::NotFound;
        case ELOOP:  // a symbolic link
        case ENXIO:  // a socket, or a device without a driver
        case EAGAIN: // a device that would block
            return SettingsStatus::Unsafe;
        default:
            return SettingsStatus::IoError;
        }
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) {
        return SettingsStatus::IoError;
    }
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        return SettingsStatus::Unsafe;
    }
    contents.clear();
    std::vector<char> block(8192);
    while (true) {
        const ssize_t n = ::read(file.Get(), block.data(), block.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return SettingsStatus::IoError;
        }
        if (n == 0) {
            return SettingsStatus::Ok;
        }
        if (static_cast<std::size_t>(n) > maxBytes - contents.size()) {
            return SettingsStatus::MoreData;
        }
        contents.append(block.data(), static_cast<std::size_t>(n));
    }
}

SettingsStatus ReplaceFile(const std::string& path, std::string_view contents,
                           const WriteHook& hook) {
    std::string temporary = path + ".tmp-XXXXXX";
    CFd file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.Get() < 0) {
        return SettingsStatus::IoError;
    }
    const bool written = ::fchmod(file.Get(), 0600) == 0 && WriteAll(file.Get(), contents, hook) &&
                         ::fsync(file.Get()) == 0;
    if (!file.Close() || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return SettingsStatus::IoError;
    }
    SyncFolder(ParentOf(path));
    return SettingsStatus::Ok;
}

} // namespace settings
