// A streaming reader of comma-separated text as RFC 4180 defines it: fields
// separated by commas, records by CRLF or LF (a lone CR too), fields in double
// quotes may hold commas, line breaks and doubled quotes. A UTF-8 byte-order
// mark at the start is skipped. Memory stays bounded by the longest record.
//
// tabulon-cli writes NULL as an empty unquoted field and an empty text as "",
// so the reader tells the two apart: wasQuoted(i) for the last record.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

namespace tools {

class CsvReader {
public:
    // Reads from `in`, which must outlive the reader. A record longer than
    // `maxRecordBytes` is refused rather than held in memory.
    explicit CsvReader(std::istream& in, size_t maxRecordBytes = size_t{256} << 20);

    // Reads the next record into `fields`; false at the end of the input.
    // An empty line is a record of one empty field. Throws jet::Error
    // (InvalidArgument) naming the line for a quote left open at the end of
    // the input, text after a closing quote, or a record over the limit.
    bool next(std::vector<std::string>& fields);

    // Whether field `i` of the last record was written in quotes.
    bool wasQuoted(size_t i) const { return i < quoted_.size() && quoted_[i]; }
    // The line the last record started on, counting from 1.
    size_t line() const { return recordLine_; }

private:
    int get();
    [[noreturn]] void fail(const std::string& what) const;

    std::istream& in_;
    size_t maxRecordBytes_;
    std::vector<bool> quoted_;
    size_t currentLine_ = 1;
    size_t recordLine_ = 0;
    bool started_ = false;
};

}  // namespace tools
