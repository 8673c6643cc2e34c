#pragma once
// A content handler that accepts every event and does nothing, so a handler overrides only the
// events it cares about.

#include "sax/ISAXContentHandler.h"

namespace sax {

class CContentHandlerBase : public ISAXContentHandler {
public:
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
