// Export writers on a large table, in one run:
//
//   Rows(Id Long, Name Text(40), Amount Double, Qty Long, Price Currency,
//        Created Date/Time, Code Text(10), Flag Yes/No, Ratio Single,
//        Notes Text(80))                                   --rows N (1,000,000)
//
// - text export (separated values, as the export dialog writes them) of the
//   whole table through the data surface's query, as from a data window,
//   against mdb-export writing the same table as CSV;
// - workbook (.xlsx) export of the first 100,000 rows and of all rows, each
//   in a child process whose peak resident memory is reported beside that
//   of the same query walked without a writer, so that what the writer
//   itself adds shows apart from what the query holds.
//
//   export_bench [--rows N] [--dir PATH]   (the database in PATH is reused)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "db/connection_string.h"
#include "db/xDBComponents_UDB_query.h"
#include "io/export_source_dataset.h"
#include "io/txt_export.h"
#include "io/xlsx_export.h"
#include "jet/compact/compactor.h"
#include "jet/file/file.h"
#include "jet/write/create_database.h"
#include "jet/write/database_builder.h"
#include "jet/write/table_layout.h"
#include "jet/write/table_writer.h"

namespace fs = std::filesystem;

namespace {

using bench::column;
using bench::seconds;

void writeDatabase(const std::string& path, long rows) {
    jet::TableSpec table;
    table.name = "Rows";
    table.columns = {column("Id", 4),        column("Name", 10, 40), column("Amount", 7),
                     column("Qty", 4),       column("Price", 5),     column("Created", 8),
                     column("Code", 10, 10), column("Flag", 1),      column("Ratio", 6),
                     column("Notes", 10, 80)};
    uint64_t r = 88172645463325252ull;
    bench::writeTableFile(path, table, rows, [&](long i, std::vector<jet::Value>& v) {
        const long k = i - 1;  // counted from 0: every tenth row from the first has no note
        r ^= r << 13, r ^= r >> 7, r ^= r << 17;
        std::string name = "Name " + std::to_string(r % 1000003);
        v[0] = jet::Value::integer(i);
        v[1] = jet::Value::text(name);
        v[2] = jet::Value::real(static_cast<double>(r % 10000000) / 100.0);
        v[3] = jet::Value::integer(static_cast<int64_t>(r % 1000));
        v[4] = jet::Value::currency(static_cast<int64_t>(r % 100000000));
        v[5] = jet::Value::dateTime(40000.0 + static_cast<double>(r % 3650) + 0.25);
        v[6] = jet::Value::text("C" + std::to_string(r % 99991));
        v[7] = jet::Value::boolean((r & 1) != 0);
        v[8] = jet::Value::single(static_cast<float>(r % 1000) / 8.0f);
        v[9] = (k % 10 == 0) ? jet::Value()
                             : jet::Value::text("note \"" + name + "\", row " + std::to_string(k));
    });
}

struct Opened {
    explicit Opened(const std::string& path, const QString& sql) {
        const QString file = QString::fromStdString(path);
        connection.setConnectionString(
            db::buildAccessConnectionString(db::providerForFile(file, true), file, QString()));
        query.SetConnection(&connection);
        query.SetSQL(sql);
        query.Open();
    }
    TConnectionUDB connection;
    TQueryUDB query;
};

// Runs `step` in a child process; its seconds (printed by the child) and
// peak resident memory in MiB.
void inChild(const char* what, const std::function<bool()>& step) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        double s = 0;
        bool ok = false;
        s = seconds([&] { ok = step(); });
        std::printf("%-44s %9.3f s", what, s);
        std::fflush(stdout);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    std::printf("  peak RSS %7.1f MiB%s\n", static_cast<double>(usage.ru_maxrss) / 1024.0,
                WIFEXITED(status) && WEXITSTATUS(status) == 0 ? "" : "  FAILED");
}

}  // namespace

int main(int argc, char** argv) {
    long rows = 1000000;
    fs::path dir = fs::temp_directory_path() / "tabulon-export-bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--rows") rows = std::atol(argv[i + 1]);
        if (arg == "--dir") dir = argv[i + 1];
    }
    fs::create_directories(dir);
    const std::string path = (dir / ("rows" + std::to_string(rows) + ".mdb")).string();
    if (!fs::exists(path)) {
        std::printf("writing %ld rows: %.2f s\n", rows,
                    seconds([&] { writeDatabase(path, rows); }));
    }

    const std::string csv = (dir / "rows.txt").string();
    double ours = 0;
    {
        Opened opened(path, QStringLiteral("SELECT * FROM [Rows]"));
        DatasetExportSource source(opened.query);
        TTXTExport text;
        text.ExportFile = QString::fromStdString(csv);
        text.TextApostrophe = QStringLiteral("\"");
        text.FillChar = QChar(0);
        text.FieldSeparator = QStringLiteral(",");
        bool ok = false;
        ours = seconds([&] { ok = text.Execute(source); });
        if (!ok) std::printf("text export failed: %s\n", text.ErrorText().toStdString().c_str());
    }
    const std::string command =
        "mdb-export '" + path + "' Rows > '" + (dir / "mdb.csv").string() + "'";
    int mdbStatus = 0;
    const double theirs = seconds([&] { mdbStatus = std::system(command.c_str()); });
    std::printf("%-44s %9.3f s\n", ("text export, " + std::to_string(rows) + " rows").c_str(),
                ours);
    std::printf("%-44s %9.3f s%s\n", "mdb-export, same table", theirs,
                mdbStatus == 0 ? "" : "  FAILED");
    std::printf("%-44s %9.2fx\n", "mdb-export time / ours", theirs / ours);

    for (long n : {std::min(rows, 100000L), rows}) {
        // What the query itself holds while all rows are read, without a
        // writer, as the base of the writer's figures below.
        inChild(("query walk only, " + std::to_string(n) + " rows").c_str(), [&] {
            Opened opened(path, QStringLiteral("SELECT TOP %1 * FROM [Rows]").arg(n));
            size_t cells = 0;
            opened.query.ScanRecords([&] {
                for (size_t f = 0; f < opened.query.FieldCount(); ++f)
                    cells += opened.query.Fields(f).IsNull() ? 0 : 1;
            });
            return cells > 0;
        });
        const std::string what = ".xlsx export, " + std::to_string(n) + " rows";
        inChild(what.c_str(), [&] {
            Opened opened(path, QStringLiteral("SELECT TOP %1 * FROM [Rows]").arg(n));
            DatasetExportSource source(opened.query);
            TxXLSExport excel;
            excel.ExportFile = QString::fromStdString((dir / "rows.xlsx").string());
            excel.Options &= ~unsigned(xleAddSumRow);
            return excel.ExportDBTable(source);
        });
    }
    return 0;
}
