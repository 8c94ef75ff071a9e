#include "support/mdbtools_compare.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <sstream>

#include "jet/catalog/database.h"
#include "jet/format/text_codec.h"
#include "jet/table/table_scan.h"
#include "support/fixtures.h"

namespace testing_support {

using namespace jet;

namespace {

struct CsvCell {
    std::string text;
    bool quoted = false;
};
using CsvRow = std::vector<CsvCell>;

std::vector<CsvRow> parseCsv(const std::string& s) {
    std::vector<CsvRow> rows;
    CsvRow row;
    CsvCell cell;
    bool inQuotes = false, any = false;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (inQuotes) {
            if (c == '"' && i + 1 < s.size() && s[i + 1] == '"') {
                cell.text += '"';
                ++i;
            } else if (c == '"') {
                inQuotes = false;
            } else {
                cell.text += c;
            }
        } else if (c == '"') {
            inQuotes = cell.quoted = any = true;
        } else if (c == ',') {
            row.push_back(cell);
            cell = CsvCell();
        } else if (c == '\n') {
            row.push_back(cell);
            rows.push_back(row);
            row.clear();
            cell = CsvCell();
            any = false;
        } else {
            cell.text += c;
            any = true;
        }
    }
    if (any || !row.empty()) {
        row.push_back(cell);
        rows.push_back(row);
    }
    return rows;
}

std::string hexToText(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return out;
}

// mdbtools' text of a number; nothing for a cell that holds none (an empty
// cell met while rows in another order are paired with the wrong partner).
std::optional<double> numberIn(const std::string& t) {
    try {
        size_t used = 0;
        double d = std::stod(t, &used);
        if (used == t.size()) return d;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

// Both sides of one cell turned into the same canonical text, or "*" where
// mdbtools is known to print something lossy (dates before 1900, characters
// its code-page conversion cannot map).
std::pair<std::string, std::string> canonical(const Value& ours, const CsvCell& theirs,
                                              DataType type) {
    if (ours.isNull())
        return {"NULL", theirs.text.empty() && !theirs.quoted ? "NULL" : theirs.text};
    const std::string& t = theirs.text;
    switch (type) {
        case DataType::Boolean:
            return {ours.as<bool>() ? "1" : "0", t};
        case DataType::Byte:
        case DataType::Integer:
        case DataType::Long:
        case DataType::BigInt:
        case DataType::Complex:
            return {std::to_string(ours.as<int64_t>()), t};
        case DataType::Currency: {
            std::optional<double> theirsValue = numberIn(t);
            return {formatCurrency(ours.as<CurrencyValue>().tenThousandths),
                    theirsValue ? formatCurrency(std::llround(*theirsValue * 10000)) : t};
        }
        case DataType::Single:
        case DataType::Double: {
            double a = ours.is<float>() ? ours.as<float>() : ours.as<double>();
            std::optional<double> theirsValue = numberIn(t);
            if (!theirsValue) return {formatDouble(a), t};
            double b = *theirsValue;
            bool close = std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(a));
            return {close ? "same" : formatDouble(a), close ? "same" : t};
        }
        case DataType::Numeric: {
            std::optional<double> theirsValue = numberIn(t);
            if (!theirsValue) return {ours.as<Decimal>().toString(), t};
            double a = std::stod(ours.as<Decimal>().toString()), b = *theirsValue;
            bool close = std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(a));
            return {close ? "same" : ours.as<Decimal>().toString(), close ? "same" : t};
        }
        case DataType::DateTime: {
            // mdbtools cannot show dates before 1900.
            if (ours.as<DateTimeValue>().days < 1) return {"*", "*"};
            return {formatDateTime(ours.as<DateTimeValue>().days), t};
        }
        case DataType::Guid: {
            // With hex binary output mdbtools prints the GUID's text as hex,
            // and leaves out the last dash: compare the digits only.
            auto digits = [](std::string s) {
                std::erase(s, '-');
                return s;
            };
            return {digits(ours.as<Guid>().toString()),
                    digits(t.rfind("{", 0) == 0 ? t : hexToText(t))};
        }
        case DataType::Binary:
        case DataType::LongBinary: {
            std::string upper = t;
            std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
            return {hexString(ours.as<Blob>()), upper};
        }
        default: {
            // Text: mdbtools writes '?' for characters it cannot convert.
            std::u16string a = utf8ToUtf16(ours.as<std::string>());
            std::u16string b = utf8ToUtf16(t);
            if (a.size() == b.size()) {
                for (size_t i = 0; i < a.size(); ++i) {
                    if (b[i] == u'?' && a[i] >= 0x80) b[i] = a[i];
                }
            }
            return {utf16ToUtf8(a), utf16ToUtf8(b)};
        }
    }
}

std::vector<std::string> lines(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    std::string l;
    while (std::getline(in, l)) {
        if (!l.empty()) out.push_back(l);
    }
    return out;
}

}  // namespace

