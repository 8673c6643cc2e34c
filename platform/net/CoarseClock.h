#pragma once
// A monotonic clock read from the kernel's last tick instead of the hardware counter: a few
// milliseconds coarse, and several times cheaper to read, which counts when every service call
// reads the clock for its deadline, its send, its receive and its idle check. Network waits are
// bounded in whole milliseconds of seconds-long time-outs, so the coarseness never matters; the
// reading lags the true time, so a wait computed from it is never cut short.

#include <chrono>
#include <ctime>

struct CoarseClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<CoarseClock>;
    static constexpr bool is_steady = true;

    static time_point now() noexcept {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
        return time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
    }
};
