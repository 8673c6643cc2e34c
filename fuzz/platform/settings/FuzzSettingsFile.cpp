// Settings files are read back from disk, where anything may have been written to them: whatever
// parses must write back to the same values.

#include "settings/SettingsFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto values = settings::ParseSettingsFile(text);
    if (values && settings::WriteSettingsFile(*values) != text) {
        std::abort();
    }
    return 0;
}
