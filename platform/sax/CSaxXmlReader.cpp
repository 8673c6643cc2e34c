#include "sax/CSaxXmlReader.h"

#include "sax/HashSalt.h"
#include "sax/PlainDeclaration.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace sax {

namespace {

CSaxXmlReader& Self(void* self) {
    return *static_cast<CSaxXmlReader*>(self);
}

std::u16string_view OrEmpty(std::string_view text, std::u16string& buffer) {
    buffer.clear();
    AppendUtf16(buffer, text.data(), text.size());
    return buffer;
}

std::u16string_view OrEmpty(const XML_Char* text, std::u16string& buffer) {
    return OrEmpty(text != nullptr ? std::string_view(text) : std::string_view(), buffer);
}

} // namespace

HRESULT CreateSaxXmlReader(ISAXXMLReader** reader) {
    if (reader == nullptr) {
        return E_POINTER;
    }
    *reader = new (std::nothrow) CSaxXmlReader();
    return *reader != nullptr ? S_OK : E_OUTOFMEMORY;
}

CSaxXmlReader::~CSaxXmlReader() {
    if (m_parser != nullptr) {
        XML_ParserFree(m_parser);
    }
}

std::uint32_t CSaxXmlReader::Release() {
    const std::uint32_t left = --m_references;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT CSaxXmlReader::PutContentHandler(ISAXContentHandler* handler) {
    m_handler = handler;
    return S_OK;
}

int CSaxXmlReader::GetLineNumber() const {
    return m_parser != nullptr ? static_cast<int>(XML_GetCurrentLineNumber(m_parser)) : 0;
}

int CSaxXmlReader::GetColumnNumber() const {
    if (m_parser == nullptr) {
        return 0;
    }
    // Columns count from 1 for people; expat counts the first line from after a declaration the
    // reader took itself.
    const auto column = static_cast<std::size_t>(XML_GetCurrentColumnNumber(m_parser)) + 1;
    return static_cast<int>(XML_GetCurrentLineNumber(m_parser) == 1 ? column + m_skipped : column);
}

void CSaxXmlReader::InstallHandlers() {
    XML_SetUserData(m_parser, this);
    XML_SetElementHandler(m_parser, OnStartElement, OnEndElement);
    XML_SetCharacterDataHandler(m_parser, OnCharacters);
    XML_SetProcessingInstructionHandler(m_parser, OnProcessingInstruction);
    XML_SetStartDoctypeDeclHandler(m_parser, OnDoctype);
    XML_SetEntityDeclHandler(m_parser, OnEntityDecl);
    XML_SetExternalEntityRefHandler(m_parser, OnExternalEntity);
    XML_SetParamEntityParsing(m_parser, XML_PARAM_ENTITY_PARSING_NEVER);
}

HRESULT CSaxXmlReader::Begin() {
    if (m_parsing) {
        // One document at a time: a handler must not start a parse from inside a callback.
        return E_FAIL;
    }
    if (m_parser == nullptr) {
        // Without namespaces: the scope does that work for less than expat's own would cost.
        m_parser = XML_ParserCreate(nullptr);
        if (m_parser == nullptr) {
            return E_OUTOFMEMORY;
        }
        m_hashSalt = NewHashSalt();
    } else if (m_resetPending && XML_ParserReset(m_parser, nullptr) == XML_FALSE) {
        return E_OUTOFMEMORY;
    }
    m_resetPending = true;
    // A reset forgets the salt; without it expat would ask the kernel for a new one.
    XML_SetHashSalt(m_parser, m_hashSalt);
    InstallHandlers();
    m_parsing = true;
    m_skipped = 0;
    m_result = S_OK;
    m_errorText.clear();
    m_text.clear();
    m_names.Clear();
    m_scope.Clear();
    if (m_handler != nullptr) {
        HRESULT hr = m_handler->PutDocumentLocator(this);
        if (Succeeded(hr) && m_handler != nullptr) {
            hr = m_handler->StartDocument();
        }
        if (Failed(hr)) {
            m_result = hr;
            m_errorText = "the content handler refused the document";
            return hr;
        }
    }
    return S_OK;
}

HRESULT CSaxXmlReader::ExpatFailure() {
    if (Succeeded(m_result)) {
        const XML_Error code = XML_GetErrorCode(m_parser);
        m_result = code == XML_ERROR_NO_MEMORY ? E_OUTOFMEMORY : E_FAIL;
        char message[160];
        std::snprintf(message, sizeof message, "line %d, column %d: %s", GetLineNumber(),
                      GetColumnNumber(), XML_ErrorString(code));
        m_errorText = message;
    }
    return m_result;
}

HRESULT CSaxXmlReader::Feed(const char* data, std::size_t length) {
    // Expat takes int lengths; feed large inputs in slices.
    constexpr std::size_t kSlice = std::size_t{1} << 30;
    do {
        const std::size_t piece = length < kSlice ? length : kSlice;
        const int final = piece == length ? 1 : 0;
        if (XML_Parse(m_parser, data, static_cast<int>(piece), final) == XML_STATUS_ERROR) {
            return ExpatFailure();
        }
        data += piece;
        length -= piece;
    } while (length > 0);
    return S_OK;
}

HRESULT CSaxXmlReader::Finish(HRESULT result) {
    if (Succeeded(result) && !FlushText()) {
        result = m_result;
    }
    if (Succeeded(result) && m_handler != nullptr) {
        result = m_handler->EndDocument();
        if (Failed(result)) {
            m_errorText = "the content handler refused the end of the document";
        }
    }
    m_parsing = false;
    m_text.clear();
    // Reset now, while the parser's tables are still in the cache: at the next document's start,
    // after a wait on the network, they would have to be fetched again. A reset takes the
    // handlers away with the rest, so the next start installs them again.
    m_resetPending = XML_ParserReset(m_parser, nullptr) == XML_FALSE;
    return result;
}

std::size_t CSaxXmlReader::TakePlainDeclaration(std::string_view start) {
    m_skipped = PlainDeclarationLength(start);
    return m_skipped;
}

HRESULT CSaxXmlReader::ParseBytes(std::string_view document) {
    HRESULT hr = Begin();
    if (Failed(hr)) {
        m_parsing = false;
        return hr;
    }
    document.remove_prefix(TakePlainDeclaration(document));
    return Finish(Feed(document.data(), document.size()));
}

HRESULT CSaxXmlReader::Parse(ISequentialStream* stream) {
    if (stream == nullptr) {
        return E_INVALIDARG;
    }
    HRESULT hr = Begin();
    if (Failed(hr)) {
        m_parsing = false;
        return hr;
    }
    for (bool first = true;; first = false) {
        auto* buffer = static_cast<char*>(XML_GetBuffer(m_parser, static_cast<int>(kReadBlock)));
        if (buffer == nullptr) {
            return Finish(E_OUTOFMEMORY);
        }
        std::uint32_t got = 0;
        bool ended = false;
        hr = FillBlock(stream, buffer, got, ended);
        if (Failed(hr)) {
            m_errorText = "the input stream failed";
            return Finish(hr);
        }
        if (first) {
            // What is left always holds the root's start tag, so it never reads as the end.
            const std::size_t skip = TakePlainDeclaration(std::string_view(buffer, got));
            if (skip > 0) {
                std::memmove(buffer, buffer + skip, got - skip);
                got -= static_cast<std::uint32_t>(skip);
            }
        }
        if (XML_ParseBuffer(m_parser, static_cast<int>(got), ended ? 1 : 0) == XML_STATUS_ERROR) {
            return Finish(ExpatFailure());
        }
        if (ended) {
            return Finish(S_OK);
        }
    }
}

// A stream that ends inside the block is parsed in one final pass: a pass that may not be the
// last makes expat hold its tail back and go over it again, which costs a short answer a tenth
// of its parse.
HRESULT CSaxXmlReader::FillBlock(ISequentialStream* stream, char* block, std::uint32_t& filled,
                                 bool& ended) {
    filled = 0;
    ended = false;
    while (filled < kReadBlock) {
        const std::uint32_t room = kReadBlock - filled;
        std::uint32_t got = 0;
        const HRESULT hr = stream->Read(block + filled, room, &got);
        if (Failed(hr) || got > room) {
            return Failed(hr) ? hr : E_FAIL;
        }
        if (got == 0) {
            ended = true;
            break;
        }
        filled += got;
    }
    return S_OK;
}

void CSaxXmlReader::Fail(HRESULT result, std::string_view reason) {
    if (Succeeded(m_result)) {
        m_result = result;
        char where[64];
        std::snprintf(where, sizeof where, "line %d, column %d: ", GetLineNumber(),
                      GetColumnNumber());
        m_errorText = where;
        m_errorText.append(reason);
    }
    XML_StopParser(m_parser, XML_FALSE);
}

bool CSaxXmlReader::FlushText() {
    if (m_text.empty()) {
        return true;
    }
    HRESULT hr = S_OK;
    if (m_handler != nullptr) {
        hr = m_handler->Characters(m_text);
    }
    m_text.clear();
    if (Failed(hr)) {
        Fail(hr, "the content handler refused the character data");
        return false;
    }
    return true;
}

bool CSaxXmlReader::ResolveName(const QualifiedName& name, bool attribute,
                                std::string_view& uri) const {
    if (name.prefixed) {
        return !name.prefix.empty() && m_scope.Resolve(name.prefix, uri);
    }
    uri = {};
    // An unprefixed attribute is in no namespace, whatever the default one.
    return attribute || m_scope.Resolve({}, uri);
}

// Declares the tag's namespaces, in the order written, before anything else of the tag is read.
bool CSaxXmlReader::DeclareNamespaces(const XML_Char** atts) {
    for (const XML_Char** a = atts; *a != nullptr; a += 2) {
        std::string_view prefix;
        if (!CNamespaceScope::IsDeclaration(a[0], prefix)) {
            continue;
        }
        const std::string_view uri(a[1]);
        const char* refused = prefix.empty() && std::strlen(a[0]) > 5
                                  ? "a namespace prefix must not be empty"
                                  : m_scope.Declare(prefix, uri);
        if (refused != nullptr) {
            Fail(E_FAIL, refused);
            return false;
        }
        if (m_handler != nullptr && m_handler->TakesPrefixMappings()) {
            const HRESULT hr =
                m_handler->StartPrefixMapping(OrEmpty(prefix, m_prefix), m_names.Uri(uri));
            if (Failed(hr)) {
                Fail(hr, "the content handler refused a namespace declaration");
                return false;
            }
        }
    }
    return true;
}

// Every attribute but the declarations, with its namespace. Two attributes may not share a
// namespace and local name, even under different prefixes.
bool CSaxXmlReader::CollectAttributes(const XML_Char** atts) {
    m_attributes.Clear();
    m_expandedNames.clear();
    for (const XML_Char** a = atts; *a != nullptr; a += 2) {
        std::string_view prefix;
        if (CNamespaceScope::IsDeclaration(a[0], prefix)) {
            continue;
        }
        const QualifiedName name = SplitQualifiedName(a[0]);
        std::string_view uri;
        if (!ResolveName(name, true, uri)) {
            Fail(E_FAIL, "unbound prefix");
            return false;
        }
        if (name.prefixed) {
            m_expandedNames.emplace_back(uri, name.local);
        }
        m_attributes.Add(uri, name, a[1]);
    }
    if (m_expandedNames.size() > 1) {
        std::sort(m_expandedNames.begin(), m_expandedNames.end());
        if (std::adjacent_find(m_expandedNames.begin(), m_expandedNames.end()) !=
            m_expandedNames.end()) {
            Fail(E_FAIL, "duplicate attribute");
            return false;
        }
    }
    return true;
}

void XMLCALL CSaxXmlReader::OnStartElement(void* self, const XML_Char* name,
                                           const XML_Char** atts) {
    auto& r = Self(self);
    // The scope opens and the names are pushed before anything can fail, so that every end tag
    // finds its own start tag's.
    r.m_scope.OpenElement();
    const QualifiedName qualified = SplitQualifiedName(name);
    // Most tags of an answer carry no attribute at all.
    const bool hasAttributes = atts[0] != nullptr;
    if (!r.FlushText() || (hasAttributes && !r.DeclareNamespaces(atts))) {
        r.m_names.Push({}, qualified);
        return;
    }
    std::string_view uri;
    const bool bound = r.ResolveName(qualified, false, uri);
    const CNameStack::Names names = r.m_names.Push(uri, qualified);
    if (!bound) {
        r.Fail(E_FAIL, "unbound prefix");
        return;
    }
    if (hasAttributes) {
        if (!r.CollectAttributes(atts)) {
            return;
        }
    } else {
        r.m_attributes.Clear();
    }
    if (r.m_handler == nullptr) {
        return;
    }
    const HRESULT hr =
        r.m_handler->StartElement(names.uri, names.local, names.qName, r.m_attributes);
    if (Failed(hr)) {
        r.Fail(hr, "the content handler refused the element");
    }
}

void XMLCALL CSaxXmlReader::OnEndElement(void* self, const XML_Char*) {
    auto& r = Self(self);
    if (!r.FlushText()) {
        return;
    }
    // The end tag names the innermost open element, whose names are kept from its start tag.
    const CNameStack::Names names = r.m_names.Top();
    HRESULT hr = S_OK;
    if (r.m_handler != nullptr) {
        hr = r.m_handler->EndElement(names.uri, names.local, names.qName);
    }
    r.m_names.Pop();
    if (Failed(hr)) {
        r.Fail(hr, "the content handler refused the end of the element");
        return;
    }
    r.m_scope.CloseElement([&r](std::string_view prefix) {
        if (Succeeded(r.m_result) && r.m_handler != nullptr && r.m_handler->TakesPrefixMappings()) {
            const HRESULT refused = r.m_handler->EndPrefixMapping(OrEmpty(prefix, r.m_prefix));
            if (Failed(refused)) {
                r.Fail(refused, "the content handler refused the end of a namespace declaration");
            }
        }
    });
}

void XMLCALL CSaxXmlReader::OnCharacters(void* self, const XML_Char* text, int length) {
    auto& r = Self(self);
    if (r.m_text.size() + static_cast<std::size_t>(length) > kMaxTextRun) {
        r.Fail(E_OUTOFMEMORY, "a run of character data is too long");
        return;
    }
    AppendUtf16(r.m_text, text, static_cast<std::size_t>(length));
    // A handler that joins text itself gets it as it comes, so a long run is never held twice.
    if (r.m_text.size() >= kTextPiece && r.m_handler != nullptr &&
        r.m_handler->TakesTextInPieces()) {
        static_cast<void>(r.FlushText());
    }
}

void XMLCALL CSaxXmlReader::OnProcessingInstruction(void* self, const XML_Char* target,
                                                    const XML_Char* data) {
    auto& r = Self(self);
    if (!r.FlushText() || r.m_handler == nullptr) {
        return;
    }
    const HRESULT hr =
        r.m_handler->ProcessingInstruction(OrEmpty(target, r.m_prefix), OrEmpty(data, r.m_uri));
    if (Failed(hr)) {
        r.Fail(hr, "the content handler refused a processing instruction");
    }
}

void XMLCALL CSaxXmlReader::OnDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*,
                                      int) {
    Self(self).Fail(E_FAIL, "a document type declaration is not allowed");
}

void XMLCALL CSaxXmlReader::OnEntityDecl(void* self, const XML_Char*, int, const XML_Char*, int,
                                         const XML_Char*, const XML_Char*, const XML_Char*,
                                         const XML_Char*) {
    Self(self).Fail(E_FAIL, "an entity declaration is not allowed");
}

int XMLCALL CSaxXmlReader::OnExternalEntity(XML_Parser, const XML_Char*, const XML_Char*,
                                            const XML_Char*, const XML_Char*) {
    // Never reached while declarations are refused; answering failure keeps it that way.
    return XML_STATUS_ERROR;
}

} // namespace sax
