// Secrets hidden from traces in every form XML can give them, however the text is split.

#include "webservice/soap/CSecretMasker.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kSecrets[] = {"strUserPassword"};

std::string Masked(std::string_view xml, std::size_t piece) {
    CSecretMasker masker(kSecrets);
    std::string out;
    for (std::size_t at = 0; at < xml.size(); at += piece) {
        masker.Feed(xml.substr(at, piece), out);
    }
    masker.Finish(out);
    return out;
}

TEST(SecretMasker, HidesEveryFormOfTheSecretHoweverSplit) {
    struct Case {
        std::string_view in;
        std::string_view out;
    };
    const Case cases[] = {
        {"<strUserPassword>pw</strUserPassword>", "<strUserPassword>********</strUserPassword>"},
        {"<strUserPassword><![CDATA[pw]]></strUserPassword>",
         "<strUserPassword>********</strUserPassword>"},
        {"<a><strUserPassword><![CDATA[</strUserPassword>pw]]></strUserPassword></a>",
         "<a><strUserPassword>********</strUserPassword></a>"},
        {"<strUserPassword>p&#119;&amp;&lt;x</strUserPassword>",
         "<strUserPassword>********</strUserPassword>"},
        {"<k:strUserPassword xmlns:k=\"urn:k\">pw</k:strUserPassword >",
         "<k:strUserPassword xmlns:k=\"urn:k\">********</k:strUserPassword >"},
        {"<strUserPassword n='>' m=\"/>\">pw</strUserPassword>",
         "<strUserPassword n='>' m=\"/>\">********</strUserPassword>"},
        {"<strUserPassword>p<!-- </strUserPassword> -->w<i>pw</i><e/>pw</strUserPassword><x>y</x>",
         "<strUserPassword>********</strUserPassword><x>y</x>"},
        {"<strUserPassword>p<?pi </strUserPassword> ?>w</strUserPassword>",
         "<strUserPassword>********</strUserPassword>"},
        // What only looks like a secret passes unchanged.
        {"<strUserPassword/><strUserPassword a=\"1\" /><strUserPasswordX>s</strUserPasswordX>",
         "<strUserPassword/><strUserPassword a=\"1\" /><strUserPasswordX>s</strUserPasswordX>"},
        {"<!-- <strUserPassword> --><x><![CDATA[<strUserPassword>]]>seen</x>",
         "<!-- <strUserPassword> --><x><![CDATA[<strUserPassword>]]>seen</x>"},
        {"<!DOCTYPE d [<!ENTITY e \"<strUserPassword>\">]><x>seen</x>",
         "<!DOCTYPE d [<!ENTITY e \"<strUserPassword>\">]><x>seen</x>"},
        {"<?xml version=\"1.0\"?>a < b <strUserPassword",
         "<?xml version=\"1.0\"?>a < b <strUserPassword"},
        // Cut inside the secret: what arrived of it stays hidden.
        {"<strUserPassword><![CDATA[half", "<strUserPassword>********"},
        {"<strUserPassword>pw</strUser", "<strUserPassword>********"},
    };
    for (const Case& c : cases) {
        for (std::size_t piece = 1; piece <= c.in.size(); ++piece) {
            EXPECT_EQ(Masked(c.in, piece), c.out) << c.in << " in pieces of " << piece;
        }
    }
    // A name too long to be a secret's streams through without being held.
    const std::string longName = "<" + std::string(CSecretMasker::kMaxName + 10, 'n') + ">x";
    EXPECT_EQ(Masked(longName, 7), longName);
}

TEST(SecretMasker, CredentialHeadersAreKnownInAnyCase) {
    for (const char* name : {"Authorization", "authorization", "PROXY-AUTHORIZATION"}) {
        EXPECT_TRUE(CSecretMasker::IsSecretHeader(name)) << name;
    }
    for (const char* name : {"Authorization-Info", "X-Authorization", "Content-Type", ""}) {
        EXPECT_FALSE(CSecretMasker::IsSecretHeader(name)) << name;
    }
}

} // namespace
