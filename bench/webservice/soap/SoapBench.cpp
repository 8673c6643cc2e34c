// Envelopes written per second, responses parsed per second beside a bare expat parse of the same
// bytes, and whole CreateSession calls per second over one kept-open loopback connection.

#include "com/CBstr.h"
#include "sax/CMemoryStream.h"
#include "sax/HashSalt.h"
#include "webservice/account/AccountServiceTables.h"
#include "webservice/account/CAccountServiceT.h"
#include "webservice/soap/CStringWriteStream.h"
#include "webservice/soap/CTableEnvelopeHandler.h"

#include <benchmark/benchmark.h>
#include <expat.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace {

const std::string kResponse =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Body>"
    "<CreateSessionResponse xmlns=\"http://services.nimbrel.example/keldwick/\">"
    "<CreateSessionResult>7c9e6679-7425-40de-944b-e07fc1f90ae7</CreateSessionResult>"
    "<nErrorCode>0</nErrorCode></CreateSessionResponse></soap:Body></soap:Envelope>";

// The account tables without the transport: writing and parsing only.
class CBenchHandler final : public CTableEnvelopeHandler {
public:
    CBenchHandler()
        : CTableEnvelopeHandler(account::kOperationTables, account::kHeaderTables,
                                account::kTargetNamespace, account::kTargetNamespaceW) {}
};

void BM_WriteCreateSessionEnvelope(benchmark::State& state) {
    CBenchHandler handler;
    CStringWriteStream body;
    const CBstr user(u"customer@example.com");
    const CBstr password(u"correct horse & battery");
    for (auto _ : state) {
        CreateSessionRecord record{user.Get(), password.Get(), nullptr, 0};
        body.Clear();
        if (Failed(handler.BindCall(&record, account::kCreateSession)) ||
            Failed(handler.WriteEnvelope(&body))) {
            state.SkipWithError("write failed");
            break;
        }
        handler.ResetCallState();
        benchmark::DoNotOptimize(body.Text().data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteCreateSessionEnvelope);

void BM_ParseCreateSessionResponse(benchmark::State& state) {
    CBenchHandler handler;
    for (auto _ : state) {
        CreateSessionRecord record{};
        (void)handler.BindCall(&record, account::kCreateSession);
        (void)handler.Reader()->PutContentHandler(&handler);
        sax::CMemoryStream stream(kResponse);
        if (Failed(handler.ParseEnvelope(&stream))) {
            state.SkipWithError("parse failed");
            break;
        }
        handler.ResetCallState();
        SysFreeString(record.CreateSessionResult);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kResponse.size()));
}
BENCHMARK(BM_ParseCreateSessionResponse);

// Resident set size, or its peak since the last ResetPeak, in bytes (Linux's process status).
std::int64_t StatusBytes(std::string_view field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::atoll(line.c_str() + field.size()) * 1024;
        }
    }
    return 0;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A response holding one 30 MB string: the memory the parse adds at its peak, over the response's
// size, as "extra/size". The string itself takes two bytes a character, so 2 is the floor; with
// the response held as well, the whole stays within about 3 times the response.
void BM_ParseLongString(benchmark::State& state) {
    const std::string response =
        "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
        "<R><CreateSessionResult>" +
        std::string(std::size_t{30} << 20, 's') +
        "</CreateSessionResult><nErrorCode>0</nErrorCode></R></soap:Body></soap:Envelope>";
    CBenchHandler handler;
    double ratio = 0;
    for (auto _ : state) {
        CreateSessionRecord record{};
        (void)handler.BindCall(&record, account::kCreateSession);
        (void)handler.Reader()->PutContentHandler(&handler);
        sax::CMemoryStream stream(response);
        ResetPeak();
        const std::int64_t before = StatusBytes("VmRSS:");
        const HRESULT hr = handler.ParseEnvelope(&stream);
        const std::int64_t peak = StatusBytes("VmHWM:");
        handler.ResetCallState();
        SysFreeString(record.CreateSessionResult);
        if (Failed(hr)) {
            state.SkipWithError("parse failed");
            break;
        }
        ratio = static_cast<double>(peak - before) / static_cast<double>(response.size());
    }
    state.counters["extra/size"] = ratio;
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(response.size()));
}
BENCHMARK(BM_ParseLongString)->Unit(benchmark::kMillisecond)->Iterations(3);

