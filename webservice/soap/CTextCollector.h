#pragma once
// Collects the whole content of one element as text (nested tags written back as markup) and hands
// it to the handler that installed it in one Characters call, followed by the element's end.

#include "com/CBstrBuilder.h"
#include "sax/CContentHandlerBase.h"
#include "sax/ISAXXMLReader.h"

#include <cstddef>

class CTextCollector final : public sax::CContentHandlerBase {
public:
    // The collected text may not grow past this many UTF-16 code units: twice what a response
    // within its 64 MiB bound can hold, as markup written back may grow ("<e/>" to "<e></e>").
    static constexpr std::size_t kMaxText = std::size_t{128} << 20;

    CTextCollector() = default;

    // Takes the reader's events from now until the current element ends, then gives them back to
    // `parent`.
    HRESULT Begin(sax::ISAXXMLReader* reader, sax::ISAXContentHandler* parent);

    HRESULT StartElement(std::u16string_view uri, std::u16string_view localName,
                         std::u16string_view qName, const sax::ISAXAttributes& attributes) override;
    HRESULT EndElement(std::u16string_view uri, std::u16string_view localName,
                       std::u16string_view qName) override;
    HRESULT Characters(std::u16string_view text) override;
    HRESULT IgnorableWhitespace(std::u16string_view text) override { return Characters(text); }
    // It joins the text itself, so the reader need not hold a long run whole first.
    [[nodiscard]] bool TakesTextInPieces() const override { return true; }

    // When `text` is the text this collector handed out last, the finished string holding it,
    // taken over without a copy; null otherwise.
    [[nodiscard]] BSTR TakeText(std::u16string_view text);

private:
    [[nodiscard]] bool Append(std::u16string_view text);

    sax::ISAXXMLReader* m_reader = nullptr;
    sax::ISAXContentHandler* m_parent = nullptr;
    int m_depth = 0;
    CBstrBuilder m_text;
};
