#pragma once

// Small helpers shared by the benchmark programs.

#include <cstdlib>
#include <fstream>
#include <string>

namespace bw::bench {

// A memory figure (kB) of this process from /proc/self/status, such as
// "VmRSS" (resident now) or "VmHWM" (peak resident); -1 when unknown.
inline long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

}  // namespace bw::bench
