// The engine's one exception type. Every failure the engine reports — a file
// that is not an Access file, a wrong password, a damaged page, a refused
// statement — is a jet::Error carrying a code (what a caller may still do) and
// a message in the words Access users know.
#pragma once

#include <stdexcept>
#include <string>

namespace jet {

enum class ErrorCode {
    Io,                  // the operating system refused a read or write
    UnrecognizedFormat,  // not an Access file at all
    BadPassword,         // a password is needed, or the one given is wrong
    Corrupt,             // the file is an Access file but damaged or truncated
    Unsupported,         // a valid feature this engine does not handle
    NotFound,            // a named object does not exist
    InvalidArgument,     // a caller passed something the engine cannot use
    Syntax,              // a statement or expression could not be parsed
    Constraint,          // a write would break a rule of the table
};

class Error : public std::runtime_error {
public:
    Error(ErrorCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
    ErrorCode code() const noexcept { return code_; }

private:
    ErrorCode code_;
};

// Shorthand for the most common failure of a reader: the bytes do not make sense.
[[noreturn]] void throwCorrupt(const std::string& what);

}  // namespace jet
