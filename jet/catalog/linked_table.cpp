#include "jet/catalog/linked_table.h"

#include <filesystem>

#include "jet/error.h"
#include "jet/util/names.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

// The file name of a path written with either kind of separator.
std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The value of PWD= in a connect string (";DATABASE=...;PWD=secret"), "" when none.
std::string passwordOf(const std::string& connect) {
    size_t start = 0;
    while (start <= connect.size()) {
        const size_t end = std::min(connect.find(';', start), connect.size());
        const std::string part = connect.substr(start, end - start);
        const size_t equals = part.find('=');
        if (equals != std::string::npos && sameName(part.substr(0, equals), "PWD")) {
            return part.substr(equals + 1);
        }
        start = end + 1;
    }
    return {};
}

}  // namespace

std::vector<std::string> linkedFileCandidates(const std::string& frontEndPath,
                                              const std::string& storedPath) {
    std::vector<std::string> out;
    if (!storedPath.empty()) out.push_back(storedPath);
    const std::string name = fileNameOf(storedPath);
    if (!name.empty()) {
        const fs::path beside = fs::path(frontEndPath).parent_path() / name;
        if (beside.string() != storedPath) out.push_back(beside.string());
    }
    return out;
}

LinkedTable openLinkedTable(const Database& frontEnd, const CatalogObject& link) {
    if (link.type != static_cast<int16_t>(ObjectType::LinkedTable)) {
        throw Error(ErrorCode::InvalidArgument,
                    "'" + link.name + "' is not a linked Access table.");
    }
    const std::string stored = link.database.value_or("");
    for (const std::string& candidate : linkedFileCandidates(frontEnd.path(), stored)) {
        std::error_code error;
        if (!fs::is_regular_file(candidate, error)) continue;
        OpenOptions options;
        options.password = passwordOf(link.connect.value_or(""));
        LinkedTable linked;
        linked.database = Database::open(candidate, options);
        linked.table = linked.database->table(link.foreignName.value_or(link.name));
        return linked;
    }
    throw Error(ErrorCode::NotFound, "Could not find file '" + stored + "'.");
}

}  // namespace jet
