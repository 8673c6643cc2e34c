// Feeds arbitrary bytes to the secret masker whole and in two pieces split where the first byte
// says: the results must agree, and no more text may come out than went in plus one mask per tag.

#include "webservice/soap/CSecretMasker.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

const std::string kSecrets[] = {"strUserPassword"};

std::string Masked(std::string_view first, std::string_view second) {
    CSecretMasker masker(kSecrets);
    std::string out;
    masker.Feed(first, out);
    masker.Feed(second, out);
    masker.Finish(out);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t split = data[0] % (text.size() + 1);
    const std::string whole = Masked(text, {});
    if (Masked(text.substr(0, split), text.substr(split)) != whole) {
        std::abort();
    }
    std::size_t tags = 0;
    for (const char c : text) {
        tags += c == '>' ? 1 : 0;
    }
    if (whole.size() > text.size() + tags * CSecretMasker::kMask.size()) {
        std::abort();
    }
    return 0;
}
