// Time for the board link: a high-resolution counter for the line delay, a coarse
// millisecond clock for the longer waits, and sleeps. The link and the simulated
// board both read time from the same Clock, so a test can run a whole transfer on a
// VirtualClock that advances only when the link waits: quick and exact.
#pragma once

#include <cstdint>

namespace qrt58 {

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic time in nanoseconds (the high-resolution counter).
    virtual std::int64_t now_ns() = 0;
    // False when there is no high-resolution counter; the line delay then falls
    // back to the calibrated loop.
    virtual bool has_high_resolution() { return true; }
    // Busy-waits until now_ns() is past `deadline_ns`.
    virtual void spin_until(std::int64_t deadline_ns) = 0;
    // Coarse millisecond clock (wraps like a 32-bit tick count).
    virtual std::uint32_t ms() = 0;
    // Gives up the processor for `ms` milliseconds.
    virtual void sleep_ms(int ms) = 0;
    // One turn of a waiting loop that pumps events (lets a little time pass).
    virtual void idle_turn() = 0;
};

// std::chrono::steady_clock.
class SteadyClock : public Clock {
public:
    std::int64_t now_ns() override;
    void spin_until(std::int64_t deadline_ns) override;
    std::uint32_t ms() override;
    // Sleeps most of the time and spins the last stretch, so that a 10 ms pause
    // between pages costs 10 ms and not 10 ms plus the scheduler's slack.
    void sleep_ms(int ms) override;
    void idle_turn() override;
};

// Time that moves only when someone waits. Every coarse reading costs
// `coarse_read_ns` so that loops which count iterations against ms() (the delay
// calibration) end.
class VirtualClock : public Clock {
public:
    std::int64_t now_ns() override { return now_; }
    bool has_high_resolution() override { return high_resolution; }
    void spin_until(std::int64_t deadline_ns) override {
        if (deadline_ns > now_) now_ = deadline_ns;
    }
    std::uint32_t ms() override {
        now_ += coarse_read_ns;
        ++coarse_reads;
        return static_cast<std::uint32_t>(now_ / 1000000);
    }
    void sleep_ms(int ms) override {
        now_ += static_cast<std::int64_t>(ms) * 1000000;
        slept_ms += ms;
    }
    void idle_turn() override { now_ += idle_turn_ns; }
    void advance_ns(std::int64_t ns) { now_ += ns; }

    bool high_resolution = true;
    std::int64_t coarse_read_ns = 25000;
    std::int64_t idle_turn_ns = 1000000;
    std::int64_t coarse_reads = 0;
    std::int64_t slept_ms = 0;

private:
    std::int64_t now_ = 0;
};

} // namespace qrt58
