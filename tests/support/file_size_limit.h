// A full disk for a moment, for every user (root included): runs `fn` with the
// process's file-size limit set to `bytes` and SIGXFSZ ignored, so a write past
// the limit fails with an error instead of ending the process.
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace qrt58::test {

template <class F>
auto with_file_size_limit(rlim_t bytes, F fn) {
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = bytes;
    void (*previous)(int) = ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    auto result = fn();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previous);
    return result;
}

} // namespace qrt58::test