void XMLCALL NoStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL NoEnd(void*, const XML_Char*) {}
void XMLCALL NoText(void*, const XML_Char*, int) {}

// The floor: expat alone over the same bytes, namespace-aware, with callbacks that do nothing.
// The reader takes a plain declaration itself, so the floor is shown both over the whole answer
// and from its root element on (state.range(0) is 1 for the latter).
void BM_BareExpatParse(benchmark::State& state) {
    const std::string_view bytes =
        state.range(0) == 0 ? std::string_view(kResponse)
                            : std::string_view(kResponse).substr(kResponse.find("?>") + 2);
    XML_Parser parser = XML_ParserCreateNS(nullptr, '\x01');
    // One salt for the parser's life, as the reader does, so neither pays an entropy read per
    // parse.
    const unsigned long salt = sax::NewHashSalt();
    for (auto _ : state) {
        XML_ParserReset(parser, nullptr);
        XML_SetHashSalt(parser, salt);
        XML_SetElementHandler(parser, NoStart, NoEnd);
        XML_SetCharacterDataHandler(parser, NoText);
        if (XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), 1) ==
            XML_STATUS_ERROR) {
            state.SkipWithError("expat failed");
            break;
        }
    }
    XML_ParserFree(parser);
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kResponse.size()));
}
BENCHMARK(BM_BareExpatParse)->ArgName("fromRoot")->Arg(0)->Arg(1);

// An in-process service on 127.0.0.1 that answers every request of one kept-open connection with
// the same response. It stops when the client closes or after a second of silence.
class CLoopbackService {
public:
    CLoopbackService() {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (m_listener < 0 ||
            ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_listener, 1) != 0) {
            std::abort();
        }
        socklen_t length = sizeof address;
        (void)::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_answer = "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " +
                   std::to_string(kResponse.size()) + "\r\n\r\n" + kResponse;
        m_thread = std::thread([this] { Serve(); });
    }
    ~CLoopbackService() {
        m_thread.join();
        ::close(m_listener);
    }
    [[nodiscard]] std::string Url() const {
        return "http://127.0.0.1:" + std::to_string(m_port) + "/keldwick/AccountService.asmx";
    }

private:
    static bool Wait(int fd) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 1000) == 1;
    }

    void Serve() {
        if (!Wait(m_listener)) {
            return;
        }
        const int connection = ::accept(m_listener, nullptr, nullptr);
        std::string pending;
        char buffer[8192];
        while (Wait(connection)) {
            const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0) {
                break;
            }
            pending.append(buffer, static_cast<std::size_t>(got));
            while (true) {
                const std::size_t headEnd = pending.find("\r\n\r\n");
                const std::size_t lengthAt = pending.find("Content-Length: ");
                if (headEnd == std::string::npos || lengthAt == std::string::npos) {
                    break;
                }
                const std::size_t total =
                    headEnd + 4 + std::strtoul(pending.c_str() + lengthAt + 16, nullptr, 10);
                if (pending.size() < total) {
                    break;
                }
                pending.erase(0, total);
                if (::send(connection, m_answer.data(), m_answer.size(), MSG_NOSIGNAL) !=
                    static_cast<ssize_t>(m_answer.size())) {
                    ::close(connection);
                    return;
                }
            }
        }
        ::close(connection);
    }

    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::string m_answer;
    std::thread m_thread;
};

void BM_CreateSessionCall(benchmark::State& state) {
    CLoopbackService service;
    {
        CAccountServiceT proxy(service.Url());
        const CBstr user(u"customer@example.com");
        const CBstr password(u"correct horse & battery");
        for (auto _ : state) {
            BSTR session = nullptr;
            std::int32_t code = -1;
            if (Failed(proxy.CreateSession(user.Get(), password.Get(), &session, &code))) {
                state.SkipWithError("call failed");
                break;
            }
            SysFreeString(session);
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CreateSessionCall)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
