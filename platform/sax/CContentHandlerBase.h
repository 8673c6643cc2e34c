#pragma once
// A content handler that accepts every event and does nothing, so a handler overrides only the
// events it cares about. Handlers live inside their owners: the reference count always answers 1.

#include "sax/ISAXContentHandler.h"

namespace sax {

class CContentHandlerBase : public ISAXContentHandler {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_ISAXContentHandler) {
            *object = static_cast<ISAXContentHandler*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    HRESULT PutDocumentLocator(const ISAXLocator*) override { return S_OK; }
    HRESULT StartDocument() override { return S_OK; }
    HRESULT EndDocument() override { return S_OK; }
    HRESULT StartPrefixMapping(std::u16string_view, std::u16string_view) override { return S_OK; }
    HRESULT EndPrefixMapping(std::u16string_view) override { return S_OK; }
    HRESULT StartElement(std::u16string_view, std::u16string_view, std::u16string_view,
                         const ISAXAttributes&) override {
        return S_OK;
    }
    HRESULT EndElement(std::u16string_view, std::u16string_view, std::u16string_view) override {
        return S_OK;
    }
    HRESULT Characters(std::u16string_view) override { return S_OK; }
    HRESULT IgnorableWhitespace(std::u16string_view) override { return S_OK; }
    HRESULT ProcessingInstruction(std::u16string_view, std::u16string_view) override {
        return S_OK;
    }
    HRESULT SkippedEntity(std::u16string_view) override { return S_OK; }

protected:
    ~CContentHandlerBase() = default;
};

} // namespace sax
