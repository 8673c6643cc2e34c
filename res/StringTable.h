#pragma once
// The program's string table.

#include <string_view>

namespace res {

// The string with identifier `id`; empty when there is none.
[[nodiscard]] std::string_view LoadString(int id);

} // namespace res
