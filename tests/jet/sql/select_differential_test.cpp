// Differential test: fixture tables are loaded into SQLite (through the
// sqlite3 shell) and generated queries in the dialects' common subset
// (WHERE with AND/OR/NOT, comparisons, IN, BETWEEN, LIKE, IS NULL; GROUP BY
// with aggregates; DISTINCT; ORDER BY; TOP; INNER/LEFT/RIGHT joins) run on
// both sides; the rows must agree.
//
// SQLite's text columns are declared COLLATE NOCASE, so text compares and
// sorts without regard to case as in Access. Documented differences kept out
// of the generated queries: Access's TOP keeps ties (LIMIT does not), so TOP
// is only generated with ORDER BY on a unique key; averages and other
// floating-point results print differently, so only counts, sums, minima and
// maxima of integers and texts are compared; Access's LIKE uses * and ?,
// translated to % and _ for SQLite. ORDER BY orders text by the database's
// sort order (accented letters beside their base letter, hyphens and
// apostrophes passed over at first), SQLite by NOCASE character codes; the
// fixture texts ordered here happen to order alike under both.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "jet/sql/executor/executor.h"
#include "jet/table/table_scan.h"
#include "support/fixtures.h"

namespace jet::sql {
namespace {

std::string quoteText(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

// A value as the sqlite3 shell prints it in quote mode.
std::string sqliteText(const Value& v) {
    if (v.isNull()) return "NULL";
    if (v.is<int64_t>()) return std::to_string(v.as<int64_t>());
    if (v.is<std::string>()) return quoteText(v.as<std::string>());
    if (v.is<bool>()) return v.as<bool>() ? "1" : "0";
    return "?";
}

struct Column {
    std::string name;
    bool text = false;
    std::vector<Value> samples;  // values found in the table, for constants
};

struct Table {
    std::string name;
    std::vector<Column> columns;
};

// Writes the tables of `db` as an SQLite script and returns their shape.
std::vector<Table> loadTables(Database& db, const std::vector<std::string>& names,
                              std::ostream& script) {
    std::vector<Table> tables;
    for (const auto& name : names) {
        auto def = db.table(name);
        Table t;
        t.name = name;
        script << "CREATE TABLE [" << name << "] (";
        for (size_t i = 0; i < def->columns.size(); ++i) {
            const bool text = def->columns[i].type == DataType::Text;
            t.columns.push_back({def->columns[i].name, text, {}});
            script << (i ? ", " : "") << "[" << def->columns[i].name << "] "
                   << (text ? "TEXT COLLATE NOCASE" : "INTEGER");
        }
        script << ");\n";
        TableScan scan(db, def);
        while (scan.next()) {
            script << "INSERT INTO [" << name << "] VALUES (";
            for (size_t i = 0; i < def->columns.size(); ++i) {
                const Value v = scan.value(i);
                script << (i ? ", " : "") << sqliteText(v);
                if (t.columns[i].samples.size() < 40) t.columns[i].samples.push_back(v);
            }
            script << ");\n";
        }
        tables.push_back(std::move(t));
    }
    return tables;
}

struct Query {
    std::string access;
    std::string sqlite;
    bool ordered = false;
};

class Generator {
public:
    Generator(const Table& table, unsigned seed, std::string qualifier = {})
        : t_(table), qualifier_(std::move(qualifier)), random_(seed) {}

    // A join of `t_` (qualified) with `other` on an equality, filtered by a
    // generated condition on `t_`'s columns, ordered by both keys.
    Query join(const std::string& other, const std::string& on, const std::string& otherKey) {
        static const char* types[] = {"INNER", "LEFT", "RIGHT"};
        const std::string type = types[pick(3)];
        std::string where, sqliteWhere;
        if (pick(3) != 0) condition(2, where, sqliteWhere);
        const std::string head = "SELECT [" + t_.name + "].*, [" + other + "].* FROM [" + t_.name +
                                 "] " + type + " JOIN [" + other + "] ON " + on;
        const std::string order =
            " ORDER BY " + ref(t_.columns[0]) + ", [" + other + "].[" + otherKey + "]";
        Query q;
        q.access = head + (where.empty() ? "" : " WHERE " + where) + order;
        q.sqlite = head + (sqliteWhere.empty() ? "" : " WHERE " + sqliteWhere) + order;
        q.ordered = true;
        return q;
    }

    Query next() {
        Query q;
        const int shape = pick(5);
        std::string where;
        std::string sqliteWhere;
        if (pick(4) != 0) condition(2, where, sqliteWhere);
        const std::string w = where.empty() ? "" : " WHERE " + where;
        const std::string sw = sqliteWhere.empty() ? "" : " WHERE " + sqliteWhere;
        const std::string from = " FROM [" + t_.name + "]";
        const Column& key = t_.columns[0];  // unique in the tables used
        if (shape == 0) {
            q.access = q.sqlite = "SELECT *" + from;
            q.access += w;
            q.sqlite += sw;
        } else if (shape == 1) {
            const Column& c = column();
            q.access = "SELECT DISTINCT [" + c.name + "]" + from + w;
            q.sqlite = "SELECT DISTINCT [" + c.name + "]" + from + sw;
        } else if (shape == 2) {
            const Column& g = column();
            const Column& a = column();
            const std::string agg = std::string(pick(2) ? "Min" : "Max") + "([" + a.name + "])";
            std::string list = "[" + g.name + "], Count(*), Count([" + a.name + "]), " + agg;
            if (!a.text) list += ", Sum([" + a.name + "])";
            q.access = "SELECT " + list + from + w + " GROUP BY [" + g.name + "]";
            q.sqlite = "SELECT " + list + from + sw + " GROUP BY [" + g.name + "]";
        } else {
            const Column& o = column();
            const bool desc = pick(2) != 0;
            const std::string order =
                " ORDER BY [" + o.name + "]" + (desc ? " DESC" : "") + ", [" + key.name + "]";
            // Access puts Nulls last when descending, as SQLite does.
            if (shape == 3) {
                q.access = "SELECT *" + from + w + order;
                q.sqlite = "SELECT *" + from + sw + order;
            } else {
                const int n = 1 + pick(5);
                q.access = "SELECT TOP " + std::to_string(n) + " *" + from + w + order;
                q.sqlite = "SELECT *" + from + sw + order + " LIMIT " + std::to_string(n);
            }
            q.ordered = true;
        }
        return q;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    const Column& column() {
        return t_.columns[static_cast<size_t>(pick(static_cast<int>(t_.columns.size())))];
    }
    Value sample(const Column& c) {
        if (c.samples.empty()) return Value::null();
        return c.samples[static_cast<size_t>(pick(static_cast<int>(c.samples.size())))];
    }
    std::string literal(const Column& c) {
        Value v = sample(c);
        if (v.isNull()) v = c.text ? Value::text("m") : Value::integer(pick(20));
        // Shift case now and then: both sides must ignore it.
        if (v.is<std::string>() && pick(3) == 0) {
            std::string s = v.as<std::string>();
            for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            v = Value::text(s);
        }
        return sqliteText(v);
    }

    void condition(int depth, std::string& access, std::string& sqlite) {
        const int kind = depth > 0 ? pick(9) : pick(6);
        const Column& c = column();
        const std::string name = ref(c);
        switch (kind) {
            case 0:
            case 1: {
                static const char* ops[] = {"=", "<>", "<", "<=", ">", ">="};
                access = sqlite = name + " " + ops[pick(6)] + " " + literal(c);
                return;
            }
            case 2:
                access = sqlite = name + (pick(2) ? " IS NULL" : " IS NOT NULL");
                return;
            case 3: {
                std::string list = literal(c) + ", " + literal(c);
                if (pick(3) == 0) list += ", NULL";
                access = sqlite = name + (pick(2) ? " NOT IN (" : " IN (") + list + ")";
                return;
            }
            case 4: {
                std::string a = literal(c), b = literal(c);
                access = sqlite = name + " BETWEEN " + a + " AND " + b;
                return;
            }
            case 5: {
                if (!c.text) {
                    access = sqlite = name + " > " + literal(c);
                    return;
                }
                static const char* patterns[][2] = {
                    {"*a*", "%a%"}, {"b*", "b%"}, {"*1", "%1"}, {"?o*", "_o%"}, {"*s*e*", "%s%e%"}};
                const auto& p = patterns[pick(5)];
                const bool negated = pick(3) == 0;
                access = name + (negated ? " NOT LIKE '" : " LIKE '") + p[0] + "'";
                sqlite = name + (negated ? " NOT LIKE '" : " LIKE '") + p[1] + "'";
                return;
            }
            default: {
                std::string la, ls, ra, rs;
                condition(depth - 1, la, ls);
                condition(depth - 1, ra, rs);
                if (kind == 8) {
                    access = "NOT (" + la + ")";
                    sqlite = "NOT (" + ls + ")";
                    return;
                }
                const char* op = kind == 6 ? " AND " : " OR ";
                access = "(" + la + ")" + op + "(" + ra + ")";
                sqlite = "(" + ls + ")" + op + "(" + rs + ")";
                return;
            }
        }
    }

    std::string ref(const Column& c) const {
        return qualifier_.empty() ? "[" + c.name + "]" : "[" + qualifier_ + "].[" + c.name + "]";
    }

    const Table& t_;
    std::string qualifier_;
    std::mt19937 random_;
};

std::vector<std::string> engineLines(Database& db, const std::string& sql) {
    std::vector<std::string> lines;
    for (const auto& row : executeSelect(db, sql).rows) {
        std::string line;
        for (size_t i = 0; i < row.values.size(); ++i)
            line += (i ? "," : "") + sqliteText(row.values[i]);
        lines.push_back(line);
    }
    return lines;
}

TEST(SelectDifferential, GeneratedQueriesAgreeWithSqlite) {
    if (testing_support::runCommand("command -v sqlite3").empty()) GTEST_SKIP() << "no sqlite3";
    struct Fixture {
        const char* file;
        std::vector<std::string> tables;
    };
    const Fixture fixtures[] = {
        {"V2000/indexTestV2000.mdb", {"Table1", "Table2", "Table3"}},
        {"V2000/testIndexPropertiesV2000.mdb", {"TableIgnoreNulls2"}},
        {"V2000/compIndexTestV2000.mdb", {"Table1"}},
    };
    testing_support::TempDir dir;
    int compared = 0;
    for (const Fixture& f : fixtures) {
        auto db = Database::open(testing_support::fixture(f.file).string());
        std::ostringstream load;
        const std::vector<Table> tables = loadTables(*db, f.tables, load);
        const auto dbPath = dir.path() / "copy.db";
        std::filesystem::remove(dbPath);

        std::vector<Query> queries;
        for (size_t t = 0; t < tables.size(); ++t) {
            Generator generator(tables[t], 1234u + static_cast<unsigned>(t));
            for (int i = 0; i < 120; ++i) queries.push_back(generator.next());
        }
        if (tables.size() == 3) {
            // Table1 refers to Table2 (otherfk1) and Table3 (otherfk2).
            Generator joins(tables[0], 99u, tables[0].name);
            for (int i = 0; i < 40; ++i) {
                queries.push_back(
                    i % 2 ? joins.join("Table2", "[Table1].[otherfk1] = [Table2].[id]", "id")
                          : joins.join("Table3", "[Table3].[id] = [Table1].[otherfk2]", "id"));
            }
        }
        const auto scriptPath = dir.path() / "script.sql";
        {
            std::ofstream script(scriptPath);
            script << load.str() << ".mode quote\n";
            for (const Query& q : queries) script << q.sqlite << ";\nSELECT '----';\n";
        }
        int status = -1;
        const std::string out = testing_support::runCommand(
            "sqlite3 " + testing_support::shellQuote(dbPath.string()) + " < " +
                testing_support::shellQuote(scriptPath.string()) + " 2>&1",
            &status);
        ASSERT_EQ(status, 0) << out;
        std::vector<std::vector<std::string>> expected(1);
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);) {
            if (line == "'----'") {
                expected.emplace_back();
            } else {
                expected.back().push_back(line);
            }
        }
        ASSERT_EQ(expected.size(), queries.size() + 1) << out.substr(0, 2000);
        for (size_t i = 0; i < queries.size(); ++i) {
            SCOPED_TRACE(std::string(f.file) + ": " + queries[i].access +
                         "\nSQLite: " + queries[i].sqlite);
            std::vector<std::string> got;
            try {
                got = engineLines(*db, queries[i].access);
            } catch (const Error& e) {
                ADD_FAILURE() << e.what();
                continue;
            }
            std::vector<std::string> want = expected[i];
            if (!queries[i].ordered) {
                std::sort(got.begin(), got.end());
                std::sort(want.begin(), want.end());
            }
            EXPECT_EQ(got, want);
            ++compared;
        }
    }
    EXPECT_EQ(compared, 640);
}

}  // namespace
}  // namespace jet::sql
