#include "clock.h"

#include <chrono>
#include <thread>

namespace qrt58 {

std::int64_t SteadyClock::now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SteadyClock::spin_until(std::int64_t deadline_ns) {
    while (now_ns() <= deadline_ns) {
    }
}

std::uint32_t SteadyClock::ms() { return static_cast<std::uint32_t>(now_ns() / 1000000); }

void SteadyClock::sleep_ms(int ms) {
    if (ms <= 0) return;
    const std::int64_t deadline = now_ns() + static_cast<std::int64_t>(ms) * 1000000;
    constexpr std::int64_t kSpinTail = 300000; // 0.3 ms
    const std::int64_t sleep_until = deadline - kSpinTail;
    while (true) {
        const std::int64_t left = sleep_until - now_ns();
        if (left <= 0) break;
        std::this_thread::sleep_for(std::chrono::nanoseconds(left));
    }
    while (now_ns() < deadline) {
    }
}

void SteadyClock::idle_turn() { std::this_thread::sleep_for(std::chrono::microseconds(200)); }

} // namespace qrt58
