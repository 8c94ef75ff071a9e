// `tabulon-cli export --format text|sylk|xlsx`: a table or stored query
// written by the program's own export writers, with the settings the export
// dialog starts with. Built only with the application layers (not in an
// engine-only build).
#pragma once

#include <string>

namespace tools {

// The export formats the writers provide (csv is the tool's own).
bool isWriterFormat(const std::string& format);

// Writes table or stored query `name` of `file` to `output` in `format`.
// Returns 0, or 1 with the writer's message on stderr.
int exportWithWriter(const std::string& file, const std::string& password, const std::string& name,
                     const std::string& format, const std::string& output);

}  // namespace tools
