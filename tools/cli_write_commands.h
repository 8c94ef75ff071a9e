// The commands of tabulon-cli that write files: create, compact and load.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tools {

struct WriteArgs {
    std::string password;          // --password: the file's password (load, compact source)
    std::optional<int> version;    // --version KEY (32, 64, 128, 256)
    std::optional<int> collation;  // --collation ID (Windows language id)
    std::optional<std::string> newPassword;  // --new-password P (compact)
    bool removePassword = false;             // --remove-password (compact)
    std::string columns;                     // --columns "Name Type(Size), ..." (load)
    std::vector<std::string> primaryKey;     // --primary-key COL[,COL...] (load)
    std::vector<std::string> indexes;        // --index COL (load), repeatable
};

// Each returns the process exit code; failures throw jet::Error.
int createCommand(const std::string& file, const WriteArgs& args);
int compactCommand(const std::string& source, const std::string& destination,
                   const WriteArgs& args);
int loadCommand(const std::string& file, const std::string& table, const std::string& csvPath,
                const WriteArgs& args);

}  // namespace tools
