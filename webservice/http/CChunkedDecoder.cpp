#include "webservice/http/CChunkedDecoder.h"

#include "text/Ascii.h"

namespace {

using text::HexDigitValue;

} // namespace

void CChunkedDecoder::TakeSizeByte(char c) {
    if (m_state == State::SizeLf) {
        if (c != '\n') {
            Fail();
            return;
        }
        m_remaining = m_size;
        m_state = m_size == 0 ? State::Trailer : State::Data;
        return;
    }
    const int digit = HexDigitValue(c);
    if (digit >= 0) {
        m_size = m_size * 16 + static_cast<std::uint64_t>(digit);
        ++m_digits;
        // The bound is far below 2^60, so the multiplication above cannot overflow.
        if (m_size > m_output.MaxLength()) {
            Fail();
        }
        return;
    }
    if (c == '\r' && m_digits > 0) {
        m_state = State::SizeLf;
        return;
    }
    Fail();
}

void CChunkedDecoder::TakeTrailerByte(char c) {
    if (m_state == State::TrailerLf) {
        if (c != '\n') {
            Fail();
            return;
        }
        if (m_line.empty()) {
            m_state = State::Done;
            return;
        }
        m_trailers.push_back(std::move(m_line));
        m_line.clear();
        m_state = State::Trailer;
        return;
    }
    if (++m_trailerBytes > kMaxTrailerBytes) {
        Fail();
        return;
    }
    if (c == '\r') {
        m_state = State::TrailerLf;
        return;
    }
    m_line.push_back(c);
}

std::size_t CChunkedDecoder::TakeData(std::string_view bytes) {
    const std::size_t count =
        bytes.size() < m_remaining ? bytes.size() : static_cast<std::size_t>(m_remaining);
    if (!m_output.Append(bytes.data(), count)) {
        Fail();
        return 0;
    }
    m_remaining -= count;
    m_decoded += count;
    if (m_remaining == 0) {
        m_state = State::DataCr;
    }
    return count;
}

std::size_t CChunkedDecoder::Feed(std::string_view bytes) {
    std::size_t used = 0;
    while (used < bytes.size()) {
        const char c = bytes[used];
        switch (m_state) {
        case State::Done:
        case State::Failed:
            return used;
        case State::SizeDigits:
        case State::SizeLf:
            TakeSizeByte(c);
            break;
        case State::Data:
            used += TakeData(bytes.substr(used));
            continue;
        case State::DataCr:
            if (c == '\r') {
                m_state = State::DataLf;
            } else {
                Fail();
            }
            break;
        case State::DataLf:
            if (c == '\n') {
                m_state = State::SizeDigits;
                m_size = 0;
                m_digits = 0;
            } else {
                Fail();
            }
            break;
        case State::Trailer:
        case State::TrailerLf:
            TakeTrailerByte(c);
            break;
        }
        if (m_state == State::Failed) {
            return used;
        }
        ++used;
    }
    return used;
}

bool CChunkedDecoder::FinishAtEnd() {
    if (m_state == State::Trailer && m_line.empty() && m_trailers.empty()) {
        m_state = State::Done;
    }
    if (m_state != State::Done) {
        Fail();
    }
    return m_state == State::Done;
}
