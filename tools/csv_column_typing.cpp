#include "tools/csv_column_typing.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>

#include "jet/catalog/type_codes.h"
#include "jet/error.h"
#include "jet/format/text_codec.h"
#include "jet/sql/parser/type_words.h"
#include "jet/value.h"

namespace tools {
namespace {

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The column type a type name gives: first the names the engine prints
// ("Integer" is the 16-bit one, as `schema` shows it), then the words of
// Access DDL (TEXT, YESNO, DATETIME, COUNTER ...; there INTEGER is a Long),
// and AutoNumber as Access's own name for a counter.
std::optional<jet::ColumnSpec> columnTypeOfName(std::string_view name) {
    jet::ColumnSpec spec;
    std::string upper(name);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "AUTONUMBER") upper = "COUNTER";
    jet::ColumnDef column;
    if (const std::optional<jet::DataType> type = jet::dataTypeFromName(name)) {
        column.type = *type;
    } else if (const std::optional<jet::sql::ColumnType> word =
                   jet::sql::columnTypeForWord(upper)) {
        column.type = word->type;
        spec.autoIncrement = word->autoIncrement;
    } else {
        return std::nullopt;
    }
    spec.daoType = jet::daoTypeCode(column);
    return spec;
}

[[noreturn]] void refuseEntry(size_t number, std::string_view entry, const std::string& what) {
    throw jet::Error(
        jet::ErrorCode::InvalidArgument,
        "Column list entry " + std::to_string(number) + " '" + std::string(entry) + "': " + what);
}

// Splits at commas outside brackets and parentheses.
std::vector<std::string_view> splitEntries(std::string_view text) {
    std::vector<std::string_view> out;
    size_t start = 0;
    int depth = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        char c = i < text.size() ? text[i] : ',';
        if (c == '[' || c == '(') ++depth;
        if ((c == ']' || c == ')') && depth > 0) --depth;
        if (c == ',' && (depth == 0 || i == text.size())) {
            out.push_back(trim(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    return out;
}

jet::ColumnSpec parseEntry(size_t number, std::string_view entry) {
    if (entry.empty()) refuseEntry(number, entry, "a name and a type are needed");
    jet::ColumnSpec spec;
    std::string_view rest;
    if (entry.front() == '[') {
        size_t close = entry.find(']');
        if (close == std::string_view::npos)
            refuseEntry(number, entry, "the name's ']' is missing");
        spec.name = std::string(entry.substr(1, close - 1));
        rest = trim(entry.substr(close + 1));
    } else {
        size_t blank = entry.find_first_of(" \t");
        if (blank == std::string_view::npos) refuseEntry(number, entry, "a type is needed");
        spec.name = std::string(entry.substr(0, blank));
        rest = trim(entry.substr(blank));
    }
    std::string_view typeName = rest;
    std::optional<std::string_view> sizeText;
    if (size_t open = rest.find('('); open != std::string_view::npos) {
        if (rest.back() != ')') refuseEntry(number, entry, "the size's ')' is missing");
        typeName = trim(rest.substr(0, open));
        sizeText = trim(rest.substr(open + 1, rest.size() - open - 2));
    }
    if (typeName.empty()) refuseEntry(number, entry, "a type is needed");
    const std::optional<jet::ColumnSpec> type = columnTypeOfName(typeName);
    if (!type) refuseEntry(number, entry, "unknown type '" + std::string(typeName) + "'");
    spec.daoType = type->daoType;
    spec.autoIncrement = type->autoIncrement;
    if (sizeText) {
        if (spec.daoType != jet::kDaoText && spec.daoType != jet::kDaoBinary) {
            refuseEntry(number, entry, "only Text and Binary take a size");
        }
        bool digits = !sizeText->empty() && sizeText->size() <= 4 &&
                      std::all_of(sizeText->begin(), sizeText->end(),
                                  [](char c) { return c >= '0' && c <= '9'; });
        if (!digits) refuseEntry(number, entry, "the size must be a whole number");
        spec.size = std::stoi(std::string(*sizeText));
        if (spec.size == 0) refuseEntry(number, entry, "the size must be at least 1");
    }
    return spec;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool looksLikeBoolean(std::string_view s) {
    std::string l = lowerAscii(s);
    return l == "true" || l == "false";
}

bool looksLikeLong(std::string_view s) {
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.size() > 10 || !std::all_of(s.begin(), s.end(), isDigit)) return false;
    if (s.size() > 1 && s[0] == '0') return false;
    int64_t v = std::stoll(std::string(s));
    return negative ? v <= 2147483648LL : v <= 2147483647LL;
}

bool looksLikeDouble(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    size_t intStart = i;
    while (i < s.size() && isDigit(s[i])) ++i;
    size_t intDigits = i - intStart;
    if (intDigits > 1 && s[intStart] == '0') return false;  // a code, not a number
    size_t fracDigits = 0;
    std::string_view fraction;
    if (i < s.size() && s[i] == '.') {
        size_t fracStart = ++i;
        while (i < s.size() && isDigit(s[i])) ++i;
        fracDigits = i - fracStart;
        fraction = s.substr(fracStart, fracDigits);
    }
    if (intDigits + fracDigits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
        size_t expStart = i;
        while (i < s.size() && isDigit(s[i])) ++i;
        if (i == expStart || i - expStart > 3) return false;
    }
    if (i != s.size()) return false;
    // Significant digits: drop leading zeros of the whole digit string and
    // trailing zeros of the fraction.
    std::string digits(s.substr(intStart, intDigits));
    digits += fraction;
    size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return true;
    size_t last = digits.find_last_not_of('0');
    size_t significant = fracDigits > 0 ? last - first + 1 : digits.size() - first;
    return significant <= 15;
}

bool parseFixedDigits(std::string_view s, size_t pos, size_t count, int& out) {
    if (pos + count > s.size()) return false;
    out = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        if (!isDigit(s[i])) return false;
        out = out * 10 + (s[i] - '0');
    }
    return true;
}

bool looksLikeDate(std::string_view s) {
    int year, month, day;
    if (s.size() != 10 && s.size() != 19) return false;
    if (!parseFixedDigits(s, 0, 4, year) || s[4] != '-' || !parseFixedDigits(s, 5, 2, month) ||
        s[7] != '-' || !parseFixedDigits(s, 8, 2, day)) {
        return false;
    }
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 100 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && day == 29 && !leap) return false;
    if (s.size() == 10) return true;
    int hour, minute, second;
    return (s[10] == ' ' || s[10] == 'T') && parseFixedDigits(s, 11, 2, hour) && s[13] == ':' &&
           parseFixedDigits(s, 14, 2, minute) && s[16] == ':' &&
           parseFixedDigits(s, 17, 2, second) && hour < 24 && minute < 60 && second < 60;
}

}  // namespace

std::vector<jet::ColumnSpec> parseColumnList(std::string_view text) {
    if (trim(text).empty()) {
        throw jet::Error(jet::ErrorCode::InvalidArgument, "The column list names no columns.");
    }
    std::vector<jet::ColumnSpec> out;
    std::vector<std::string_view> entries = splitEntries(text);
    for (size_t i = 0; i < entries.size(); ++i) out.push_back(parseEntry(i + 1, entries[i]));
    return out;
}

void CsvColumnTyper::widenTo(size_t count) {
    while (columns_.size() < count) {
        columns_.push_back(Column{"Field" + std::to_string(columns_.size() + 1)});
    }
}

void CsvColumnTyper::addHeader(std::span<const std::string> names) {
    widenTo(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        if (!names[i].empty()) columns_[i].name = names[i];
    }
}

void CsvColumnTyper::addRow(std::span<const std::string> cells) {
    widenTo(cells.size());
    for (size_t i = 0; i < cells.size(); ++i) {
        const std::string& v = cells[i];
        if (v.empty()) continue;
        Column& c = columns_[i];
        c.seen = true;
        if (c.canBoolean) c.canBoolean = looksLikeBoolean(v);
        if (c.canLong) c.canLong = looksLikeLong(v);
        if (c.canDouble) c.canDouble = looksLikeDouble(v);
        if (c.canDate) c.canDate = looksLikeDate(v);
        // UTF-8 length bounds the UTF-16 length from above; count exactly
        // only when it might be the new longest.
        if (v.size() > c.longest) c.longest = std::max(c.longest, jet::utf8ToUtf16(v).size());
    }
}

std::vector<jet::ColumnSpec> CsvColumnTyper::columns() const {
    std::vector<jet::ColumnSpec> out;
    for (const Column& c : columns_) {
        jet::ColumnSpec spec;
        spec.name = c.name;
        if (!c.seen) {
            spec.daoType = jet::kDaoText;
            spec.size = jet::kMaxTextSize;
        } else if (c.canBoolean) {
            spec.daoType = jet::kDaoBoolean;
        } else if (c.canLong) {
            spec.daoType = jet::kDaoLong;
        } else if (c.canDouble) {
            spec.daoType = jet::kDaoDouble;
        } else if (c.canDate) {
            spec.daoType = jet::kDaoDate;
        } else if (c.longest > static_cast<size_t>(jet::kMaxTextSize)) {
            spec.daoType = jet::kDaoMemo;
        } else {
            spec.daoType = jet::kDaoText;
            spec.size = static_cast<int>(c.longest);
        }
        out.push_back(std::move(spec));
    }
    return out;
}

}  // namespace tools