std::vector<std::string> differencesWithMdbtools(const std::string& path,
                                                 const std::string& password) {
    std::vector<std::string> problems;
    OpenOptions options;
    options.password = password;
    auto db = Database::open(path, options);

    std::vector<std::string> theirTables = lines(runCommand("mdb-tables -1 " + shellQuote(path)));
    std::vector<std::string> ourTables;
    for (const auto* t : db->tables()) ourTables.push_back(t->name);
    if (std::multiset<std::string>(ourTables.begin(), ourTables.end()) !=
        std::multiset<std::string>(theirTables.begin(), theirTables.end())) {
        std::string a, b;
        for (const auto& t : ourTables) a += " " + t;
        for (const auto& t : theirTables) b += " " + t;
        problems.push_back("tables differ: engine" + a + "; mdbtools" + b);
    }

    for (const std::string& table : theirTables) {
        std::shared_ptr<const TableDef> def;
        try {
            def = db->table(table);
        } catch (const Error& e) {
            problems.push_back(table + ": " + e.what());
            continue;
        }
        std::string csv =
            runCommand("mdb-export -D '%Y-%m-%d %H:%M:%S' -T '%Y-%m-%d %H:%M:%S' -b hex " +
                       shellQuote(path) + " " + shellQuote(table));
        std::vector<CsvRow> theirs = parseCsv(csv);
        if (theirs.empty() || theirs[0].size() != def->columns.size()) {
            problems.push_back(table + ": mdb-export gives " +
                               std::to_string(theirs.empty() ? 0 : theirs[0].size()) +
                               " columns, the engine " + std::to_string(def->columns.size()));
            continue;
        }
        for (size_t i = 0; i < def->columns.size(); ++i) {
            if (theirs[0][i].text != def->columns[i].name)
                problems.push_back(table + ": column " + std::to_string(i) + " is '" +
                                   def->columns[i].name + "' here, '" + theirs[0][i].text +
                                   "' in mdb-export");
        }

        std::vector<std::vector<Value>> ours;
        TableScan scan(*db, def);
        while (scan.next()) ours.push_back(scan.values());
        if (ours.size() != theirs.size() - 1) {
            problems.push_back(table + ": " + std::to_string(ours.size()) + " rows here, " +
                               std::to_string(theirs.size() - 1) + " in mdb-export");
            continue;
        }

        auto render = [&](const std::vector<Value>& row, const CsvRow& other, bool oursSide) {
            std::string s;
            for (size_t i = 0; i < row.size(); ++i) {
                auto [a, b] = canonical(row[i], other[i], def->columns[i].type);
                s += (oursSide ? a : b) + "\x1f";
            }
            return s;
        };
        size_t mismatches = 0;
        for (size_t r = 0; r < ours.size(); ++r) {
            if (render(ours[r], theirs[r + 1], true) != render(ours[r], theirs[r + 1], false))
                ++mismatches;
        }
        if (mismatches == 0) continue;
        // Rows in another order: every row of theirs must match a distinct row of ours.
        std::vector<bool> used(ours.size(), false);
        for (size_t r = 1; r < theirs.size(); ++r) {
            bool found = false;
            for (size_t k = 0; k < ours.size() && !found; ++k) {
                if (!used[k] &&
                    render(ours[k], theirs[r], true) == render(ours[k], theirs[r], false)) {
                    used[k] = found = true;
                }
            }
            if (!found)
                problems.push_back(
                    table + ": row " + std::to_string(r) +
                    " of mdb-export has no equal in the engine's rows: " +
                    render(ours[std::min(r - 1, ours.size() - 1)], theirs[r], false));
        }
    }
    return problems;
}

}  // namespace testing_support
