#include "tools/csv_reader.h"

#include "jet/error.h"

namespace tools {

CsvReader::CsvReader(std::istream& in, size_t maxRecordBytes)
    : in_(in), maxRecordBytes_(maxRecordBytes) {}

int CsvReader::get() {
    int c = in_.get();
    // Lines are counted for messages only; a CRLF pair counts once.
    if (c == '\n' || (c == '\r' && in_.peek() != '\n')) ++currentLine_;
    return c;
}

void CsvReader::fail(const std::string& what) const {
    throw jet::Error(jet::ErrorCode::InvalidArgument,
                     "CSV line " + std::to_string(recordLine_) + ": " + what);
}

bool CsvReader::next(std::vector<std::string>& fields) {
    fields.clear();
    quoted_.clear();
    if (!started_) {
        started_ = true;
        if (in_.peek() == 0xEF) {
            char bom[3] = {};
            in_.read(bom, 3);
            if (in_.gcount() != 3 || bom[1] != '\xBB' || bom[2] != '\xBF') {
                // Not a byte-order mark: put back what was read.
                in_.clear();
                for (std::streamsize i = in_.gcount(); i > 0; --i) in_.unget();
            }
        }
    }
    recordLine_ = currentLine_;
    int c = get();
    if (c == std::char_traits<char>::eof()) return false;

    size_t recordBytes = 0;
    std::string field;
    bool inQuotes = false;
    bool quoted = false;
    bool afterClosingQuote = false;
    auto endField = [&] {
        fields.push_back(std::move(field));
        quoted_.push_back(quoted);
        field.clear();
        quoted = false;
        afterClosingQuote = false;
    };
    for (;; c = get()) {
        if (c == std::char_traits<char>::eof()) {
            if (inQuotes) fail("a quoted field is not closed before the end of the file");
            endField();
            return true;
        }
        if (++recordBytes > maxRecordBytes_) {
            fail("the record is longer than " + std::to_string(maxRecordBytes_) + " bytes");
        }
        if (inQuotes) {
            if (c != '"') {
                field.push_back(static_cast<char>(c));
            } else if (in_.peek() == '"') {
                in_.get();
                field.push_back('"');
            } else {
                inQuotes = false;
                afterClosingQuote = true;
            }
            continue;
        }
        if (c == ',') {
            endField();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && in_.peek() == '\n') get();
            endField();
            return true;
        } else if (afterClosingQuote) {
            fail("unexpected text after the closing quote of field " +
                 std::to_string(fields.size() + 1));
        } else if (c == '"' && field.empty() && !quoted) {
            inQuotes = true;
            quoted = true;
        } else {
            // A quote inside an unquoted field is kept as text, as spreadsheet
            // programs write it.
            field.push_back(static_cast<char>(c));
        }
    }
}

}  // namespace tools
