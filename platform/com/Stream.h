#pragma once
// Byte streams of the component model: the sequential read/write pair and the seekable stream
// built on it. Positions and sizes are 64-bit.

#include "com/Unknown.h"

#include <cstdint>

inline constexpr IID IID_ISequentialStream{
    0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
inline constexpr IID IID_IStream{
    0x0000000C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Seek origins.
enum StreamSeek : std::uint32_t { STREAM_SEEK_SET = 0, STREAM_SEEK_CUR = 1, STREAM_SEEK_END = 2 };

struct STATSTG;

class ISequentialStream : public IUnknown {
public:
    // Copies up to `size` bytes into `buffer`; `read` (may be null) receives the count.
    virtual HRESULT Read(void* buffer, ULONG size, ULONG* read) = 0;
    virtual HRESULT Write(const void* buffer, ULONG size, ULONG* written) = 0;

protected:
    ~ISequentialStream() = default;
};

class IStream : public ISequentialStream {
public:
    virtual HRESULT Seek(std::int64_t move, std::uint32_t origin, std::uint64_t* newPosition) = 0;
    virtual HRESULT SetSize(std::uint64_t newSize) = 0;
    virtual HRESULT CopyTo(IStream* target, std::uint64_t size, std::uint64_t* read,
                           std::uint64_t* written) = 0;
    virtual HRESULT Commit(std::uint32_t flags) = 0;
    virtual HRESULT Revert() = 0;
    virtual HRESULT LockRegion(std::uint64_t offset, std::uint64_t size, std::uint32_t type) = 0;
    virtual HRESULT UnlockRegion(std::uint64_t offset, std::uint64_t size, std::uint32_t type) = 0;
    virtual HRESULT Stat(STATSTG* stat, std::uint32_t flags) = 0;
    virtual HRESULT Clone(IStream** stream) = 0;

protected:
    ~IStream() = default;
};
