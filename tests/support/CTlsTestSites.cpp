#include "support/CTlsTestSites.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;

} // namespace

bool CTlsTestSites::Installed(const char* program) {
    for (const char* folder : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/"}) {
        if (::access((std::string(folder) + program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

pid_t CTlsTestSites::Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

namespace {

// Waits at most `bound` for `pid`; its exit status, or -1 when it did not end in time.
int WaitExit(pid_t pid, std::chrono::milliseconds bound) {
    const auto end = std::chrono::steady_clock::now() + bound;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= end) {
            return -1;
        }
        std::this_thread::sleep_for(10ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Accepts(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

} // namespace

CTlsTestSites::CTlsTestSites() {
    if (!Installed("nginx") || !Installed("openssl")) {
        m_missing = "nginx or openssl is not installed (scripts/setup.sh installs them)";
        return;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "keldwick-tls-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        m_missing = "no temporary folder";
        return;
    }
    m_folder = pattern;
    if (!MakeCertificates()) {
        m_missing = "openssl could not make the test certificates";
    }
}

CTlsTestSites::~CTlsTestSites() {
    Stop();
    std::error_code ignored;
    if (!m_folder.empty()) {
        std::filesystem::remove_all(m_folder, ignored);
    }
}

bool CTlsTestSites::Run(const std::vector<std::string>& args, int seconds) {
    const pid_t pid = Spawn(args);
    if (pid < 0) {
        return false;
    }
    const int status = WaitExit(pid, std::chrono::seconds(seconds));
    if (status < 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return status == 0;
}

std::uint16_t CTlsTestSites::FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

bool CTlsTestSites::MakeLeaf(const std::string& name, const std::string& altNames, int days) {
    const std::string base = m_folder + "/" + name;
    std::ofstream(base + ".ext") << "subjectAltName=" << altNames << "\n";
    return Run({"openssl", "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                "-keyout", base + ".key", "-out", base + ".csr", "-subj", "/CN=" + name}) &&
           Run({"openssl", "x509", "-req", "-in", base + ".csr", "-CA", m_folder + "/ca.pem",
                "-CAkey", m_folder + "/ca.key", "-CAcreateserial", "-out", base + ".pem", "-days",
                std::to_string(days), "-extfile", base + ".ext"});
}

bool CTlsTestSites::MakeCertificates() {
    const std::string ca = m_folder + "/ca";
    const std::string self = m_folder + "/selfsigned";
    return Run({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
                "-nodes", "-keyout", ca + ".key", "-out", ca + ".pem", "-days", "2", "-subj",
                "/CN=Keldwick Test CA"}) &&
           MakeLeaf("good", "IP:127.0.0.1,DNS:localhost", 2) &&
           // "-days -1" ends the certificate a day before it was made.
           MakeLeaf("expired", "IP:127.0.0.1,DNS:localhost", -1) &&
           MakeLeaf("wrongname", "DNS:other.example", 2) &&
           Run({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
                "-nodes", "-keyout", self + ".key", "-out", self + ".pem", "-days", "2", "-subj",
                "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
}

std::uint16_t CTlsTestSites::AddSite(const std::string& leaf, const std::string& directives) {
    const std::uint16_t port = FreePort();
    const std::string base = m_folder + "/" + leaf;
    m_servers += "server {\n listen 127.0.0.1:" + std::to_string(port) +
                 " ssl;\n ssl_certificate " + base + ".pem;\n ssl_certificate_key " + base +
                 ".key;\n" + directives + "\n}\n";
    m_ports.push_back(port);
    return port;
}

bool CTlsTestSites::Start() {
    const std::string& f = m_folder;
    std::ofstream(f + "/nginx.conf")
        << "daemon off;\nmaster_process off;\npid " << f << "/nginx.pid;\nerror_log " << f
        << "/error.log;\nevents { worker_connections 64; }\nhttp {\n access_log off;\n"
        << " client_body_temp_path " << f << "/body;\n proxy_temp_path " << f << "/proxy;\n"
        << " fastcgi_temp_path " << f << "/fastcgi;\n uwsgi_temp_path " << f << "/uwsgi;\n"
        << " scgi_temp_path " << f << "/scgi;\n default_type text/plain;\n"
        << m_servers << "}\n";
    m_pid = Spawn({"nginx", "-p", f, "-e", f + "/error.log", "-c", f + "/nginx.conf"});
    for (std::uint16_t port : m_ports) {
        if (!WaitAccepting(port, m_pid)) {
            return false;
        }
    }
    return m_pid > 0;
}

bool CTlsTestSites::WaitAccepting(std::uint16_t port, pid_t pid) {
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!Accepts(port)) {
        if (pid < 0 || std::chrono::steady_clock::now() >= end ||
            ::waitpid(pid, nullptr, WNOHANG) != 0) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

void CTlsTestSites::Stop() {
    StopProcess(m_pid);
}

void CTlsTestSites::StopProcess(pid_t& pid) {
    if (pid <= 0) {
        return;
    }
    ::kill(pid, SIGTERM);
    if (WaitExit(pid, 5s) < 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    pid = -1;
}
