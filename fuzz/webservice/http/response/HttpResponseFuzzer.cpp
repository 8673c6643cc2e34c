// Feeds a response to the HTTP client through a stand-in socket that hands the bytes over in pieces
// whose sizes the input chooses. Input: one byte n, then n piece sizes (1 to 256 bytes each, used
// in turn), then the response bytes.
//
// Besides memory safety it checks that the result does not depend on the split: the same bytes
// delivered whole give the same outcome, status and body.

#include "webservice/http/CHttpClientT.h"
#include "webservice/http/CResponseBodyStream.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

class CFakeSocketClient : public CHttpClientT {
public:
    CFakeSocketClient(std::string_view wire, std::vector<std::size_t> pieces)
        : m_wire(wire), m_pieces(std::move(pieces)) {}

    bool ConnectTo(const char*, std::uint16_t) override { return true; }
    bool SendBuffers(std::span<const SocketBuffer> buffers, std::uint32_t& bytesSent) override {
        bytesSent = 0;
        for (const SocketBuffer& buffer : buffers) {
            bytesSent += static_cast<std::uint32_t>(buffer.length);
        }
        return true;
    }
    bool ReceiveSome(void* buffer, std::uint32_t& length) override {
        std::size_t piece = m_wire.size();
        if (!m_pieces.empty()) {
            piece = m_pieces[m_next++ % m_pieces.size()];
        }
        const std::size_t count =
            std::min<std::size_t>({piece, std::size_t{length}, m_wire.size()});
        std::copy_n(m_wire.data(), count, static_cast<char*>(buffer));
        m_wire.remove_prefix(count);
        length = static_cast<std::uint32_t>(count);
        return true;
    }
    void CloseConnection() override {}

private:
    std::string_view m_wire;
    std::vector<std::size_t> m_pieces;
    std::size_t m_next = 0;
};

struct Result {
    bool ok = false;
    ReadOutcome outcome = ReadNothingYet;
    int status = -1;
    std::string body;
};

Result Run(std::string_view wire, std::vector<std::size_t> pieces, std::uint32_t flags) {
    CFakeSocketClient client(wire, std::move(pieces));
    UrlParts url;
    if (!url.SplitUrl("http://fuzz.example/path")) {
        std::abort();
    }
    RequestOptions options;
    options.flags = flags;
    Result result;
    result.ok = client.ExchangeRequest(url, &options);
    result.outcome = client.GetReadOutcome();
    result.status = client.GetStatus();
    if (client.GetBodyLength() > client.Response().Length()) {
        std::abort();
    }
    CResponseBodyStream stream;
    if (stream.Initialize(client)) {
        char chunk[97];
        ULONG read = 0;
        do {
            if (stream.Read(chunk, sizeof chunk, &read) != S_OK) {
                std::abort();
            }
            result.body.append(chunk, read);
        } while (read > 0);
    }
    if (result.body.size() != client.GetBodyLength()) {
        std::abort();
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t count = std::min<std::size_t>(data[0] % 16, size - 1);
    std::vector<std::size_t> pieces;
    for (std::size_t i = 0; i < count; ++i) {
        pieces.push_back(std::size_t{data[1 + i]} + 1);
    }
    const std::string_view wire(reinterpret_cast<const char*>(data) + 1 + count, size - 1 - count);
    const Result split = Run(wire, pieces, EvaluateStatus);
    const Result whole = Run(wire, {}, EvaluateStatus);
    if (split.ok != whole.ok || split.outcome != whole.outcome || split.status != whole.status ||
        split.body != whole.body) {
        std::abort();
    }
    // Redirects read further responses from the same bytes.
    (void)Run(wire, pieces, FollowMoved | EvaluateStatus);
    return 0;
}
