#include "tooltip/HtmlStrings.h"

namespace tooltip {

std::string LoadProgramString(int /*id*/) {
    // The program's string table is not part of this library yet; until it is, no number names
    // a string and the tag places nothing.
    return {};
}

} // namespace tooltip
