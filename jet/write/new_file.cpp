#include "jet/write/new_file.h"

namespace jet {

std::string temporaryPathFor(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "~" + name + ".tmp";
}

void writeFileAtomically(FileSystem& fs, const std::string& path,
                         const std::function<void(File&)>& build) {
    const std::string temporary = temporaryPathFor(path);
    try {
        {
            std::unique_ptr<File> file = fs.create(temporary);
            build(*file);
            file->sync();
        }
        fs.rename(temporary, path);
    } catch (...) {
        try {
            fs.remove(temporary);
        } catch (...) {
            // The first failure is the one worth reporting.
        }
        throw;
    }
}

}  // namespace jet
