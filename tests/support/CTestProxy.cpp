#include "support/CTestProxy.h"

#include "support/CTlsTestSites.h"

#include <fstream>

CTestProxy::~CTestProxy() {
    CTlsTestSites::StopProcess(m_pid);
}

bool CTestProxy::Available() {
    return CTlsTestSites::Installed("tinyproxy");
}

bool CTestProxy::Start(const std::string& folder, const std::string& credentials) {
    m_port = CTlsTestSites::FreePort();
    const std::string config = folder + "/tinyproxy-" + std::to_string(m_port) + ".conf";
    std::ofstream(config) << "Port " << m_port << "\nListen 127.0.0.1\nTimeout 30\n"
                          << "Allow 127.0.0.1\nMaxClients 20\n"
                          << (credentials.empty() ? "" : "BasicAuth " + credentials + "\n");
    m_pid = CTlsTestSites::Spawn({"tinyproxy", "-d", "-c", config});
    return CTlsTestSites::WaitAccepting(m_port, m_pid);
}
