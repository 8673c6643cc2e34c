#include "webservice/http/HttpText.h"

#include "text/Ascii.h"

#include <cstdio>

namespace httptext {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Printable(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (text::IsAsciiControl(c)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
            out.append(escaped);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace httptext
