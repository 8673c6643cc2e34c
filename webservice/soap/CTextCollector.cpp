#include "webservice/soap/CTextCollector.h"

HRESULT CTextCollector::Begin(sax::ISAXXMLReader* reader, sax::ISAXContentHandler* parent) {
    if (reader == nullptr || parent == nullptr) {
        return E_POINTER;
    }
    m_reader = reader;
    m_parent = parent;
    m_depth = 1;
    m_text.Clear();
    return reader->PutContentHandler(this);
}

bool CTextCollector::Append(std::u16string_view text) {
    return m_text.Size() + text.size() <= kMaxText && m_text.Append(text);
}

HRESULT CTextCollector::StartElement(std::u16string_view, std::u16string_view,
                                     std::u16string_view qName,
                                     const sax::ISAXAttributes& attributes) {
    ++m_depth;
    bool ok = Append(u"<") && Append(qName);
    for (int i = 0; ok && i < attributes.GetLength(); ++i) {
        ok = Append(u" ") && Append(attributes.GetQName(i)) && Append(u"=\"") &&
             Append(attributes.GetValue(i)) && Append(u"\"");
    }
    return ok && Append(u">") ? S_OK : E_OUTOFMEMORY;
}

HRESULT CTextCollector::EndElement(std::u16string_view uri, std::u16string_view localName,
                                   std::u16string_view qName) {
    if (--m_depth > 0) {
        return Append(u"</") && Append(qName) && Append(u">") ? S_OK : E_OUTOFMEMORY;
    }
    // Give the reader back first, so the parent may install a helper again at once.
    sax::ISAXContentHandler* parent = m_parent;
    m_parent = nullptr;
    HRESULT hr = m_reader->PutContentHandler(parent);
    if (Succeeded(hr)) {
        hr = parent->Characters(m_text.View());
    }
    if (Succeeded(hr)) {
        hr = parent->EndElement(uri, localName, qName);
    }
    return hr;
}

HRESULT CTextCollector::Characters(std::u16string_view text) {
    return Append(text) ? S_OK : E_OUTOFMEMORY;
}

BSTR CTextCollector::TakeText(std::u16string_view text) {
    const std::u16string_view held = m_text.View();
    if (text.data() != held.data() || text.size() != held.size() || held.data() == nullptr) {
        return nullptr;
    }
    return m_text.Detach();
}
