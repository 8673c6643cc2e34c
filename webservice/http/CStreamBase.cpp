#include "webservice/http/CStreamBase.h"

HRESULT CStreamBase::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
        *object = static_cast<IStream*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT CStreamBase::Read(void*, ULONG, ULONG*) {
    return E_NOTIMPL;
}
HRESULT CStreamBase::Write(const void*, ULONG, ULONG*) {
    return E_NOTIMPL;
}
HRESULT CStreamBase::Seek(std::int64_t, std::uint32_t, std::uint64_t*) {
    return E_NOTIMPL;
}
HRESULT CStreamBase::SetSize(std::uint64_t) {
    return E_NOTIMPL;
}
HRESULT CStreamBase::CopyTo(IStream*, std::uint64_t, std::uint64_t*, std::uint64_t*) {
    return E_NOTIMPL;
}
HRESULT CStreamBase::Commit(std::uint32_t) {
    return E_NOTIMPL;
}
HRESULT CStreamBase::Revert() {
    return E_NOTIMPL;
}
HRESULT CStreamBase::LockRegion(std::uint64_t, std::uint64_t, std::uint32_t) {
    return E_NOTIMPL;
}
HRESULT CStreamBase::UnlockRegion(std::uint64_t, std::uint64_t, std::uint32_t) {
    return E_NOTIMPL;
}
HRESULT CStreamBase::Stat(STATSTG*, std::uint32_t) {
    return E_NOTIMPL;
}
HRESULT CStreamBase::Clone(IStream**) {
    return E_NOTIMPL;
}
