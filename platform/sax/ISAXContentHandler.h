#pragma once
// The receiver of a reader's events. Every callback answers a result code; a failure ends the parse
// and becomes the result of the reader's Parse. Names arrive as namespace URI, local name and
// qualified name; text arrives in UTF-16.

#include "com/HResult.h"
#include "com/Unknown.h"
#include "sax/ISAXAttributes.h"

#include <string_view>

namespace sax {

// Where the reader is in the document, for messages.
class ISAXLocator {
public:
    [[nodiscard]] virtual int GetLineNumber() const = 0;
    [[nodiscard]] virtual int GetColumnNumber() const = 0;

protected:
    ~ISAXLocator() = default;
};

// This build's own identifier of the content handler interface.
inline constexpr IID IID_ISAXContentHandler{
    0x6B1F4E2A, 0x91C3, 0x4D7E, {0xA5, 0x3C, 0x2E, 0x8F, 0x40, 0x17, 0xB6, 0xD9}};

class ISAXContentHandler : public IUnknown {
public:
    virtual HRESULT PutDocumentLocator(const ISAXLocator* locator) = 0;
    virtual HRESULT StartDocument() = 0;
    virtual HRESULT EndDocument() = 0;
    virtual HRESULT StartPrefixMapping(std::u16string_view prefix, std::u16string_view uri) = 0;
    virtual HRESULT EndPrefixMapping(std::u16string_view prefix) = 0;
    virtual HRESULT StartElement(std::u16string_view uri, std::u16string_view localName,
                                 std::u16string_view qName, const ISAXAttributes& attributes) = 0;
    virtual HRESULT EndElement(std::u16string_view uri, std::u16string_view localName,
                               std::u16string_view qName) = 0;
    virtual HRESULT Characters(std::u16string_view text) = 0;
    virtual HRESULT IgnorableWhitespace(std::u16string_view text) = 0;
    virtual HRESULT ProcessingInstruction(std::u16string_view target, std::u16string_view data) = 0;
    virtual HRESULT SkippedEntity(std::u16string_view name) = 0;
    // A handler that answers true gets a long run of character data in several Characters
    // calls as it arrives; any other gets each run whole, in one call.
    [[nodiscard]] virtual bool TakesTextInPieces() const { return false; }
    // A handler that answers false is told of no namespace declarations (names still arrive with
    // their namespaces), which spares the reader converting them.
    [[nodiscard]] virtual bool TakesPrefixMappings() const { return true; }

protected:
    ~ISAXContentHandler() = default;
};

} // namespace sax
