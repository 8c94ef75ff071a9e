// Compaction: a whole database rewritten into a fresh file, optionally in
// another format version, collation or password. Every user table with its
// rows, indexes and properties, every stored query and every relation is
// carried over; text index keys are rebuilt for the destination's collation.
// The destination appears only when complete (jet/write/new_file.h).
#pragma once

#include <functional>
#include <string>

#include "jet/file/file.h"

namespace jet {

struct CompactRequest {
    std::string source;
    std::string destination;
    // A collation's locale text (";LANGID=0x0409;CP=1252;COUNTRY=0"),
    // optionally followed by ";pwd=" and a password: "" keeps the source's
    // collation and password, ";pwd=" alone writes no password.
    std::string destinationLocale;
    // 0 keeps the source's version; else 32, 64, 128 or 256.
    int versionKey = 0;
    // The source's password travels as ";pwd=..." here.
    std::string sourceLocale;
};

// Throws jet::Error: BadPassword ("Not a valid password.") for a wrong
// source password; InvalidArgument for an unknown version key or
// collation, or a column the destination version cannot hold (named in the
// message, before anything is written); Io when a file cannot be read or
// written. On failure no destination file is left behind.
// `addTables`, when given, writes further user tables into the destination
// after the source's own (a bulk load rewrites a file this way).
class DatabaseBuilder;
void compactDatabase(FileSystem& fs, const CompactRequest& request,
                     const std::function<void(DatabaseBuilder&)>& addTables = {});

}  // namespace jet
