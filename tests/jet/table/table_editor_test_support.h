// Files and rows for the table editor's tests: a new file of a chosen
// version holding one table "T" with the columns of a typical table (an
// auto-number key, text, numbers, a date, a memo) and both kinds of index,
// and the comparison of a table's rows with a model of what it should hold.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/file/jet_version.h"
#include "jet/format/page_types.h"
#include "jet/value.h"
#include "jet/write/relation_writer.h"
#include "jet/write/table_layout.h"

namespace testing_support {

// ID AutoNumber (primary key), Name Text(40) (unique index, not required),
// Amount Double (index with duplicates), Day Date/Time, Notes Memo,
// Code Text(10) required.
jet::TableSpec editorTableSpec();
// Writes a new file of `version` at `path` holding `spec`, empty.
void writeEmptyTableFile(const std::string& path, jet::JetVersion version,
                         const jet::TableSpec& spec);

// Writes a new file of `version` at `path` holding `tables` with their rows
// (by table name; written in the order of `tables`) and `relations`.
using TableRows = std::map<std::string, std::vector<std::vector<jet::Value>>>;
void writeTablesFile(const std::string& path, jet::JetVersion version,
                     const std::vector<jet::TableSpec>& tables,
                     const std::vector<jet::RelationSpec>& relations, const TableRows& rows);

// The rows a table should hold, by row id.
using RowModel = std::map<uint32_t, std::vector<jet::Value>>;

// Differences between the table's rows (a scan, and a walk of each of its
// indexes through IndexCursor) and `model`, one line each.
std::vector<std::string> differencesFromModel(jet::Database& db, const std::string& table,
                                              const RowModel& model);

}  // namespace testing_support
