// Scan benchmark: reads every table of the larger fixtures with the engine
// and with mdb-export, and prints rows/s and MB/s for each and their ratio.
//
//   scan_bench [--repeat N] [--fixtures DIR] [FILE...]
//
// For each table three figures are taken, each the best of N runs:
//   engine warm  - scan and decode every value of an open database, and
//                  turn each row into CSV text (what an export does);
//   engine cold  - the same after a fresh Database::open, so that opening
//                  the file and reading the catalogue count, as they do for
//                  a tool started per table;
//   mdb-export   - `mdb-export FILE TABLE` as a subprocess writing to
//                  /dev/null (process start-up included).
// MB are megabytes of the CSV text the engine produces for the table, the
// same for all three, so MB/s compare like with like. The summary also
// shows mdb-export with its bare start-up time (`mdb-export --version`)
// taken off each run, which is as kind to the tool as a per-table process
// comparison can be.
//
// Peak RSS (getrusage) is printed after each file: scanning holds one page
// at a time plus the bounded page cache, so it must not follow table sizes.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "jet/catalog/database.h"
#include "jet/table/table_scan.h"
#include "jet/value.h"
#include "tools/csv_format.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kPageCachePages = 1024;  // PageStore's default capacity

struct Totals {
    double rows = 0, bytes = 0, warm = 0, cold = 0, tool = 0;
    void add(const Totals& o) {
        rows += o.rows;
        bytes += o.bytes;
        warm += o.warm;
        cold += o.cold;
        tool += o.tool;
    }
};

void appendCsvField(std::string& out, const jet::Value& v) {
    out += tools::csvField(v);
}

struct ScanResult {
    size_t rows = 0;
    size_t csvBytes = 0;
};

ScanResult scanTable(jet::Database& db, const std::string& name) {
    jet::TableScan scan(db, db.table(name));
    ScanResult r;
    std::string line;
    while (scan.next()) {
        line.clear();
        bool first = true;
        for (const jet::Value& v : scan.values()) {
            if (!first) line += ',';
            first = false;
            appendCsvField(line, v);
        }
        line += '\n';
        r.csvBytes += line.size();
        ++r.rows;
    }
    return r;
}

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// Runs mdb-export on one table with its output thrown away; returns the wall
// time, or a negative number when the tool failed.
double timeMdbExport(const std::vector<std::string>& toolArgs) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args{"mdb-export"};
    args.insert(args.end(), toolArgs.begin(), toolArgs.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    auto start = Clock::now();
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, "mdb-export", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    auto stop = Clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return seconds(start, stop);
}

long peakRssKb(int who) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_maxrss;
}

std::string rate(double amount, double secs) {
    char buf[32];
    if (secs <= 0) return "-";
    double r = amount / secs;
    if (r >= 1e6) {
        std::snprintf(buf, sizeof buf, "%.2fM", r / 1e6);
    } else if (r >= 1e3) {
        std::snprintf(buf, sizeof buf, "%.1fk", r / 1e3);
    } else {
        std::snprintf(buf, sizeof buf, "%.0f", r);
    }
    return buf;
}

void printRow(const std::string& label, const Totals& t) {
    const double mb = t.bytes / 1e6;
    std::printf("%-44s %7.0f %9.4f | %9s %8.2f | %9s %8.2f | %9s %8.2f | %6.1fx %6.1fx\n",
                label.c_str(), t.rows, mb, rate(t.rows, t.warm).c_str(),
                t.warm > 0 ? mb / t.warm : 0.0, rate(t.rows, t.cold).c_str(),
                t.cold > 0 ? mb / t.cold : 0.0, rate(t.rows, t.tool).c_str(),
                t.tool > 0 ? mb / t.tool : 0.0, t.warm > 0 ? t.tool / t.warm : 0.0,
                t.cold > 0 ? t.tool / t.cold : 0.0);
}

