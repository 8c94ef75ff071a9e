// The engine's SQL against SQLite on the same rows, in one run.
//
// Two tables, written by the engine's own writer and loaded row for row into
// an SQLite file (text columns COLLATE NOCASE, as Access compares text):
//
//   Big(Id Long primary key, Name Text(40), Amount Double indexed,
//       Category Long, Created Date/Time, Ref Long indexed)   1,000,000 rows
//   Small(Id Long primary key, Label Text(20))                   10,000 rows
//
// and a stored query (an SQLite view) over their join. Each statement runs
// once on each side (an indexed equality many times, the mean reported);
// every row is fetched with its values on both sides. Printed: seconds for
// each, and the engine's time as a multiple of SQLite's.
//
//   sql_sqlite_bench [--rows N] [--dir PATH]   (files in PATH are reused)
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "jet/catalog/database.h"
#include "jet/compact/compactor.h"
#include "jet/file/file.h"
#include "jet/recordset/recordset.h"
#include "jet/sql/executor/executor.h"
#include "jet/write/create_database.h"
#include "jet/write/database_builder.h"
#include "jet/write/table_layout.h"
#include "jet/write/table_writer.h"

namespace fs = std::filesystem;

namespace {

using bench::column;
using bench::seconds;

constexpr long kSmallRows = 10000;

// One row of Big, the same on both sides: names of random letters (so
// '*abc*' matches about one in 600), amounts over 0..99999.99, 100
// categories, dates over ten years, references spread over Small.
struct BigRow {
    long id;
    std::string name;
    double amount;
    long category;
    double created;
    long ref;
};

class BigRows {
public:
    BigRow next() {
        ++i_;
        random_.next(i_);
        const unsigned r = random_.r;
        return BigRow{i_,
                      random_.name,
                      static_cast<double>(r % 10000000) / 100.0,
                      r % 100,
                      40000.0 + static_cast<double>(r % 3650),
                      static_cast<long>((r / 7) % kSmallRows)};
    }

private:
    long i_ = 0;
    bench::RandomRows random_;
};

std::string labelOf(long id) {
    return "Label " + std::to_string(id % 977) + "-" + std::to_string(id);
}

jet::IndexSpec index(const char* name, const char* columnName, bool primary) {
    jet::IndexSpec i;
    i.name = name;
    i.primary = i.unique = i.required = primary;
    i.columns = {{columnName, true}};
    return i;
}

// The stored query "BigWithLabels": Big joined to Small, rows of the first
// ten labels.
void addJoinQuery(jet::DatabaseBuilder& builder) {
    const jet::TableDef& def = builder.systemTableDef("MSysQueries");
    auto row = [&](int attribute, const char* name1, const char* name2, const char* expression,
                   int flag) {
        std::vector<jet::Value> r(def.columns.size());
        for (size_t i = 0; i < def.columns.size(); ++i) {
            const std::string& c = def.columns[i].name;
            if (c == "Attribute") r[i] = jet::Value::integer(attribute);
            if (c == "Flag") r[i] = jet::Value::integer(flag);
            if (c == "Name1" && name1) r[i] = jet::Value::text(name1);
            if (c == "Name2" && name2) r[i] = jet::Value::text(name2);
            if (c == "Expression" && expression) r[i] = jet::Value::text(expression);
        }
        return r;
    };
    builder.addQuery(
        "BigWithLabels", 0, {},
        {row(0, nullptr, nullptr, nullptr, 0), row(1, nullptr, nullptr, nullptr, 1),
         row(3, nullptr, nullptr, nullptr, 0), row(5, "Big", nullptr, nullptr, 0),
         row(5, "Small", nullptr, nullptr, 0), row(6, nullptr, nullptr, "Big.Id", 0),
         row(6, nullptr, nullptr, "Big.Name", 0), row(6, nullptr, nullptr, "Big.Amount", 0),
         row(6, nullptr, nullptr, "Small.Label", 0),
         row(7, "Big", "Small", "Big.Ref = Small.Id", 1),
         row(8, nullptr, nullptr, "Small.Id < 10", 0), row(255, nullptr, nullptr, nullptr, 0)});
}

void writeEngineFile(const std::string& path, long rows) {
    jet::createDatabase(*jet::posixFileSystem(), path, jet::CreateOptions{});
    jet::TableSpec big;
    big.name = "Big";
    big.columns = {column("Id", 4),       column("Name", 10, 40), column("Amount", 7),
                   column("Category", 4), column("Created", 8),   column("Ref", 4)};
    big.indexes = {index("PrimaryKey", "Id", true), index("Amount", "Amount", false),
                   index("Ref", "Ref", false)};
    jet::TableSpec small;
    small.name = "Small";
    small.columns = {column("Id", 4), column("Label", 10, 20)};
    small.indexes = {index("PrimaryKey", "Id", true)};

    jet::CompactRequest request;
    request.source = path;
    request.destination = path;
    jet::compactDatabase(*jet::posixFileSystem(), request, [&](jet::DatabaseBuilder& builder) {
        jet::NewTablesWriter writer(builder, {jet::NewTable{big, ""}, jet::NewTable{small, ""}});
        writer.beginTable("Big");
        BigRows source;
        std::vector<jet::Value> values(6);
        for (long i = 0; i < rows; ++i) {
            const BigRow r = source.next();
            values[0] = jet::Value::integer(r.id);
            values[1] = jet::Value::text(r.name);
            values[2] = jet::Value::real(r.amount);
            values[3] = jet::Value::integer(r.category);
            values[4] = jet::Value::dateTime(r.created);
            values[5] = jet::Value::integer(r.ref);
            writer.addRow(values);
        }
        writer.endTable();
        writer.beginTable("Small");
        std::vector<jet::Value> pair(2);
        for (long id = 0; id < kSmallRows; ++id) {
            pair[0] = jet::Value::integer(id);
            pair[1] = jet::Value::text(labelOf(id));
            writer.addRow(pair);
        }
        writer.endTable();
        writer.finish();
        addJoinQuery(builder);
    });
}

void sqliteExec(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "?";
        sqlite3_free(message);
        throw std::runtime_error("sqlite: " + text + " in " + sql);
    }
}

