#pragma once

#include <stdexcept>
#include <string>

namespace bw {

// A failure of the platform layer or of a control (a row that does not
// exist, a settings value that is not a truth value, a file that cannot be
// read). Its description is what the error report shows.
class AppError : public std::runtime_error {
public:
    explicit AppError(const std::string& description) : std::runtime_error(description) {}
};

}  // namespace bw