std::vector<std::string> defaultFiles(const std::filesystem::path& root) {
    std::vector<std::string> out{(root / "V2000/testV2000.mdb").string()};
    for (const char* dir : {"V2010", "V2007", "V1997", "V2000"}) {
        std::vector<std::string> found;
        for (const auto& e : std::filesystem::directory_iterator(root / dir)) {
            std::string name = e.path().filename().string();
            bool accdb = e.path().extension() == ".accdb";
            bool test2 = name.rfind("test2", 0) == 0;
            if (accdb || test2) found.push_back(e.path().string());
        }
        std::sort(found.begin(), found.end());
        out.insert(out.end(), found.begin(), found.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    int repeat = 5;
    std::filesystem::path root = TABULON_FIXTURES;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--repeat" && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--fixtures" && i + 1 < argc) {
            root = argv[++i];
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) files = defaultFiles(root);

    std::printf("best of %d runs; MB = CSV text of the table; x = mdb-export time / engine time\n",
                repeat);
    std::printf("%-44s %7s %9s | %18s | %18s | %18s | %14s\n", "", "", "", "engine warm",
                "engine cold", "mdb-export", "speed-up");
    std::printf("%-44s %7s %9s | %9s %8s | %9s %8s | %9s %8s | %7s %7s\n", "file / table", "rows",
                "MB", "rows/s", "MB/s", "rows/s", "MB/s", "rows/s", "MB/s", "warm", "cold");

    const long rssAtStart = peakRssKb(RUSAGE_SELF);
    // What starting the tool costs before it opens any file.
    double startUp = 1e9;
    for (int k = 0; k < repeat; ++k) startUp = std::min(startUp, timeMdbExport({"--version"}));
    Totals all;
    int invocations = 0;
    uint64_t largestFile = 0;
    int failures = 0;
    for (const std::string& file : files) {
        largestFile = std::max<uint64_t>(largestFile, std::filesystem::file_size(file));
        auto db = jet::Database::open(file);
        Totals perFile;
        for (const jet::CatalogObject* t : db->tables(true)) {
            Totals one;
            double warm = 1e9, cold = 1e9, tool = 1e9;
            ScanResult r;
            bool toolFailed = false;
            for (int k = 0; k < repeat; ++k) {
                auto a = Clock::now();
                r = scanTable(*db, t->name);
                auto b = Clock::now();
                warm = std::min(warm, seconds(a, b));

                a = Clock::now();
                auto fresh = jet::Database::open(file);
                scanTable(*fresh, t->name);
                b = Clock::now();
                cold = std::min(cold, seconds(a, b));

                double s = timeMdbExport({file, t->name});
                if (s < 0) toolFailed = true;
                tool = std::min(tool, s < 0 ? tool : s);
            }
            if (toolFailed) {
                // Leave the table out of the comparison rather than compare
                // a full engine scan with a tool that gave up.
                std::printf("  (mdb-export failed on %s; table left out)\n", t->name.c_str());
                ++failures;
                continue;
            }
            ++invocations;
            one.rows = static_cast<double>(r.rows);
            one.bytes = static_cast<double>(r.csvBytes);
            one.warm = warm;
            one.cold = cold;
            one.tool = tool;
            perFile.add(one);
        }
        printRow(std::filesystem::path(file).parent_path().filename().string() + "/" +
                     std::filesystem::path(file).filename().string(),
                 perFile);
        all.add(perFile);
    }
    std::printf("%s\n", std::string(150, '-').c_str());
    printRow("all files", all);
    if (startUp > 0 && startUp < 1e9) {
        Totals net = all;
        net.tool = std::max(0.0, all.tool - startUp * invocations);
        std::printf("mdb-export start-up (--version) %.2f ms per run, %d runs; without it:\n",
                    startUp * 1e3, invocations);
        printRow("all files, mdb-export less start-up", net);
    }
    std::printf("\ntables left out (mdb-export failed): %d\n", failures);
    std::printf(
        "peak RSS: engine process %ld KiB at start, %ld KiB at the end; "
        "mdb-export children %ld KiB\n",
        rssAtStart, peakRssKb(RUSAGE_SELF), peakRssKb(RUSAGE_CHILDREN));
    std::printf("page cache bound: %zu pages (%zu KiB at 4 KiB pages); largest file %llu KiB\n",
                kPageCachePages, kPageCachePages * 4,
                static_cast<unsigned long long>(largestFile / 1024));
    return 0;
}
