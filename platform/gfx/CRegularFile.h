#pragma once
// A file opened for reading only when it is a regular file. Pictures and bundles are read on the
// interface thread: a FIFO, a pipe or a device behind a path would block it forever, so the path
// is opened without blocking and checked with fstat before anything is read.

#include <cstddef>
#include <string>
#include <vector>

namespace gfx {

class CRegularFile {
public:
    explicit CRegularFile(const std::string& path);
    ~CRegularFile();
    CRegularFile(const CRegularFile&) = delete;
    CRegularFile& operator=(const CRegularFile&) = delete;

    // Whether the path named a regular file and it is open.
    explicit operator bool() const { return m_fd >= 0; }
    // The file's size when it was opened.
    [[nodiscard]] std::size_t Size() const { return m_size; }
    // Hands the descriptor over (the caller closes it); -1 when not open.
    [[nodiscard]] int Release();
    // Reads the whole file; false when it is larger than maxBytes or a read fails.
    [[nodiscard]] bool ReadAll(std::size_t maxBytes, std::vector<unsigned char>& out);

private:
    int m_fd = -1;
    std::size_t m_size = 0;
};

} // namespace gfx
