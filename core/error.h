// The one family of errors the libraries throw; the run boundary catches them.
#pragma once

#include <stdexcept>
#include <string>

namespace kelpo {

enum class ErrorKind {
    Overflow,      // a 32-bit count or sum left its range
    InvalidInput,  // a precondition or a user value was refused
    OutOfMemory,   // a table could not be allocated
    Cancelled,     // the user asked the run to stop
    InputOutput,   // a file could not be read or written
};

class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    ErrorKind kind() const noexcept { return kind_; }

private:
    ErrorKind kind_;
};

}  // namespace kelpo
