// Column types for loading a CSV file into a new table (`tabulon-cli load`):
// either spelled out by the user ("--columns") or inferred from the data.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/write/column_types.h"

namespace tools {

// Parses a column list such as "Name Text(40), Qty Long, [Unit Price] Currency".
// Entries are separated by commas; a name holding blanks is written in
// brackets. Type names, without regard to case: Text, Memo, Boolean, Byte,
// Integer, BigInt, Long, Currency, Single, Double, Date, Binary, LongBinary,
// GUID, and Counter or AutoNumber for an auto-increment Long. Only Text and
// Binary take a size. Names are checked later, with the table. Throws
// jet::Error (InvalidArgument) naming the entry for anything else.
std::vector<jet::ColumnSpec> parseColumnList(std::string_view text);

// Infers column types from the rows of a CSV file, seen one at a time so that
// a file of any length needs memory only for its widest row. The first row
// gives the names (an empty one becomes "Field<n>", n counting from 1, as do
// columns of rows longer than the header). Empty cells are nulls and do not
// decide a type. A column is
//   Boolean  if every value is true or false (any case);
//   Long     if every value is an integer in -2147483648..2147483647 written
//            without leading zeros (codes such as "007" stay text);
//   Double   if every value is a number (integer, decimal or with exponent)
//            of at most 15 significant digits, so none loses precision;
//   Date     if every value is "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss" (also
//            with 'T') naming a real date and time;
//   Text(n)  otherwise, n the longest value in UTF-16 units, Memo when that
//            passes 255; a column with no values at all is Text(255).
// BigInt is never inferred (large integers become Double or Text).
class CsvColumnTyper {
public:
    void addHeader(std::span<const std::string> names);
    void addRow(std::span<const std::string> cells);
    std::vector<jet::ColumnSpec> columns() const;

private:
    struct Column {
        std::string name;
        bool seen = false;
        bool canBoolean = true, canLong = true, canDouble = true, canDate = true;
        size_t longest = 0;
    };
    void widenTo(size_t count);
    std::vector<Column> columns_;
};

}  // namespace tools
