#pragma once
// The SAX reader over expat. One expat parser is made on first use and reset for each document.
// Names arrive from expat as "uri SEP local SEP prefix" and are split and converted to UTF-16 once
// per element, kept from the start tag to the end tag. Character data is gathered until the next
// other event, then handed to the content handler in one piece.

#include "sax/CNameStack.h"
#include "sax/CSaxAttributes.h"
#include "sax/ISAXXMLReader.h"

#include <expat.h>

#include <cstddef>
#include <string>

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
    static constexpr char kSeparator = '\x01';
    static constexpr std::uint32_t kReadBlock = 16384;

    [[nodiscard]] int GetLineNumber() const override;
    [[nodiscard]] int GetColumnNumber() const override;

    [[nodiscard]] HRESULT Begin();
    // Passes over a plain declaration at the document's start (see PlainDeclaration.h) and returns
    // its length, 0 when the document opens otherwise.
    [[nodiscard]] std::size_t TakePlainDeclaration(std::string_view start);
    [[nodiscard]] HRESULT Feed(const char* data, std::size_t length);
    [[nodiscard]] HRESULT ExpatFailure();
    [[nodiscard]] HRESULT Finish(HRESULT result);
    void InstallHandlers();
    // Records a failure and stops expat; the first failure wins.
    void Fail(HRESULT result, std::string_view reason);
    [[nodiscard]] bool FlushText();

    static void XMLCALL OnStartElement(void* self, const XML_Char* name, const XML_Char** atts);
    static void XMLCALL OnEndElement(void* self, const XML_Char* name);
    static void XMLCALL OnCharacters(void* self, const XML_Char* text, int length);
    static void XMLCALL OnStartNamespace(void* self, const XML_Char* prefix, const XML_Char* uri);
    static void XMLCALL OnEndNamespace(void* self, const XML_Char* prefix);
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
    // Bytes of a plain declaration the reader took before expat saw the document.
    std::size_t m_skipped = 0;
    std::string m_errorText;
    std::u16string m_text;
    CNameStack m_names;
    std::u16string m_prefix;
    std::u16string m_uri;
    CSaxAttributes m_attributes;
};

} // namespace sax
