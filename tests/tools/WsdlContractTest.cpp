// The reference service's description (its WSDL file) against the client's operation tables: the
// two are written separately, and a client generated from the description must send and expect
// exactly what Keldwick sends and expects.

#include "webservice/account/AccountServiceTables.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kWsdl = "http://schemas.xmlsoap.org/wsdl/";
constexpr const char* kWsdlSoap = "http://schemas.xmlsoap.org/wsdl/soap/";
constexpr const char* kXsd = "http://www.w3.org/2001/XMLSchema";

struct Node {
    std::string name; // "namespace local"
    std::map<std::string, std::string> attributes;
    std::vector<std::unique_ptr<Node>> children;
    Node* parent = nullptr;

    // Descendants with this name, in document order.
    void Find(const std::string& wanted, std::vector<const Node*>& found) const {
        for (const auto& child : children) {
            if (child->name == wanted) {
                found.push_back(child.get());
            }
            child->Find(wanted, found);
        }
    }
    std::vector<const Node*> All(const char* ns, const char* local) const {
        std::vector<const Node*> found;
        Find(std::string(ns) + " " + local, found);
        return found;
    }
    std::string Attribute(const char* name) const {
        const auto it = attributes.find(name);
        return it == attributes.end() ? std::string() : it->second;
    }
};

std::unique_ptr<Node> ParseFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    auto root = std::make_unique<Node>();
    Node* current = root.get();
    XML_Parser parser = XML_ParserCreateNS(nullptr, ' ');
    XML_SetUserData(parser, &current);
    XML_SetElementHandler(
        parser,
        [](void* data, const XML_Char* name, const XML_Char** attributes) {
            Node*& at = *static_cast<Node**>(data);
            auto node = std::make_unique<Node>();
            node->name = name;
            node->parent = at;
            for (int i = 0; attributes[i] != nullptr; i += 2) {
                node->attributes[attributes[i]] = attributes[i + 1];
            }
            at->children.push_back(std::move(node));
            at = at->children.back().get();
        },
        [](void* data, const XML_Char*) {
            Node*& at = *static_cast<Node**>(data);
            at = at->parent;
        });
    const bool ok = XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) != 0;
    XML_ParserFree(parser);
    return ok && !text.empty() ? std::move(root) : nullptr;
}

const Node* Named(const std::vector<const Node*>& nodes, const std::string& name) {
    for (const Node* node : nodes) {
        if (node->Attribute("name") == name) {
            return node;
        }
    }
    return nullptr;
}

// The fields of one wrapper element of the schema: (name, type, nillable).
std::vector<std::string> Fields(const Node& wrapper) {
    std::vector<std::string> fields;
    for (const Node* field : wrapper.All(kXsd, "element")) {
        fields.push_back(field->Attribute("name") + " " + field->Attribute("type") + " " +
                         field->Attribute("nillable"));
    }
    return fields;
}

std::vector<std::string> Rows(const SoapFunctionMap& map, std::uint32_t direction) {
    std::vector<std::string> rows;
    for (const SoapParamEntry* row = map.entries; row->name != nullptr; ++row) {
        if ((row->flags & direction) == 0) {
            continue;
        }
        const std::string type = row->typeCode == xsdString ? "s:string"
                                 : row->typeCode == xsdInt  ? "s:int"
                                                            : "unknown";
        const bool nillable = (row->flags & SoapFlags::Nullable) != 0;
        rows.push_back(std::string(row->name, static_cast<std::size_t>(row->nameLength)) + " " +
                       type + " " + (nillable ? "true" : ""));
    }
    return rows;
}

TEST(WsdlContractTest, TheDescriptionMatchesTheClientsOperationTables) {
    const auto root = ParseFile(KELDWICK_SOURCE_DIR "/tools/account-service/AccountService.wsdl");
    ASSERT_NE(root, nullptr) << "the description is missing or not well-formed";
    const auto definitions = root->All(kWsdl, "definitions");
    ASSERT_EQ(definitions.size(), 1u);
    EXPECT_EQ(definitions[0]->Attribute("targetNamespace"), account::kTargetNamespace);
    const auto schemas = root->All(kXsd, "schema");
    ASSERT_EQ(schemas.size(), 1u);
    EXPECT_EQ(schemas[0]->Attribute("targetNamespace"), account::kTargetNamespace);
    const auto bindings = root->All(kWsdl, "binding");
    ASSERT_EQ(bindings.size(), 1u);

    std::vector<const Node*> wrappers;
    for (const auto& child : schemas[0]->children) {
        wrappers.push_back(child.get());
    }
    std::size_t operations = 0;
    for (const SoapFunctionMap* const* map = account::kOperationTables; *map != nullptr; ++map) {
        ++operations;
        const std::string name((*map)->name, static_cast<std::size_t>((*map)->nameLength));
        SCOPED_TRACE(name);
        const Node* operation = Named(bindings[0]->All(kWsdl, "operation"), name);
        ASSERT_NE(operation, nullptr);
        const auto actions = operation->All(kWsdlSoap, "operation");
        ASSERT_EQ(actions.size(), 1u);
        EXPECT_EQ(actions[0]->Attribute("soapAction"),
                  std::string(account::kTargetNamespace) + name);
        const Node* request = Named(wrappers, name);
        const Node* response = Named(wrappers, name + "Response");
        ASSERT_NE(request, nullptr);
        ASSERT_NE(response, nullptr);
        EXPECT_EQ(Fields(*request), Rows(**map, SoapFlags::In));
        EXPECT_EQ(Fields(*response), Rows(**map, SoapFlags::Out));
        for (const Node* field : response->All(kXsd, "element")) {
            EXPECT_EQ(field->Attribute("minOccurs"), "1") << "an output is always present";
        }
    }
    EXPECT_EQ(bindings[0]->All(kWsdl, "operation").size(), operations);
}

} // namespace
