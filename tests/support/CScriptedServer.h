#pragma once
// A scripted HTTP peer for tests: it listens on 127.0.0.1 on a free port and plays, for each
// connection it accepts in turn, a list of steps (read a request, send exact bytes, pause, close,
// stall). Everything it receives is recorded. All of its waits are bounded, and the destructor
// stops it at once, so a test never hangs on it.
//
//   CScriptedServer server;
//   server.Connection().ReadRequest().Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhi");
//   server.Start();
//   ... run the client against server.Url("/path") ...
//   EXPECT_TRUE(server.WaitDone());
//   EXPECT_EQ(server.Requests().size(), 1u);

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class CScriptedServer {
public:
    // Bound of every wait of the server for the peer (accept, request bytes, stall).
    static constexpr int kPeerWaitMs = 10'000;

    CScriptedServer();
    CScriptedServer(const CScriptedServer&) = delete;
    CScriptedServer& operator=(const CScriptedServer&) = delete;
    ~CScriptedServer();

    // Starts the script of the next connection to be accepted.
    CScriptedServer& Connection();
    // Reads one request: its head through the blank line and a body of its Content-Length.
    CScriptedServer& ReadRequest();
    // Writes exactly these bytes (one write call).
    CScriptedServer& Send(std::string bytes);
    // Writes the bytes in pieces of `piece` bytes, pausing `pauseMs` between pieces.
    CScriptedServer& SendSplit(std::string bytes, std::size_t piece, int pauseMs = 0);
    CScriptedServer& Pause(int milliseconds);
    // Closes the connection (the script of this connection ends).
    CScriptedServer& Close();
    // Ends the sending direction (the client sees the close) but keeps reading.
    CScriptedServer& CloseForSending();
    // Keeps the connection open without sending until the client closes it or the server stops.
    CScriptedServer& Stall();

    // Runs the script on the server's thread. Call once, after scripting.
    void Start();
    // Waits until the whole script has run; false when `milliseconds` pass first.
    [[nodiscard]] bool WaitDone(int milliseconds = kPeerWaitMs);

    [[nodiscard]] std::uint16_t Port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by `path`.
    [[nodiscard]] std::string Url(std::string_view path = "/") const;
    // Every request read so far, in order, each as the exact bytes received.
    [[nodiscard]] std::vector<std::string> Requests() const;
    // Connections accepted so far.
    [[nodiscard]] int Accepted() const;

private:
    struct Step {
        enum class Kind { ReadRequest, Send, Pause, Close, CloseForSending, Stall };
        Kind kind;
        std::string bytes;
        int milliseconds = 0;
    };

    void Run();
    void RunConnection(int connection, const std::vector<Step>& steps);
    [[nodiscard]] bool ReadOneRequest(int connection, std::string& pending);
    [[nodiscard]] int WaitReadable(int fd, int milliseconds) const;
    [[nodiscard]] bool Sleep(int milliseconds) const;
    std::vector<Step>& Current();

    int m_listener = -1;
    int m_stopPipe[2] = {-1, -1};
    std::uint16_t m_port = 0;
    std::vector<std::vector<Step>> m_scripts;
    std::vector<int> m_openConnections;
    std::thread m_thread;
    mutable std::mutex m_lock;
    std::condition_variable m_doneSignal;
    bool m_done = false;
    std::vector<std::string> m_requests;
    int m_accepted = 0;
};
