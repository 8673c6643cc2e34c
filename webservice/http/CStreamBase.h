#pragma once
// A stream that lives inside its owner and is not reference-counted: AddRef and Release answer 1.
// Every operation except QueryInterface answers "not implemented"; a concrete stream overrides
// what it supports.

#include "com/Stream.h"

class CStreamBase : public IStream {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    HRESULT Read(void* buffer, ULONG size, ULONG* read) override;
    HRESULT Write(const void* buffer, ULONG size, ULONG* written) override;
    HRESULT Seek(std::int64_t move, std::uint32_t origin, std::uint64_t* newPosition) override;
    HRESULT SetSize(std::uint64_t newSize) override;
    HRESULT CopyTo(IStream* target, std::uint64_t size, std::uint64_t* read,
                   std::uint64_t* written) override;
    HRESULT Commit(std::uint32_t flags) override;
    HRESULT Revert() override;
    HRESULT LockRegion(std::uint64_t offset, std::uint64_t size, std::uint32_t type) override;
    HRESULT UnlockRegion(std::uint64_t offset, std::uint64_t size, std::uint32_t type) override;
    HRESULT Stat(STATSTG* stat, std::uint32_t flags) override;
    HRESULT Clone(IStream** stream) override;

protected:
    ~CStreamBase() = default;
};
