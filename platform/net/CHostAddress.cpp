#include "net/CHostAddress.h"

#include <netdb.h>
#include <sys/socket.h>

CHostAddress::~CHostAddress() {
    Release();
}

void CHostAddress::Release() {
    if (m_list != nullptr) {
        freeaddrinfo(m_list);
        m_list = nullptr;
    }
}

std::int32_t CHostAddress::ResolveHost(const char* host, const char* port) {
    Release();
    addrinfo hints{};
    hints.ai_flags = 0;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = 0;
    const int code = getaddrinfo(host, port, &hints, &m_list);
    if (code != 0) {
        m_list = nullptr;
        // glibc's EAI_* codes are negative; keep them negative everywhere so they never collide
        // with errno values in the same field.
        return code < 0 ? code : -code;
    }
    return m_list == nullptr ? EAI_NONAME : 0;
}
