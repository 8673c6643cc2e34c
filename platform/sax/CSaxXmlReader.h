#pragma once
// The SAX reader over expat. One expat parser is made on first use and reset for each document.
// Expat reads without namespaces; the reader keeps the bindings in scope itself, and converts each
// element's names to UTF-16 once, kept from the start tag to the end tag. Character data is
// gathered until the next other event, then handed to the content handler in one piece.

#include "sax/CNameStack.h"
#include "sax/CNamespaceScope.h"
#include "sax/CSaxAttributes.h"
#include "sax/ISAXXMLReader.h"

#include <expat.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sax {

class CSaxXmlReader final : public ISAXXMLReader, private ISAXLocator {
public:
    // No run of character data may be longer than this many UTF-16 code units.
    static constexpr std::size_t kMaxTextRun = std::size_t{64} << 20;
    // A handler that takes text in pieces gets it in pieces of about this many code units.
    static constexpr std::size_t kTextPiece = std::size_t{64} << 10;

    CSaxXmlReader() = default;
    CSaxXmlReader(const CSaxXmlReader&) = delete;
    CSaxXmlReader& operator=(const CSaxXmlReader&) = delete;
    ~CSaxXmlReader();

    std::uint32_t AddRef() override { return ++m_references; }
    std::uint32_t Release() override;

    HRESULT PutContentHandler(ISAXContentHandler* handler) override;
    [[nodiscard]] ISAXContentHandler* GetContentHandler() const override { return m_handler; }
    [[nodiscard]] HRESULT Parse(ISequentialStream* stream) override;
    [[nodiscard]] HRESULT ParseBytes(std::string_view document) override;
    [[nodiscard]] const std::string& GetLastErrorText() const override { return m_errorText; }

private:
    static constexpr std::uint32_t kReadBlock = 16384;

    [[nodiscard]] int GetLineNumber() const override;
    [[nodiscard]] int GetColumnNumber() const override;

    [[nodiscard]] HRESULT Begin();
    // Passes over a plain declaration at the document's start (see PlainDeclaration.h) and returns
    // its length, 0 when the document opens otherwise.
    [[nodiscard]] std::size_t TakePlainDeclaration(std::string_view start);
    [[nodiscard]] HRESULT Feed(const char* data, std::size_t length);
    // Reads until the block is full or the stream ends; `ended` tells which.
    [[nodiscard]] static HRESULT FillBlock(ISequentialStream* stream, char* block,
                                           std::uint32_t& filled, bool& ended);
    [[nodiscard]] HRESULT ExpatFailure();
    [[nodiscard]] HRESULT Finish(HRESULT result);
    void InstallHandlers();
    // Records a failure and stops expat; the first failure wins.
    void Fail(HRESULT result, std::string_view reason);
    [[nodiscard]] bool FlushText();
    // The namespace of an element's or attribute's name; false when its prefix is unbound.
    [[nodiscard]] bool ResolveName(const QualifiedName& name, bool attribute,
                                   std::string_view& uri) const;
    [[nodiscard]] bool DeclareNamespaces(const XML_Char** atts);
    [[nodiscard]] bool CollectAttributes(const XML_Char** atts);

    static void XMLCALL OnStartElement(void* self, const XML_Char* name, const XML_Char** atts);
    static void XMLCALL OnEndElement(void* self, const XML_Char* name);
    static void XMLCALL OnCharacters(void* self, const XML_Char* text, int length);
    static void XMLCALL OnProcessingInstruction(void* self, const XML_Char* target,
                                                const XML_Char* data);
    static void XMLCALL OnDoctype(void* self, const XML_Char* name, const XML_Char* sysid,
                                  const XML_Char* pubid, int hasInternalSubset);
    static void XMLCALL OnEntityDecl(void* self, const XML_Char* name, int isParameterEntity,
                                     const XML_Char* value, int valueLength, const XML_Char* base,
                                     const XML_Char* systemId, const XML_Char* publicId,
                                     const XML_Char* notationName);
    static int XMLCALL OnExternalEntity(XML_Parser parser, const XML_Char* context,
                                        const XML_Char* base, const XML_Char* systemId,
                                        const XML_Char* publicId);

    std::uint32_t m_references = 1;
    XML_Parser m_parser = nullptr;
    // Taken when the parser is made, set again after every reset.
    unsigned long m_hashSalt = 0;
    ISAXContentHandler* m_handler = nullptr;
    HRESULT m_result = S_OK;
    bool m_parsing = false;
    // Set from a document's start until the parser is reset after it.
    bool m_resetPending = false;
    // Bytes of a plain declaration the reader took before expat saw the document.
    std::size_t m_skipped = 0;
    std::string m_errorText;
    std::u16string m_text;
    CNameStack m_names;
    CNamespaceScope m_scope;
    // The namespace and local name of each prefixed attribute of the tag being read.
    std::vector<std::pair<std::string_view, std::string_view>> m_expandedNames;
    std::u16string m_prefix;
    std::u16string m_uri;
    CSaxAttributes m_attributes;
};

} // namespace sax
