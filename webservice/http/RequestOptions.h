#pragma once
// What a caller asks of one HTTP exchange. The caller keeps the record, and every text and body it
// points to, alive until the exchange returns.

#include "net/SocketErrors.h"

#include <cstdint>

enum RequestFlags : std::uint32_t {
    // Answer a 301, 302 or 303 by following its Location.
    FollowMoved = 0x1,
    // Judge the status code after reading the response.
    EvaluateStatus = 0x2,
    // Send the body in blocks of the send block size after the head.
    BodyInBlocks = 0x8,
};

struct RequestOptions {
    // Complete header lines, each ending in CR LF, or null.
    const char* extraHeaders = nullptr;
    const char* method = "GET";
    // Null or empty: no Content-Type line.
    const char* contentType = nullptr;
    std::uint32_t bodyLength = 0;
    std::uint32_t flags = FollowMoved | EvaluateStatus | BodyInBlocks;
    // Bound of each wait in milliseconds; net::kWaitForever asks for the default bound.
    std::uint32_t timeout = net::kWaitForever;
    std::uint32_t sendBlockSize = 4096;
    std::uint32_t readBlockSize = 4096;
    // Used when the URL carries no port.
    std::uint16_t port = 80;
    const void* body = nullptr;
};
