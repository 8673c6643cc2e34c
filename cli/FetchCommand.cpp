// keldwick-cli fetch: one HTTP exchange with the program's own client. The status, the read outcome
// and the stored headers go to standard error, the body to standard output.

#include "cli/AccountCommandSupport.h"

#include "net/SocketErrors.h"
#include "webservice/account/AccountServiceTables.h"
#include "webservice/http/CHttpClientT.h"
#include "webservice/soap/CTraceWriter.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <netdb.h>
#include <string>
#include <vector>

namespace cli {

namespace {

struct FetchRequest {
    CallOptions call;
    std::string method = "GET";
    std::vector<std::string> headers;
    std::string contentType;
    std::string dataFile;
    std::uint32_t timeout = net::kWaitForever;
    std::string url;
};

bool ReadBodyFile(const std::string& path, std::vector<char>& body) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    body.assign(std::istreambuf_iterator<char>(in), {});
    return !in.bad() && body.size() <= std::numeric_limits<std::uint32_t>::max();
}

// A header line must be one line of the form "Name: value".
bool IsHeaderLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon != std::string_view::npos && colon > 0 &&
           line.find_first_of("\r\n") == std::string_view::npos;
}

const char* OutcomeText(ReadOutcome outcome) {
    switch (outcome) {
    case ReadSucceeded:
        return "success";
    case ReadNoStatusCode:
        return "the status line has no status code";
    case ReadBadHeaders:
        return "the header lines failed to parse";
    case ReadHeadMissing:
        return "the head did not arrive";
    case ReadBodyMissing:
        return "the body failed to arrive";
    case ReadChunkedFailed:
        return "the chunked body failed to decode";
    case ReadNothingYet:
        return "nothing read";
    }
    return "unknown";
}

void PrintResult(const CHttpClientT& client) {
    std::fprintf(stderr, "status: %d\n", client.GetStatus());
    std::fprintf(stderr, "outcome: %d (%s)\n", static_cast<int>(client.GetReadOutcome()),
                 OutcomeText(client.GetReadOutcome()));
    if (client.GetStatus() < 0 && client.m_lastError != 0) {
        const int code = client.m_lastError;
        std::fprintf(stderr, "error: %d (%s)\n", code,
                     code == net::kErrorResolveTimedOut ? "the name's lookup timed out"
                     : net::IsResolverError(code)       ? gai_strerror(code)
                                                        : std::strerror(code));
    }
    // A server may echo credentials back in its headers; they are hidden as in a trace.
    const CTraceWriter masker(stderr, 0, account::kSecretElements);
    client.Headers().ForEach([&masker](std::string_view name, std::string_view value) {
        std::string line(name);
        const std::string shown = masker.MaskHeaderLine(line.append(": ").append(value));
        std::fprintf(stderr, "%s\n", shown.c_str());
    });
    const std::string_view body = client.Body();
    std::fwrite(body.data(), 1, body.size(), stdout);
    std::fflush(stdout);
}

// The checks of the option values; CLI11 hands them the text and reports what they answer.
std::string OneWord(std::string& value) {
    return value.empty() || value.find_first_of(" \r\n") != std::string::npos
               ? "the method must be one word"
               : "";
}

std::string HeaderLine(std::string& value) {
    return IsHeaderLine(value) ? "" : "a header must read \"Name: value\" on one line";
}

std::string OneLine(std::string& value) {
    return value.find_first_of("\r\n") == std::string::npos ? "" : "must be one line";
}

int RunFetch(const FetchRequest& request) {
    std::vector<char> body;
    if (!request.dataFile.empty() && !ReadBodyFile(request.dataFile, body)) {
        std::fprintf(stderr, "keldwick-cli fetch: cannot read %s\n", request.dataFile.c_str());
        return 1;
    }
    std::string headers;
    for (const std::string& line : request.headers) {
        headers.append(line).append("\r\n");
    }
    char escaped[kMaxUrlLength + 1];
    UrlParts url;
    if (!EscapeUrl(request.url, escaped, sizeof escaped) || !url.SplitUrl(escaped) ||
        (url.Scheme() != UrlSchemeHttp && url.Scheme() != UrlSchemeHttps) ||
        url.HostName().empty()) {
        std::fprintf(stderr, "keldwick-cli fetch: not an http or https URL: %s\n",
                     request.url.c_str());
        return 2;
    }
    RequestOptions options;
    options.method = request.method.c_str();
    options.extraHeaders = headers.empty() ? nullptr : headers.c_str();
    options.contentType = request.contentType.empty() ? nullptr : request.contentType.c_str();
    options.body = body.empty() ? nullptr : body.data();
    options.bodyLength = static_cast<std::uint32_t>(body.size());
    options.timeout = request.timeout;
    auto client = std::make_unique<CHttpClientT>();
    client->SetTrace(TraceFor(request.call.verbosity));
    TrustCaFile(request.call);
    const bool ok = client->ExchangeRequest(url, &options);
    if (!ok) {
        std::fprintf(stderr, "keldwick-cli fetch: %s\n", client->FailureReason().c_str());
    }
    PrintResult(*client);
    return ok ? 0 : 1;
}

} // namespace

CommandRunner DefineFetch(CLI::App& command) {
    auto request = std::make_shared<FetchRequest>();
    AddCallOptions(command, request->call, false);
    command.add_option("--method", request->method, "the request method (default: GET)")
        ->check(CLI::Validator(OneWord, "WORD"));
    command.add_option("--header", request->headers, "an extra header line; may be repeated")
        ->allow_extra_args(false)
        ->check(CLI::Validator(HeaderLine, "\"Name: value\""));
    command.add_option("--content-type", request->contentType, "the body's content type")
        ->check(CLI::Validator(OneLine, "TYPE"));
    command.add_option("--data-file", request->dataFile, "send this file's bytes as the body");
    AddNumberOption(
        command, "--timeout", request->timeout, 0, std::numeric_limits<std::uint32_t>::max(),
        "milliseconds each wait on the network may last (default 30000, as for 4294967295)");
    command.add_option("URL", request->url, "http[s]://host[:port]/path; an IPv6 host in brackets")
        ->required();
    return [request] { return RunFetch(*request); };
}

} // namespace cli
