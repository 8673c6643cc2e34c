#pragma once
// A namespace-aware SAX reader. The content handler may be replaced while a parse runs: the events
// that follow go to the new handler, so a handler can hand a subtree to a helper and take it back.
// The character data between two other events is joined and handed over in one Characters call.
// Documents with a document type declaration are refused, so no entity is ever declared, expanded
// or loaded from outside.

#include "com/HResult.h"
#include "com/Stream.h"
#include "sax/ISAXContentHandler.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace sax {

// The reader takes its input from the component model's sequential stream; Read reports 0 bytes at
// the end.
using ISequentialStream = ::ISequentialStream;

class ISAXXMLReader {
public:
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

    virtual HRESULT PutContentHandler(ISAXContentHandler* handler) = 0;
    [[nodiscard]] virtual ISAXContentHandler* GetContentHandler() const = 0;

    // Parses a whole document. The result is S_OK, the first failure a handler answered, or E_FAIL
    // for a document that is not well-formed (E_OUTOFMEMORY when a bound is passed).
    [[nodiscard]] virtual HRESULT Parse(ISequentialStream* stream) = 0;
    [[nodiscard]] virtual HRESULT ParseBytes(std::string_view document) = 0;

    // The reason for the last failed parse with its line and column; empty after a success.
    [[nodiscard]] virtual const std::string& GetLastErrorText() const = 0;

protected:
    ~ISAXXMLReader() = default;
};

// Creates a reader with one reference held by the caller.
[[nodiscard]] HRESULT CreateSaxXmlReader(ISAXXMLReader** reader);

} // namespace sax
