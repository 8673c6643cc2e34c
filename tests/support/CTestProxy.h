#pragma once
// tinyproxy on a free loopback port for the length of a test, optionally asking for Basic
// credentials. Every wait is bounded.

#include <cstdint>
#include <string>

#include <sys/types.h>

class CTestProxy {
public:
    CTestProxy() = default;
    CTestProxy(const CTestProxy&) = delete;
    CTestProxy& operator=(const CTestProxy&) = delete;
    ~CTestProxy();

    [[nodiscard]] static bool Available();
    // `credentials` "user password" makes the proxy demand them; empty: it lets anyone through.
    [[nodiscard]] bool Start(const std::string& folder, const std::string& credentials = "");
    [[nodiscard]] std::uint16_t Port() const { return m_port; }

private:
    pid_t m_pid = -1;
    std::uint16_t m_port = 0;
};
