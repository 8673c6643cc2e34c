#pragma once
// Consumes the subtree of one element, dropping everything in it, then gives the reader back.

#include "sax/CContentHandlerBase.h"
#include "sax/ISAXXMLReader.h"

class CSubtreeSkipper final : public sax::CContentHandlerBase {
public:
    // Takes the reader's events until the current element (count 1) has ended.
    HRESULT Begin(sax::ISAXXMLReader* reader, sax::ISAXContentHandler* parent);

    HRESULT StartElement(std::u16string_view, std::u16string_view, std::u16string_view,
                         const sax::ISAXAttributes&) override {
        ++m_depth;
        return S_OK;
    }
    HRESULT EndElement(std::u16string_view, std::u16string_view, std::u16string_view) override;
    // Text is dropped, so it may come in pieces.
    [[nodiscard]] bool TakesTextInPieces() const override { return true; }

private:
    sax::ISAXXMLReader* m_reader = nullptr;
    sax::ISAXContentHandler* m_parent = nullptr;
    int m_depth = 0;
};
