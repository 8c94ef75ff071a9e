// The engine tests' access to the shared fixture files (see
// common/fixture_files.h) and to the command-line programs they compare with.
#pragma once

#include <string>

#include "common/fixture_files.h"

namespace testing_support {

// Runs a shell command, returns its standard output; `status` gets the exit code.
std::string runCommand(const std::string& command, int* status = nullptr);
std::string shellQuote(const std::string& s);

}  // namespace testing_support
