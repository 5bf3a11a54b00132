#pragma once

#include <stdexcept>
#include <string>

namespace bw {

// The one failure type of the number core. Its description is what the
// window's error report shows, e.g. "Overflow" or "Division by zero".
class CoreError : public std::runtime_error {
public:
    explicit CoreError(const std::string& description) : std::runtime_error(description) {}
    std::string Description() const { return what(); }
};

// The description of the failure raised for texts longer than the 16-bit
// position counters allow and for values beyond the double range.
inline constexpr const char* kOverflowDescription = "Overflow";

// The description of a failure to get memory, instead of the runtime's
// "std::bad_alloc".
inline constexpr const char* kOutOfMemoryDescription = "Out of memory";

}  // namespace bw
