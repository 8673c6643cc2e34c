#pragma once
// Decodes a chunked body as its bytes arrive, however they are split. Grammar:
//
//   chunked-body = *chunk last-chunk trailer CRLF
//   chunk        = size CRLF data CRLF
//   size         = 1*HEXDIG            (no chunk extensions: anything else fails)
//   last-chunk   = 1*"0" CRLF
//   trailer      = *( line CRLF )
//
// The failed state is sticky. Decoded bytes go to the output buffer, whose maximum bounds the body;
// a chunk size beyond that maximum fails at once, before any of its data is awaited.

#include "webservice/http/ResponseBuffer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CChunkedDecoder {
public:
    enum class State { SizeDigits, SizeLf, Data, DataCr, DataLf, Trailer, TrailerLf, Done, Failed };

    // A trailer section longer than this fails the decoding.
    static constexpr std::size_t kMaxTrailerBytes = 64 * 1024;

    explicit CChunkedDecoder(ResponseBuffer& output) : m_output(output) {}

    // Consumes bytes; returns how many were used (fewer than given only once done or failed).
    std::size_t Feed(std::string_view bytes);
    // The connection gave no more data: true when the body is complete, which includes a stream
    // that ends right after the last chunk's size line.
    [[nodiscard]] bool FinishAtEnd();

    [[nodiscard]] State GetState() const { return m_state; }
    [[nodiscard]] bool Done() const { return m_state == State::Done; }
    [[nodiscard]] bool Failed() const { return m_state == State::Failed; }
    [[nodiscard]] std::uint64_t DecodedLength() const { return m_decoded; }
    [[nodiscard]] const std::vector<std::string>& TrailerLines() const { return m_trailers; }

private:
    void Fail() { m_state = State::Failed; }
    void TakeSizeByte(char c);
    void TakeTrailerByte(char c);
    std::size_t TakeData(std::string_view bytes);

    ResponseBuffer& m_output;
    State m_state = State::SizeDigits;
    std::uint64_t m_size = 0;
    std::size_t m_digits = 0;
    std::uint64_t m_remaining = 0;
    std::uint64_t m_decoded = 0;
    std::string m_line;
    std::size_t m_trailerBytes = 0;
    std::vector<std::string> m_trailers;
};
