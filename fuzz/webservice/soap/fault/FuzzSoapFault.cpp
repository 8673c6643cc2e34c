// Feeds arbitrary bytes to the fault reader, as a 500 answer's body would be.

#include "sax/CMemoryStream.h"
#include "webservice/soap/CFaultReader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static sax::ISAXXMLReader* reader = [] {
        sax::ISAXXMLReader* created = nullptr;
        if (Failed(sax::CreateSaxXmlReader(&created))) {
            std::abort();
        }
        return created;
    }();
    CFaultRecord fault;
    sax::CMemoryStream stream(std::string_view(reinterpret_cast<const char*>(data), size));
    (void)CFaultReader::Parse(fault, reader, &stream);
    if (reader->GetContentHandler() != nullptr) {
        std::abort(); // the reader must never point at the finished fault reader
    }
    return 0;
}
