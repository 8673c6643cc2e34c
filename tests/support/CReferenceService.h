#pragma once
// Runs the reference account service (tools/account-service) on a free loopback port for the
// length of a test, with its outbox in a folder the test chooses.

#include <string>
#include <vector>

#include <sys/types.h>

class CReferenceService {
public:
    CReferenceService() = default;
    CReferenceService(const CReferenceService&) = delete;
    CReferenceService& operator=(const CReferenceService&) = delete;
    ~CReferenceService() { Stop(); }

    // Starts the service and waits (at most 20 seconds) until it names its endpoint. Extra options
    // go on its command line (for example "--users", path).
    [[nodiscard]] bool Start(const std::string& outbox,
                             const std::vector<std::string>& options = {});
    // Ends the service and waits for it; the endpoint then refuses connections.
    void Stop();

    [[nodiscard]] const std::string& Endpoint() const { return m_endpoint; }
    // The texts of the ".eml" files the service wrote into its outbox, in the order of their names.
    [[nodiscard]] std::vector<std::string> OutboxMessages() const;

private:
    pid_t m_pid = -1;
    int m_output = -1;
    int m_input = -1;
    std::string m_endpoint;
    std::string m_outbox;
};
