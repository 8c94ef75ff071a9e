// What the benchmarks share: timing a step, the process's resident memory,
// the report line, and column specs for the tables they write.
#pragma once

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "jet/compact/compactor.h"
#include "jet/file/file.h"
#include "jet/value.h"
#include "jet/write/create_database.h"
#include "jet/write/database_builder.h"
#include "jet/write/table_layout.h"
#include "jet/write/table_writer.h"

namespace bench {

inline double seconds(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Resident memory in MB (VmRSS of /proc/self/status), 0 when unknown; freed
// heap is handed back first so the figure is what the step still holds.
inline long residentMb() {
    malloc_trim(0);
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb / 1024;
        }
        std::getline(status, key);
    }
    return 0;
}

inline void report(const char* what, double s, const std::string& detail = {}) {
    std::printf("%-64s %10.4f s  %6ld MB  %s\n", what, s, residentMb(), detail.c_str());
    std::fflush(stdout);
}

// Times `work`, then reports it with the text `detail` gives afterwards.
inline void step(const char* what, const std::function<void()>& work,
                 const std::function<std::string()>& detail = {}) {
    const double s = seconds(work);
    report(what, s, detail ? detail() : std::string());
}

// A column of a table spec, typed as DAO numbers types (4 Long, 10 Text ...).
inline jet::ColumnSpec column(const char* name, int daoType, int size = 0) {
    jet::ColumnSpec c;
    c.name = name;
    c.daoType = daoType;
    c.size = size;
    return c;
}

// The deterministic rows the benchmarks write: for row i (counted from 1) a
// random number `r` and a `name` of 8 to 19 random letters, so that
// '*abc*' matches about one name in 600.
class RandomRows {
public:
    void next(long i) {
        x_ = x_ * 6364136223846793005ul + 1442695040888963407ul;
        r = static_cast<unsigned>(x_ >> 33);
        name.assign(8 + r % 12, 'a');
        unsigned y = r;
        for (char& c : name) {
            c = static_cast<char>('a' + y % 26);
            y = y / 26 + static_cast<unsigned>(i);
        }
    }
    unsigned r = 0;
    std::string name;

private:
    unsigned long x_ = 2463534242ul;
};

// A new Jet 4 file at `path` holding table `spec` with `rows` rows, written
// by the engine's own writer; `fill` sets the values of row i (from 1), in
// the table's column order.
inline void writeTableFile(const std::string& path, const jet::TableSpec& spec, long rows,
                           const std::function<void(long, std::vector<jet::Value>&)>& fill) {
    jet::createDatabase(*jet::posixFileSystem(), path, jet::CreateOptions{});
    jet::CompactRequest request;
    request.source = path;
    request.destination = path;
    jet::compactDatabase(*jet::posixFileSystem(), request, [&](jet::DatabaseBuilder& builder) {
        jet::NewTablesWriter writer(builder, {jet::NewTable{spec, ""}});
        writer.beginTable(spec.name);
        std::vector<jet::Value> values(spec.columns.size());
        for (long i = 1; i <= rows; ++i) {
            fill(i, values);
            writer.addRow(values);
        }
        writer.endTable();
        writer.finish();
    });
}

}  // namespace bench
