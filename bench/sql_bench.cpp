// SQL and recordset benchmark over one large table (1,000,000 rows unless
// --rows says otherwise), written by the engine's own writer:
//
//   Big(Id Long primary key, Name Text(40), Amount Double indexed,
//       Category Long, Created Date/Time)
//
// Measured: an indexed equality lookup (mean of many), a full SELECT ...
// WHERE on an unindexed column, an index range, ORDER BY through the index
// against ORDER BY by sorting (whole table and TOP 10), and on an open
// recordset: opening, RecordCount, the filter (Name LIKE '*abc*') and a
// one-column sort. Memory is the process's resident size after each step.
//
//   sql_bench [--rows N] [--file PATH]   (an existing PATH is reused)
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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
using bench::report;
using bench::residentMb;
using bench::seconds;
using bench::step;

// Deterministic rows: names of random letters (so '*abc*' matches about one
// in 600), amounts spread over 0..99999.99, 100 categories, dates over ten
// years.
void writeTable(const std::string& path, long rows) {
    jet::TableSpec spec;
    spec.name = "Big";
    spec.columns = {column("Id", 4), column("Name", 10, 40), column("Amount", 7),
                    column("Category", 4), column("Created", 8)};
    jet::IndexSpec primary;
    primary.name = "PrimaryKey";
    primary.primary = primary.unique = primary.required = true;
    primary.columns = {{"Id", true}};
    jet::IndexSpec amount;
    amount.name = "Amount";
    amount.columns = {{"Amount", true}};
    spec.indexes = {primary, amount};

    bench::RandomRows random;
    bench::writeTableFile(path, spec, rows, [&](long i, std::vector<jet::Value>& values) {
        random.next(i);
        const unsigned r = random.r;
        const std::string& name = random.name;
        values[0] = jet::Value::integer(i);
        values[1] = jet::Value::text(name);
        values[2] = jet::Value::real(static_cast<double>(r % 10000000) / 100.0);
        values[3] = jet::Value::integer(r % 100);
        values[4] = jet::Value::dateTime(40000.0 + static_cast<double>(r % 3650));
    });
}

// How a statement is planned: by cost, always through an index that
// serves, or never through an index for ORDER BY.
enum class Plan { ByCost, IndexWhenServes, NoIndexOrder };

size_t rowsOf(jet::Database& db, const std::string& sql, Plan plan = Plan::ByCost) {
    jet::sql::ExecuteOptions options;
    options.plan.indexOrder = plan != Plan::NoIndexOrder;
    options.plan.byCost = plan == Plan::ByCost;
    return jet::sql::executeSelect(db, sql, options).rows.size();
}

}  // namespace

int main(int argc, char** argv) {
    long rows = 1000000;
    std::string path = (fs::temp_directory_path() / "tabulon_sql_bench.mdb").string();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--rows") rows = std::atol(argv[i + 1]);
        if (arg == "--file") path = argv[i + 1];
    }
    if (!fs::exists(path)) {
        const double written = seconds([&] { writeTable(path, rows); });
        report("write the table", written,
               std::to_string(rows) + " rows, " +
                   std::to_string(fs::file_size(path) / (1024 * 1024)) + " MB file");
    }
    std::shared_ptr<jet::Database> db;
    step(
        "open the database", [&] { db = jet::Database::open(path); }, [&] { return path; });
    jet::Database& d = *db;

    size_t n = 0;
    const int lookups = 1000;
    const double lookup = seconds([&] {
        for (int i = 0; i < lookups; ++i) {
            const long id = 1 + (static_cast<long>(i) * 7919) % rows;
            n += rowsOf(d, "SELECT * FROM Big WHERE Id = " + std::to_string(id));
        }
    });
    report("indexed equality lookup (mean)", lookup / lookups, std::to_string(n) + " rows found");

    step(
        "SELECT WHERE unindexed column",
        [&] { n = rowsOf(d, "SELECT * FROM Big WHERE Category = 42"); },
        [&] { return std::to_string(n) + " rows"; });
    step(
        "SELECT WHERE indexed range",
        [&] { n = rowsOf(d, "SELECT * FROM Big WHERE Amount BETWEEN 1000 AND 2000"); },
        [&] { return std::to_string(n) + " rows"; });
    for (const char* sql :
         {"SELECT * FROM Big ORDER BY Amount", "SELECT TOP 10 * FROM Big ORDER BY Amount",
          "SELECT * FROM Big WHERE Amount > 90000 ORDER BY Amount"}) {
        const std::string what = std::string(sql).substr(7);
        step((what + ": as planned").c_str(), [&] { n = rowsOf(d, sql); },
             [&] { return std::to_string(n) + " rows"; });
        step((what + ": index walk").c_str(), [&] { n = rowsOf(d, sql, Plan::IndexWhenServes); },
             [&] { return std::to_string(n) + " rows"; });
        step((what + ": sort").c_str(), [&] { n = rowsOf(d, sql, Plan::NoIndexOrder); },
             [&] { return std::to_string(n) + " rows"; });
    }

    jet::Recordset rs;
    step(
        "recordset: open SELECT * FROM Big", [&] { rs.open(d, "SELECT * FROM Big"); },
        [&] { return std::string(rs.readsOnDemand() ? "values read on demand" : "values held"); });
    step(
        "recordset: RecordCount", [&] { n = rs.recordCount(); }, [&] { return std::to_string(n); });
    step(
        "recordset: filter (Name LIKE '*abc*')", [&] { rs.setFilter("(Name LIKE '*abc*')"); },
        [&] { return std::to_string(rs.recordCount()) + " records"; });
    rs.setFilter("");
    step(
        "recordset: sort Amount DESC", [&] { rs.setSort("Amount DESC"); },
        [&] { return std::to_string(rs.recordCount()) + " records"; });
    step(
        "recordset: sort Name", [&] { rs.setSort("Name"); },
        [&] { return std::to_string(rs.recordCount()) + " records"; });
    step("recordset: walk the first 1000 records", [&] {
        rs.first();
        for (int i = 0; i < 1000 && !rs.isEof(); ++i, rs.next()) n += rs.value(1).isNull();
    });
    return 0;
}
