#pragma once
// Name queries that answer what a test scripts, and remember the size each query was given.

#include "names/IComputerNames.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

class CFakeComputerNames : public names::IComputerNames {
public:
    // The plain computer-name query is scripted under this key; the others under their format.
    static constexpr int kPlainQuery = -1;

    struct Reply {
        bool ok = true;
        std::string name;
        std::optional<std::uint32_t> size; // what the query leaves in the size; none: untouched
    };

    // Every query answers "NAME<key>" with its length unless scripted otherwise.
    std::map<int, Reply> m_replies;
    std::uint32_t m_workstationStatus = names::kNerrSuccess;
    names::WkstaInfo102 m_workstation{500, u"HOST", u"WORKGROUP", 6, 1, u"/srv", 0};
    std::vector<std::uint32_t> m_sizesGiven;

    bool GetComputerName(std::string& name, std::uint32_t& size) override {
        return Answer(kPlainQuery, name, size);
    }
    bool GetComputerNameEx(names::ComputerNameFormat format, std::string& name,
                           std::uint32_t& size) override {
        return Answer(static_cast<int>(format), name, size);
    }
    std::uint32_t NetWkstaGetInfo102(names::WkstaInfo102& info) override {
        info = m_workstation;
        return m_workstationStatus;
    }

private:
    bool Answer(int key, std::string& name, std::uint32_t& size) {
        m_sizesGiven.push_back(size);
        const auto scripted = m_replies.find(key);
        if (scripted == m_replies.end()) {
            name = "NAME" + std::to_string(key);
            size = static_cast<std::uint32_t>(name.size());
            return true;
        }
        name = scripted->second.name;
        if (scripted->second.size) {
            size = *scripted->second.size;
        }
        return scripted->second.ok;
    }
};
