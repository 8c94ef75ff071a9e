// The silent abort: a user's cancel that ends the running command without a
// message and without changing anything further. Whoever catches exceptions
// at the top of a command (TMain's handlers, the window's close) lets this
// one pass without a report; every other caller lets it propagate, so the
// operation that asked stops too.
#pragma once

#include <exception>

class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

[[noreturn]] inline void abortSilently() {
    throw SilentAbort();
}
