#pragma once
// A tip text without its markup, for screen readers: tags dropped (a line break or rule becomes a
// line feed), "<<" read as "<", and entities replaced as the drawer replaces them.

#include <string>
#include <string_view>

namespace tooltip {

[[nodiscard]] std::string TipPlainText(std::string_view markup);

} // namespace tooltip
