#pragma once
// An open key of the settings store. Reads come from the values as they stood when the key was
// opened or last written; writes read the file afresh, change it and replace it whole.

#include "settings/PrivateFiles.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsStatus.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

class CSettingsKey {
public:
    CSettingsKey() = default;

    [[nodiscard]] bool IsOpen() const { return !m_file.empty(); }
    void Close();

    // Registry-style read: `size` holds the buffer's capacity on entry and the value's size on
    // return. Ok: the bytes were copied (no terminator added). MoreData: nothing copied, `size` is
    // the size needed. A null buffer asks for the size only. `type` may be null.
    [[nodiscard]] SettingsStatus QueryValue(std::string_view name, std::uint32_t* type,
                                            void* buffer, std::uint32_t& size) const;

    // Writes one value, or several as one change: either all of them land or none does. The
    // values named in `removed` leave the key in the same change (a missing one is no error).
    [[nodiscard]] SettingsStatus SetValue(std::string_view name, std::uint32_t type,
                                          std::string_view data);
    [[nodiscard]] SettingsStatus SetValues(std::span<const SettingsValue> values,
                                           std::span<const std::string_view> removed = {});

private:
    friend class CSettingsStore;
    [[nodiscard]] SettingsStatus Load();

    std::string m_file;
    std::vector<SettingsValue> m_values;
    WriteHook m_hook;
};

} // namespace settings
