// New empty databases, and the version keys callers use to name formats:
// 32 "3.0" (.mdb, Jet 3), 64 "4.0" (.mdb, Jet 4), 128 "12.0" (.accdb, Access
// 2007), 256 "14.0" (.accdb, Access 2010 and later).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "jet/file/file.h"
#include "jet/file/jet_version.h"

namespace jet {

std::optional<JetVersion> versionFromKey(int key);
// The key of the format a file of version `v` is written in; later ACE
// versions are written as 14.0.
int versionKeyOf(JetVersion v);
// The version new files of key `v` get (ACE 15 and later become ACE 14).
JetVersion writableVersion(JetVersion v);

struct CreateOptions {
    JetVersion version = JetVersion::Jet4;
    uint16_t collation = 1033;  // a Windows language id of the collation table
    std::string password;       // "" = none
};

// Writes a new empty database at `path`, replacing nothing on failure.
// Throws jet::Error: InvalidArgument for an unknown collation or a password
// the format cannot hold, Io when the file cannot be written.
void createDatabase(FileSystem& fs, const std::string& path, const CreateOptions& options);

}  // namespace jet
