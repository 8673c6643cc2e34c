#pragma once
// The program's own string table, as the markup's "string" tag reads it.

#include <string>

namespace tooltip {

// The string with that number in UTF-8, or empty when the table has none.
[[nodiscard]] std::string LoadProgramString(int id);

} // namespace tooltip
