#pragma once
// Shared set-up of the client tests: a scripted server, a client, and options whose waits are
// short enough that a broken test fails instead of hanging.

#include "support/CScriptedServer.h"
#include "webservice/http/CHttpClientT.h"

#include <gtest/gtest.h>

#include <string>

class HttpClientTest : public ::testing::Test {
protected:
    HttpClientTest() { m_options.timeout = 5000; }

    UrlParts UrlFor(std::string_view path, const CScriptedServer& server) const {
        UrlParts url;
        EXPECT_TRUE(url.SplitUrl(server.Url(path)));
        return url;
    }
    UrlParts UrlFor(std::string_view path) const { return UrlFor(path, m_server); }

    [[nodiscard]] bool Exchange(std::string_view path = "/") {
        return m_client.ExchangeRequest(UrlFor(path), &m_options);
    }

    static std::string Ok(std::string_view body) {
        return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
               std::string(body);
    }

    // Declared before the client so that the client closes its connection first.
    CScriptedServer m_server;
    CHttpClientT m_client;
    RequestOptions m_options;
};
