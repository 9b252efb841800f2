#pragma once
// Runs a write with this process's files limited to `bytes`, as a full disk would stop it
// part-way: past the limit the write fails with "File too large" (SIGXFSZ is ignored for the
// time), and the previous limit and handler are back before the result is returned.

#include <csignal>
#include <sys/resource.h>

namespace vornex::test {

template <typename Write>
auto with_file_size_limit(rlim_t bytes, Write&& write) {
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto result = write();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    return result;
}

} // namespace vornex::test
