#include "webservice/soap/CSubtreeSkipper.h"

HRESULT CSubtreeSkipper::Begin(sax::ISAXXMLReader* reader, sax::ISAXContentHandler* parent) {
    if (reader == nullptr || parent == nullptr) {
        return E_POINTER;
    }
    m_reader = reader;
    m_parent = parent;
    m_depth = 1;
    return reader->PutContentHandler(this);
}

HRESULT CSubtreeSkipper::EndElement(std::u16string_view, std::u16string_view, std::u16string_view) {
    if (--m_depth > 0) {
        return S_OK;
    }
    return m_reader->PutContentHandler(m_parent);
}
