// A new file appears whole or not at all: it is written under a temporary
// name in the destination's folder and renamed into place only once it is
// complete and synced. A failure removes the temporary file and leaves
// whatever was at the destination untouched.
#pragma once

#include <functional>
#include <string>

#include "jet/file/file.h"

namespace jet {

// The temporary name used for `path` while it is being written.
std::string temporaryPathFor(const std::string& path);

void writeFileAtomically(FileSystem& fs, const std::string& path,
                         const std::function<void(File&)>& build);

}  // namespace jet
