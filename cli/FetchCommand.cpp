// keldwick-cli fetch: one HTTP exchange with the program's own client. The status, the read outcome
// and the stored headers go to standard error, the body to standard output.

#include "cli/AccountCommandSupport.h"

#include "net/SocketErrors.h"
#include "webservice/http/CHttpClientT.h"

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
    std::string method = "GET";
    std::string headers;
    std::string contentType;
    std::vector<char> body;
    std::uint32_t timeout = net::kWaitForever;
    std::string url;
    int verbosity = 0;
};

int Usage(const char* problem) {
    std::fprintf(stderr, "keldwick-cli fetch: %s\n", problem);
    return 2;
}

bool ParseTimeout(std::string_view text, std::uint32_t& timeout) {
    std::uint64_t value = 0;
    if (text.empty() || text.size() > 10) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    timeout = static_cast<std::uint32_t>(value);
    return true;
}

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

int ParseArguments(Arguments args, FetchRequest& request) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            PrintCommandHelp("fetch");
            return -1;
        }
        if (arg == "-v" || arg == "--verbose" || arg == "-vv") {
            request.verbosity += arg == "-vv" ? 2 : 1;
            continue;
        }
        if (arg == "--method" || arg == "--header" || arg == "--content-type" ||
            arg == "--data-file" || arg == "--timeout" || arg == "--cacert") {
            if (!hasValue) {
                return Usage("an option lacks its value");
            }
            const std::string_view value = args[++i];
            if (arg == "--method") {
                if (value.empty() || value.find_first_of(" \r\n") != std::string_view::npos) {
                    return Usage("the method must be one word");
                }
                request.method = value;
            } else if (arg == "--header") {
                if (!IsHeaderLine(value)) {
                    return Usage("a header must read \"Name: value\" on one line");
                }
                request.headers.append(value).append("\r\n");
            } else if (arg == "--content-type") {
                if (value.find_first_of("\r\n") != std::string_view::npos) {
                    return Usage("the content type must be one line");
                }
                request.contentType = value;
            } else if (arg == "--data-file") {
                if (!ReadBodyFile(std::string(value), request.body)) {
                    std::fprintf(stderr, "keldwick-cli fetch: cannot read %.*s\n",
                                 static_cast<int>(value.size()), value.data());
                    return 1;
                }
            } else if (arg == "--cacert") {
                CTlsSocket::SetExtraCaFile(std::string(value));
            } else if (!ParseTimeout(value, request.timeout)) {
                return Usage("the time-out must be a number of milliseconds");
            }
        } else if (!arg.empty() && arg.front() == '-') {
            return Usage("unknown option");
        } else if (request.url.empty()) {
            request.url = arg;
        } else {
            return Usage("only one URL may be given");
        }
    }
    return request.url.empty() ? Usage("no URL given") : 0;
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
                     net::IsResolverError(code) ? gai_strerror(code) : std::strerror(code));
    }
    client.Headers().ForEach([](std::string_view name, std::string_view value) {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(name.size()), name.data(),
                     static_cast<int>(value.size()), value.data());
    });
    const std::string_view body = client.Body();
    std::fwrite(body.data(), 1, body.size(), stdout);
    std::fflush(stdout);
}

} // namespace

int RunFetch(Arguments args) {
    FetchRequest request;
    if (const int usage = ParseArguments(args, request); usage != 0) {
        return usage < 0 ? 0 : usage;
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
    options.extraHeaders = request.headers.empty() ? nullptr : request.headers.c_str();
    options.contentType = request.contentType.empty() ? nullptr : request.contentType.c_str();
    options.body = request.body.empty() ? nullptr : request.body.data();
    options.bodyLength = static_cast<std::uint32_t>(request.body.size());
    options.timeout = request.timeout;
    auto client = std::make_unique<CHttpClientT>();
    client->SetTrace(TraceFor(request.verbosity));
    const bool ok = client->ExchangeRequest(url, &options);
    if (!ok) {
        std::fprintf(stderr, "keldwick-cli fetch: %s\n", client->FailureReason().c_str());
    }
    PrintResult(*client);
    return ok ? 0 : 1;
}

} // namespace cli
