// In-place row edits: single-row inserts into a table with two indexes (a
// primary key on an auto-number and an index with duplicates on a Double),
// all in one page transaction, then the same number of updates and of
// deletes, each batch one transaction. Printed: rows per second for each,
// and whether the file still passes the checker.
//
//   edit_bench [--rows N] [--version 64|256]   (default 100,000 rows, 4.0)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "jet/catalog/consistency_check.h"
#include "jet/catalog/database.h"
#include "jet/compact/compactor.h"
#include "jet/file/file.h"
#include "jet/table/table_editor.h"
#include "jet/write/create_database.h"
#include "jet/write/database_builder.h"
#include "jet/write/table_layout.h"
#include "jet/write/table_writer.h"

namespace fs = std::filesystem;
using namespace jet;

namespace {

double seconds(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

ColumnSpec column(const char* name, int daoType, int size = 0) {
    ColumnSpec c;
    c.name = name;
    c.daoType = daoType;
    c.size = size;
    c.allowZeroLength = true;
    return c;
}

void writeEmptyFile(const std::string& path, JetVersion version) {
    TableSpec spec;
    spec.name = "Big";
    ColumnSpec id = column("Id", 4);
    id.autoIncrement = true;
    spec.columns = {id, column("Name", 10, 40), column("Amount", 7), column("Created", 8)};
    IndexSpec primary;
    primary.name = "PrimaryKey";
    primary.columns = {{"Id", true}};
    primary.primary = true;
    IndexSpec amount;
    amount.name = "Amount";
    amount.columns = {{"Amount", true}};
    spec.indexes = {primary, amount};
    CreateOptions options;
    options.version = version;
    createDatabase(*posixFileSystem(), path, options);
    CompactRequest request;
    request.source = path;
    request.destination = path;
    compactDatabase(*posixFileSystem(), request, [&](DatabaseBuilder& builder) {
        NewTablesWriter writer(builder, {NewTable{spec, ""}});
        writer.finish();
    });
}

}  // namespace

int main(int argc, char** argv) {
    size_t rows = 100000;
    int versionKey = 64;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--rows") rows = std::strtoul(argv[i + 1], nullptr, 10);
        if (flag == "--version") versionKey = std::atoi(argv[i + 1]);
    }
    const JetVersion version = versionKey == 256 ? JetVersion::Ace14 : JetVersion::Jet4;
    const fs::path dir = fs::temp_directory_path() / ("tabulon-edit-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / (versionKey == 256 ? "edit.accdb" : "edit.mdb")).string();
    writeEmptyFile(path, version);

    OpenOptions writable;
    writable.writable = true;
    std::shared_ptr<Database> db = Database::open(path, writable);
    TableEditor editor(*db, "Big");
    std::vector<RowPointer> ids;
    ids.reserve(rows);
    auto batch = [&](const std::function<void(size_t)>& each) {
        PageTransaction transaction(db->pages());
        for (size_t i = 0; i < rows; ++i) each(i);
        transaction.commit();
    };
    const double insert = seconds([&] {
        batch([&](size_t i) {
            std::vector<Value> row{Value(), Value::text("name " + std::to_string(i)),
                                   Value::real(static_cast<double>((i * 7919) % 10007)),
                                   Value::dateTime(40000.0 + static_cast<double>(i % 5000))};
            ids.push_back(editor.insert(row));
        });
    });
    const double update = seconds([&] {
        batch([&](size_t i) {
            std::vector<Value> row{Value(), Value::text("renamed " + std::to_string(i)),
                                   Value::real(static_cast<double>((i * 104729) % 10007)),
                                   Value::dateTime(41000.0)};
            editor.update(ids[i], row);
        });
    });
    const bool soundAfterUpdates = checkDatabase(*db).ok();
    const double remove = seconds([&] { batch([&](size_t i) { editor.remove(ids[i]); }); });
    const bool sound = checkDatabase(*db).ok();
    std::printf("version %d, %zu rows, two indexes, each batch one transaction\n", versionKey, rows);
    std::printf("  inserts  %8.3f s  %10.0f rows/s\n", insert, rows / insert);
    std::printf("  updates  %8.3f s  %10.0f rows/s\n", update, rows / update);
    std::printf("  deletes  %8.3f s  %10.0f rows/s\n", remove, rows / remove);
    std::printf("  check after updates: %s, after deletes: %s\n", soundAfterUpdates ? "ok" : "PROBLEMS",
                sound ? "ok" : "PROBLEMS");
    db.reset();
    fs::remove_all(dir);
    return sound && soundAfterUpdates ? 0 : 1;
}
