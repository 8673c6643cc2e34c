#include "net/CHostAddress.h"
#include "net/CSyncSocket.h"
#include "support/CScriptedServer.h"

#include <gtest/gtest.h>

#include <netdb.h>
#include <string>
#include <sys/socket.h>

namespace {

std::string ReceiveAll(CSyncSocket& socket) {
    std::string received;
    char buffer[64];
    for (;;) {
        std::uint32_t length = sizeof buffer;
        if (!socket.ReceiveSome(buffer, length) || length == 0) {
            return received;
        }
        received.append(buffer, length);
    }
}

TEST(HostAddress, ResolvesNumericHostsAndReportsFailuresNegative) {
    CHostAddress address;
    ASSERT_EQ(address.ResolveHost("127.0.0.1", "8080"), 0);
    ASSERT_NE(address.First(), nullptr);
    EXPECT_EQ(address.First()->ai_family, AF_INET);
    EXPECT_EQ(address.First()->ai_socktype, SOCK_STREAM);
    const std::int32_t code = address.ResolveHost("127.0.0.1", "not-a-port");
    EXPECT_LT(code, 0);
    EXPECT_EQ(address.First(), nullptr);
}

TEST(SyncSocket, OperationsNeedAConnection) {
    CSyncSocket socket;
    char buffer[4];
    std::uint32_t length = sizeof buffer;
    EXPECT_FALSE(socket.ReceiveSome(buffer, length));
    EXPECT_EQ(socket.m_lastError, ENOTCONN);
    const SocketBuffer piece{"x", 1};
    std::uint32_t sent = 7;
    socket.m_lastError = 0;
    EXPECT_FALSE(socket.SendBuffers({&piece, 1}, sent));
    EXPECT_EQ(socket.m_lastError, ENOTCONN);
    EXPECT_EQ(sent, 0u);
    socket.CloseConnection(); // closing a closed socket does nothing
    EXPECT_EQ(socket.NativeHandle(), -1);
}

TEST(SyncSocket, GatheredSendArrivesInOrderAndCloseReadsAsZero) {
    CScriptedServer server;
    server.ReadRequest().Send("reply").Close();
    server.Start();
    CSyncSocket socket;
    ASSERT_TRUE(socket.ConnectTo("127.0.0.1", server.Port()));
    const int handle = socket.NativeHandle();
    ASSERT_TRUE(socket.ConnectTo("127.0.0.1", server.Port()));
    EXPECT_EQ(socket.NativeHandle(), handle);
    const std::string head = "PUT / HTTP/1.1\r\nContent-Length: 4\r\n\r\n";
    const SocketBuffer pieces[] = {{head.data(), head.size()}, {nullptr, 0}, {"body", 4}};
    std::uint32_t sent = 0;
    ASSERT_TRUE(socket.SendBuffers(pieces, sent));
    EXPECT_EQ(sent, head.size() + 4);
    EXPECT_EQ(ReceiveAll(socket), "reply");
    ASSERT_TRUE(server.WaitDone());
    EXPECT_EQ(server.Requests().at(0), head + "body");
}

TEST(SyncSocket, WaitsEndAtTheTimeOutOrTheDeadline) {
    CScriptedServer server;
    server.Stall();
    server.Start();
    CSyncSocket socket;
    ASSERT_TRUE(socket.ConnectTo("127.0.0.1", server.Port()));
    char buffer[4];
    std::uint32_t length = sizeof buffer;
    socket.m_waitTimeout = 50;
    EXPECT_FALSE(socket.ReceiveSome(buffer, length));
    EXPECT_EQ(socket.m_lastError, ETIMEDOUT);
    // An unbounded wait still ends at the deadline.
    socket.m_waitTimeout = net::kWaitForever;
    socket.m_lastError = 0;
    socket.SetDeadline(CSyncSocket::Clock::now());
    EXPECT_FALSE(socket.ReceiveSome(buffer, length));
    EXPECT_EQ(socket.m_lastError, ETIMEDOUT);
    socket.CloseConnection();
    EXPECT_FALSE(socket.IsConnected());
    EXPECT_TRUE(server.WaitDone());
}

TEST(SyncSocket, FailedConnectRecordsTheReasonAndLeavesNoSocket) {
    std::uint16_t port = 0;
    {
        CScriptedServer gone;
        port = gone.Port();
    }
    CSyncSocket socket;
    EXPECT_FALSE(socket.ConnectTo("127.0.0.1", port));
    EXPECT_EQ(socket.m_lastError, ECONNREFUSED);
    EXPECT_EQ(socket.NativeHandle(), -1);
    EXPECT_FALSE(socket.ConnectTo("", port));
    EXPECT_TRUE(net::IsResolverError(socket.m_lastError));
}

} // namespace
