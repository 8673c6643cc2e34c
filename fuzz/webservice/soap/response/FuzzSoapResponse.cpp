// Feeds arbitrary bytes to the response parser bound to a CreateSession call, as a 200 answer's
// body would be, and releases whatever it stored.

#include "com/Bstr.h"
#include "sax/CMemoryStream.h"
#include "webservice/account/AccountServiceTables.h"
#include "webservice/soap/CTableEnvelopeHandler.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

class CFuzzHandler final : public CTableEnvelopeHandler {
public:
    CFuzzHandler()
        : CTableEnvelopeHandler(account::kOperationTables, account::kHeaderTables,
                                account::kTargetNamespace, account::kTargetNamespaceW) {}

    void Run(std::string_view bytes) {
        CreateSessionRecord record{};
        if (Failed(BindCall(&record, account::kCreateSession))) {
            std::abort();
        }
        (void)Reader()->PutContentHandler(this);
        sax::CMemoryStream stream(bytes);
        if (Failed(ParseEnvelope(&stream))) {
            FreeOutputs();
            if (record.CreateSessionResult != nullptr) {
                std::abort(); // a failed parse must not leave an output behind
            }
        }
        ResetCallState();
        SysFreeString(record.CreateSessionResult);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CFuzzHandler handler;
    handler.Run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
