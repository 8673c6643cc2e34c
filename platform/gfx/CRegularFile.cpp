#include "gfx/CRegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace gfx {

CRegularFile::CRegularFile(const std::string& path) {
    if (path.empty()) {
        return;
    }
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0) {
        return;
    }
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_size = static_cast<std::size_t>(info.st_size);
}

CRegularFile::~CRegularFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

int CRegularFile::Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool CRegularFile::ReadAll(std::size_t maxBytes, std::vector<unsigned char>& out) {
    out.clear();
    if (m_fd < 0 || m_size > maxBytes) {
        return false;
    }
    out.resize(m_size);
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got = ::read(m_fd, out.data() + done, out.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            // The file shrank or cannot be read: what was read is not the picture.
            out.clear();
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace gfx
