// Write benchmark: a million-row CSV (ten columns of mixed types) loaded
// into a new .accdb with a primary key and a text index, the table exported
// by tabulon-cli and by mdb-export in the same run, and the file compacted.
//
//   write_bench [--rows N] [--cli PATH] [--keep DIR]
//
// Every step runs tabulon-cli as a subprocess, as a user would, and is timed
// from start to exit. Output goes to /dev/null for the exports.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

double run(const std::string& what, const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status != 0) {
        std::fprintf(stderr, "%s failed (status %d): %s\n", what.c_str(), status, command.c_str());
        std::exit(1);
    }
    std::printf("%-28s %8.2f s\n", what.c_str(), seconds);
    std::fflush(stdout);
    return seconds;
}

std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Deterministic rows: an id, names and cities from small lists, numbers,
// dates, booleans and some empty (null) cells.
void writeCsv(const fs::path& path, long rows) {
    static const char* kNames[] = {"Anna",  "Bernd", "Chloé", "Dmitri", "Eve",   "Farid",
                                   "Grete", "Hiro",  "Ines",  "Jakub",  "Kirsi", "Lars"};
    static const char* kCities[] = {"Berlin", "Paris", "Łódź", "Zürich", "Porto", "Oslo", "Rome"};
    std::ofstream out(path, std::ios::binary);
    out << "Id,Name,City,Quantity,Price,Weight,Ordered,Paid,Code,Note\n";
    unsigned long x = 12345;
    for (long i = 1; i <= rows; ++i) {
        x = x * 6364136223846793005ul + 1442695040888963407ul;
        const unsigned r = static_cast<unsigned>(x >> 33);
        char line[256];
        std::snprintf(line, sizeof line,
                      "%ld,%s %ld,%s,%u,%u.%02u,%.3f,2024-%02u-%02u %02u:%02u:00,%s,%08X,%s\n", i,
                      kNames[r % 12], i % 977, kCities[(r / 12) % 7], r % 5000, r % 900, r % 100,
                      (r % 100000) / 7.0, 1 + r % 12, 1 + r % 28, r % 24, r % 60,
                      (r & 1) ? "true" : "false", r, (r % 10 == 0) ? "" : "regular order");
        out << line;
    }
}

}  // namespace

int main(int argc, char** argv) {
    long rows = 1000000;
    std::string cli = "build-bench/bin/tabulon-cli";
    std::string keep;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--rows" && i + 1 < argc)
            rows = std::atol(argv[++i]);
        else if (a == "--cli" && i + 1 < argc)
            cli = argv[++i];
        else if (a == "--keep" && i + 1 < argc)
            keep = argv[++i];
    }
    const fs::path dir =
        keep.empty() ? fs::temp_directory_path() / "tabulon-write-bench" : fs::path(keep);
    fs::create_directories(dir);
    const fs::path csv = dir / "orders.csv";
    const fs::path db = dir / "orders.accdb";
    const fs::path compacted = dir / "orders-compacted.accdb";
    fs::remove(db);
    fs::remove(compacted);

    std::printf("rows: %ld\n", rows);
    writeCsv(csv, rows);
    std::printf("csv: %.1f MB\n", fs::file_size(csv) / 1e6);
    const std::string columns =
        "Id Long, Name Text(40), City Text(30), Quantity Long, Price Currency, Weight Double, "
        "Ordered Date, Paid Boolean, Code Text(8), Note Text(60)";
    run("create", quote(cli) + " create " + quote(db) + " --version 256");
    const double load =
        run("load", quote(cli) + " load " + quote(db) + " Orders " + quote(csv) + " --columns " +
                        quote(columns) + " --primary-key Id --index Name");
    std::printf("file: %.1f MB\n", fs::file_size(db) / 1e6);
    const double ours =
        run("tabulon-cli export", quote(cli) + " export " + quote(db) + " Orders > /dev/null");
    const double theirs = run("mdb-export", "mdb-export " + quote(db) + " Orders > /dev/null");
    const double compact =
        run("compact", quote(cli) + " compact " + quote(db) + " " + quote(compacted));
    run("check (compacted)", quote(cli) + " check " + quote(compacted) + " > /dev/null");
    std::printf(
        "\nload %.2f s (goal < 10), export %.2fx faster than mdb-export (goal >= 2), "
        "compact %.2f s (goal < 10)\n",
        load, theirs / ours, compact);
    if (keep.empty()) fs::remove_all(dir);
    return 0;
}
