#pragma once
// TLS servers for tests, made at run time: `openssl` makes a CA and leaf certificates (a good one
// for 127.0.0.1 and localhost, an expired one, one for other.example, a self-signed one), and
// nginx serves them on free loopback ports for the length of a test. Every wait is bounded.
//
//   CTlsTestSites sites;
//   if (!sites.Available()) GTEST_SKIP() << sites.Missing();
//   const std::uint16_t port = sites.AddSite("good", "location / { return 200 \"hi\"; }");
//   ASSERT_TRUE(sites.Start());

#include <cstdint>
#include <string>
#include <vector>

#include <sys/types.h>

class CTlsTestSites {
public:
    CTlsTestSites();
    CTlsTestSites(const CTlsTestSites&) = delete;
    CTlsTestSites& operator=(const CTlsTestSites&) = delete;
    ~CTlsTestSites();

    // False when nginx or openssl is not installed, or the certificates could not be made.
    [[nodiscard]] bool Available() const { return m_missing.empty(); }
    [[nodiscard]] const std::string& Missing() const { return m_missing; }

    // A server on a free port with the certificate `leaf` ("good", "expired", "wrongname",
    // "selfsigned") and `directives` inside its server block. Returns the port.
    std::uint16_t AddSite(const std::string& leaf, const std::string& directives);
    // Starts nginx with every site added and waits (at most 10 s) until all of them accept.
    [[nodiscard]] bool Start();
    void Stop();

    [[nodiscard]] std::string CaFile() const { return m_folder + "/ca.pem"; }
    [[nodiscard]] const std::string& Folder() const { return m_folder; }

    // Any free loopback TCP port.
    static std::uint16_t FreePort();
    // Runs a program (no shell) and waits at most `seconds` for it; true when it exits with 0.
    static bool Run(const std::vector<std::string>& args, int seconds = 20);
    // Starts a program (no shell, output dropped); -1 when it cannot start.
    static pid_t Spawn(const std::vector<std::string>& args);
    // Waits at most 10 s until `port` accepts; false when `pid` ended first or time ran out.
    static bool WaitAccepting(std::uint16_t port, pid_t pid);
    // SIGTERM, then SIGKILL after 5 s; `pid` becomes -1.
    static void StopProcess(pid_t& pid);
    // True when the program is installed in one of the system's program folders.
    static bool Installed(const char* program);

private:
    bool MakeCertificates();
    bool MakeLeaf(const std::string& name, const std::string& altNames, int days);

    std::string m_folder;
    std::string m_missing;
    std::string m_servers;
    std::vector<std::uint16_t> m_ports;
    pid_t m_pid = -1;
};
