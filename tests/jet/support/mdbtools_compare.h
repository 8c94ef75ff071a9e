// The engine against an independent reader: mdbtools. For a file both can
// read, the same tables, the same column names, the same row counts and the
// same cell values (compared by type; row order may differ where rows moved
// to overflow pages, so unmatched rows are paired as sorted lists).
#pragma once

#include <string>
#include <vector>

namespace testing_support {

// Every difference between the engine's reading of `path` and mdbtools', one
// line each; empty when they agree. mdbtools cannot read Office-encrypted
// files, so those are not for this; it reads .mdb files with a header
// password without asking for it, the engine with `password`.
std::vector<std::string> differencesWithMdbtools(const std::string& path,
                                                 const std::string& password = "");

}  // namespace testing_support