void writeSqliteFile(const std::string& path, long rows) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqliteExec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;");
    sqliteExec(db,
               "CREATE TABLE Big(Id INTEGER PRIMARY KEY, Name TEXT COLLATE NOCASE, Amount REAL,"
               " Category INTEGER, Created REAL, Ref INTEGER);"
               "CREATE TABLE Small(Id INTEGER PRIMARY KEY, Label TEXT COLLATE NOCASE);");
    sqliteExec(db, "BEGIN");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Big VALUES(?,?,?,?,?,?)", -1, &insert, nullptr);
    BigRows source;
    for (long i = 0; i < rows; ++i) {
        const BigRow r = source.next();
        sqlite3_bind_int64(insert, 1, r.id);
        sqlite3_bind_text(insert, 2, r.name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 3, r.amount);
        sqlite3_bind_int64(insert, 4, r.category);
        sqlite3_bind_double(insert, 5, r.created);
        sqlite3_bind_int64(insert, 6, r.ref);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_prepare_v2(db, "INSERT INTO Small VALUES(?,?)", -1, &insert, nullptr);
    for (long id = 0; id < kSmallRows; ++id) {
        const std::string label = labelOf(id);
        sqlite3_bind_int64(insert, 1, id);
        sqlite3_bind_text(insert, 2, label.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqliteExec(db, "COMMIT");
    sqliteExec(db,
               "CREATE INDEX BigAmount ON Big(Amount); CREATE INDEX BigRef ON Big(Ref);"
               "CREATE VIEW BigWithLabels AS SELECT Big.Id, Big.Name, Big.Amount, Small.Label"
               " FROM Big INNER JOIN Small ON Big.Ref = Small.Id WHERE Small.Id < 10;"
               "ANALYZE;");
    sqlite3_close(db);
}

// Runs a statement and fetches every value of every row; the row count.
size_t sqliteRows(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db) + " in " + sql);
    }
    size_t rows = 0;
    std::string text;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            switch (sqlite3_column_type(statement, c)) {
                case SQLITE_TEXT:
                    text.assign(reinterpret_cast<const char*>(sqlite3_column_text(statement, c)));
                    break;
                case SQLITE_FLOAT:
                    (void)sqlite3_column_double(statement, c);
                    break;
                default:
                    (void)sqlite3_column_int64(statement, c);
            }
        }
    }
    sqlite3_finalize(statement);
    return rows;
}

size_t engineRows(jet::Database& db, const std::string& sql) {
    return jet::sql::executeSelect(db, sql).rows.size();
}

struct Case {
    std::string what;
    std::string engineSql;
    std::string sqliteSql;
    int repeat = 1;  // > 1: the statement runs this often (with {i} replaced), the mean is shown
};

std::string withNumber(std::string sql, long i) {
    const size_t at = sql.find("{i}");
    if (at != std::string::npos) sql.replace(at, 3, std::to_string(i));
    return sql;
}

