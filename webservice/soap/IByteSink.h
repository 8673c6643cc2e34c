#pragma once
// Where an envelope is written to.

#include "com/HResult.h"

#include <cstdint>

class IByteSink {
public:
    // Appends `length` bytes of `text` (a negative length: up to its terminating zero) and reports
    // how many were taken.
    virtual HRESULT Write(const char* text, std::int32_t length, std::uint32_t* written) = 0;
    virtual HRESULT Flush() = 0;
    virtual ~IByteSink() = default;
};
