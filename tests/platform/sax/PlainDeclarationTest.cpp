#include "sax/PlainDeclaration.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PlainDeclaration, TakesOnlyAPlainUtf8DeclarationBeforeTheRoot) {
    const std::string taken[] = {
        R"(<?xml version="1.0" encoding="utf-8"?>)",
        R"(<?xml version='1.0' encoding='UTF-8'?>)",
        R"(<?xml version="1.0"?>)",
        R"(<?xml version="1.0" ?>)",
        "<?xml\tversion = '1.0'\tencoding= \"Utf-8\" ?>",
    };
    for (const std::string& declaration : taken) {
        for (const char* root : {"<a/>", "\r\n<s:Envelope>", "  <x>"}) {
            EXPECT_EQ(sax::PlainDeclarationLength(declaration + root), declaration.size())
                << declaration << root;
        }
    }
}

TEST(PlainDeclaration, LeavesEveryOtherOpeningToTheParser) {
    const std::string_view left[] = {
        // Declarations that say more, or something else, or are not well-formed.
        R"(<?xml version="1.0" encoding="utf-8" standalone="yes"?><a/>)",
        R"(<?xml version="1.0" encoding="ISO-8859-1"?><a/>)",
        R"(<?xml version="1.0" encoding="UTF-16"?><a/>)",
        R"(<?xml version="1.0" encoding="utf-8x"?><a/>)",
        R"(<?xml version="1.1"?><a/>)",
        R"(<?xml version="1.0'?><a/>)",
        R"(<?xml version="1.0"encoding="utf-8"?><a/>)",
        R"(<?xmlversion="1.0"?><a/>)",
        R"(<?XML version="1.0"?><a/>)",
        R"(<?xml encoding="utf-8" version="1.0"?><a/>)",
        R"(<?xml version="1.0" encoding="utf-8"><a/>)",
        "<?xml version=\"1.0\"\nencoding=\"utf-8\"?><a/>",
        "\xEF\xBB\xBF<?xml version=\"1.0\"?><a/>",
        // A root that does not follow at once.
        R"(<?xml version="1.0"?><?xml version="1.0"?><a/>)",
        R"(<?xml version="1.0"?><?pi x?><a/>)",
        R"(<?xml version="1.0"?><!-- c --><a/>)",
        R"(<?xml version="1.0"?><!DOCTYPE a><a/>)",
        R"(<?xml version="1.0"?>)",
        R"(<?xml version="1.0"?>   )",
        R"(<?xml version="1.0"?><)",
        R"(<?xml version="1.0"?>text<a/>)",
        // What expat would read as UTF-16 when handed it without the declaration.
        std::string_view("<?xml version=\"1.0\" encoding=\"utf-8\"?><\0a\0/\0>\0", 46),
        // No declaration, or one cut short.
        "<a/>",
        "",
        "<?xml",
        R"(<?xml version="1.0" encoding="utf-)",
    };
    for (const std::string_view document : left) {
        EXPECT_EQ(sax::PlainDeclarationLength(document), 0u) << document;
    }
}

} // namespace