void printLine(const std::string& what, double engine, double sqlite, size_t engineCount,
               size_t sqliteCount) {
    std::printf("%-58s %10.6f s %10.6f s %7.2fx  %zu rows%s\n", what.c_str(), engine, sqlite,
                sqlite > 0 ? engine / sqlite : 0.0, engineCount,
                engineCount == sqliteCount ? "" : "  (SQLite: different row count!)");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    long rows = 1000000;
    fs::path dir = fs::temp_directory_path() / "tabulon_sql_sqlite_bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--rows") rows = std::atol(argv[i + 1]);
        if (arg == "--dir") dir = argv[i + 1];
    }
    fs::create_directories(dir);
    const std::string enginePath = (dir / ("big" + std::to_string(rows) + ".mdb")).string();
    const std::string sqlitePath = (dir / ("big" + std::to_string(rows) + ".sqlite")).string();
    if (!fs::exists(enginePath)) {
        std::printf("writing %s: %.1f s\n", enginePath.c_str(),
                    seconds([&] { writeEngineFile(enginePath, rows); }));
    }
    if (!fs::exists(sqlitePath)) {
        std::printf("writing %s: %.1f s\n", sqlitePath.c_str(),
                    seconds([&] { writeSqliteFile(sqlitePath, rows); }));
    }
    auto engine = jet::Database::open(enginePath);
    sqlite3* lite = nullptr;
    sqlite3_open_v2(sqlitePath.c_str(), &lite, SQLITE_OPEN_READONLY, nullptr);

    const std::vector<Case> cases = {
        {"TOP 10 * ORDER BY Name", "SELECT TOP 10 * FROM Big ORDER BY Name",
         "SELECT * FROM Big ORDER BY Name LIMIT 10"},
        {"* ORDER BY Name (all rows)", "SELECT * FROM Big ORDER BY Name",
         "SELECT * FROM Big ORDER BY Name"},
        {"Count(*) WHERE Amount > 50000 (indexed, half)",
         "SELECT Count(*) FROM Big WHERE Amount > 50000",
         "SELECT Count(*) FROM Big WHERE Amount > 50000"},
        {"Count(*) WHERE Name LIKE '*abc*'", "SELECT Count(*) FROM Big WHERE Name LIKE '*abc*'",
         "SELECT Count(*) FROM Big WHERE Name LIKE '%abc%'"},
        {"Category, Count(*), Sum(Amount) GROUP BY Category",
         "SELECT Category, Count(*), Sum(Amount) FROM Big GROUP BY Category",
         "SELECT Category, Count(*), Sum(Amount) FROM Big GROUP BY Category"},
        {"Count(*) FROM Big", "SELECT Count(*) FROM Big", "SELECT Count(*) FROM Big"},
        {"DISTINCT Category", "SELECT DISTINCT Category FROM Big",
         "SELECT DISTINCT Category FROM Big"},
        {"join Small, GROUP BY Label",
         "SELECT Small.Label, Count(*), Sum(Big.Amount) FROM Big INNER JOIN Small ON Big.Ref = "
         "Small.Id GROUP BY Small.Label",
         "SELECT Small.Label, Count(*), Sum(Big.Amount) FROM Big INNER JOIN Small ON Big.Ref = "
         "Small.Id GROUP BY Small.Label"},
        {"indexed equality Id = k (mean of 1000)", "SELECT * FROM Big WHERE Id = {i}",
         "SELECT * FROM Big WHERE Id = {i}", 1000},
        {"range of 1% (Amount BETWEEN 10000 AND 10999.99)",
         "SELECT * FROM Big WHERE Amount BETWEEN 10000 AND 10999.99",
         "SELECT * FROM Big WHERE Amount BETWEEN 10000 AND 10999.99"},
        {"TOP 10 ORDER BY Amount (index, mean of 100)", "SELECT TOP 10 * FROM Big ORDER BY Amount",
         "SELECT * FROM Big ORDER BY Amount LIMIT 10", 100},
        {"unindexed WHERE Category = 42", "SELECT * FROM Big WHERE Category = 42",
         "SELECT * FROM Big WHERE Category = 42"},
        {"stored query over a join (BigWithLabels)", "SELECT * FROM BigWithLabels",
         "SELECT * FROM BigWithLabels"},
    };

    std::printf("%-58s %12s %12s %8s\n", "statement", "engine", "SQLite", "ratio");
    for (const Case& c : cases) {
        size_t engineCount = 0, sqliteCount = 0;
        double engineTime = 0, sqliteTime = 0;
        for (int i = 0; i < c.repeat; ++i) {
            const long id = 1 + (static_cast<long>(i) * 7919) % rows;
            engineTime +=
                seconds([&] { engineCount = engineRows(*engine, withNumber(c.engineSql, id)); });
            sqliteTime +=
                seconds([&] { sqliteCount = sqliteRows(lite, withNumber(c.sqliteSql, id)); });
        }
        printLine(c.what, engineTime / c.repeat, sqliteTime / c.repeat, engineCount, sqliteCount);
    }

    // Every row of a SELECT * into a recordset, each value read once.
    size_t engineCount = 0, sqliteCount = 0;
    const double engineTime = seconds([&] {
        jet::Recordset rs;
        rs.open(*engine, "SELECT * FROM Big");
        for (rs.first(); !rs.isEof(); rs.next()) {
            for (size_t c = 0; c < 6; ++c) (void)rs.value(c);
            ++engineCount;
        }
    });
    const double sqliteTime = seconds([&] { sqliteCount = sqliteRows(lite, "SELECT * FROM Big"); });
    printLine("recordset over SELECT * FROM Big, every value read", engineTime, sqliteTime,
              engineCount, sqliteCount);
    sqlite3_close(lite);
    return 0;
}
