#include "support/fixtures.h"

#include <array>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace testing_support {

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

std::string runCommand(const std::string& command, int* status) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string out;
    std::array<char, 65536> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe.get())) > 0) out.append(buf.data(), n);
    int rc = ::pclose(pipe.release());
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

}  // namespace testing_support
