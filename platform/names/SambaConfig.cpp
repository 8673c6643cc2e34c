#include "names/SambaConfig.h"

#include <cctype>

namespace names {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
        text.remove_suffix(1);
    }
    return text;
}

// Lower case without spaces, the form in which parameter names compare.
std::string Canonical(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (std::isspace(static_cast<unsigned char>(c)) == 0) {
            out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        }
    }
    return out;
}

// Takes the next logical line, joining lines that end in a backslash.
std::string NextLine(std::string_view& text) {
    std::string line;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view physical = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!physical.empty() && physical.back() == '\r') {
            physical.remove_suffix(1);
        }
        if (!physical.empty() && physical.back() == '\\') {
            line.append(physical.substr(0, physical.size() - 1));
            continue;
        }
        line.append(physical);
        break;
    }
    return line;
}

} // namespace

SambaIdentity ParseSambaIdentity(std::string_view configuration) {
    SambaIdentity identity;
    if (configuration.size() > kMaxSambaConfiguration) {
        return identity;
    }
    // Parameters before any section header belong to [global].
    bool inGlobal = true;
    while (!configuration.empty()) {
        const std::string raw = NextLine(configuration);
        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == '#' || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            const std::string_view section = line.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1);
            inGlobal = Canonical(section) == "global";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inGlobal || equals == std::string_view::npos) {
            continue;
        }
        const std::string name = Canonical(line.substr(0, equals));
        const std::string value(Trim(line.substr(equals + 1)));
        if (name == "workgroup" && !value.empty()) {
            identity.workgroup = value;
        } else if (name == "netbiosname" && !value.empty()) {
            identity.netbiosName = value;
        }
    }
    return identity;
}

} // namespace names
